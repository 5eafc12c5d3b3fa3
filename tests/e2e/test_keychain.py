"""The sign-in in the Secret Service keyring as another client (secret-tool) sees it: items
another client left damaged read as signed out and the next sign-in leaves one item, duplicates
included; signing out removes this origin's item and no other; a fresh item is labelled
"Parcella" and holds the stored form."""

import json
import subprocess

import e2ecase
from e2ecase import E2ECase

SERVICE = "app.parcella.mac"


def secret_tool(*args, data=None):
    result = subprocess.run(["secret-tool", *args], input=data, capture_output=True, text=True,
                            timeout=20)
    return result.stdout + result.stderr


class Keychain(E2ECase):
    signs_in = False

    def attributes(self, origin=None):
        return ["service", SERVICE, "account", "oauth-tokens " + (origin or self.service.url)]

    def store(self, data, *extra, origin=None):
        secret_tool("store", "--label=Someone else", *self.attributes(origin), *extra, data=data)

    def items(self):
        """The item paths (lines "[/org/freedesktop/secrets/…]") of this origin."""
        listing = secret_tool("search", "--all", *self.attributes())
        return [line for line in listing.splitlines() if line.startswith("[")], listing

    def test_damaged_items_read_as_signed_out_until_a_sign_in_replaces_them(self):
        elsewhere = "https://elsewhere.example"
        self.store("kept", origin=elsewhere)
        for damaged in ("{}", "not json", "[]",
                        '{"accessToken":"a","refreshToken":"r","expiresAt":"2030-01-01"}',
                        '{"accessToken":"a","refreshToken":7,"expiresAt":1}',
                        '{"accessToken":"a","expiresAt":1}'):
            self.store(damaged)
            self.assertExit(self.cli.run("transfers"), 3)
        self.store("{}", "note", "duplicate")

        self.assertEqual(self.cli.login().returncode, 0)
        paths, listing = self.items()
        self.assertEqual(len(paths), 1, listing)
        self.assertExit(self.cli.run("logout"), 0)
        self.assertEqual(self.items()[0], [])
        self.assertEqual(secret_tool("lookup", *self.attributes(elsewhere)), "kept")

        # An item of its own, made afresh.
        self.assertEqual(self.cli.login().returncode, 0)
        self.assertIn("label = Parcella", self.items()[1])
        stored = json.loads(secret_tool("lookup", *self.attributes()))
        self.assertEqual(sorted(stored), ["accessToken", "expiresAt", "refreshToken"])


if __name__ == "__main__":
    e2ecase.main()
