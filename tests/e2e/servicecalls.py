"""Calls to the devservice where no client goes: raw HTTP that keeps the target as written and
follows no redirect, S3 Signature Version 4 written from the published algorithm (so it checks
the storage's verifier independently), and the sign-in steps with PKCE one at a time."""

import base64
import hashlib
import hmac
import http.client
import json
import secrets
import time
import urllib.parse

ACCESS_KEY, SECRET_KEY, REGION = "parcella-dev", "parcella-dev-secret", "us-east-1"
CLIENT_ID = "5d0c7a52-9f3e-4b8e-a1d4-2c6f0e9b7a31"
REDIRECT_URI = "parcella://oauth/callback"


class Reply:
    def __init__(self, status, headers, body):
        self.status, self.headers, self.body = status, headers, body

    def json(self):
        return json.loads(self.body or b"null")

    def xml(self, element):
        """The text of the first element of that name in an XML answer."""
        start = self.body.find(b"<%s>" % element.encode())
        end = self.body.find(b"</%s>" % element.encode(), start)
        return self.body[start + len(element) + 2:end].decode() if start >= 0 else None


def call(method, url, body=None, headers=None, target=None):
    """One request on a fresh connection; target replaces the URL's path and query as it is."""
    parts = urllib.parse.urlsplit(url)
    connection = http.client.HTTPConnection(parts.hostname, parts.port, timeout=30)
    try:
        if isinstance(body, (dict, list)):
            body = json.dumps(body).encode()
        connection.request(method, target or parts.path + ("?" + parts.query if parts.query
                                                          else ""),
                           body=body, headers=headers or {})
        answer = connection.getresponse()
        return Reply(answer.status, answer.headers, answer.read())
    finally:
        connection.close()


# --- Signature Version 4 --------------------------------------------------------------------

def _quote(text, safe=""):
    return urllib.parse.quote(text, safe=safe + "~")


def _amz_date(at):
    return time.strftime("%Y%m%dT%H%M%SZ", time.gmtime(at))


def _scope(amz_date):
    return "%s/%s/s3/aws4_request" % (amz_date[:8], REGION)


def _signature(method, path, query, headers, payload, amz_date):
    names = sorted(headers)
    canonical = "\n".join([
        method, _quote(path, "/"),
        "&".join("%s=%s" % (_quote(k), _quote(v)) for k, v in sorted(query)),
        "".join("%s:%s\n" % (n, headers[n].strip()) for n in names), ";".join(names), payload])
    text = "\n".join(["AWS4-HMAC-SHA256", amz_date, _scope(amz_date),
                      hashlib.sha256(canonical.encode()).hexdigest()])
    key = ("AWS4" + SECRET_KEY).encode()
    for step in (amz_date[:8], REGION, "s3", "aws4_request"):
        key = hmac.new(key, step.encode(), hashlib.sha256).digest()
    return hmac.new(key, text.encode(), hashlib.sha256).hexdigest()


def presign(base, method, path, query=(), at=None, expires=900):
    """A presigned URL for the decoded path (/bucket/key) as the service hands them out."""
    amz_date = _amz_date(time.time() if at is None else at)
    host = urllib.parse.urlsplit(base).netloc
    query = list(query) + [
        ("X-Amz-Algorithm", "AWS4-HMAC-SHA256"),
        ("X-Amz-Credential", "%s/%s" % (ACCESS_KEY, _scope(amz_date))),
        ("X-Amz-Date", amz_date), ("X-Amz-Expires", str(expires)),
        ("X-Amz-SignedHeaders", "host")]
    signature = _signature(method, path, query, {"host": host}, "UNSIGNED-PAYLOAD", amz_date)
    query.append(("X-Amz-Signature", signature))
    return base + _quote(path, "/") + "?" + "&".join(
        "%s=%s" % (_quote(k), _quote(v)) for k, v in query)


def header_signed(base, method, path, payload, headers=None, at=None):
    """The headers of a request signed with an Authorization header, as command-line clients
    sign; payload is the x-amz-content-sha256 value."""
    amz_date = _amz_date(time.time() if at is None else at)
    signed = {k.lower(): v for k, v in (headers or {}).items()}
    signed.update({"host": urllib.parse.urlsplit(base).netloc, "x-amz-date": amz_date,
                   "x-amz-content-sha256": payload})
    parts = urllib.parse.urlsplit(path)
    query = urllib.parse.parse_qsl(parts.query, keep_blank_values=True)
    signature = _signature(method, parts.path, query, signed, payload, amz_date)
    signed["authorization"] = "AWS4-HMAC-SHA256 Credential=%s/%s, SignedHeaders=%s, Signature=%s" % (
        ACCESS_KEY, _scope(amz_date), ";".join(sorted(signed)), signature)
    return signed


# --- Sign-in with PKCE ------------------------------------------------------------------------

def _b64url(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode()


def new_verifier():
    return _b64url(secrets.token_bytes(32))


def challenge_for(verifier):
    return _b64url(hashlib.sha256(verifier.encode()).digest())


def authorize_fields(challenge, state="s", client_id=CLIENT_ID, redirect_uri=REDIRECT_URI):
    return {"response_type": "code", "client_id": client_id, "redirect_uri": redirect_uri,
            "state": state, "code_challenge": challenge, "code_challenge_method": "S256"}


def form(url, fields):
    return call("POST", url, urllib.parse.urlencode(fields).encode(),
                {"Content-Type": "application/x-www-form-urlencoded"})


class Account:
    """The token and API calls of one client of the service at base (no trailing slash)."""

    def __init__(self, base):
        self.base = base

    def decide(self, challenge, state="s", user="user-dev", allow=True):
        """Posts the sign-in form as the browser would; the answer redirects on success."""
        return form(self.base + "/oauth/authorize", dict(
            authorize_fields(challenge, state), user=user, decision="allow" if allow else "deny"))

    def code(self, challenge, user="user-dev"):
        location = self.decide(challenge, user=user).headers.get("Location", "")
        return dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(location).query)).get("code")

    def exchange(self, code, verifier, redirect_uri=REDIRECT_URI):
        return form(self.base + "/oauth/token", {
            "client_id": CLIENT_ID, "code": code, "code_verifier": verifier,
            "grant_type": "authorization_code", "redirect_uri": redirect_uri})

    def refresh(self, refresh_token):
        return form(self.base + "/oauth/token", {
            "client_id": CLIENT_ID, "grant_type": "refresh_token",
            "refresh_token": refresh_token})

    def sign_in(self, user="user-dev"):
        """The token answer (access_token, refresh_token, ...) of a complete sign-in."""
        verifier = new_verifier()
        reply = self.exchange(self.code(challenge_for(verifier), user), verifier)
        assert reply.status == 200, reply.body
        return reply.json()

    def api(self, method, path, token, body=None):
        headers = {"Accept": "application/json", "Content-Type": "application/json"}
        if token:
            headers["Authorization"] = "Bearer " + token
        if body is None and method == "POST":
            body = {}
        return call(method, self.base + "/api/v1/" + path, body, headers)

    def upload(self, workspace, filename, data, token):
        """Stores a small file as the application does and confirms it; returns its upload id."""
        sign = "workspaces/%s/uploads/sign" % workspace
        key = self.api("POST", sign, token, {"method": "POST", "key": filename}).json()["key"]
        url = self.api("POST", sign, token, {"method": "PUT", "key": key}).json()["url"]
        assert call("PUT", url, data).status == 200
        upload_id = key.rsplit("/", 1)[1]
        done = self.api("POST", "workspaces/%s/uploads/%s/complete" % (workspace, upload_id), token)
        assert done.status == 200, done.body
        return done.json()["id"]
