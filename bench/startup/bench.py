#!/usr/bin/env python3
"""Start-up benchmark of the desktop program: time from launch until its main window is
mapped on the X server (goal: under 0.5 s), and the program's peak and current resident
memory once it sits idle. Runs on a private Xvfb against the demo world (registry set, so
no message box), with a browser opener that does nothing. xlogo from x11-apps is timed the
same way as the floor an X client pays on this machine.

    python3 bench/startup/bench.py [--binary build/app/terravane] [--runs 15]
"""
import argparse, ctypes, os, select, shutil, statistics, subprocess, sys, tempfile, time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GOAL_SECONDS = 0.5
MAP_NOTIFY, SUBSTRUCTURE_NOTIFY_MASK = 19, 1 << 19


class MapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", MapEvent), ("pad", ctypes.c_long * 24)]


class Watcher:
    """Watches the root window of a display for top-level windows being mapped."""

    def __init__(self, display_name):
        self.x = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for name in ("XDefaultRootWindow", "XConnectionNumber", "XPending", "XFlush"):
            getattr(self.x, name).argtypes = [ctypes.c_void_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(display_name.encode())
        if not self.display:
            raise SystemExit("cannot open display " + display_name)
        self.root = self.x.XDefaultRootWindow(self.display)
        self.x.XSelectInput(self.display, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.display)
        self.fd = self.x.XConnectionNumber(self.display)

    def drain(self):
        event = Event()
        while self.x.XPending(self.display):
            self.x.XNextEvent(self.display, ctypes.byref(event))

    def wait_for_map(self, timeout):
        """Seconds until the next top-level window is mapped, measured from now's caller."""
        event = Event()
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            while self.x.XPending(self.display):
                self.x.XNextEvent(self.display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and event.xmap.event == self.root:
                    return time.monotonic()
            select.select([self.fd], [], [], 0.01)
        return None


def start_xvfb(tmp):
    read, write = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=[write], stderr=subprocess.DEVNULL)
    os.close(write)
    number = os.read(read, 64).decode().strip()
    os.close(read)
    return proc, ":" + number


def time_launch(watcher, argv, env, settle=0.0):
    watcher.drain()
    start = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mapped = watcher.wait_for_map(20)
    if mapped is None:
        proc.kill()
        raise SystemExit(f"{argv[0]}: no window within 20 s")
    if settle:
        time.sleep(settle)
    return proc, mapped - start


def memory_kb(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("VmHWM", "VmRSS"):
                fields[key] = int(value.split()[0])
    return fields


def stop(proc):
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def summary(times):
    ms = sorted(t * 1000 for t in times)
    return f"median {statistics.median(ms):6.1f} ms   min {ms[0]:6.1f}   max {ms[-1]:6.1f}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default=os.path.join(REPO, "build/app/terravane"))
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    if not os.access(args.binary, os.X_OK):
        raise SystemExit(f"{args.binary} is not built (scripts/build build)")

    with tempfile.TemporaryDirectory(prefix="terravane-startup-") as tmp:
        subprocess.run([os.path.join(REPO, "scripts/demo-world"), "prepare", os.path.join(tmp, "world")],
                       check=True, stdout=subprocess.DEVNULL)
        os.makedirs(os.path.join(tmp, "bin"))
        os.makedirs(os.path.join(tmp, "path"))
        binary = shutil.copy(args.binary, os.path.join(tmp, "bin", "terravane"))
        opener = os.path.join(tmp, "path", "xdg-open")
        with open(opener, "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(opener, 0o755)

        xvfb, display = start_xvfb(tmp)
        try:
            env = dict(os.environ, DISPLAY=display, WINEPREFIX=os.path.join(tmp, "world", "wine"),
                       PATH=os.path.join(tmp, "path") + ":" + os.environ["PATH"])
            watcher = Watcher(display)
            ours, floor = [], []
            for _ in range(args.runs):
                proc, seconds = time_launch(watcher, [binary], env)
                stop(proc)
                ours.append(seconds)
                if shutil.which("xlogo"):
                    proc, seconds = time_launch(watcher, ["xlogo"], env)
                    stop(proc)
                    floor.append(seconds)
            proc, _ = time_launch(watcher, [binary], env, settle=3.0)
            memory = memory_kb(proc.pid)
            stop(proc)
        finally:
            xvfb.terminate()
            xvfb.wait()

    print(f"launch to main window shown, {args.runs} runs")
    print(f"  terravane  {summary(ours)}")
    if floor:
        print(f"  xlogo      {summary(floor)}   (an X client's floor; ratio {statistics.median(ours) / statistics.median(floor):.1f}x)")
    print(f"idle after 3 s: peak RSS {memory['VmHWM'] / 1024:.1f} MiB, RSS {memory['VmRSS'] / 1024:.1f} MiB")
    verdict = "met" if statistics.median(ours) < GOAL_SECONDS else "NOT met"
    print(f"goal: shown within {GOAL_SECONDS * 1000:.0f} ms (median): {verdict}")
    return 0 if verdict == "met" else 1


if __name__ == "__main__":
    sys.exit(main())
