"""The devservice's REST API where no well-behaved client goes: refused tokens, users and
workspaces kept apart, validation, malformed bodies, unstored uploads and previews; and the
program itself: its data folder, a clean stop on SIGTERM, refused command lines."""

import os
import subprocess

import e2ecase
import harness
import servicecalls as sc
from e2ecase import E2ECase


class ServiceApi(E2ECase):
    signs_in = False

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.account = sc.Account(cls.service.url)
        cls.dev = cls.account.sign_in("user-dev")["access_token"]
        cls.second = cls.account.sign_in("user-second")["access_token"]

    def create(self, token, uploads, workspace="studio", changes=()):
        body = dict({"uploads": uploads, "delivery": "link", "expires_in": 7,
                     "email_code": False}, **dict(changes))
        return self.account.api("POST", "workspaces/%s/transfers" % workspace, token, body)

    def sign(self, token, workspace, body):
        return self.account.api("POST", "workspaces/%s/uploads/sign" % workspace, token, body)

    def test_every_call_needs_a_valid_bearer_token(self):
        for token in (None, "not-a-token"):
            reply = self.account.api("GET", "workspaces/studio/transfers", token)
            self.assertEqual(reply.status, 401)
            self.assertTrue(reply.json()["message"])
        self.assertEqual(self.account.api("GET", "nothing/here", self.dev).status, 404)

    def test_users_are_isolated(self):
        mine = self.account.upload("studio", "mine.txt", b"mine", self.dev)
        transfer = self.create(self.dev, [mine])
        self.assertEqual(transfer.status, 201)
        path = "workspaces/studio/transfers/" + transfer.json()["data"]["id"]
        api = self.account.api
        for method, target in (("GET", "workspaces/studio/transfers"), ("GET", path),
                               ("DELETE", path)):
            self.assertEqual(api(method, target, self.second).status, 404, target)
        self.assertEqual(self.sign(self.second, "studio", {"method": "POST", "key": "x"}).status,
                         404)
        # An upload of another workspace can be neither signed for, confirmed nor sent.
        self.assertEqual(self.sign(self.second, "harbor",
                                   {"method": "GET", "key": "harbor/" + mine}).status, 404)
        self.assertEqual(api("POST", "workspaces/harbor/uploads/%s/complete" % mine,
                             self.second).status, 404)
        stolen = self.create(self.second, [mine], "harbor")
        self.assertEqual(stolen.status, 422)
        self.assertIn("uploads", stolen.json()["errors"])

    def test_validation_failures_answer_422(self):
        upload = self.account.upload("studio", "v", b"v", self.dev)
        for changes, field in (
                ({"delivery": "fax"}, "delivery"),
                ({"expires_in": 0}, "expires_in"),
                ({"expires_in": 366}, "expires_in"),
                ({"delivery": "email"}, "recipients"),
                ({"delivery": "email", "recipients": ["friend@example.com", "not an address"]},
                 "recipients"),
                ({"password": "abc"}, "password"),
                ({"email_code": True}, "allowed_emails"),
                ({"uploads": ["nope"]}, "uploads"),
                ({"uploads": []}, "uploads")):
            with self.subTest(changes=changes):
                reply = self.create(self.dev, [upload], changes=changes)
                self.assertEqual(reply.status, 422)
                self.assertTrue(reply.json()["message"])
                self.assertTrue(reply.json()["errors"][field], reply.body)

    def test_malformed_bodies_are_refused(self):
        api = self.account.api
        for body in (b'{"uploads": [', b"\xff\xfe", b"not json"):
            reply = api("POST", "workspaces/studio/transfers", self.dev, body)
            self.assertEqual(reply.status, 400, body)
            self.assertTrue(reply.json()["message"])
        for body in (b"[]", b"42", b"null"):
            self.assertEqual(api("POST", "workspaces/studio/uploads/sign", self.dev, body).status,
                             422, body)
        bad = self.sign(self.dev, "studio", {"method": "PATCH", "key": 5})
        self.assertEqual(bad.status, 422)
        self.assertLessEqual({"method", "key"}, set(bad.json()["errors"]))
        huge = api("POST", "workspaces/studio/transfers", self.dev, b" " * (2 << 20))
        self.assertEqual(huge.status, 413)
        self.assertEqual(api("GET", "me", self.dev).status, 200)

    def test_unstored_uploads_and_previews_are_not_confirmed(self):
        api = self.account.api
        pending = self.sign(self.dev, "studio", {"method": "POST", "key": "p.bin"})
        pending_id = pending.json()["key"].rsplit("/", 1)[1]
        self.assertEqual(api("POST", "workspaces/studio/uploads/%s/complete" % pending_id,
                             self.dev).status, 409)
        self.assertEqual(self.create(self.dev, [pending_id]).status, 422)

        upload = self.account.upload("studio", "photo.png", b"png", self.dev)
        base = "workspaces/studio/uploads/%s/previews" % upload
        preview = api("POST", base, self.dev, {"kind": "thumbnail", "contentType": "image/jpeg"})
        self.assertEqual(preview.json()["key"], "studio/%s.thumbnail.jpg" % upload)
        self.assertEqual(api("POST", base + "/thumbnail/complete", self.dev).status, 409)
        self.assertEqual(sc.call("PUT", preview.json()["url"], b"\xff\xd8jpeg",
                                 {"Content-Type": "image/jpeg"}).status, 200)
        self.assertEqual(api("POST", base + "/thumbnail/complete", self.dev).status, 200)
        self.assertEqual(api("POST", base, self.dev,
                             {"kind": "poster", "contentType": "image/jpeg"}).status, 422)


class ServiceProgram(E2ECase):
    signs_in = False

    def test_data_folder_and_clean_stop(self):
        # A fresh service, stopped right after start: the signal must not be lost.
        service = harness.DevService(os.environ["PARCELLA_DEVSERVICE"])
        for name in ("devservice.sqlite3", "outbox", "storage"):
            self.assertTrue(os.path.exists(os.path.join(service.data, name)), name)
        service.stop()
        self.assertEqual(service.process.returncode, 0)

    def test_refused_command_lines(self):
        for arguments, code in ((["--listen", "0.0.0.0:0", "--data", self.folder], 2),
                                (["--no-such-option"], 2),
                                (["--access-token-lifetime", "soon"], 2), (["--help"], 0)):
            result = subprocess.run([os.environ["PARCELLA_DEVSERVICE"], *arguments],
                                    capture_output=True, timeout=10, env=harness.environment())
            self.assertEqual(result.returncode, code, arguments)


if __name__ == "__main__":
    e2ecase.main()
