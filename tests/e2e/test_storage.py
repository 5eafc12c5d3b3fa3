"""The devservice's storage where S3 clients do not go (round trips are checked with aws-cli and
rclone by tests/devservice/awscli-conformance.sh): refused completions that keep the parts,
corrupted and aws-chunked bodies, keys that try to leave the storage, every way a signature can
be wrong, the admin token, and multipart uploads abandoned past their age."""

import base64
import hashlib
import os
import time
import urllib.parse
from xml.etree import ElementTree

import e2ecase
import servicecalls as sc
from e2ecase import E2ECase

BUCKET = "ws-test"


def md5(data):
    return '"%s"' % hashlib.md5(data).hexdigest()


def completion(parts):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<CompleteMultipartUpload xmlns='
            '"http://s3.amazonaws.com/doc/2006-03-01/">' + "".join(
                "<Part><PartNumber>%d</PartNumber><ETag>%s</ETag></Part>" % (
                    n, etag.replace('"', "&quot;")) for n, etag in parts) +
            "</CompleteMultipartUpload>").encode()


MALFORMED = [
    b"not xml", b"", b"<CompleteMultipartUpload/>",
    *(b"<CompleteMultipartUpload><Part>%s</Part></CompleteMultipartUpload>" % part for part in (
        b"<PartNumber>1</PartNumber><PartNumber>2</PartNumber><ETag>x</ETag>",
        b"<PartNumber>-1x</PartNumber><ETag>x</ETag>",
        b"<PartNumber>1</PartNumber><ETag>&#0;</ETag>")),
    b'<!DOCTYPE x [<!ENTITY a "aaaa">]><CompleteMultipartUpload><Part><PartNumber>1'
    b"</PartNumber><ETag>&a;</ETag></Part></CompleteMultipartUpload>",
    b'<!DOCTYPE a [<!ENTITY e SYSTEM "file:///etc/passwd">]><CompleteMultipartUpload><Part>'
    b"<PartNumber>1</PartNumber><ETag>&e;</ETag></Part></CompleteMultipartUpload>"]


class Storage(E2ECase):
    service_options = ("--min-part-size", "1024", "--abandoned-upload-age", "3600")
    signs_in = False

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        assert cls.s3("PUT", "").status == 200

    @classmethod
    def s3(cls, method, key, body=None, query=(), headers=None, bucket=BUCKET):
        url = sc.presign(cls.service.url, method, "/%s/%s" % (bucket, key), query)
        return sc.call(method, url, body, headers)

    def create_upload(self, key):
        return self.s3("POST", key, query=[("uploads", "")]).xml("UploadId")

    def put_part(self, key, upload_id, number, data):
        return self.s3("PUT", key, data, [("partNumber", str(number)), ("uploadId", upload_id)])

    def complete(self, key, upload_id, body):
        return self.s3("POST", key, body, [("uploadId", upload_id)],
                       {"Content-Type": "application/xml"})

    def assertRefused(self, reply, status, code):
        self.assertEqual((reply.status, reply.xml("Code")), (status, code), reply.body)

    def test_refused_completions_keep_the_parts(self):
        key = "7/checked"
        upload = self.create_upload(key)
        first, small, last = b"x" * 2048, b"y" * 10, b"z"
        for number, data in enumerate((first, small, last), 1):
            self.assertEqual(self.put_part(key, upload, number, data).status, 200)
        # An upload id only answers under its own key.
        self.assertEqual(self.put_part("7/elsewhere", upload, 1, b"x").status, 404)
        for body, code in (
                (completion([(2, md5(small)), (1, md5(first))]), "InvalidPartOrder"),
                (completion([(1, md5(first)), (1, md5(first))]), "InvalidPartOrder"),
                (completion([(1, md5(b"other"))]), "InvalidPart"),
                (completion([(1, md5(first)), (4, md5(last))]), "InvalidPart"),
                (completion([(1, md5(first)), (2, md5(small)), (3, md5(last))]),
                 "EntityTooSmall"),
                *((body, "MalformedXML") for body in MALFORMED)):
            with self.subTest(code=code, body=body[:90]):
                self.assertRefused(self.complete(key, upload, body), 400, code)
        # What other clients add: prefixes, whitespace, comments, checksums, CDATA, references.
        decorated = (
            '<!-- sent by a client -->\n<s3:CompleteMultipartUpload xmlns:s3="urn:x">\n'
            "  <s3:Part>\n <s3:PartNumber> 1 </s3:PartNumber>\n"
            "    <s3:ChecksumCRC32>AAAAAA==</s3:ChecksumCRC32>\n"
            "    <s3:ETag><![CDATA[%s]]></s3:ETag>\n  </s3:Part>\n"
            "  <Part><ETag>&#34;%s&#x22;</ETag><PartNumber>3</PartNumber></Part>\n"
            "</s3:CompleteMultipartUpload>\n" % (md5(first), md5(last).strip('"')))
        done = self.complete(key, upload, decorated.encode())
        self.assertEqual(done.status, 200)
        self.assertEqual(self.s3("GET", key).body, first + last)
        # Gone once completed; the application takes this answer as "done before".
        self.assertRefused(self.complete(key, upload, completion([(1, md5(first))])), 404,
                           "NoSuchUpload")

    def test_corrupted_body_is_not_stored(self):
        wrong = base64.b64encode(hashlib.md5(b"something else").digest())
        self.assertRefused(self.s3("PUT", "7/digest", b"payload", headers={"Content-MD5": wrong}),
                           400, "BadDigest")
        self.assertEqual(self.s3("GET", "7/digest").status, 404)

    def test_aws_chunked_payloads_are_decoded(self):
        # Modern S3 clients stream unsigned payloads in aws-chunked framing with a trailer.
        data = b"c" * 70000 + b"end"
        framed = b"".join(b"%x\r\n%s\r\n" % (len(data[at:at + 32768]), data[at:at + 32768])
                          for at in range(0, len(data), 32768))
        framed += b"0\r\nx-amz-checksum-crc32:AAAAAA==\r\n\r\n"
        for key, body, status in (("7/chunked", framed, 200), ("7/truncated", framed[:-20], 400)):
            payload = "STREAMING-UNSIGNED-PAYLOAD-TRAILER"
            headers = sc.header_signed(self.service.url, "PUT", "/%s/%s" % (BUCKET, key), payload)
            headers.update({"Content-Encoding": "aws-chunked",
                            "X-Amz-Decoded-Content-Length": str(len(data))})
            reply = sc.call("PUT", self.service.url + "/%s/%s" % (BUCKET, key), body, headers)
            self.assertEqual(reply.status, status, reply.body)
            self.assertEqual(self.s3("GET", key).body if status == 200 else reply.xml("Code"),
                             data if status == 200 else "IncompleteBody")
        self.assertEqual(self.s3("GET", "7/truncated").status, 404)

    def test_keys_cannot_leave_the_storage(self):
        for raw in ("../../outside", "%2e%2e/%2E%2E/outside", "a/../../../outside",
                    "..%2f..%2foutside", "/tmp/outside", "./outside", "x/./y", "a/..", "a%00b"):
            with self.subTest(raw=raw):
                # Signed for the key the server decodes, so the refusal is the key check's.
                decoded = "/%s/%s" % (BUCKET, urllib.parse.unquote(raw))
                url = sc.presign(self.service.url, "PUT", decoded)
                target = "/%s/%s?%s" % (BUCKET, raw, url.split("?", 1)[1])
                reply = sc.call("PUT", url, b"owned", target=target)
                # A NUL character is refused as it is decoded, before the key is looked at.
                code = "InvalidURI" if "%00" in raw else "InvalidArgument"
                self.assertRefused(reply, 400, code)
        for root, _, files in os.walk(self.service.data):
            self.assertNotIn("outside", files, root)
        for escaped in (os.path.dirname(self.service.data), "/tmp"):
            self.assertFalse(os.path.exists(os.path.join(escaped, "outside")))

    def test_unusual_keys_are_stored_safely(self):
        for key in ("dir/..hidden/x", "a b+c~\u00e9.txt", "k" * 1024):
            self.assertEqual(self.s3("PUT", key, key.encode()).status, 200, key)
            self.assertEqual(self.s3("GET", key).body, key.encode())
        self.assertRefused(self.s3("PUT", "k" * 1025, b"x"), 400, "KeyTooLongError")
        self.assertRefused(self.s3("PUT", "line\nbreak", b"x"), 400, "InvalidArgument")
        # Names reach error documents escaped.
        missing = self.s3("GET", 'a<b>&"c"')
        self.assertEqual(ElementTree.fromstring(missing.body).findtext("Resource"),
                         '/%s/a<b>&"c"' % BUCKET)

    def test_presigned_urls_refused_when_changed_or_expired(self):
        path = "/%s/1/up load+\u00fc~" % BUCKET
        query = [("partNumber", "3"), ("uploadId", "abc")]
        url = sc.presign(self.service.url, "PUT", path, query)
        self.assertRefused(sc.call("PUT", url, b"x"), 404, "NoSuchUpload")  # signature accepted
        for old, new, code in (
                ("X-Amz-Signature=", "X-Amz-Signature=0", "SignatureDoesNotMatch"),
                ("partNumber=3", "partNumber=4", "SignatureDoesNotMatch"),
                ("/%s/1/" % BUCKET, "/%s/2/" % BUCKET, "SignatureDoesNotMatch"),
                ("X-Amz-Expires=900", "X-Amz-Expires=9000", "SignatureDoesNotMatch"),
                ("Credential=parcella-dev", "Credential=someone-else", "InvalidAccessKeyId"),
                ("AWS4-HMAC-SHA256", "AWS4-HMAC-SHA1", "AuthorizationQueryParametersError"),
                ("&X-Amz-Signature=", "&X-Amz-Nothing=", "AuthorizationQueryParametersError")):
            with self.subTest(changed=old):
                self.assertIn(old, url)
                self.assertRefused(sc.call("PUT", url.replace(old, new, 1), b"x"), 403
                                   if code != "AuthorizationQueryParametersError" else 400, code)
        self.assertRefused(sc.call("DELETE", url), 403, "SignatureDoesNotMatch")
        self.assertRefused(sc.call("PUT", url, b"x", {"Host": "127.0.0.1:9"}), 403,
                           "SignatureDoesNotMatch")
        self.assertRefused(sc.call("GET", self.service.url + urllib.parse.quote(path)), 403,
                           "AccessDenied")
        expired = sc.presign(self.service.url, "PUT", path, query, at=time.time() - 901)
        reply = sc.call("PUT", expired, b"x")
        self.assertRefused(reply, 403, "AccessDenied")
        self.assertEqual(reply.xml("Message"), "Request has expired")
        self.assertRefused(sc.call("PUT", sc.presign(self.service.url, "PUT", path, query,
                                                     at=time.time() - 899), b"x"),
                           404, "NoSuchUpload")

    def test_signed_headers_refused_when_changed_or_skewed(self):
        path = "/%s/dir/file.txt" % BUCKET
        body = b"hello"
        payload = hashlib.sha256(body).hexdigest()

        def put(changes, at=None):
            headers = sc.header_signed(self.service.url, "PUT", path, payload,
                                       {"Content-Type": "text/plain"}, at)
            headers.update(changes)
            return sc.call("PUT", self.service.url + path, body,
                           {k: v for k, v in headers.items() if v is not None})

        self.assertEqual(put({}, time.time() - 60).status, 200)
        for changes in ({"content-type": "text/html"}, {"content-type": None},
                        {"x-amz-content-sha256": hashlib.sha256(b"bye").hexdigest()}):
            with self.subTest(changes=changes):
                self.assertRefused(put(changes), 403, "SignatureDoesNotMatch")
        self.assertRefused(put({}, time.time() - 16 * 60), 403, "RequestTimeTooSkewed")

    def test_admin_answers_only_to_its_token(self):
        for token in ("", "wrong"):
            for method, path in (("GET", "/admin/counters"), ("POST", "/admin/faults")):
                reply = sc.call(method, self.service.url + path, b'{"status": 500}',
                                {"X-Admin-Token": token, "Content-Type": "application/json"})
                self.assertEqual(reply.status, 403, (token, path))

    def test_abandoned_upload_is_aborted_past_its_age(self):
        upload = self.create_upload("left.bin")
        self.assertEqual(self.put_part("left.bin", upload, 1, b"x" * 2048).status, 200)
        folder = os.path.join(self.service.data, "storage", "uploads", upload)
        self.assertTrue(os.path.isdir(folder))
        listed = lambda: self.s3("GET", "left.bin", query=[("uploadId", upload)]).status
        self.service.advance_clock(3590)
        self.assertEqual(listed(), 200)
        self.service.advance_clock(20)
        self.assertEqual(listed(), 404)
        self.assertFalse(os.path.exists(folder))


if __name__ == "__main__":
    e2ecase.main()
