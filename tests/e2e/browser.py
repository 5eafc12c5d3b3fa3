"""Plays the browser in the sign-in: opens the authorize page, submits its Allow form the way the
page does, and returns the address the service redirects to (the app's callback)."""

import html.parser
import urllib.error
import urllib.parse
import urllib.request


class _NoRedirect(urllib.request.HTTPRedirectHandler):
    # The callback has the app's own scheme; a browser hands it to the app instead of loading it.
    def redirect_request(self, req, fp, code, msg, headers, newurl):
        return None


def opener(*handlers):
    """An opener that never uses a proxy: the service runs on loopback."""
    return urllib.request.build_opener(urllib.request.ProxyHandler({}), *handlers)


class _FormReader(html.parser.HTMLParser):
    """Collects the first form's action and the fields a browser would submit with its Allow
    button: hidden inputs, the checked radio buttons and the button itself."""

    def __init__(self):
        super().__init__()
        self.action = None
        self.fields = []
        self._in_form = False
        self._done = False

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if self._done:
            return
        if tag == "form":
            self.action = a.get("action", "")
            self._in_form = True
        elif self._in_form and tag == "input":
            kind = a.get("type", "text")
            if kind == "hidden" or (kind == "radio" and "checked" in a):
                self.fields.append((a.get("name", ""), a.get("value", "")))
        elif self._in_form and tag == "button" and a.get("value") == "allow":
            self.fields.append((a.get("name", ""), "allow"))

    def handle_endtag(self, tag):
        if tag == "form" and self._in_form:
            self._in_form = False
            self._done = True


def authorize(authorize_url, timeout=15, cookies=None):
    """Returns the callback URL that the service sends the browser to after Allow; `cookies`, a
    cookie jar, keeps what the service sets, as the browser would."""
    kept = [urllib.request.HTTPCookieProcessor(cookies)] if cookies is not None else []
    with opener(*kept).open(authorize_url, timeout=timeout) as page:
        reader = _FormReader()
        reader.feed(page.read().decode("utf-8"))
    if reader.action is None:
        raise RuntimeError("the sign-in page has no form")
    target = urllib.parse.urljoin(authorize_url, reader.action)
    body = urllib.parse.urlencode(reader.fields).encode()
    request = urllib.request.Request(
        target, data=body, headers={"Content-Type": "application/x-www-form-urlencoded"})
    try:
        opener(_NoRedirect(), *kept).open(request, timeout=timeout)
    except urllib.error.HTTPError as answer:
        if answer.code in (302, 303) and answer.headers.get("Location"):
            return answer.headers["Location"]
        raise
    raise RuntimeError("the sign-in form did not redirect")
