"""Faults that pass (server errors, connections cut mid-part, an unconfirmed upload, expired
signatures) are ridden out without the user; a refusal on every part ends the send with one
clear line after the configured retries."""

import e2ecase
import harness
from e2ecase import E2ECase

PART = 65536
EXPIRY = 3  # seconds a presigned storage URL lives


def part(number):
    return r"(^|&)partNumber=%d(&|$)" % number


class Faults(E2ECase):
    service_options = ("--min-part-size", str(PART), "--presign-expiry", str(EXPIRY))

    def send(self, *paths, retries=None):
        options = ["--part-size", str(PART), "--retry-delays", "0.05,0.1"]
        if retries is not None:
            options += ["--max-retries", str(retries)]
        return self.cli.run("send", *paths, *options, timeout=90)

    def test_passing_faults_are_ridden_out(self):
        path = self.file("master.mov", 5 * PART + 7, seed=5)
        self.service.add_faults(
            {"method": "PUT", "query": part(1), "status": 500, "count": 2},
            {"method": "PUT", "query": part(2), "dropAfterBytes": 1000, "count": 1},
            {"method": "PUT", "query": part(3), "status": 503, "code": "SlowDown", "count": 1},
            # Held past the lifetime of its presigned URL, so storage finds the signature expired.
            {"method": "PUT", "query": part(4), "delayMs": (EXPIRY + 1) * 1000, "count": 1},
            # Storage does not show the object to the service at once.
            {"method": "POST", "path": r"/uploads/[^/]+/complete$", "status": 409, "count": 1})
        result = self.send(path)
        self.assertExit(result, 0)
        # Each faulted part was sent again until it went through.
        attempts = self.service.part_attempts()
        for number, least in {1: 3, 2: 2, 3: 2, 4: 2, 5: 1}.items():
            self.assertGreaterEqual(attempts.get(number, 0), least, number)
        link = result.stdout.strip().splitlines()[-1]
        self.assertDelivered(harness.Recipient().files(link), [path])

    def test_refusal_of_every_part_fails_after_the_retries(self):
        path = self.file("refused.bin", 2 * PART, seed=6)
        self.service.add_faults({"method": "PUT", "query": "partNumber=", "status": 403,
                                 "code": "AccessDenied", "message": "Access Denied",
                                 "count": 1000})
        result = self.send(path, retries=2)
        self.assertExit(result, 4)
        line = self.assertOneLineError(result)
        self.assertIn("refused.bin", result.stdout + line)
        # One attempt and two retries of a part before the upload gives up.
        self.assertLessEqual(max(self.service.part_attempts().values()), 3)


if __name__ == "__main__":
    e2ecase.main()
