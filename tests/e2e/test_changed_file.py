"""A file that changes while it uploads ends the send, and the CLI stays until the abort of its
multipart upload is done, so no parts are left behind in storage."""

import os
import time

import e2ecase
from e2ecase import E2ECase

PART = 65536


class ChangedFile(E2ECase):
    service_options = ("--min-part-size", str(PART))

    def uploads_in_storage(self):
        folder = os.path.join(self.service.data, "storage", "uploads")
        return os.listdir(folder) if os.path.isdir(folder) else []

    def test_changed_file_leaves_no_upload_behind(self):
        path = self.file("draft.mov", 12 * PART, seed=3)
        # Slow parts keep the upload going while the file changes.
        self.service.add_faults({"method": "PUT", "query": "partNumber=", "delayMs": 400,
                                 "count": 100})
        process = self.cli.start("send", path, "--part-size", str(PART))
        try:
            deadline = time.monotonic() + 30
            while not self.uploads_in_storage() and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertTrue(self.uploads_in_storage(), "the multipart upload never started")
            with open(path, "ab") as out:
                out.write(b"edited")
            _, stderr = process.communicate(timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
                process.communicate()
        self.assertEqual(process.returncode, 4, stderr)
        self.assertIn("draft.mov", stderr)
        self.assertEqual(self.uploads_in_storage(), [])


if __name__ == "__main__":
    e2ecase.main()
