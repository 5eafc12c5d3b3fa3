"""A process killed right after a token refresh comes back signed in: the refresh token that the
service rotated to is in the keyring before anything else goes on."""

import signal
import time

import e2ecase
from e2ecase import E2ECase

LIFETIME = 2  # seconds an access token lives
PART = 65536


class KillAfterRefresh(E2ECase):
    service_options = ("--min-part-size", str(PART), "--access-token-lifetime", str(LIFETIME))

    def wait_for_part(self, timeout=30):
        deadline = time.monotonic() + timeout
        while not self.service.part_attempts():
            if time.monotonic() > deadline:
                raise TimeoutError("no part arrived")
            time.sleep(0.02)

    def test_signed_in_after_a_kill_right_after_a_refresh(self):
        path = self.file("held.bin", PART, seed=3)
        time.sleep(LIFETIME + 1)  # the next request refreshes first
        # The part is held, so the process is killed with the refresh behind it and nothing after.
        self.service.add_faults({"method": "PUT", "query": "partNumber=", "delayMs": 5000,
                                 "count": 1})
        process = self.cli.start("send", path, "--part-size", str(PART))
        try:
            self.wait_for_part()
        finally:
            process.send_signal(signal.SIGKILL)
            process.wait(timeout=10)
            for stream in (process.stdout, process.stderr):
                stream.close()
        self.service.clear_faults()

        # Expired again: the restart must refresh with the rotated token from the keyring.
        time.sleep(LIFETIME + 1)
        listed = self.cli.run("transfers")
        self.assertExit(listed, 0)


if __name__ == "__main__":
    e2ecase.main()
