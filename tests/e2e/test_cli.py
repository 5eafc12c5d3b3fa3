"""parcella-cli as its users expect it: help per command, its version and exit statuses, a
clear word when no keyring answers, transfer actions and JSON for scripts."""

import json
import subprocess

import e2ecase
import harness
from e2ecase import E2ECase


class Cli(E2ECase):
    def test_help_version_and_usage_errors(self):
        for args in (["help", "send"], ["send", "--help"]):
            result = self.cli.run(*args)
            self.assertExit(result, 0)
            self.assertIn("--password-stdin", result.stdout)
        general = self.cli.run("help")
        self.assertIn("transfers expire ID DAYS", general.stdout)
        self.assertIn("6    no keyring", general.stdout)
        self.assertRegex(self.cli.run("--version").stdout, r"^parcella-cli \d+\.\d+\.\d+\n$")
        for args in (["transfers", "expire", "some-id"], ["transfers", "rename", "x"],
                     ["login", "--json"], ["help", "nothing"],
                     ["send", "x", "--limit-rate", "fast"]):
            self.assertExit(self.cli.run(*args), 2)

    def test_no_keyring_is_named_as_such(self):
        result = subprocess.run(
            self.cli.command("transfers"), capture_output=True, text=True, timeout=60,
            env=harness.environment({"DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent"}))
        self.assertExit(result, 6)
        self.assertIn("Secret Service", self.assertOneLineError(result))

    def test_json_and_transfer_actions(self):
        sent = self.cli.run("send", self.file("report.pdf", 5000), "--json")
        self.assertExit(sent, 0)
        transfer = json.loads(sent.stdout)
        self.assertTrue(transfer["url"].startswith(self.service.url))

        expired = self.cli.run("transfers", "expire", transfer["id"], "3")
        self.assertExit(expired, 0)
        self.assertIn("expires in 3 days", expired.stdout)
        self.assertExit(self.cli.run("transfers", "delete", transfer["id"]), 0)
        listed = json.loads(self.cli.run("transfers", "--json").stdout)
        mine = [t for t in listed if t["id"] == transfer["id"]]
        self.assertEqual(len(mine), 1)
        self.assertIsNotNone(mine[0].get("revoked_at"))
        self.assertExit(self.cli.run("transfers", "delete", "no-such-transfer"), 5)


if __name__ == "__main__":
    e2ecase.main()
