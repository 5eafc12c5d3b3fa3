"""The parcella: scheme handler between processes: while the tray app runs, a command-line
login's callback handed to `parcella` (or to `parcella-cli open-url`) reaches that login, and a
forged callback with a state nobody waits for is dropped."""

import os
import subprocess
import time

import browser
import e2ecase
import harness
from e2ecase import E2ECase


def app_binary():
    # Built next to the command-line client.
    cli = os.environ["PARCELLA_CLI"]
    return os.environ.get("PARCELLA_APP") or os.path.join(
        os.path.dirname(os.path.dirname(cli)), "app", "parcella")


def run_app(*args):
    return subprocess.run([app_binary(), *args], capture_output=True, text=True, timeout=30,
                          env=harness.environment({"QT_QPA_PLATFORM": "offscreen"}))


class SchemeHandler(E2ECase):
    signs_in = False

    def setUp(self):
        super().setUp()
        self.app = subprocess.Popen([app_binary()], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL,
                                    env=harness.environment({"QT_QPA_PLATFORM": "offscreen"}))
        self.addCleanup(self._stop_app)
        socket = os.path.join(os.environ["XDG_RUNTIME_DIR"], "parcella-instance")
        deadline = time.monotonic() + 20
        while not os.path.exists(socket) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(os.path.exists(socket), "the app did not start")

    def _stop_app(self):
        self.app.kill()
        self.app.wait()

    def _sign_in_through(self, handler):
        login = self.cli.start("login", "--no-browser")
        try:
            output = harness.LineQueue(login.stdout)
            line = output.wait_for(lambda l: "/oauth/authorize?" in l, timeout=30)
            callback = browser.authorize(line.strip())
            # The login listens before it prints the address; a forged state finds nobody.
            forged = callback.replace("state=", "state=forged")
            for dropped in (run_app(forged), self.cli.run("open-url", forged)):
                self.assertEqual(dropped.returncode, 1, dropped.stderr)
                self.assertIn("No sign-in is waiting", dropped.stderr)
            self.assertIsNone(login.poll())

            handed = handler(callback)
            self.assertEqual(handed.returncode, 0, handed.stderr)
            self.assertEqual(login.wait(timeout=30), 0, login.stderr.read())
            self.assertIn("Signed in.", output.drain(10))
        finally:
            if login.poll() is None:
                login.kill()
                login.wait()
            login.stdout.close()
            login.stderr.close()
        self.assertIsNone(self.app.poll(), "the app ended")
        self.assertExit(self.cli.run("transfers"), 0)
        self.assertExit(self.cli.run("logout"), 0)

    def test_callback_handed_to_the_app_reaches_the_cli_login(self):
        self._sign_in_through(run_app)

    def test_callback_handed_to_open_url_reaches_the_cli_login(self):
        self._sign_in_through(lambda callback: self.cli.run("open-url", callback))


if __name__ == "__main__":
    e2ecase.main()
