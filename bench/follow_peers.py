#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Following a growing log: SORAMIE and peer viewers, measured the same way in one run.

Usage: bench/follow_peers.py BUILD_DIR WORK_DIR   (bench/follow_peers.sh installs what it needs)

WORK_DIR gets a CP932 log of SIZE_MB MB whose last line is "ready". Each viewer is started
on it and left until it is idle; then its CPU is taken over IDLE s with no write (idle
following), then a writer appends "follow <i>" lines at each rate of RATES for DURATION s
(a write about every millisecond, each line's time taken just before its write), and the
latency of every line from its write to the moment it is on the screen is collected. The log
is cut back to its first size after each viewer.

How "on the screen" is read:
- follow_bench: SORAMIE's main window in process (offscreen), the start of the pane's first
  paint that shows the line (bench/README.md).
- terminal viewers (tail -F, less +F, lnav): each runs in its own tmux pane of 200x50 that is
  captured every 10 ms (capture-pane); a capture that shows "follow N" shows every line up to
  N, at the middle of the capture call.
- X windows (SORAMIE, glogg) on a private Xvfb with openbox: the window's pixels are read
  over and over (as fast as the X server answers); a capture that differs from the one before
  is taken to show every line written before the capture began. The text itself is not read
  (a repaint of the status bar alone counts too); WORK_DIR/<program>.png shows the screen at
  the end of the run.
- tail -F through a pipe (follow_bench --peer): each line when it is read from the pipe.

Environment: SIZE_MB (1024), DURATION (60), RATES ("100 10000"), IDLE (10), STARTUP (180 s
bound for a viewer to open the log), PEERS (space-separated subset of: follow_bench soramie_x
glogg tail_pipe tail less lnav). Viewers that are not installed are reported as such.
Prints a Markdown table.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

BUILD, WORK = (os.path.abspath(a) for a in sys.argv[1:3]) if len(sys.argv) >= 3 else (None, None)
SIZE_MB = int(os.environ.get("SIZE_MB", "1024"))
DURATION = int(os.environ.get("DURATION", "60"))
RATES = [int(r) for r in os.environ.get("RATES", "100 10000").split()]
IDLE = float(os.environ.get("IDLE", "10"))
STARTUP = float(os.environ.get("STARTUP", "180"))
ALL_PEERS = ["follow_bench", "soramie_x", "glogg", "tail_pipe", "tail", "less", "lnav"]
PEERS = os.environ.get("PEERS", " ".join(ALL_PEERS)).split()
TICK = os.sysconf("SC_CLK_TCK")


def now_ns():
    return time.monotonic_ns()


def make_log(path, megabytes):
    """A CP932 log of about `megabytes` MB ending with the line "ready"; kept when it exists."""
    if os.path.exists(path) and os.path.getsize(path) >= megabytes << 20:
        return os.path.getsize(path)
    jp = " 障害発生 サーバー応答なし".encode("cp932")
    with open(path, "wb") as out:
        line, done = 0, 0
        while done < megabytes << 20:
            block = b"".join(b"2026-01-01 00:00:00 INFO old line %d" % n + jp + b"\r\n" for n in range(line, line + 20000))
            line += 20000
            out.write(block)
            done += len(block)
        out.write(b"ready\r\n")
    return os.path.getsize(path)


class Writer:
    """Appends `rate` "follow <i>" lines a second for `seconds` s, numbered from `first`,
    in writes of about a millisecond's lines; times[k] is the time of line first + k."""

    def __init__(self, path, rate, seconds, first):
        self.first = first
        self.times = [0] * (rate * seconds)
        self.written = 0  # lines whose time is set (set before their bytes are written)
        self.thread = threading.Thread(target=self._run, args=(path, rate), daemon=True)
        self.thread.start()

    def _run(self, path, rate):
        with open(path, "ab", buffering=0) as out:
            begin = time.monotonic()
            i = 0
            while i < len(self.times):
                due = min(len(self.times), int((time.monotonic() - begin) * rate))
                if due > i:
                    chunk = b"".join(b"follow %d\r\n" % (self.first + k) for k in range(i, due))
                    t = now_ns()
                    for k in range(i, due):
                        self.times[k] = t
                    self.written = due
                    out.write(chunk)
                    i = due
                time.sleep(0.001)


def percentiles(ms):
    if not ms:
        return None
    ms = sorted(ms)
    at = lambda q: ms[min(len(ms) - 1, int(q * len(ms)))]
    return at(0.5), at(0.99), ms[-1], len(ms)


def cpu_ticks(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total


def idle_cpu(pids, seconds):
    """CPU share of a core each process took over the same `seconds` s."""
    before, t0 = [cpu_ticks([p]) for p in pids], time.monotonic()
    time.sleep(seconds)
    wall = time.monotonic() - t0
    return [100.0 * (cpu_ticks([p]) - b) / TICK / wall for p, b in zip(pids, before)]


def wait_quiet(pids, bound, quiet=1.0):
    """Waits until the processes took no CPU for `quiet` s (at most `bound` s)."""
    end = time.monotonic() + bound
    last, since = cpu_ticks(pids), time.monotonic()
    while time.monotonic() < end:
        time.sleep(0.05)
        c = cpu_ticks(pids)
        if c != last:
            last, since = c, time.monotonic()
        elif time.monotonic() - since >= quiet:
            return True
    return False


def measure(log, rate, first, seen_upto):
    """Runs the writer; seen_upto() returns (time, every line < N is on the screen) or None
    each time the screen is read. Returns the latencies in ms and the lines written."""
    writer = Writer(log, rate, DURATION, first)
    latencies = []
    shown = 0
    total = len(writer.times)
    end = time.monotonic() + DURATION + 15
    while shown < total and time.monotonic() < end:
        got = seen_upto(writer)
        if got is None:
            continue
        t, upto = got
        upto = min(upto - first, writer.written, total)
        for k in range(shown, max(shown, upto)):
            latencies.append(max(0.0, (t - writer.times[k]) / 1e6))
        shown = max(shown, upto)
    writer.thread.join()
    return latencies, total


# --- terminal viewers in tmux ---------------------------------------------------------------

class Tmux:
    count = 0

    def __init__(self, command, env):
        Tmux.count += 1
        self.socket = f"follow-peers-{os.getpid()}-{Tmux.count}"
        subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null", "new-session", "-d", "-x", "200", "-y", "50",
                        "-s", "peer", command], check=True, env=env)
        self.pid = int(self._tmux("display-message", "-p", "-t", "peer", "#{pane_pid}").strip())
        self.server = int(self._tmux("display-message", "-p", "#{pid}").strip())

    def _tmux(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, *args], capture_output=True, text=True,
                              errors="replace").stdout

    def keys(self, *keys):
        self._tmux("send-keys", "-t", "peer", *keys)

    def screen(self):
        return self._tmux("capture-pane", "-p", "-t", "peer")

    def close(self):
        subprocess.run(["tmux", "-L", self.socket, "kill-server"], capture_output=True)


FOLLOW = re.compile(r"follow (\d+)")


def terminal_peer(command, log, env):
    tmux = Tmux(command, env)
    try:
        end = time.monotonic() + STARTUP
        while "ready" not in (text := tmux.screen()):
            if "See it anyway?" in text:  # less takes CP932 for binary data: the user says yes
                tmux.keys("y")
            if time.monotonic() > end:
                return {"note": f"did not show the end of the log within {STARTUP:.0f} s"}
            time.sleep(0.1)
        wait_quiet([tmux.pid], 30)
        idle, terminal = idle_cpu([tmux.pid, tmux.server], IDLE)
        result = {"idle": idle, "note": f"tmux itself {terminal:.2f} % idle"}
        next_capture = [time.monotonic()]

        def seen_upto(writer):
            delay = next_capture[0] - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            next_capture[0] = max(next_capture[0] + 0.010, time.monotonic())
            t0 = now_ns()
            text = tmux.screen()
            t = (t0 + now_ns()) // 2
            numbers = [int(n) for n in FOLLOW.findall(text)]
            return (t, max(numbers) + 1) if numbers else None

        first = 0
        for rate in RATES:
            latencies, total = measure(log, rate, first, seen_upto)
            result[rate] = (percentiles(latencies), total)
            first += total
        return result
    finally:
        tmux.close()


# --- X windows on a private Xvfb -----------------------------------------------------------

class XServer:
    def __init__(self):
        # A display number no other X server uses: Xvfb picks it and says which.
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.wm = None
        if shutil.which("openbox"):
            self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            time.sleep(0.5)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True).stdout

    def close(self):
        for p in (self.wm, self.xvfb):
            if p:
                p.terminate()
                p.wait()


def x_peer(x, command, keys, log, env):
    from Xlib import X, display as xdisplay

    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        end = time.monotonic() + STARTUP
        window = ""
        while not window and time.monotonic() < end:
            window = x.xdotool("search", "--onlyvisible", "--pid", str(proc.pid)).split()
            time.sleep(0.2)
        if not window:
            return {"note": "no window appeared"}
        window = window[-1]
        if not wait_quiet([proc.pid], STARTUP):
            return {"note": f"still busy after {STARTUP:.0f} s"}
        geometry = dict(re.findall(r"(\w+)=(-?\d+)", x.xdotool("getwindowgeometry", "--shell", window)))
        wx, wy, w, h = (int(geometry[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        x.xdotool("windowfocus", "--sync", window)
        for key in keys:
            if key == "click":
                x.xdotool("mousemove", str(wx + w * 2 // 3), str(wy + h // 3), "click", "1")
            else:
                x.xdotool("key", "--window", window, key)
            time.sleep(0.3)
        wait_quiet([proc.pid], 30)
        result = {"idle": idle_cpu([proc.pid], IDLE)[0]}
        screen = xdisplay.Display(x.display)
        root = screen.screen().root
        state = {"pixels": None, "writer": None, "upto": 0}

        def seen_upto(writer):
            if state["writer"] is not writer:
                state.update(writer=writer, upto=0)
            t0 = now_ns()
            written = writer.written
            pixels = root.get_image(wx, wy, w, h, X.ZPixmap, 0xFFFFFFFF).data
            t1 = now_ns()
            changed = state["pixels"] is not None and pixels != state["pixels"]
            state["pixels"] = pixels
            if not changed:
                return None
            # Every line written before this capture began.
            upto, times = state["upto"], writer.times
            while upto < written and times[upto] < t0:
                upto += 1
            state["upto"] = upto
            return ((t0 + t1) // 2, writer.first + upto)

        first = 0
        for rate in RATES:
            latencies, total = measure(log, rate, first, seen_upto)
            result[rate] = (percentiles(latencies), total)
            first += total
        screen.close()
        # What the window showed at the end, to look at.
        shot = os.path.join(WORK, os.path.basename(command[0]) + ".png")
        subprocess.run(["import", "-window", "root", shot], env=x.env, capture_output=True)
        return result
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


# --- SORAMIE in process, and tail through a pipe (follow_bench) -----------------------------

def follow_bench(log, peer=None):
    bench = os.path.join(BUILD, "bench", "follow_bench")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    result = {}
    for rate in RATES:
        args = [bench, log, str(SIZE_MB), str(rate), str(DURATION)]
        if peer:
            args = [bench, "--peer", log, str(rate), str(DURATION), *peer]
        out = subprocess.run(args, env=env, capture_output=True, text=True).stdout
        m = re.search(r": (\d+) lines, p50 ([\d.]+) ms, p99 ([\d.]+) ms, max ([\d.]+) ms", out)
        result[rate] = ((float(m[2]), float(m[3]), float(m[4]), int(m[1])), rate * DURATION) if m else (None, 0)
        idle = re.search(r"idle following for [\d.]+ s: ([\d.]+) %", out)
        if idle:
            result["idle"] = float(idle[1])
        once = re.search(r"every line shown once, in order: (\w+)", out)
        if once:
            result["note"] = f"every line shown once, in order: {once[1]}"
        truncate(log)
    return result


BASE_SIZE = 0


def truncate(log):
    os.truncate(log, BASE_SIZE)


def main():
    global BASE_SIZE
    if not BUILD:
        print(__doc__)
        return 2
    os.makedirs(WORK, exist_ok=True)
    log = os.path.join(WORK, "follow.log")
    BASE_SIZE = make_log(log, SIZE_MB)
    truncate(log)
    subprocess.run(["cat", log], stdout=subprocess.DEVNULL)  # in the page cache
    home = os.path.join(WORK, "home")
    os.makedirs(home, exist_ok=True)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home, LANG=os.environ.get("LANG", "C.UTF-8"))
    rows = []

    def run(name, label, how, fn):
        if name not in PEERS:
            return
        print(f"... {label}", file=sys.stderr, flush=True)
        try:
            rows.append((label, how, fn()))
        except Exception as error:  # one viewer's failure leaves the others' figures
            rows.append((label, how, {"note": f"failed: {error}"}))
        finally:
            truncate(log)

    run("follow_bench", "SORAMIE (follow_bench)", "paint in process", lambda: follow_bench(log))
    x = None
    if any(p in PEERS for p in ("soramie_x", "glogg")):
        x = XServer()
    try:
        if x:
            app = os.path.join(WORK, "app")
            os.makedirs(app, exist_ok=True)
            shutil.copy2(os.path.join(BUILD, "soramie"), app)
            xenv = dict(env, DISPLAY=x.display, LANG="ja_JP.UTF-8")
            run("soramie_x", "SORAMIE (X window)", "X pixels",
                lambda: x_peer(x, [os.path.join(app, "soramie"), log], ["ctrl+t"], log, xenv))
            if shutil.which("glogg"):
                run("glogg", "glogg, follow (f)", "X pixels", lambda: x_peer(x, ["glogg", log], ["click", "f"], log, xenv))
            elif "glogg" in PEERS:
                rows.append(("glogg", "", {"note": "not installed"}))
    finally:
        if x:
            x.close()
    run("tail_pipe", "tail -F (pipe)", "read from a pipe", lambda: follow_bench(log, ["tail", "-F", "-n0", log]))
    run("tail", "tail -F", "tmux, 10 ms", lambda: terminal_peer(f"tail -F -n1 {log}", log, env))
    run("less", "less +F", "tmux, 10 ms", lambda: terminal_peer(f"less +F {log}", log, env))
    if shutil.which("lnav"):
        run("lnav", "lnav", "tmux, 10 ms", lambda: terminal_peer(f"lnav {log}", log, env))
    elif "lnav" in PEERS:
        rows.append(("lnav", "", {"note": "not installed"}))

    load = os.getloadavg()[0]
    print(f"\nLog of {BASE_SIZE / 1e6:.0f} MB, {DURATION} s per rate, idle {IDLE:.0f} s; "
          f"load average {load:.1f} at the end.\n")
    head = " | ".join(f"{r:,} lines/s p50 / p99 (max)" for r in RATES)
    print(f"| viewer | screen read by | {head} | idle CPU | note |")
    print("|---|---|" + "---|" * len(RATES) + "---|---|")
    for label, how, result in rows:
        cells = []
        for rate in RATES:
            stats, total = result.get(rate, (None, 0))
            if stats:
                p50, p99, worst, n = stats
                seen = "" if n >= total else f", {n} of {total} lines"
                cells.append(f"{p50:.1f} / {p99:.1f} ms ({worst:.0f}{seen})")
            else:
                cells.append("—")
        idle = result.get("idle")
        idle_text = f"{idle:.2f} %" if idle is not None else "—"
        print(f"| {label} | {how} | " + " | ".join(cells) + f" | {idle_text} | {result.get('note', '')} |")
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
