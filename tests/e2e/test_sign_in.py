"""Sign-in through the authorize page, token refresh past a short access-token lifetime, and
sign-out, each through parcella-cli with the tokens in a real keyring."""

import time

import e2ecase
from e2ecase import E2ECase

LIFETIME = 2


class SignIn(E2ECase):
    service_options = ("--access-token-lifetime", str(LIFETIME))
    signs_in = False

    def test_refused_callback_keeps_the_user_signed_out(self):
        result = self.cli.run("login", "--no-browser",
                              stdin_text="parcella://oauth/callback?code=forged&state=forged\n")
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertOneLineError(result)
        self.assertExit(self.cli.run("transfers"), 3)

    def test_sign_in_refresh_and_sign_out(self):
        before = self.cli.run("transfers")
        self.assertExit(before, 3)
        self.assertIn("login", self.assertOneLineError(before))

        login = self.cli.login()
        self.assertEqual(login.returncode, 0, login.stderr_text)
        self.assertIn("Signed in.", login.stdout_lines)
        self.assertExit(self.cli.run("transfers"), 0)

        # Twice past the lifetime: the second refresh needs the rotated refresh token that the
        # first one stored in the keyring.
        for _ in range(2):
            time.sleep(LIFETIME + 1)
            listed = self.cli.run("transfers")
            self.assertExit(listed, 0)
            self.assertIn("Workspace", listed.stdout)

        logout = self.cli.run("logout")
        self.assertExit(logout, 0)
        self.assertIn("Signed out.", logout.stdout)
        after = self.cli.run("transfers")
        self.assertExit(after, 3)
        self.assertOneLineError(after)


if __name__ == "__main__":
    e2ecase.main()
