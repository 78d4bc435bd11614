#!/usr/bin/env python3
"""Download benchmark: terravane-dl against aria2c and curl, all fetching from nginx on a
loopback port. Runs are interleaved, every result is checked by SHA-256, and the medians,
their ratios and each tool's peak RSS are printed.

  (a) per-connection throttled server (limit_rate 2m), 64 MiB: terravane-dl -j5,
      aria2c -x5 -s5 -k1M --file-allocation=falloc, curl (one connection)
  (b) unthrottled server, 512 MiB: the same three
  (c) peak RSS of every tool in both scenarios

Usage: bench/download/bench.py [--dl PATH] [--runs N] [--small MiB] [--large MiB] [--only a|b]
"""
import argparse
import hashlib
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def make_file(path, mib):
    # Random bytes, so that no layer can compress or deduplicate them.
    with open(path, "wb") as f:
        for _ in range(mib):
            f.write(os.urandom(1 << 20))


class Nginx:
    def __init__(self, work, root):
        self.dir = os.path.join(work, "nginx")
        os.makedirs(self.dir)
        self.throttled, self.open = free_port(), free_port()
        temps = "".join(f"  {t}_temp_path {self.dir}/{t};\n" for t in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        user = "user root root;\n" if os.geteuid() == 0 else ""
        conf = (f"daemon off;\nworker_processes 2;\npid {self.dir}/nginx.pid;\nerror_log {self.dir}/error.log;\n{user}"
                f"events {{ worker_connections 512; }}\nhttp {{\n  access_log off;\n  sendfile on;\n{temps}"
                f"  server {{ listen 127.0.0.1:{self.throttled}; root {root}; limit_rate 2m; }}\n"
                f"  server {{ listen 127.0.0.1:{self.open}; root {root}; }}\n}}\n")
        with open(os.path.join(self.dir, "nginx.conf"), "w") as f:
            f.write(conf)
        self.proc = subprocess.Popen(["nginx", "-p", self.dir + "/", "-c", os.path.join(self.dir, "nginx.conf"),
                                      "-e", os.path.join(self.dir, "error.log")])
        for _ in range(200):
            try:
                socket.create_connection(("127.0.0.1", self.open), timeout=0.2).close()
                socket.create_connection(("127.0.0.1", self.throttled), timeout=0.2).close()
                return
            except OSError:
                time.sleep(0.05)
        raise SystemExit("nginx did not start: " + open(os.path.join(self.dir, "error.log")).read())

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait()


def run_tool(argv, out_path):
    """Runs one download; returns (seconds, peak RSS in KiB)."""
    if os.path.exists(out_path):
        os.remove(out_path)
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        raise SystemExit(f"{argv[0]} exited {code}: {err[-2000:]}")
    return seconds, usage.ru_maxrss


def tools(dl, url, out_dir, name):
    out = os.path.join(out_dir, name)
    return {
        "terravane-dl": ([dl, "-q", "-j", "5", "-o", out, url], out),
        "aria2c": (["aria2c", "-x5", "-s5", "-k1M", "--file-allocation=falloc", "--allow-overwrite=true",
                    "--auto-file-renaming=false", "--console-log-level=error", "--summary-interval=0",
                    "--download-result=hide", "-q", "-d", out_dir, "-o", name, url], out),
        "curl": (["curl", "-s", "-f", "-o", out, url], out),
    }


def scenario(title, dl, url, expected, out_dir, runs, size_mib):
    print(f"\n== {title} ==", flush=True)
    cases = tools(dl, url, out_dir, "download.bin")
    times = {t: [] for t in cases}
    rss = {t: 0 for t in cases}
    for i in range(runs):
        for tool, (argv, out) in cases.items():  # interleaved: one run of each tool per round
            seconds, peak = run_tool(argv, out)
            digest = sha256(out)
            if digest != expected:
                raise SystemExit(f"{tool}: SHA-256 mismatch on run {i + 1}")
            times[tool].append(seconds)
            rss[tool] = max(rss[tool], peak)
            os.remove(out)
            print(f"  run {i + 1}  {tool:13s} {seconds:7.3f} s  {size_mib / seconds:8.1f} MiB/s  "
                  f"peak RSS {peak / 1024:6.1f} MiB  sha256 ok", flush=True)
    med = {t: statistics.median(v) for t, v in times.items()}
    for tool in cases:
        print(f"  median {tool:13s} {med[tool]:7.3f} s  {size_mib / med[tool]:8.1f} MiB/s  "
              f"peak RSS {rss[tool] / 1024:6.1f} MiB")
    return med, rss


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dl", default=os.path.join(ROOT, "build", "cli", "terravane-dl"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--small", type=int, default=64)
    ap.add_argument("--large", type=int, default=512)
    ap.add_argument("--only", choices=["a", "b"])
    ap.add_argument("--work", default=None, help="folder for the files (default: a temporary one)")
    args = ap.parse_args()
    if not os.access(args.dl, os.X_OK):
        raise SystemExit(f"no terravane-dl at {args.dl}; build it or pass --dl")
    for peer in ("aria2c", "curl", "nginx"):
        if not shutil.which(peer):
            raise SystemExit(f"{peer} is missing: run scripts/install-deps")
    work = tempfile.mkdtemp(prefix="terravane-bench-", dir=args.work)
    try:
        www, out = os.path.join(work, "www"), os.path.join(work, "out")
        os.makedirs(www)
        os.makedirs(out)
        server = None
        try:
            results = {}
            if args.only in (None, "a"):
                make_file(os.path.join(www, "small.bin"), args.small)
            if args.only in (None, "b"):
                make_file(os.path.join(www, "large.bin"), args.large)
            server = Nginx(work, www)
            if args.only in (None, "a"):
                results["a"] = scenario(f"(a) throttled 2 MB/s per connection, {args.small} MiB", args.dl,
                                        f"http://127.0.0.1:{server.throttled}/small.bin",
                                        sha256(os.path.join(www, "small.bin")), out, args.runs, args.small)
            if args.only in (None, "b"):
                results["b"] = scenario(f"(b) unthrottled, {args.large} MiB", args.dl,
                                        f"http://127.0.0.1:{server.open}/large.bin",
                                        sha256(os.path.join(www, "large.bin")), out, args.runs, args.large)
        finally:
            if server:
                server.stop()
        print("\n== summary ==")
        ok = True
        if "a" in results:
            med, _ = results["a"]
            r_aria = med["terravane-dl"] / med["aria2c"]
            r_curl = med["curl"] / med["terravane-dl"]
            print(f"(a) wall time terravane-dl / aria2c = {r_aria:.3f}  (goal <= 1.05)")
            print(f"(a) curl / terravane-dl wall time   = {r_curl:.2f}x faster  (goal >= 4)")
            ok = ok and r_aria <= 1.05 and r_curl >= 4
        if "b" in results:
            med, _ = results["b"]
            r = med["aria2c"] / med["terravane-dl"]
            print(f"(b) throughput terravane-dl / aria2c = {r:.3f}  (goal >= 0.8)")
            print(f"(b) throughput terravane-dl / curl   = {med['curl'] / med['terravane-dl']:.3f}")
            ok = ok and r >= 0.8
        peak = max(results[k][1]["terravane-dl"] for k in results)
        for k in results:
            rss = results[k][1]
            print(f"({k}) peak RSS MiB: " + ", ".join(f"{t} {v / 1024:.1f}" for t, v in rss.items()))
        print(f"(c) terravane-dl peak RSS {peak / 1024:.1f} MiB  (goal < 32)")
        ok = ok and peak < 32 * 1024
        print("all goals met" if ok else "some goals missed")
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
