"""Base of the end-to-end test cases: a devservice per test class and a signed-in parcella-cli.
The binaries come from the environment (set by CTest); the keyring session and the private home
come from with-keyring.sh, which runs each test file."""

import os
import shutil
import tempfile
import unittest

import harness


class E2ECase(unittest.TestCase):
    # Options of the devservice for this class; small parts keep multipart files small.
    service_options = ("--min-part-size", "65536")
    signs_in = True

    @classmethod
    def setUpClass(cls):
        cls.service = harness.DevService(os.environ["PARCELLA_DEVSERVICE"], *cls.service_options)
        cls.addClassCleanup(cls.service.stop)
        cls.cli = harness.Cli(os.environ["PARCELLA_CLI"], cls.service.url)
        if cls.signs_in:
            login = cls.cli.login()
            if login.returncode != 0:
                raise RuntimeError("sign-in failed: " + login.stderr_text)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="parcella-e2e-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.service.clear_faults()
        self.service.reset_counters()

    def file(self, name, size, seed=0):
        return harness.write_file(os.path.join(self.folder, name), size, seed)

    def assertExit(self, result, code):
        self.assertEqual(result.returncode, code,
                         "stdout: %s\nstderr: %s" % (result.stdout, result.stderr))

    def assertOneLineError(self, result):
        lines = [l for l in result.stderr.splitlines() if l.strip()]
        self.assertEqual(len(lines), 1, result.stderr)
        self.assertTrue(lines[0].startswith("parcella-cli: "), lines[0])
        return lines[0]

    def assertDelivered(self, files, paths, recipient=None):
        """The download page lists the files in the order sent, each byte-identical."""
        self.assertEqual([name for name, _ in files], [os.path.basename(p) for p in paths])
        for (name, data), path in zip(files, paths):
            with open(path, "rb") as source:
                self.assertEqual(data, source.read(), name)


def main():
    unittest.main(verbosity=2)
