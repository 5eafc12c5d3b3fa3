"""The demo's steps, run by demo.sh inside a private keyring session: the development service on
a free loopback port, sign-in through its authorize page, one send with progress, the link and the
transfer list. Everything started here is stopped on the way out, also after a failure or Ctrl-C."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import harness  # noqa: E402


def step(text):
    print("\n==> " + text, flush=True)


def send(cli, path):
    """Runs the send with its progress passed through; returns the link it printed."""
    process = subprocess.Popen(cli.command("send", path, "--subject", "Parcella demo"),
                               stdout=subprocess.PIPE, text=True, env=cli.environment())
    lines = []
    for line in process.stdout:
        print("    " + line, end="", flush=True)
        lines.append(line.strip())
    if process.wait(timeout=600) != 0:
        raise SystemExit("The send failed (exit status %d)." % process.returncode)
    return lines[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--size-mb", type=int, default=50, help="size of the generated file")
    size = parser.parse_args().size_mb * 1000 * 1000

    folder = tempfile.mkdtemp(prefix="parcella-demo-")
    service = None
    try:
        step("Starting the development service")
        service = harness.DevService(os.environ["PARCELLA_DEVSERVICE"])
        # The built-in configuration names the hosted service; the variable points the CLI here.
        print("    PARCELLA_SERVICE_URL=" + service.url)
        cli = harness.Cli(os.environ["PARCELLA_CLI"], service.url, via_environment=True)

        step("Signing in (the demo plays the browser on the authorize page)")
        login = cli.login()
        for line in login.stdout_lines:
            print("    " + line)
        if login.returncode != 0:
            raise SystemExit("Sign-in failed: " + login.stderr_text.strip())

        step("Generating a %d MB file" % (size // 1000000))
        path = os.path.join(folder, "parcella-demo.bin")
        with open(path, "wb") as out:
            left = size
            while left > 0:
                out.write(os.urandom(min(left, 1 << 20)))
                left -= min(left, 1 << 20)

        step("Sending it: parcella-cli send %s" % os.path.basename(path))
        link = send(cli, path)

        step("Link")
        print("    " + link)

        step("parcella-cli transfers")
        listed = cli.run("transfers")
        print("    " + listed.stdout.strip().replace("\n", "\n    "))
        print("\nDone. The service and the keyring session stop now; nothing is left running.")
    finally:
        if service is not None:
            service.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(130)
