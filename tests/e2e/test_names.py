"""File names and kinds the service cannot take: each refusal names the file, what is wrong and
what to do; a folder send says in one line what it left out and sends the rest."""

import os
import subprocess

import e2ecase
import harness
from e2ecase import E2ECase


class Names(E2ECase):
    def send(self, *paths):
        return subprocess.run(self.cli.command("send", *paths), capture_output=True, timeout=120,
                              env=harness.environment())

    def test_refusals_name_the_file_and_the_fix(self):
        folder = self.folder.encode()
        not_utf8 = os.path.join(folder, b"caf\xe9.txt")
        line_break = os.path.join(folder, b"two\nlines.txt")
        pipe = os.path.join(folder, b"pipe")
        for path in (not_utf8, line_break):
            with open(path, "wb") as out:
                out.write(b"data")
        os.mkfifo(pipe)
        cases = ((not_utf8, "caf", "not valid UTF-8"), (line_break, "two\\nlines.txt", "line break"),
                 (pipe, "pipe", "named pipe"))
        for path, named, why in cases:
            result = self.send(path)
            self.assertEqual(result.returncode, 2, result.stderr)
            lines = result.stderr.decode().strip().splitlines()
            self.assertEqual(len(lines), 1, lines)
            self.assertIn(named, lines[0])
            self.assertIn(why, lines[0])

    def test_folder_says_what_it_left_out(self):
        folder = os.path.join(self.folder, "album")
        os.mkdir(folder)
        kept = self.file("album/kept.bin", 1000)
        self.file("album/.hidden", 10)
        os.symlink(kept, os.path.join(folder, "link.bin"))
        os.mkfifo(os.path.join(folder, "pipe"))
        with open(os.path.join(folder.encode(), b"caf\xe9.txt"), "wb") as out:
            out.write(b"data")
        result = self.send(folder)
        self.assertEqual(result.returncode, 0, result.stderr)
        notes = result.stderr.decode().strip().splitlines()
        self.assertEqual(len(notes), 1, notes)
        for part in ("1 hidden item", "1 symbolic link", "1 named pipe", "1 file whose name"):
            self.assertIn(part, notes[0])
        link = result.stdout.decode().strip().splitlines()[-1]
        self.assertDelivered(harness.Recipient().files(link), [kept])


if __name__ == "__main__":
    e2ecase.main()
