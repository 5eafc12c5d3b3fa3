"""The devservice's sign-in where the application's happy path does not go: unknown clients and
redirects, PKCE and redirect checks of the code exchange, a spent code withdrawing what it
bought, revocation, expiry, and the grace for a refresh answer that was lost."""

import time
import urllib.parse

import e2ecase
import servicecalls as sc
from e2ecase import E2ECase


class ServiceOAuth(E2ECase):
    signs_in = False

    def setUp(self):
        super().setUp()
        self.account = sc.Account(self.service.url)

    def authorize_page(self, **fields):
        query = dict(sc.authorize_fields(sc.challenge_for(sc.new_verifier())), **fields)
        return sc.call("GET", self.service.url + "/oauth/authorize?" +
                       urllib.parse.urlencode({k: v for k, v in query.items() if v is not None}))

    def assertGrantRefused(self, reply):
        self.assertEqual(reply.status, 400, reply.body)
        self.assertEqual(reply.json()["error"], "invalid_grant")

    def test_authorize_never_redirects_to_strangers(self):
        for fields in ({"client_id": "someone-else"}, {"redirect_uri": "https://evil.test/cb"}):
            reply = self.authorize_page(**fields)
            self.assertEqual(reply.status, 400, fields)
            self.assertIsNone(reply.headers.get("Location"))
        # A known client without a challenge hears back as an OAuth error.
        reply = self.authorize_page(code_challenge=None)
        self.assertEqual(reply.status, 302)
        self.assertTrue(reply.headers["Location"].startswith(sc.REDIRECT_URI + "?"))
        self.assertIn("error=invalid_request", reply.headers["Location"])

    def test_decisions_redirect_with_the_state(self):
        challenge = sc.challenge_for(sc.new_verifier())
        for allow, state in ((False, "state 1/2"), (True, "xyz")):
            reply = self.account.decide(challenge, state, allow=allow)
            self.assertEqual(reply.status, 302)
            location = urllib.parse.urlsplit(reply.headers["Location"])
            query = dict(urllib.parse.parse_qsl(location.query))
            self.assertEqual((location.scheme, query["state"]), ("parcella", state))
            self.assertEqual("code" in query, allow)
            self.assertEqual(query.get("error"), None if allow else "access_denied")

    def test_code_exchange_checks_verifier_redirect_and_reuse(self):
        verifier = sc.new_verifier()
        code = self.account.code(sc.challenge_for(verifier))
        tokens = self.account.exchange(code, verifier)
        self.assertEqual(tokens.status, 200)
        self.assertEqual(sorted(tokens.json()),
                         ["access_token", "expires_in", "refresh_token", "token_type"])
        self.assertEqual((tokens.json()["token_type"], tokens.json()["expires_in"]),
                         ("Bearer", 3600))
        self.assertIn("no-store", tokens.headers["Cache-Control"])
        access = tokens.json()["access_token"]
        self.assertEqual(self.account.api("GET", "me", access).status, 200)

        # A spent code is refused and withdraws what it bought.
        reused = self.account.exchange(code, verifier)
        self.assertGrantRefused(reused)
        self.assertTrue(reused.json()["error_description"])
        self.assertEqual(self.account.api("GET", "me", access).status, 401)

        # A wrong verifier spends the code: the right one cannot rescue it.
        code = self.account.code(sc.challenge_for(verifier))
        self.assertGrantRefused(self.account.exchange(code, sc.new_verifier()))
        self.assertGrantRefused(self.account.exchange(code, verifier))

        code = self.account.code(sc.challenge_for(verifier))
        self.assertGrantRefused(self.account.exchange(code, verifier, "parcella://oauth/other"))
        self.assertGrantRefused(self.account.exchange("made-up", verifier))

    def test_revocation_ends_the_grant(self):
        tokens = self.account.sign_in()
        self.assertEqual(self.account.api("DELETE", "token", tokens["access_token"]).status, 204)
        me = self.account.api("GET", "me", tokens["access_token"])
        self.assertEqual(me.status, 401)
        self.assertTrue(me.json()["message"])
        self.assertEqual(self.account.refresh(tokens["refresh_token"]).status, 400)
        self.assertEqual(self.account.api("DELETE", "token", None).status, 401)

    def test_old_refresh_token_once_within_the_grace(self):
        # A client whose refresh answer was lost retries with the old token: accepted once within
        # a minute of the rotation while the new tokens are unused.
        for seconds_later, new_tokens_used, accepted in ((59, False, True), (61, False, False),
                                                         (1, True, False)):
            with self.subTest(seconds_later=seconds_later, new_tokens_used=new_tokens_used):
                first = self.account.sign_in()
                lost = self.account.refresh(first["refresh_token"]).json()
                if new_tokens_used:
                    self.assertEqual(self.account.api("GET", "me", lost["access_token"]).status,
                                     200)
                self.service.advance_clock(seconds_later)
                retry = self.account.refresh(first["refresh_token"])
                if not accepted:
                    self.assertGrantRefused(retry)
                    continue
                self.assertEqual(retry.status, 200)
                # The retry's tokens replace the lost ones, and the old token is spent.
                self.assertEqual(self.account.refresh(first["refresh_token"]).status, 400)
                self.assertEqual(self.account.api("GET", "me", lost["access_token"]).status, 401)
                self.assertEqual(self.account.refresh(lost["refresh_token"]).status, 400)
                self.assertEqual(
                    self.account.api("GET", "me", retry.json()["access_token"]).status, 200)


class ShortLifetimes(E2ECase):
    service_options = ("--auth-code-lifetime", "1", "--access-token-lifetime", "1")
    signs_in = False

    def test_codes_and_access_tokens_expire_but_refresh_tokens_last(self):
        account = sc.Account(self.service.url)
        verifier = sc.new_verifier()
        stale_code = account.code(sc.challenge_for(verifier))
        tokens = account.sign_in()
        time.sleep(2.1)
        self.assertEqual(account.exchange(stale_code, verifier).json()["error"], "invalid_grant")
        self.assertEqual(account.api("GET", "me", tokens["access_token"]).status, 401)
        refreshed = account.refresh(tokens["refresh_token"])
        self.assertEqual((refreshed.status, refreshed.json()["expires_in"]), (200, 1))


if __name__ == "__main__":
    e2ecase.main()
