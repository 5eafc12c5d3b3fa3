"""Upload benchmark: parcella-cli next to aws-cli, rclone and curl, against one devservice storage
over loopback. Run through bench/run.sh, which builds the benchmark binaries and provides the
keyring session the CLI signs in to. See bench/README.md."""

import argparse
import csv
import datetime
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import harness  # noqa: E402

MiB = 1 << 20
KiB = 1 << 10
BUCKET = "ws-studio"
ACCESS_KEY, SECRET_KEY, REGION = "parcella-dev", "parcella-dev-secret", "us-east-1"
# A transfer holds at most this many uploads, so bigger batches are sent in several commands.
TRANSFER_LIMIT = 1000


def workloads(quick):
    if quick:
        return [("1 x 256 MiB", 1, 256 * MiB), ("8 x 32 MiB", 8, 32 * MiB),
                ("200 x 64 KiB", 200, 64 * KiB)]
    return [("1 x 2 GiB", 1, 2048 * MiB), ("8 x 256 MiB", 8, 256 * MiB),
            ("2000 x 64 KiB", 2000, 64 * KiB)]


def make_files(folder, count, size):
    os.makedirs(folder, exist_ok=True)
    paths = []
    for i in range(count):
        path = os.path.join(folder, "file-%04d.bin" % i)
        paths.append(path)
        if os.path.exists(path) and os.path.getsize(path) == size:
            continue
        with open(path, "wb") as out:
            left = size
            while left > 0:
                out.write(os.urandom(min(left, 4 * MiB)))
                left -= min(left, 4 * MiB)
    return paths


def warm(paths):
    """Reads every file once, so all tools start from the page cache."""
    for path in paths:
        with open(path, "rb") as data:
            while data.read(8 * MiB):
                pass


class Run:
    """One measured client process: wall time and the rusage of its whole tree."""

    def __init__(self, argv, env, timeout):
        self.stderr = ""
        start = time.monotonic()
        with tempfile.TemporaryFile("w+") as err:
            process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=err, env=env)
            deadline = start + timeout
            while True:
                pid, status, usage = os.wait4(process.pid, os.WNOHANG)
                if pid:
                    break
                if time.monotonic() > deadline:
                    process.kill()
                    pid, status, usage = os.wait4(process.pid, 0)
                    break
                time.sleep(0.005)
            self.wall = time.monotonic() - start
            process.returncode = os.waitstatus_to_exitcode(status)
            err.seek(0)
            self.stderr = err.read()
        self.code = process.returncode
        # The children of the client (aws-cli has none, the others neither) are included in
        # the rusage of the client once it has waited for them.
        self.cpu = usage.ru_utime + usage.ru_stime
        self.rss = usage.ru_maxrss * 1024
        found = re.findall(
            r"longest main-thread stall ([0-9.]+) ms(?: \(([0-9.]+) ms of it on the CPU)?",
            self.stderr)
        # The longest stall of the run, with the main thread's own CPU time during it (-1 where
        # an older probe did not tell).
        self.stall = (max((float(ms), float(cpu or -1)) for ms, cpu in found) if found
                      else None)


class Tools:
    def __init__(self, cli_binary, aws, scratch):
        self.cli_binary = cli_binary
        self.aws = aws
        self.scratch = scratch
        self.aws_default = self._aws_config("aws-default.conf", "")
        self.aws_matched = self._aws_config(
            "aws-matched.conf",
            "    multipart_threshold = 16MB\n    multipart_chunksize = 16MB\n"
            "    max_concurrent_requests = 3\n")
        self.rclone_config = os.path.join(scratch, "rclone.conf")
        open(self.rclone_config, "w").close()

    def _aws_config(self, name, extra):
        path = os.path.join(self.scratch, name)
        with open(path, "w") as out:
            out.write("[default]\nregion = %s\ns3 =\n    addressing_style = path\n%s"
                      % (REGION, extra))
        return path

    names = ("parcella", "parcella-model", "parcella-popover-closed", "parcella-popover-open",
             "aws-default", "aws-16M-x3", "rclone-16M-x3",
             "curl-single-put")

    def commands(self, tool, service_url, paths, folder, prefix):
        """[(argv, env)] that upload the files; several when one command cannot take them all."""
        # Settings of the caller's own AWS setup (a CA bundle, a profile) must not reach the peers.
        env = {k: v for k, v in harness.environment().items() if not k.startswith("AWS_")}
        if tool.startswith("parcella"):
            batches = [paths[i:i + TRANSFER_LIMIT] for i in range(0, len(paths), TRANSFER_LIMIT)]
            if tool != "parcella":
                env.update(QT_QPA_PLATFORM="offscreen")
                popover = (["--popover", tool.rsplit("-", 1)[1]]
                           if tool.startswith("parcella-popover") else [])
                return [([os.environ["PARCELLA_MODEL_BENCH"], "--service", service_url, *popover,
                          *batch], env) for batch in batches]
            return [([self.cli_binary, "--service", service_url, "send", *batch], env)
                    for batch in batches]
        if tool.startswith("aws"):
            env.update(AWS_CONFIG_FILE=self.aws_default if tool == "aws-default"
                       else self.aws_matched, AWS_SHARED_CREDENTIALS_FILE=os.devnull,
                       AWS_ACCESS_KEY_ID=ACCESS_KEY, AWS_SECRET_ACCESS_KEY=SECRET_KEY,
                       AWS_EC2_METADATA_DISABLED="true", AWS_PAGER="")
            base = [self.aws, "--endpoint-url", service_url, "--only-show-errors", "s3", "cp"]
            if len(paths) == 1:
                return [(base + [paths[0], "s3://%s/%s/%s" % (BUCKET, prefix, "one")], env)]
            return [(base + ["--recursive", folder, "s3://%s/%s/" % (BUCKET, prefix)], env)]
        if tool.startswith("rclone"):
            env.update(RCLONE_CONFIG=self.rclone_config, RCLONE_CONFIG_BENCH_TYPE="s3",
                       RCLONE_CONFIG_BENCH_PROVIDER="Other", RCLONE_CONFIG_BENCH_ENDPOINT=service_url,
                       RCLONE_CONFIG_BENCH_ACCESS_KEY_ID=ACCESS_KEY,
                       RCLONE_CONFIG_BENCH_SECRET_ACCESS_KEY=SECRET_KEY,
                       RCLONE_CONFIG_BENCH_REGION=REGION, RCLONE_CONFIG_BENCH_FORCE_PATH_STYLE="true")
            # Matched to parcella: 16 MiB parts, three per file, two files at a time.
            options = ["--s3-chunk-size", "16M", "--s3-upload-concurrency", "3", "--transfers", "2",
                       "--s3-no-check-bucket"]
            if len(paths) == 1:
                return [(["rclone", "copyto", *options, paths[0],
                          "bench:%s/%s/one" % (BUCKET, prefix)], env)]
            return [(["rclone", "copy", *options, folder, "bench:%s/%s" % (BUCKET, prefix)], env)]
        # curl: each file as one PUT, one after another over one connection.
        config = os.path.join(self.scratch, "curl-%s.conf" % prefix)
        with open(config, "w") as out:
            for path in paths:
                out.write('upload-file = "%s"\nurl = "%s/%s/%s/%s"\n'
                          % (path, service_url, BUCKET, prefix, os.path.basename(path)))
        return [(["curl", "-sS", "--fail", "--aws-sigv4", "aws:amz:%s:s3" % REGION,
                  "--user", "%s:%s" % (ACCESS_KEY, SECRET_KEY),
                  "-H", "x-amz-content-sha256: UNSIGNED-PAYLOAD", "-o", os.devnull,
                  "-K", config], env)]


def measure(tools, tool, devservice, service_data, paths, folder, timeout):
    """One run against a fresh service, so every tool finds an empty storage."""
    service = harness.DevService(devservice, data_parent=service_data)
    try:
        if tool.startswith("parcella"):
            login = harness.Cli(tools.cli_binary, service.url).login()
            if login.returncode != 0:
                raise RuntimeError("sign-in failed: " + login.stderr_text)
        wall = cpu = rss = 0.0
        stall = None
        for argv, env in tools.commands(tool, service.url, paths, folder, "bench"):
            run = Run(argv, env, timeout)
            if run.code != 0:
                raise RuntimeError("%s failed (%d): %s" % (tool, run.code, run.stderr[-2000:]))
            wall += run.wall
            cpu += run.cpu
            rss = max(rss, run.rss)
            if run.stall is not None:
                stall = max(stall or (0.0, 0.0), run.stall)
        received = service.counters()["bytesReceived"]
        return {"wall": wall, "cpu": cpu, "rss": rss, "stall": stall, "received": received}
    finally:
        service.stop()


def fmt(value, pattern):
    return "-" if value is None else pattern % value


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--quick", action="store_true", help="smaller workloads for a smoke run")
    parser.add_argument("--reps", type=int, default=3)
    parser.add_argument("--tools", default=",".join(Tools.names))
    parser.add_argument("--workloads", default="1,2,3",
                        help="which workloads, by position (1: one file, 2: eight, 3: small files)")
    # The distribution's aws-cli, not a wrapper that would add its own start-up to the figures.
    parser.add_argument("--aws", default="/usr/bin/aws" if os.path.exists("/usr/bin/aws")
                        else "aws")
    parser.add_argument("--data", help="folder for the generated files (kept between runs)")
    # The stand-in storage is not what is measured: on a disk its cost follows the file system's
    # state (creating files gets slower after many deletions) more than the client's requests.
    parser.add_argument("--service-data", default="/dev/shm" if os.access("/dev/shm", os.W_OK)
                        else None, help="where each devservice keeps its data (default: /dev/shm)")
    parser.add_argument("--results", default=os.path.join(os.path.dirname(
        os.path.abspath(__file__)), "results"))
    args = parser.parse_args()
    tools_wanted = args.tools.split(",")

    data = args.data or os.path.join(tempfile.gettempdir(), "parcella-bench-data")
    scratch = tempfile.mkdtemp(prefix="parcella-bench-")
    tools = Tools(os.environ["PARCELLA_CLI"], args.aws, scratch)
    rows = []
    try:
        sets = []
        chosen = {int(n) for n in args.workloads.split(",")}
        for position, (name, count, size) in enumerate(workloads(args.quick), 1):
            if position not in chosen:
                continue
            folder = os.path.join(data, "%d-%d" % (count, size))
            sets.append((name, folder, make_files(folder, count, size), count * size))
        samples = {}
        for rep in range(args.reps):
            for name, folder, paths, total in sets:
                warm(paths)
                # Interleaved, starting with a different tool each repetition.
                order = tools_wanted[rep % len(tools_wanted):] + tools_wanted[:rep % len(tools_wanted)]
                for tool in order:
                    result = measure(tools, tool, os.environ["PARCELLA_DEVSERVICE"],
                                     args.service_data, paths, folder, timeout=1800)
                    samples.setdefault((name, tool), []).append(result)
                    print("rep %d  %-14s %-16s %7.2f s  %7.1f MB/s" % (
                        rep + 1, name, tool, result["wall"], total / result["wall"] / 1e6),
                        flush=True)
        for name, folder, paths, total in sets:
            for tool in tools_wanted:
                runs = samples[(name, tool)]
                wall = statistics.median(r["wall"] for r in runs)
                stalls = [r["stall"] for r in runs if r["stall"] is not None]
                rows.append({
                    "workload": name, "tool": tool, "runs": len(runs), "bytes": total,
                    "wall_s": wall, "mb_per_s": total / wall / 1e6,
                    "cpu_s_per_gb": statistics.median(r["cpu"] for r in runs) / (total / 1e9),
                    "peak_rss_mib": max(r["rss"] for r in runs) / MiB,
                    "max_stall_ms": max(stalls)[0] if stalls else None,
                    "max_stall_cpu_ms": max(stalls)[1] if stalls else None,
                })
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    report(rows, args)


def report(rows, args):
    print("\n%-14s %-23s %9s %9s %10s %9s %16s" % (
        "workload", "tool", "median s", "MB/s", "CPU s/GB", "RSS MiB", "stall ms (CPU)"))
    for r in rows:
        stall = fmt(r["max_stall_ms"], "%.1f")
        if r["max_stall_cpu_ms"] is not None and r["max_stall_cpu_ms"] >= 0:
            stall += " (%.1f)" % r["max_stall_cpu_ms"]
        print("%-14s %-23s %9.2f %9.1f %10.2f %9.1f %16s" % (
            r["workload"], r["tool"], r["wall_s"], r["mb_per_s"], r["cpu_s_per_gb"],
            r["peak_rss_mib"], stall))
    ours = {r["workload"]: r for r in rows if r["tool"] == "parcella"}
    if ours:
        print("\nParcella / peer (throughput: >1 is faster; CPU per GB: <1 is cheaper)")
        for r in rows:
            mine = ours.get(r["workload"])
            if r["tool"] == "parcella" or not mine:
                continue
            r["parcella_throughput_ratio"] = mine["mb_per_s"] / r["mb_per_s"]
            r["parcella_cpu_ratio"] = mine["cpu_s_per_gb"] / r["cpu_s_per_gb"]
            print("%-14s vs %-16s throughput %5.2fx   CPU/GB %5.2fx" % (
                r["workload"], r["tool"], r["parcella_throughput_ratio"], r["parcella_cpu_ratio"]))
    os.makedirs(args.results, exist_ok=True)
    stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
    path = os.path.join(args.results, "uploads-%s%s.csv" % (stamp, "-quick" if args.quick else ""))
    fields = ["workload", "tool", "runs", "bytes", "wall_s", "mb_per_s", "cpu_s_per_gb",
              "peak_rss_mib", "max_stall_ms", "max_stall_cpu_ms", "parcella_throughput_ratio", "parcella_cpu_ratio"]
    with open(path, "w", newline="") as out:
        writer = csv.DictWriter(out, fieldnames=fields)
        writer.writeheader()
        writer.writerows(rows)
    print("\nCSV: " + path)


if __name__ == "__main__":
    main()
