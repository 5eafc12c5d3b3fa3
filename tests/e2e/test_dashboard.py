"""The dashboard the application opens: the browser that allowed the sign-in sees its user's
workspaces and transfers with links to their download pages; another browser picks its user
first, and a forged session cookie is not taken."""

import json
import urllib.request

import browser
import e2ecase
import harness
from e2ecase import E2ECase


class Dashboard(E2ECase):
    def test_signed_in_browser_and_strangers(self):
        dashboard = self.service.url + "/dashboard"
        signed_in = harness.Recipient()
        self.assertEqual(self.cli.login(cookies=signed_in.cookies).returncode, 0)
        sent = self.cli.run("send", self.file("moodboard.pdf", 3000), "--json")
        self.assertExit(sent, 0)
        link = json.loads(sent.stdout)["url"]

        page = signed_in.get(dashboard).decode("utf-8")
        for shown in ("Dev User", "Studio", "Personal", "moodboard.pdf", 'href="%s"' % link):
            self.assertIn(shown, page)

        stranger = harness.Recipient()
        self.assertIn("choose who you are", stranger.get(dashboard).decode("utf-8"))
        page = stranger.post(dashboard, {"user": "user-second"}).decode("utf-8")
        self.assertIn("Second User", page)
        self.assertNotIn(link, page)

        forged = urllib.request.Request(dashboard,
                                        headers={"Cookie": "parcella_session=user-dev.00"})
        with browser.opener().open(forged, timeout=30) as answer:
            self.assertNotIn(link, answer.read().decode("utf-8"))


if __name__ == "__main__":
    e2ecase.main()
