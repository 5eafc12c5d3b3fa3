"""A client killed while parts are in flight resumes on the next run: the parts already stored
are not sent again, and the object is byte-identical."""

import signal
import time

import e2ecase
import harness
from e2ecase import E2ECase

PART = 65536
PARTS = 8
HELD = 2.5  # seconds the storage holds the later parts before refusing them


class Resume(E2ECase):
    def wait_for_parts(self, numbers, process, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if numbers <= set(self.service.part_attempts()):
                return
            self.assertIsNone(process.poll(), "the client ended before it was interrupted")
            time.sleep(0.05)
        self.fail("parts %s never reached the storage" % sorted(numbers))

    def test_killed_client_resumes_with_the_missing_parts(self):
        path = self.file("footage.bin", PARTS * PART, seed=3)
        command = ("send", path, "--part-size", str(PART), "--retry-delays", "0.05")
        # Parts 5 and up are held and then refused, so they are in flight when the client dies
        # and none of them is stored; parts 1-4 are stored by then (three lanes per file).
        self.service.add_faults({"method": "PUT", "query": r"(^|&)partNumber=[5-8](&|$)",
                                 "delayMs": int(HELD * 1000), "status": 500, "count": 3})
        first = self.cli.start(*command)
        try:
            self.wait_for_parts({5, 6, 7}, first)
        finally:
            first.send_signal(signal.SIGKILL)
            first.communicate(timeout=10)
        self.assertEqual(first.returncode, -signal.SIGKILL)
        before = self.service.part_attempts()
        self.assertEqual({n: before.get(n) for n in range(1, 5)}, {n: 1 for n in range(1, 5)})
        time.sleep(HELD + 0.5)  # the held requests end before the client comes back

        self.service.reset_counters()
        second = self.cli.run(*command)
        self.assertExit(second, 0)
        again = self.service.part_attempts()
        self.assertEqual({n: again.get(n, 0) for n in range(1, 5)}, {n: 0 for n in range(1, 5)},
                         "stored parts were sent again")
        self.assertEqual({n: again.get(n, 0) for n in range(5, 9)}, {n: 1 for n in range(5, 9)})
        self.assertNotIn("create", self.service.counters()["requests"],
                         "the resumed run started a new multipart upload")
        link = second.stdout.strip().splitlines()[-1]
        self.assertDelivered(harness.Recipient().files(link), [path])

    def test_interrupted_client_says_how_to_resume(self):
        path = self.file("interview.bin", 4 * PART, seed=4)
        self.service.add_faults({"method": "PUT", "query": "partNumber=", "delayMs": 1500,
                                 "count": 3})
        process = self.cli.start("send", path, "--part-size", str(PART))
        self.wait_for_parts({1}, process)
        process.send_signal(signal.SIGINT)
        out, err = process.communicate(timeout=20)
        self.assertEqual(process.returncode, 130, err)
        self.assertIn("again to resume", err)
        time.sleep(1.6)
        self.service.clear_faults()
        resumed = self.cli.run("send", path, "--part-size", str(PART))
        self.assertExit(resumed, 0)
        self.assertDelivered(harness.Recipient().files(resumed.stdout.splitlines()[-1]), [path])


if __name__ == "__main__":
    e2ecase.main()
