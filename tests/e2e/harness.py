"""Runs parcella-devservice and parcella-cli for the end-to-end tests and the demo: each process
with bounded waits, the service on a free loopback port with a temporary data folder."""

import hashlib
import http.cookiejar
import json
import os
import queue
import re
import secrets
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import urllib.parse
import urllib.request

import browser

LOOPBACK = "127.0.0.1,localhost"


def environment(extra=None):
    env = dict(os.environ, NO_PROXY=LOOPBACK, no_proxy=LOOPBACK, LC_ALL="C.UTF-8")
    env.update(extra or {})
    return env


class LineQueue:
    """Lines of a child's output as they arrive, so a reader can wait for one with a timeout."""

    def __init__(self, stream):
        self._lines = queue.Queue()
        self.seen = []
        thread = threading.Thread(target=self._pump, args=(stream,), daemon=True)
        thread.start()

    def _pump(self, stream):
        for line in iter(stream.readline, ""):
            self._lines.put(line.rstrip("\n"))
        self._lines.put(None)

    def wait_for(self, predicate, timeout):
        """The first line for which predicate holds; raises on timeout or end of output."""
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no matching line; seen: %r" % self.seen[-10:])
            try:
                line = self._lines.get(timeout=left)
            except queue.Empty:
                continue
            if line is None:
                raise EOFError("output ended; seen: %r" % self.seen[-10:])
            self.seen.append(line)
            if predicate(line):
                return line

    def drain(self, timeout):
        """Every line up to the end of the output."""
        try:
            self.wait_for(lambda line: False, timeout)
        except EOFError:
            return self.seen


class DevService:
    """parcella-devservice on 127.0.0.1 port 0 with its own data folder and an admin token."""

    def __init__(self, binary, *options, data_parent=None):
        self.data = tempfile.mkdtemp(prefix="parcella-devservice-", dir=data_parent)
        self.admin_token = secrets.token_hex(16)
        # A file, not a pipe: nobody reads its log while it runs, and a full pipe would block it.
        self.log = tempfile.TemporaryFile("w+")
        self.process = subprocess.Popen(
            [binary, "--listen", "127.0.0.1:0", "--data", self.data,
             "--admin-token", self.admin_token, *options],
            stdout=subprocess.PIPE, stderr=self.log, text=True, env=environment())
        output = LineQueue(self.process.stdout)
        try:
            line = output.wait_for(lambda l: "listening on" in l, timeout=20)
        except (TimeoutError, EOFError):
            self.log.seek(0)
            problem = self.log.read()
            self.stop()
            raise RuntimeError("devservice did not start: " + problem)
        self.url = line.split("listening on", 1)[1].strip().rstrip("/")

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=10)
        self.process.stdout.close()
        self.log.close()
        shutil.rmtree(self.data, ignore_errors=True)

    def _admin(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(
            self.url + path, data=data, method=method,
            headers={"X-Admin-Token": self.admin_token, "Content-Type": "application/json"})
        with browser.opener().open(request, timeout=10) as answer:
            text = answer.read()
        return json.loads(text) if text else None

    def add_faults(self, *rules):
        self._admin("POST", "/admin/faults", list(rules))

    def advance_clock(self, seconds):
        self._admin("POST", "/admin/clock", {"advanceSeconds": seconds})

    def clear_faults(self):
        self._admin("DELETE", "/admin/faults")

    def counters(self):
        return self._admin("GET", "/admin/counters")

    def reset_counters(self):
        self._admin("DELETE", "/admin/counters")

    def part_attempts_by_upload(self):
        """[{part number: PUT attempts}] per multipart upload since the last reset."""
        return [{int(number): n for number, n in per_part.items()}
                for per_part in self.counters()["parts"].values()]

    def part_attempts(self):
        """{part number: PUT attempts} summed over the multipart uploads since the last reset."""
        attempts = {}
        for per_part in self.part_attempts_by_upload():
            for number, n in per_part.items():
                attempts[number] = attempts.get(number, 0) + n
        return attempts

    def outbox(self):
        """The messages sent so far, oldest first, as text."""
        folder = os.path.join(self.data, "outbox")
        if not os.path.isdir(folder):
            return []
        names = sorted(n for n in os.listdir(folder) if n.endswith(".eml"))
        result = []
        for name in names:
            with open(os.path.join(folder, name), encoding="utf-8") as message:
                result.append(message.read())
        return result


class Cli:
    """parcella-cli against one service, inside the keyring session the tests run in. The
    service is named with --service, or with PARCELLA_SERVICE_URL when via_environment."""

    def __init__(self, binary, service_url, via_environment=False):
        self.binary = binary
        self.service_url = service_url
        self.via_environment = via_environment

    def command(self, *args):
        if self.via_environment:
            return [self.binary, *args]
        return [self.binary, "--service", self.service_url, *args]

    def environment(self):
        return environment({"PARCELLA_SERVICE_URL": self.service_url}
                           if self.via_environment else None)

    def run(self, *args, stdin_text=None, timeout=60):
        return subprocess.run(self.command(*args), input=stdin_text, capture_output=True,
                              text=True, timeout=timeout, env=self.environment())

    def start(self, *args):
        return subprocess.Popen(self.command(*args), stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                env=self.environment())

    def login(self, timeout=30, cookies=None):
        """Signs in by playing the browser (keeping its cookies in `cookies`); returns the
        finished process."""
        process = subprocess.Popen(self.command("login", "--no-browser"), stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                   env=self.environment())
        try:
            output = LineQueue(process.stdout)
            line = output.wait_for(lambda l: "/oauth/authorize?" in l, timeout=timeout)
            callback = browser.authorize(line.strip(), cookies=cookies)
            process.stdin.write(callback + "\n")
            process.stdin.flush()
            process.wait(timeout=timeout)
            process.stdout_lines = output.drain(timeout)
            process.stderr_text = process.stderr.read()
            return process
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            for stream in (process.stdin, process.stdout, process.stderr):
                stream.close()


def digest(path):
    sha = hashlib.sha256()
    with open(path, "rb") as data:
        for chunk in iter(lambda: data.read(1 << 20), b""):
            sha.update(chunk)
    return sha.hexdigest()


def write_file(path, size, seed):
    """Bytes that differ between files and between parts, so a misplaced part shows."""
    with open(path, "wb") as out:
        block = 0
        while size > 0:
            piece = hashlib.sha256(b"%d:%d" % (seed, block)).digest() * 2048
            out.write(piece[:size])
            size -= min(size, len(piece))
            block += 1
    return path


class Recipient:
    """A visitor of download pages, with the cookies a browser keeps."""

    def __init__(self):
        self.cookies = http.cookiejar.CookieJar()
        self.opener = browser.opener(urllib.request.HTTPCookieProcessor(self.cookies))

    def get(self, url, timeout=30):
        with self.opener.open(url, timeout=timeout) as answer:
            return answer.read()

    def post(self, url, fields, timeout=30):
        request = urllib.request.Request(url, data=urllib.parse.urlencode(fields).encode())
        with self.opener.open(request, timeout=timeout) as answer:
            return answer.read()

    def files(self, link):
        """[(file name, bytes)] in the order the download page lists them."""
        page = self.get(link).decode("utf-8")
        found = re.findall(r'<a href="(/t/[^"]+/files/[^"]+)">([^<]*)</a>', page)
        return [(name, self.get(urllib.parse.urljoin(link, href))) for href, name in found]


def one_time_code(service, address, after):
    """The code in the newest message to address among those after the first `after`."""
    for message in reversed(service.outbox()[after:]):
        if ("To: " + address) in message:
            found = re.search(r"one-time code: (\w+)", message)
            if found:
                return found.group(1)
    raise LookupError("no code sent to " + address)
