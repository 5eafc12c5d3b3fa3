"""Tokens belong to the origin that issued them: a CLI pointed at another service never sends
them there, and plain http is refused for anything but this computer."""

import http.server
import os
import subprocess
import threading

import e2ecase
import harness
from e2ecase import E2ECase


class Recorder(http.server.BaseHTTPRequestHandler):
    """An impostor service: answers 401 to everything and keeps what it was sent."""
    seen = []

    def _answer(self):
        length = int(self.headers.get("Content-Length") or 0)
        Recorder.seen.append((self.command, self.path, dict(self.headers),
                              self.rfile.read(length).decode("latin-1")))
        self.send_response(401)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", "2")
        self.end_headers()
        self.wfile.write(b"{}")

    do_GET = do_POST = do_DELETE = do_PATCH = _answer

    def log_message(self, *args):
        pass


class Origins(E2ECase):
    def run_cli(self, *args, env=None):
        return subprocess.run([self.cli.binary, *args], capture_output=True, text=True,
                              timeout=60, env=harness.environment(env))

    def test_tokens_stay_with_their_origin(self):
        impostor = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Recorder)
        threading.Thread(target=impostor.serve_forever, daemon=True).start()
        self.addCleanup(impostor.server_close)
        self.addCleanup(impostor.shutdown)
        other = "http://127.0.0.1:%d" % impostor.server_address[1]

        for args, env in ((["--service", other], None),
                          ([], {"PARCELLA_SERVICE_URL": other})):
            result = self.run_cli(*args, "transfers", env=env)
            self.assertExit(result, 3)
            self.assertIn("login", self.assertOneLineError(result))
        sent = " ".join(str(request) for request in Recorder.seen)
        self.assertNotIn("Bearer", sent)
        self.assertNotIn("refresh_token", sent)

        # The user is still signed in where the tokens came from, by option or by variable.
        self.assertExit(self.cli.run("transfers"), 0)
        self.assertExit(self.run_cli("transfers", env={"PARCELLA_SERVICE_URL": self.service.url}),
                        0)

    def test_plain_http_only_on_this_computer(self):
        for args, env in ((["--service", "http://parcella.example/"], None),
                          ([], {"PARCELLA_SERVICE_URL": "http://192.0.2.1:8750"})):
            result = self.run_cli(*args, "transfers", env=env)
            self.assertEqual(result.returncode, 2, result.stderr)
            self.assertIn("plain http", result.stderr)
        self.assertExit(self.run_cli("--service", "http://localhost:1/", "--help"), 0)


if __name__ == "__main__":
    e2ecase.main()
