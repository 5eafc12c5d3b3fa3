"""The download page behind a transfer's link: a password or an e-mail code opens it, only for
the right secret and the allowed addresses; the views and downloads the application shows are
counted; a deleted transfer's page and files are gone."""

import json
import urllib.error

import e2ecase
import harness
from e2ecase import E2ECase


class DownloadPage(E2ECase):
    def send(self, *args, stdin_text=None):
        result = self.cli.run("send", *args, "--json", stdin_text=stdin_text)
        self.assertExit(result, 0)
        return json.loads(result.stdout)

    def listed(self, transfer_id):
        listing = json.loads(self.cli.run("transfers", "--json").stdout)
        return next(t for t in listing if t["id"] == transfer_id)

    def assertRefused(self, status, call, *args):
        with self.assertRaises(urllib.error.HTTPError) as refusal:
            call(*args)
        self.assertEqual(refusal.exception.code, status)

    def test_password_counts_and_deletion(self):
        # Larger than one streaming slice, so the download comes in several pieces.
        path = self.file("holiday photos.zip", 700 * 1024, seed=3)
        transfer = self.send(path, "--password-stdin", stdin_text="open sesame\n")
        link = transfer["url"]
        visitor = harness.Recipient()
        self.assertEqual(visitor.files(link), [], "the page must ask for the password first")
        file_url = link + "/files/" + transfer["files"][0]["id"]
        self.assertRefused(403, visitor.get, file_url)
        self.assertRefused(403, visitor.post, link + "/password", {"password": "open says me"})
        self.assertEqual(self.listed(transfer["id"])["view_count"], 0)

        visitor.post(link + "/password", {"password": "open sesame"})
        self.assertDelivered(visitor.files(link), [path])
        counts = self.listed(transfer["id"])
        self.assertGreaterEqual(counts["view_count"], 1)
        self.assertEqual(counts["download_count"], 1)
        self.assertIn("downloaded_at", counts)
        self.assertRefused(403, harness.Recipient().get, file_url)
        self.assertRefused(404, visitor.get, link + "/files/someone-elses")

        self.assertExit(self.cli.run("transfers", "delete", transfer["id"]), 0)
        self.assertRefused(410, visitor.get, link)
        self.assertRefused(410, visitor.get, file_url)

    def test_email_code_for_allowed_addresses_only(self):
        path = self.file("plan.pdf", 4000, seed=4)
        link = self.send(path, "--email-code", "--allow", "@example.com")["url"]
        visitor = harness.Recipient()
        before = len(self.service.outbox())
        visitor.post(link + "/code", {"email": "eve@elsewhere.test"})
        self.assertEqual(len(self.service.outbox()), before, "no code for an outsider")

        visitor.post(link + "/code", {"email": "Ann@Example.com"})
        code = harness.one_time_code(self.service, "ann@example.com", before)
        wrong = "111111" if code == "000000" else "000000"
        self.assertRefused(403, visitor.post, link + "/verify",
                           {"email": "ann@example.com", "code": wrong})
        self.assertEqual(visitor.files(link), [])
        visitor.post(link + "/verify", {"email": "ann@example.com", "code": code})
        self.assertDelivered(visitor.files(link), [path])
        self.assertRefused(403, harness.Recipient().post, link + "/verify",
                           {"email": "ann@example.com", "code": code})


if __name__ == "__main__":
    e2ecase.main()
