#!/usr/bin/env python3
"""Runs the panel's benchmarks against the simulated driver and prints one table.

Called by bench/run after the Release build; see bench/README.md for what each figure means.
Every timing is a median over repeated runs, with the baseline measured in the same invocation.
"""
import argparse
import json
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

TITLE = "Calder USB Audio Control Panel"
CLK_TCK = os.sysconf("SC_CLK_TCK")
# Window geometry the clicks rely on: the panel opens at (50, 50), 800 x 500, scale 1.
PANEL_X, PANEL_Y = 50, 50
CLOSE_BUTTON = (PANEL_X + 780, PANEL_Y + 25)          # right end of the 50-px ribbon
TAB_Y = PANEL_Y + 50 + 18                             # tab row below the ribbon, 36 px high
MINIMAL_X = 900                                       # the baseline's window, beside the panel
REPAINT_HZ = 10                                       # the frame-cost reference


def tab_centre_x(index, count, width=800, spacing=15):
    # MainTopBar.qml's tabWidth()
    preferred = width / 5.4 if count in (1, 5) else width / 4.2 if count == 4 else width / 3.0
    w = min(preferred, (width - (count - 1) * spacing) / count)
    return PANEL_X + int(index * (w + spacing) + w / 2)


def log(*a):
    print(*a, file=sys.stderr, flush=True)


def median(v):
    v = [x for x in v if x is not None and x >= 0]
    return statistics.median(v) if v else None


def machine_load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "?"


def read_paths(build):
    paths = {}
    with open(os.path.join(build, "bench", "paths.env")) as f:
        for line in f:
            k, _, v = line.strip().partition("=")
            if k:
                paths[k] = v
    return paths


class Session:
    """One Xvfb display (and a tray host when available) plus private folders per process."""

    def __init__(self, paths, workdir):
        self.paths = paths
        self.workdir = workdir
        self.xvfb = None
        self.tray = None
        self.display = None
        self.counter = 0
        self.panel_extra = {}  # what every panel process gets on top (--panel-renderer)

    def start_display(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1920x1080x24", "-dpi", "96", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            if not select.select([r], [], [], 10)[0]:
                raise RuntimeError("Xvfb did not start")
            chunk = os.read(r, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()
        if shutil.which("trayer"):
            self.tray = subprocess.Popen(
                ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "200",
                 "--height", "40"], env=self.x_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.5)

    def stop(self):
        for p in (self.tray, self.xvfb):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    def x_env(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith("QT_") and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["DISPLAY"] = self.display
        return env

    def env(self, backend, cache=None, config=None, extra=None):
        """Environment of one benchmarked process: its own home, temp and runtime folders."""
        self.counter += 1
        home = os.path.join(self.workdir, "run%03d" % self.counter)
        for d in ("tmp", "runtime", "config", "cache"):
            os.makedirs(os.path.join(home, d), exist_ok=True)
        os.chmod(os.path.join(home, "runtime"), 0o700)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "CALDER_", "XDG_"))
               and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update({
            "HOME": home,
            "TMPDIR": os.path.join(home, "tmp"),
            "XDG_RUNTIME_DIR": os.path.join(home, "runtime"),
            "XDG_CONFIG_HOME": config or os.path.join(home, "config"),
            # Shared between the runs of one program: the QML disk cache is warm, as on a desktop.
            "XDG_CACHE_HOME": cache or os.path.join(home, "cache"),
            "CALDER_REGISTRY": self.paths["CALDER_REGISTRY"],
            "CALDER_SIM_LIBRARY": self.paths["CALDER_SIM_LIBRARY"],
            "CALDER_SIM_DEVICES": "alto",
            "CALDER_SIM_SOCKET": os.path.join(home, "runtime", "sim.sock"),
            "CALDER_BENCH_FIRST_FRAME": "1",
            "CALDER_BENCH_MINIMAL_X": str(MINIMAL_X),
        })
        if backend == "gl":
            env["DISPLAY"] = self.display
            env["QT_QPA_PLATFORM"] = "xcb"
        else:
            env["QT_QPA_PLATFORM"] = "offscreen"
            env["QT_QUICK_BACKEND"] = "software"
        env.update(extra or {})
        return env

    def panel_env(self, backend, **kw):
        env = self.env(backend, **kw)
        if backend == "gl":
            env.update(self.panel_extra)
        return env


class Child:
    """A benchmarked process: start time, first-frame line, CPU time, peak RSS at the end."""

    def __init__(self, cmd, env, stdin=None):
        self.env = env
        self.t0 = time.monotonic_ns()
        self.p = subprocess.Popen(cmd, env=env, stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.first_frame_ms = None
        self.first_frame_cpu_ms = None
        self.maxrss_mb = None
        self.renderer = None
        self.buf = b""

    def wait_line(self, prefix, timeout=20.0):
        """Fields of the next line on stdout that starts with `prefix` (lines before it are dropped)."""
        deadline = time.monotonic() + timeout
        fd = self.p.stdout.fileno()
        while True:
            lines = self.buf.split(b"\n")
            for i, line in enumerate(lines[:-1]):
                if line.startswith(prefix + b" "):
                    self.buf = b"\n".join(lines[i + 1:])
                    return line.split()
            if time.monotonic() >= deadline or not select.select([fd], [], [], deadline - time.monotonic())[0]:
                raise RuntimeError("no %s line from %s" % (prefix.decode(), self.p.args[0]))
            chunk = os.read(fd, 4096)
            if not chunk:
                raise RuntimeError("%s ended before a %s line" % (self.p.args[0], prefix.decode()))
            self.buf += chunk

    def wait_first_frame(self, timeout=20.0):
        fields = self.wait_line(b"calder-first-frame", timeout)
        self.first_frame_ms = (int(fields[1]) - self.t0) / 1e6
        self.first_frame_cpu_ms = int(fields[2]) / 1e3
        self.renderer = fields[3].decode() if len(fields) > 3 else None
        return self.first_frame_ms

    def rss_mb(self):
        with open("/proc/%d/status" % self.p.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024.0
        return None

    def cpu_ticks(self):
        with open("/proc/%d/stat" % self.p.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime, stime (fields 14 and 15)

    def wakeups(self):
        """Context switches of all threads so far: each sleep that ended counts."""
        total = 0
        for task in os.listdir("/proc/%d/task" % self.p.pid):
            try:
                with open("/proc/%d/task/%s/status" % (self.p.pid, task)) as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                            total += int(line.split()[1])
            except OSError:
                pass  # a thread that ended meanwhile
        return total

    def stop(self):
        if self.p.poll() is None:
            self.p.send_signal(signal.SIGTERM)
        deadline = time.monotonic() + 10
        while True:
            pid, status, usage = os.wait4(self.p.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                self.p.kill()
            time.sleep(0.02)
        self.p.returncode = os.waitstatus_to_exitcode(status)
        self.p.stdout.close()
        if self.p.stdin:
            self.p.stdin.close()
        self.maxrss_mb = usage.ru_maxrss / 1024.0
        return self.maxrss_mb


def xdotool(session, *args):
    return subprocess.run(["xdotool", *args], env=session.x_env(), capture_output=True, text=True).stdout


def sim_command(session, env, *args):
    out = subprocess.run([session.paths["CALDER_SIM_TOOL"], *args], env=env, capture_output=True, text=True)
    return out.stdout + out.stderr


def sim_calls(session, env, op):
    for line in sim_command(session, env, "calls").splitlines():
        parts = line.replace(":", " ").split()
        if len(parts) >= 2 and parts[0].endswith(op) and parts[-1].isdigit():
            return int(parts[-1])
    return None


# ---- start-up -----------------------------------------------------------------------------

def bench_startup(session, repeats, settle):
    paths = session.paths
    programs = [
        ("minimal Qt Quick", [paths["CALDER_BENCH_MINIMAL"]], {}),
        ("minimal + one Text", [paths["CALDER_BENCH_MINIMAL"]], {"CALDER_BENCH_MINIMAL_TEXT": "1"}),
        ("panel, one Alto", [paths["CALDER_PANEL"]], {"CALDER_SIM_NO_SOCKET": "1"}),
        # Every run with an empty cache folder, as the first start after an install.
        ("panel, first start", [paths["CALDER_PANEL"]], {"CALDER_SIM_NO_SOCKET": "1"}),
        # Where the panel picks the software renderer (no GPU), the OpenGL start for comparison.
        ("panel, OpenGL kept", [paths["CALDER_PANEL"]], {"CALDER_SIM_NO_SOCKET": "1", "QT_QUICK_BACKEND": "opengl"}),
        # The panel's start in process (no lock, no tray) with its views, then with the minimal
        # program's QML in their place: the second is the floor under any saving in the views.
        ("panel in process, its views", [paths["CALDER_BENCH_INPROC"], "window", "own"], {"CALDER_SIM_NO_SOCKET": "1"}),
        ("panel in process, minimal's QML", [paths["CALDER_BENCH_INPROC"], "window", "minimal"],
         {"CALDER_SIM_NO_SOCKET": "1"}),
    ]
    results = {}
    for backend in ("gl", "software"):
        caches = {name: tempfile.mkdtemp(dir=session.workdir, prefix="cache-") for name, _, _ in programs}
        samples = {name: ([], [], []) for name, _, _ in programs}
        renderers = {}
        for r in range(repeats + 1):  # run 0 warms the disk cache and the page cache
            for name, cmd, extra in programs:
                if backend == "software" and "OpenGL" in name:
                    continue
                make_env = session.panel_env if name.startswith("panel") else session.env
                cache = None if "first start" in name else caches[name]  # None: a new one per run
                c = Child(cmd, make_env(backend, cache=cache, extra=extra))
                try:
                    c.wait_first_frame()
                    time.sleep(settle)
                finally:
                    c.stop()
                renderers[name] = c.renderer or ("opengl" if backend == "gl" else "software")
                if r > 0:
                    samples[name][0].append(c.first_frame_ms)
                    samples[name][1].append(c.maxrss_mb)
                    samples[name][2].append(c.first_frame_cpu_ms)
        for name, (ff, rss, cpu) in samples.items():
            if ff:
                results[(backend, name)] = (median(ff), median(rss), ff, rss, median(cpu), cpu, renderers[name])
        log("start-up (%s) done" % backend)
    return results


# ---- idle ---------------------------------------------------------------------------------

def enable_stored_ducker(config_dir):
    """Sets the Alto's stored ducker switch to on (the panel wrote its defaults on a first run)."""
    path = os.path.join(config_dir, "Brightwell", TITLE + ".conf")
    lines = open(path).read().splitlines() if os.path.exists(path) else []
    out, section, done = [], None, False
    for line in lines:
        if line.startswith("["):
            section = line.strip()
        if section == "[Alto]" and line.startswith("Ducker\\On="):
            line, done = "Ducker\\On=1", True
        out.append(line)
    if not done:
        raise RuntimeError("no stored ducker switch in %s" % path)
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def main_window_visible(session, pid):
    """Whether the process shows a window of the panel's size (the tray icon has its title too)."""
    out = xdotool(session, "search", "--onlyvisible", "--pid", str(pid), "--name", "^%s$" % TITLE)
    for w in out.split():
        geometry = xdotool(session, "getwindowgeometry", w)
        if "Geometry: 800x500" in geometry:
            return True
    return False


def bench_idle(session, repeats, seconds):
    paths = session.paths
    # A first run writes the Alto's default settings; then its ducker is stored as on.
    ducker_config = tempfile.mkdtemp(dir=session.workdir, prefix="config-")
    c = Child([paths["CALDER_PANEL"]], session.panel_env("gl", config=ducker_config))
    c.wait_first_frame()
    time.sleep(1.0)
    c.stop()
    enable_stored_ducker(ducker_config)

    samples = {"minimal, window shown": [], "panel, hidden in the tray": [], "panel, ducker page, moving meter": [],
               "minimal, recoloured %d times/s" % REPAINT_HZ: []}
    wakeups = {k: [] for k in samples}
    meter_reads = []
    for r in range(repeats):
        children = {}
        try:
            hidden = Child([paths["CALDER_PANEL"]], session.panel_env("gl"))
            children["panel, hidden in the tray"] = hidden
            hidden.wait_first_frame()
            time.sleep(2.5)  # past the reconnect 2000 ms after the start
            if not main_window_visible(session, hidden.p.pid):
                raise RuntimeError("the panel's window is not on the display")
            xdotool(session, "mousemove", str(CLOSE_BUTTON[0]), str(CLOSE_BUTTON[1]), "click", "1")
            time.sleep(0.5)
            if main_window_visible(session, hidden.p.pid):
                raise RuntimeError("the close button did not hide the panel")
            xdotool(session, "mousemove", "1500", "900")

            ducker_env = session.panel_env("gl", config=ducker_config)
            ducker = Child([paths["CALDER_PANEL"]], ducker_env)
            children["panel, ducker page, moving meter"] = ducker
            ducker.wait_first_frame()
            time.sleep(2.5)
            xdotool(session, "mousemove", str(tab_centre_x(2, 5)), str(TAB_Y), "click", "1")
            xdotool(session, "mousemove", "1500", "900")
            sim_command(session, ducker_env, "meter", "0", "sine", "3000")
            time.sleep(1.5)  # the meter's fade-in is over

            minimal = Child([paths["CALDER_BENCH_MINIMAL"]], session.env("gl"))
            children["minimal, window shown"] = minimal
            minimal.wait_first_frame()
            repainted = Child([paths["CALDER_BENCH_MINIMAL"]], session.env(
                "gl", extra={"CALDER_BENCH_MINIMAL_REPAINT_HZ": str(REPAINT_HZ), "CALDER_BENCH_MINIMAL_X": "1000"}))
            children["minimal, recoloured %d times/s" % REPAINT_HZ] = repainted
            repainted.wait_first_frame()
            time.sleep(1.0)

            reads0 = sim_calls(session, ducker_env, "ClassVendorRequestIn")
            before = {k: (ch.cpu_ticks(), ch.wakeups()) for k, ch in children.items()}
            t0 = time.monotonic()
            time.sleep(seconds)
            after = {k: (ch.cpu_ticks(), ch.wakeups()) for k, ch in children.items()}
            elapsed = time.monotonic() - t0
            reads1 = sim_calls(session, ducker_env, "ClassVendorRequestIn")
            if reads0 is None or reads1 is None or reads1 - reads0 < elapsed * 10:
                raise RuntimeError("the ducker page is not polling its meter (reads %s -> %s)" % (reads0, reads1))
            meter_reads.append((reads1 - reads0) / elapsed)
            for k in children:
                samples[k].append(100.0 * (after[k][0] - before[k][0]) / CLK_TCK / elapsed)
                wakeups[k].append((after[k][1] - before[k][1]) / elapsed)
        finally:
            for ch in children.values():
                ch.stop()
        log("idle round %d/%d done" % (r + 1, repeats))
    return samples, wakeups, meter_reads


# ---- tray: hidden memory, showing again ---------------------------------------------------

def tray_icon_centre(session, pid):
    """Centre of the panel's tray icon (its small window inside the tray host), or None."""
    for w in xdotool(session, "search", "--onlyvisible", "--pid", str(pid), "--classname", "^calder-panel$").split():
        g = xdotool(session, "getwindowgeometry", w)
        try:
            pos = g.split("Position:")[1].split()[0].split(",")
            size = g.split("Geometry:")[1].split()[0].split("x")
        except IndexError:
            continue
        w_, h_ = int(size[0]), int(size[1])
        if 4 < w_ <= 64 and 4 < h_ <= 64:
            return int(pos[0]) + w_ // 2, int(pos[1]) + h_ // 2
    return None


def bench_tray(session, repeats, cycles=100):
    """RSS shown, hidden for 5 s and shown again, for the panel after visiting every page and for
    the minimal program hiding its window the same way; tray click to the shown page's frame;
    RSS after 10 and after `cycles` hide/show cycles of clicks 50 ms apart."""
    if not session.tray:
        raise RuntimeError("the tray benchmark needs trayer")
    paths = session.paths
    keys = ("shown", "hidden", "shown again")
    res = {"minimal": {k: [] for k in keys}, "minimal_text": {k: [] for k in keys}, "panel": {k: [] for k in keys},
           "click_to_frame_ms": [], "minimal_show_to_frame_ms": [], "rss_after_10": [], "rss_after_%d" % cycles: []}
    for r in range(repeats):
        # The baseline, and for reference the baseline with one Text: what any text keeps while hidden.
        for who, extra in (("minimal", {}), ("minimal_text", {"CALDER_BENCH_MINIMAL_TEXT": "1"})):
            minimal = Child([paths["CALDER_BENCH_MINIMAL"]],
                            session.env("gl", extra=dict(extra, CALDER_BENCH_MINIMAL_CONTROL="1")), stdin=subprocess.PIPE)
            try:
                minimal.wait_first_frame()
                time.sleep(1.0)
                res[who]["shown"].append(minimal.rss_mb())
                minimal.p.stdin.write(b"hide\n")
                minimal.p.stdin.flush()
                time.sleep(5.0)
                res[who]["hidden"].append(minimal.rss_mb())
                t = time.monotonic_ns()
                minimal.p.stdin.write(b"show\n")
                minimal.p.stdin.flush()
                shown_ms = (int(minimal.wait_line(b"calder-shown-frame")[1]) - t) / 1e6
                if who == "minimal":
                    res["minimal_show_to_frame_ms"].append(shown_ms)
                time.sleep(1.0)
                res[who]["shown again"].append(minimal.rss_mb())
            finally:
                minimal.stop()

        panel = Child([paths["CALDER_PANEL"]], session.panel_env("gl"))
        try:
            panel.wait_first_frame()
            time.sleep(2.5)  # past the reconnect 2000 ms after the start
            for tab in (1, 2, 3, 4, 0):
                xdotool(session, "mousemove", str(tab_centre_x(tab, 5)), str(TAB_Y), "click", "1")
                time.sleep(0.7)
            xdotool(session, "mousemove", "1500", "900")
            time.sleep(1.0)
            res["panel"]["shown"].append(panel.rss_mb())
            xdotool(session, "mousemove", str(CLOSE_BUTTON[0]), str(CLOSE_BUTTON[1]), "click", "1")
            time.sleep(5.0)
            if main_window_visible(session, panel.p.pid):
                raise RuntimeError("the close button did not hide the panel")
            res["panel"]["hidden"].append(panel.rss_mb())
            icon = tray_icon_centre(session, panel.p.pid)
            if not icon:
                raise RuntimeError("no tray icon of the panel")
            xdotool(session, "mousemove", str(icon[0]), str(icon[1]))
            t = time.monotonic_ns()
            xdotool(session, "click", "1")
            res["click_to_frame_ms"].append((int(panel.wait_line(b"calder-shown-frame")[1]) - t) / 1e6)
            time.sleep(1.0)
            res["panel"]["shown again"].append(panel.rss_mb())

            # Close button and tray icon in turn, 50 ms apart, from one xdotool (no process start
            # between the clicks).
            one = ["mousemove", str(CLOSE_BUTTON[0]), str(CLOSE_BUTTON[1]), "click", "1", "sleep", "0.05",
                   "mousemove", str(icon[0]), str(icon[1]), "click", "1", "sleep", "0.05"]
            for done, upto in ((0, 10), (10, cycles)):
                xdotool(session, *(one * (upto - done)))
                time.sleep(1.5)
                if not main_window_visible(session, panel.p.pid):  # the last tray click may have come early
                    xdotool(session, "mousemove", str(icon[0]), str(icon[1]), "click", "1")
                    time.sleep(1.5)
                res["rss_after_%d" % upto].append(panel.rss_mb())
            if panel.p.poll() is not None:
                raise RuntimeError("the panel ended during the hide/show cycles")
        finally:
            panel.stop()
        log("tray round %d/%d done" % (r + 1, repeats))
    return res


# ---- in-process ---------------------------------------------------------------------------

def inproc(session, *args):
    # One cache for all in-process runs: QML and shader caches warm, as on a desktop.
    if not getattr(session, "inproc_cache", None):
        session.inproc_cache = tempfile.mkdtemp(dir=session.workdir, prefix="cache-")
        session.inproc_cache_warm = False
    if not session.inproc_cache_warm:
        session.inproc_cache_warm = True
        inproc(session, "pages", 1)
    env = session.panel_env("gl", cache=session.inproc_cache, extra={"CALDER_SIM_NO_SOCKET": "1"})
    env.pop("CALDER_BENCH_FIRST_FRAME")
    out = subprocess.run([session.paths["CALDER_BENCH_INPROC"], *map(str, args)], env=env,
                         capture_output=True, text=True, timeout=600)
    if out.returncode != 0:
        tail = "\n".join(out.stderr.splitlines()[-15:])
        raise RuntimeError("calder-bench-inproc %s failed (%d):\n%s" % (" ".join(map(str, args)), out.returncode, tail))
    return [json.loads(l) for l in out.stdout.splitlines() if l.startswith("{")]


def meterpath(session, ticks):
    """GUI-thread CPU time per 50 ms tick: ducker polling against the idle event loop."""
    env = session.env("software", extra={"CALDER_SIM_NO_SOCKET": "1"})
    env.pop("CALDER_BENCH_FIRST_FRAME")
    out = subprocess.run([session.paths["CALDER_BENCH_METERPATH"], str(ticks)], env=env,
                         capture_output=True, text=True, timeout=300)
    if out.returncode != 0:
        tail = "\n".join(out.stderr.splitlines()[-15:])
        raise RuntimeError("calder-bench-meterpath failed (%d):\n%s" % (out.returncode, tail))
    (r,) = [json.loads(l) for l in out.stdout.splitlines() if l.startswith("{")]
    return r


def inproc_startup(session, repeats):
    """Start-up phases of the in-process panel (as main builds it, without lock and tray)."""
    runs = []
    for _ in range(repeats):
        env = session.panel_env("gl", cache=session.inproc_cache, extra={"CALDER_SIM_NO_SOCKET": "1"})
        env["CALDER_BENCH_T0"] = str(time.monotonic_ns())
        out = subprocess.run([session.paths["CALDER_BENCH_INPROC"], "startup"], env=env, capture_output=True,
                             text=True, timeout=120)
        runs += [json.loads(l) for l in out.stdout.splitlines() if l.startswith("{")]
    return runs


# ---- report -------------------------------------------------------------------------------

def fmt(x, unit="", digits=1):
    if x is None:
        return "n/a"
    return ("%." + str(digits) + "f%s") % (x, unit)


def ratio(a, b):
    return "n/a" if a is None or not b else "%.2fx" % (a / b)


def table(title, header, rows):
    widths = [max(len(str(r[i])) for r in [header] + rows) for i in range(len(header))]
    print("\n" + title)
    print("  " + "  ".join(str(h).ljust(w) for h, w in zip(header, widths)))
    print("  " + "  ".join("-" * w for w in widths))
    for r in rows:
        print("  " + "  ".join(str(c).ljust(w) for c, w in zip(r, widths)))


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--build", default="build-bench")
    ap.add_argument("--repeats", type=int, default=5)
    ap.add_argument("--idle-seconds", type=float, default=20.0)
    ap.add_argument("--only", default="startup,tray,idle,hotplug,pages,calls,frames,meterpath")
    ap.add_argument("--cycles", type=int, default=100, help="hide/show cycles of the tray benchmark (>= 10)")
    ap.add_argument("--meter-ticks", type=int, default=210, help="50 ms ticks per meterpath phase (>= 200)")
    ap.add_argument("--json", help="also write every sample to this file")
    ap.add_argument("--panel-renderer", choices=("auto", "opengl"), default="auto",
                    help="the panel's renderer under Xvfb: the one it picks (auto), or OpenGL kept")
    args = ap.parse_args()
    only = set(args.only.split(","))

    paths = read_paths(args.build)
    for tool in ("Xvfb", "xdotool"):
        if not shutil.which(tool):
            sys.exit("bench: %s is needed" % tool)
    workdir = tempfile.mkdtemp(prefix="calder-bench-")
    session = Session(paths, workdir)
    if args.panel_renderer == "opengl":
        session.panel_extra = {"QT_QUICK_BACKEND": "opengl"}
    load_before = machine_load()
    raw = {}
    try:
        session.start_display()
        print("Machine: %d CPUs (%s); load average before: %s" % (os.cpu_count(), cpu_model(), load_before))
        probe = Child([paths["CALDER_PANEL"]], session.panel_env("gl", extra={"CALDER_SIM_NO_SOCKET": "1"}))
        try:
            probe.wait_first_frame()
        finally:
            probe.stop()
        panel_renderer = probe.renderer or "?"
        print("Display: Xvfb %s, OpenGL through Mesa llvmpipe; tray host: %s; the panel renders with %s (%s)"
              % (session.display, "trayer" if session.tray else "none", panel_renderer,
                 "kept by --panel-renderer" if session.panel_extra else "its own choice"))
        on_xvfb = "Xvfb, panel on %s" % panel_renderer
        print("Medians of %d runs; ratios against the baseline measured in this invocation." % args.repeats)

        if "startup" in only:
            res = bench_startup(session, args.repeats, settle=1.0)
            raw["startup"] = {"%s/%s" % k: {"first_frame_ms": v[2], "peak_rss_mb": v[3], "cpu_ms": v[5]}
                              for k, v in res.items()}
            rows = []
            for backend, label in (("gl", "Xvfb"), ("software", "offscreen")):
                base = res.get((backend, "minimal Qt Quick"))
                for name in ("minimal Qt Quick", "minimal + one Text", "panel, one Alto", "panel, first start",
                             "panel, OpenGL kept", "panel in process, its views", "panel in process, minimal's QML"):
                    v = res.get((backend, name))
                    if not v:
                        continue
                    rows.append([label, name, v[6], fmt(v[0], " ms"), ratio(v[0], base[0]), fmt(v[4], " ms"),
                                 ratio(v[4], base[4]), fmt(v[1], " MB"), ratio(v[1], base[1])])
            table("Start-up: process start to first frame, CPU time used by then, peak RSS (1 s after it)",
                  ["display", "program", "renderer", "first frame", "ratio", "CPU by then", "ratio", "peak RSS",
                   "ratio"], rows)

            inproc(session, "startup")  # fills the in-process caches
            runs = inproc_startup(session, args.repeats)
            raw["startup_phases"] = runs
            if runs:
                rows = [[name, fmt(median([r["ms"][i] for r in runs]), " ms")]
                        for i, name in enumerate(runs[0]["phases"])]
                rows.append(["total", fmt(median([r["total_ms"] for r in runs]), " ms")])
                table("Start-up phases of the panel (in-process copy of main, %s)" % on_xvfb, ["phase", "median"], rows)

        if "tray" in only:
            cycles = max(10, args.cycles)
            res = bench_tray(session, args.repeats, cycles)
            raw["tray"] = res
            base = {k: median(v) for k, v in res["minimal"].items()}
            rows = []
            for who, label in (("minimal", "minimal Qt Quick, its window hidden the same way"),
                               ("minimal_text", "minimal + one Text, hidden the same way"),
                               ("panel", "panel, one Alto, after visiting every page")):
                row = [label]
                for k in ("shown", "hidden", "shown again"):
                    m = median(res[who][k])
                    row += [fmt(m, " MB"), ratio(m, base[k])]
                rows.append(row)
            table("Tray: resident memory (VmRSS) shown, hidden for 5 s, shown again (%s; minimal on opengl)" % on_xvfb,
                  ["program", "shown", "ratio", "hidden 5 s", "ratio", "shown again", "ratio"], rows)
            print("  tray click to the first frame of the shown page: %s (runs %s); minimal, show to frame: %s"
                  % (fmt(median(res["click_to_frame_ms"]), " ms"),
                     " ".join("%.0f" % x for x in res["click_to_frame_ms"]),
                     fmt(median(res["minimal_show_to_frame_ms"]), " ms")))
            a, b = median(res["rss_after_10"]), median(res["rss_after_%d" % cycles])
            print("  hide/show by clicks 50 ms apart: RSS shown after 10 cycles %s, after %d %s (%+.1f %%)"
                  % (fmt(a, " MB"), cycles, fmt(b, " MB"), 100.0 * (b - a) / a if a else 0.0))

        if "idle" in only:
            samples, wakeups, reads = bench_idle(session, args.repeats, args.idle_seconds)
            raw["idle"] = {"cpu_percent": samples, "wakeups_per_s": wakeups, "meter_reads_per_s": reads}
            base = median(samples["minimal, window shown"])
            rows = []
            for k, v in samples.items():
                m = median(v)
                rows.append([k, fmt(m, " %", 2), "%+.2f %%" % (m - base), " ".join("%.2f" % x for x in v),
                             fmt(median(wakeups[k]), "/s", 1)])
            table("Idle: CPU time over %.0f s, %% of one core (utime+stime), and thread wake-ups" % args.idle_seconds,
                  ["process", "CPU median", "above minimal", "runs", "wake-ups"], rows)
            print("  ducker page: %.1f meter reads/s (simulator's count; one per 50 ms tick is 20/s)" % median(reads))

        if "hotplug" in only:
            rows, raw["hotplug"] = [], []
            for n in (1, 8, 32):
                (r,) = inproc(session, "hotplug", n, args.repeats + 1)
                raw["hotplug"].append(r)
                # The first plug warms the page and the simulator up.
                menu, frame = median(r["menu_ms"][1:]), median(r["frame_ms"][1:])
                um, uf = median(r["unplug_menu_ms"][1:]), median(r["unplug_frame_ms"][1:])
                rows.append([str(n), r["tabs"].replace("|", ", "), fmt(menu, " ms", 2), fmt(frame, " ms", 2),
                             fmt(um, " ms", 2), fmt(uf, " ms", 2)])
            table("Hot-plug: arrival signal to the new tab set (one Alto plugged, N attached after)",
                  ["N", "tabs after", "to tab set", "to its frame", "unplug: tabs", "unplug: frame"], rows)
            m1 = median(raw["hotplug"][0]["frame_ms"][1:])
            m8 = median(raw["hotplug"][1]["frame_ms"][1:])
            m32 = median(raw["hotplug"][2]["frame_ms"][1:])
            t8 = median(raw["hotplug"][1]["menu_ms"][1:])
            t32 = median(raw["hotplug"][2]["menu_ms"][1:])
            if t8 is not None and t32 is not None:
                print("  growth 8 -> 32 devices: %.3f ms per added device to the tab set, %.3f ms to its frame"
                      % ((t32 - t8) / 24, (m32 - m8) / 24))

        if "pages" in only:
            # The first switch to a page after a start happens once per process: several processes.
            runs = [inproc(session, "pages", 3) for _ in range(args.repeats)]
            raw["pages"] = runs
            rows = []
            for i, first in enumerate(runs[0]):
                per_run = [run[i] for run in runs]
                later = [x for r in per_run for x in r["frame_ms"][1:]]
                later_built = [x for r in per_run for x in r["loaded_ms"][1:]]
                rows.append([first["page"], fmt(median(later_built), " ms", 1), fmt(median(later), " ms", 1),
                             fmt(max(later), " ms", 1), fmt(median([r["frame_ms"][0] for r in per_run]), " ms", 1),
                             fmt(max(r["frame_ms"][0] for r in per_run), " ms", 1),
                             fmt(median([r["loaded_ms"][0] for r in per_run]), " ms", 1)])
            table("Page switch: tab click to the page built and to its first frame (%d processes; the status page "
                  "is shown after each of the others)" % len(runs),
                  ["page", "built", "first frame", "slowest", "first switch after start: frame", "slowest", "built"],
                  rows)

        if "calls" in only:
            res = inproc(session, "calls")
            raw["calls"] = res
            rows = []
            for r in res:
                gui = r.get("gui_calls")
                threads = "ctor (GUI)" if gui is None else "%d / %d" % (gui, r["worker_calls"])
                excess = ", ".join("%s +%d" % kv for kv in r["extra"].items())
                short = ", ".join("%s -%d" % kv for kv in r["missing"].items())
                bound = "<=" if r.get("required_is_bound") else ""
                rows.append([r["action"], "%d / %s%d" % (r["calls"], bound, r["required_calls"]),
                             "%d / %s%d" % (r["vendor"], bound, r["required_vendor"]), threads,
                             "; ".join(x for x in (excess, short) if x) or "-"])
            table("Driver calls per action: measured / needed by the behaviour",
                  ["action", "calls", "vendor requests", "GUI / worker thread", "difference"], rows)

        if "frames" in only:
            (r,) = inproc(session, "frames")
            raw["frames"] = r
            table("Repaints: frames drawn",
                  ["situation", "frames", "for comparison"],
                  [["status page idle, 5 s", str(r["status_idle_frames_5s"]), "0 expected"],
                   ["ducker page, moving meter, %.0f s" % r["ducker_seconds"], str(r["ducker_frames"]),
                    "%d meter changes, %d reads (GUI %d / worker %d)" % (
                        r["meter_changes"], r["meter_reads_gui"] + r["meter_reads_worker"], r["meter_reads_gui"],
                        r["meter_reads_worker"])],
                   ["ducker switched off, 5 s", str(r["ducker_off_idle_frames_5s"]), "0 expected"]])
            if "idle" in raw and r["ducker_frames"]:
                cpu = raw["idle"]["cpu_percent"]
                fps = r["ducker_frames"] / r["ducker_seconds"]
                idle = median(cpu["minimal, window shown"])
                ducker = median(cpu["panel, ducker page, moving meter"]) - idle
                floor = median(cpu["minimal, recoloured %d times/s" % REPAINT_HZ]) - idle
                # % of one core is 10 ms of CPU per second.
                print("  CPU per frame: ducker page %.2f ms at %.1f frames/s; minimal program (opengl) %.2f ms at %d "
                      "frames/s; ratio %s" % (ducker * 10 / fps, fps, floor * 10 / REPAINT_HZ, REPAINT_HZ,
                                              ratio(ducker / fps, floor / REPAINT_HZ)))
        if "meterpath" in only:
            r = meterpath(session, max(200, args.meter_ticks))
            raw["meterpath"] = r
            idle, ducker = r["idle"], r["ducker"]
            rows = [["idle event loop (bench timer only)", str(idle["ticks"]), fmt(idle["median_us"], " us"),
                     fmt(idle["p90_us"], " us"), fmt(idle["mean_us"], " us"), "1.00x"],
                    ["ducker on, meter polled (sine)", str(ducker["ticks"]), fmt(ducker["median_us"], " us"),
                     fmt(ducker["p90_us"], " us"), fmt(ducker["mean_us"], " us"),
                     ratio(ducker["median_us"], idle["median_us"])]]
            table("Meter path: GUI-thread CPU time per 50 ms tick (CLOCK_THREAD_CPUTIME_ID, one process, "
                  "no window)", ["situation", "ticks", "median", "p90", "mean", "median ratio"], rows)
            print("  ducker phase: %d meter reads, %d meter reading changes over %.1f s; "
                  "median above idle: %.1f us per tick"
                  % (ducker["meter_reads"], ducker["meter_changes"], ducker["wall_s"],
                     ducker["median_us"] - idle["median_us"]))
    finally:
        session.stop()
        if args.json:
            with open(args.json, "w") as f:
                json.dump(raw, f, indent=1)
        shutil.rmtree(workdir, ignore_errors=True)
    print("\nLoad average before: %s, after: %s" % (load_before, machine_load()))


if __name__ == "__main__":
    main()
