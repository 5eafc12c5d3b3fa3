"""Accuracy of parcella-cli's upload rate limit: for each rate, one send of two files (six parts
in flight) to a fresh devservice under --limit-rate, with the bytes the storage has received
sampled twenty times a second. Reported relative to the limit: the average of every 10 s window
and the fullest 1 s window between the first and the last byte. Run through
`bench/run.sh limit-rate`; see bench/README.md."""

import argparse
import os
import subprocess
import tempfile
import time

import uploads
from uploads import harness

UNITS = {"": 1, "K": 1e3, "M": 1e6, "G": 1e9}


def parse_rate(text):
    number, unit = (text[:-1], text[-1].upper()) if text[-1].isalpha() else (text, "")
    return float(number) * UNITS[unit]


def sample(service, process, period):
    """[(time, bytes received)] until the client ends; each time is the middle of its query."""
    samples = []
    while process.poll() is None:
        before = time.monotonic()
        received = service.counters()["bytesReceived"]
        samples.append(((before + time.monotonic()) / 2, received))
        time.sleep(period)
    return samples


def window_rates(samples, width, step=0.05):
    """Bytes per second of every `width` s window from the first to the last byte, `step` apart,
    read from the samples by linear interpolation."""
    total = samples[-1][1]
    start = max((t for t, b in samples if b == 0), default=samples[0][0])
    end = min(t for t, b in samples if b == total)

    def received_at(t):
        for (t0, b0), (t1, b1) in zip(samples, samples[1:]):
            if t0 <= t <= t1:
                return b0 + (b1 - b0) * (t - t0) / (t1 - t0)
        return total

    rates, t = [], start
    while t + width <= end:
        rates.append((received_at(t + width) - received_at(t)) / width)
        t += step
    return rates, end - start


def measure(cli_binary, devservice, service_data, paths, rate_text):
    service = harness.DevService(devservice, data_parent=service_data)
    try:
        cli = harness.Cli(cli_binary, service.url)
        if cli.login().returncode != 0:
            raise RuntimeError("sign-in failed")
        process = cli.start("send", *paths, "--limit-rate", rate_text)
        samples = sample(service, process, period=0.05)
        _, errors = process.communicate(timeout=60)
        if process.returncode != 0:
            raise RuntimeError("send failed (%d): %s" % (process.returncode, errors[-2000:]))
        samples.append((time.monotonic(), service.counters()["bytesReceived"]))
        return samples
    finally:
        service.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--rates", default="1M,10M,50M", help="--limit-rate values to measure")
    parser.add_argument("--seconds", type=float, default=25, help="planned length of each send")
    parser.add_argument("--data", help="folder for the generated files (kept between runs)")
    parser.add_argument("--service-data", default="/dev/shm" if os.access("/dev/shm", os.W_OK)
                        else None)
    args = parser.parse_args()
    data = args.data or os.path.join(tempfile.gettempdir(), "parcella-bench-data")

    print("%-8s %9s %8s %11s %11s %13s" % ("limit", "MB", "s", "10 s min", "10 s max",
                                            "fullest 1 s"))
    for rate_text in args.rates.split(","):
        limit = parse_rate(rate_text)
        size = int(limit * args.seconds / 2)
        paths = uploads.make_files(os.path.join(data, "limit-%d" % size), 2, size)
        uploads.warm(paths)
        samples = measure(os.environ["PARCELLA_CLI"], os.environ["PARCELLA_DEVSERVICE"],
                          args.service_data, paths, rate_text)
        tens, seconds = window_rates(samples, 10)
        ones, _ = window_rates(samples, 1)
        if not tens:
            raise RuntimeError("the send took %.1f s, too short for a 10 s window" % seconds)
        print("%-8s %9.1f %8.1f %+10.1f%% %+10.1f%% %+12.1f%%" % (
            rate_text, samples[-1][1] / 1e6, seconds, (min(tens) / limit - 1) * 100,
            (max(tens) / limit - 1) * 100, (max(ones) / limit - 1) * 100), flush=True)


if __name__ == "__main__":
    main()
