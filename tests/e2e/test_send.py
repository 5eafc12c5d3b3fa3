"""Sending an empty, a small and a multipart file as a link and as an e-mail with code
protection: the download page lists them in the order sent, byte-identical to the sources. A
send under a rate limit takes at least as long as the limit demands."""

import time

import e2ecase
import harness
from e2ecase import E2ECase

PART = 65536
RECIPIENT = "friend@example.com"


class Send(E2ECase):
    def three_files(self):
        # Not in name order, so the listing shows the order sent.
        return [self.file("zeta.bin", 5 * PART + 123, seed=1),
                self.file("empty.bin", 0),
                self.file("alpha.txt", 11, seed=2)]

    def test_link(self):
        paths = self.three_files()
        result = self.cli.run("send", *paths, "--part-size", str(PART), "--subject", "Cuts")
        self.assertExit(result, 0)
        link = result.stdout.strip().splitlines()[-1]
        self.assertTrue(link.startswith(self.service.url + "/t/"), link)
        self.assertDelivered(harness.Recipient().files(link), paths)
        # The multipart file went up as six parts, each once.
        self.assertIn({n: 1 for n in range(1, 7)}, self.service.part_attempts_by_upload())

        listed = self.cli.run("transfers")
        self.assertExit(listed, 0)
        self.assertIn("Cuts", listed.stdout)

    def test_email_with_code(self):
        paths = self.three_files()
        sent_before = len(self.service.outbox())
        result = self.cli.run("send", *paths, "--part-size", str(PART), "--email", RECIPIENT,
                              "--email-code", "--subject", "Plans")
        self.assertExit(result, 0)
        line = result.stdout.strip().splitlines()[-1]
        self.assertTrue(line.startswith("Transfer sent: "), line)
        link = line.split(": ", 1)[1]

        notices = [m for m in self.service.outbox()[sent_before:] if "To: " + RECIPIENT in m]
        self.assertEqual(len(notices), 1)
        self.assertIn(link, notices[0])

        recipient = harness.Recipient()
        self.assertEqual(recipient.files(link), [], "the page must ask for the code first")
        sent_before = len(self.service.outbox())
        recipient.post(link + "/code", {"email": RECIPIENT})
        code = harness.one_time_code(self.service, RECIPIENT, sent_before)
        recipient.post(link + "/verify", {"email": RECIPIENT, "code": code})
        self.assertDelivered(recipient.files(link), paths)

    def test_limited_rate(self):
        path = self.file("limited.bin", 4 * PART + 5, seed=3)
        started = time.monotonic()
        result = self.cli.run("send", path, "--part-size", str(PART), "--limit-rate", "100K")
        self.assertExit(result, 0)
        # 262,149 bytes at 100,000 bytes per second cannot take less than 2.6 s.
        self.assertGreaterEqual(time.monotonic() - started, 2.6)
        link = result.stdout.strip().splitlines()[-1]
        self.assertDelivered(harness.Recipient().files(link), [path])


if __name__ == "__main__":
    e2ecase.main()
