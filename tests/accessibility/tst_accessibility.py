#!/usr/bin/python3
"""The real panel as a screen reader sees it over AT-SPI (Qt's bridge, pyatspi): on every page of
an Alto and a 0x21 device each interactive node has a role and a name, sliders a range, disabled
ones say so, the read-only values are named "label: value"; Press and Toggle do what a click does,
and an action on a control of a page that has gone does nothing."""
import atexit, json, os, re, shutil, signal, subprocess, sys, tempfile, time

work = tempfile.mkdtemp(dir=os.environ.get("TMPDIR"))
os.environ["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=%s/bus" % work
os.environ["CALDER_SIM_SOCKET"] = work + "/sim.sock"
shutil.rmtree(os.path.join(os.environ["XDG_CONFIG_HOME"], "Brightwell"), ignore_errors=True)  # nothing stored
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)


def wait_for(test, what, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        try:
            if test():
                return True
        except Exception:  # GLib.Error: the tree changed while it was read (a page replaced)
            pass
        time.sleep(0.1)
    check(False, "timed out: " + what)
    return False


def run(*args):
    return subprocess.run(args, capture_output=True, text=True).stdout


def sim(*args):
    return run(os.environ["CALDER_SIM"], *args)


def writes():  # parameter blocks sent to device 0, oldest first
    return ["".join(line.split()[2:]) for line in sim("requests", "0").splitlines() if line.startswith("OUT 10")]


def dbus(bus, dest, path, method, *args):
    return run("dbus-send", bus, "--print-reply", "--dest=" + dest, path, method, *args)


def registered_apps():  # asked of the registry itself: pyatspi would keep an empty desktop it read early
    address = re.search(r'string "(.*)"', dbus("--session", "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"))
    return address and dbus("--bus=" + address.group(1), "org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root",
                            "org.a11y.atspi.Accessible.GetChildren").count("object path")


bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--address=" + os.environ["DBUS_SESSION_BUS_ADDRESS"]])
a11y = panel = None


@atexit.register  # also when a check throws: nothing is left running
def stop():
    for p in (panel, a11y, bus):
        if p is not None and p.poll() is None:
            os.killpg(p.pid, signal.SIGKILL) if p is a11y else p.kill()


wait_for(lambda: os.path.exists(work + "/bus"), "session bus")
env = dict(os.environ, QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
           CALDER_SIM_DEVICES="alto")
env.pop("QT_QUICK_BACKEND", None)
panel = subprocess.Popen([os.environ["CALDER_PANEL"]], env=env, stderr=open(work + "/panel.log", "w"))  # kept for a failure
wait_for(lambda: sim("list"), "the panel")
time.sleep(2.5)  # a single mixer is connected again 2 s after the start, with a new tab set
# The accessibility bus after the panel: Qt joins it when it appears. Started before, it races Qt's
# own start, which then may register on no bus at all. Asking for the bus by name before its
# launcher owns it would start a second launcher that takes over the bus's socket.
a11y = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], start_new_session=True)
wait_for(lambda: "true" in dbus("--session", "org.freedesktop.DBus", "/", "org.freedesktop.DBus.NameHasOwner",
                                "string:org.a11y.Bus"), "accessibility bus")
if not wait_for(registered_apps, "the panel on the accessibility bus", 30):
    sys.exit(1)
import pyatspi as S  # noqa: E402  (once the bus is chosen and the panel is on it)

frame = next(a for a in S.Registry.getDesktop(0) if a is not None and a.name == "Calder USB Audio Control Panel")[0]


def nodes(node):
    yield node
    for child in node:
        yield from nodes(child)


def actions(node):
    try:
        a = node.queryAction()
        return [a.getName(i) for i in range(a.nActions)]
    except NotImplementedError:
        return []


def act(node, name):
    node.queryAction().doAction(actions(node).index(name))


def node(role, name):
    return next((n for n in nodes(frame) if n.getRole() == role and n.name == name), None)


def has(n, state):
    return n is not None and n.getState().contains(state)


def open_page(name):  # tabs are made anew when a mixer connects: the press is tried until it lands
    wait_for(lambda: act(node(S.ROLE_PAGE_TAB, name), "Press") or True, "press " + name)
    wait_for(lambda: has(node(S.ROLE_PAGE_TAB, name), S.STATE_SELECTED), "page " + name)
    time.sleep(0.3)


def audit(page):
    """Every interactive node named, every slider with a range; the labels shown on the page."""
    for n in nodes(frame):
        if set(actions(n)) - {"SetFocus"} or has(n, S.STATE_FOCUSABLE):
            check(n.getRole() not in (S.ROLE_UNKNOWN, S.ROLE_FILLER, S.ROLE_PANEL) and n.name.strip(),
                  '%s: %s "%s" has a role and a name' % (page, n.getRoleName(), n.name))
        if n.getRole() == S.ROLE_SLIDER:
            check(n.queryValue().minimumValue < n.queryValue().maximumValue, "%s: %s has a range" % (page, n.name))
    return [n.name for n in nodes(frame) if n.getRole() == S.ROLE_LABEL and has(n, S.STATE_SHOWING)]


# Alto: every page; the read-only values are "label: value" (the driver's two rows are phrases).
labels = []
for page in ("Status", "Audio Routing", "Ducker", "Buffer Settings", "Info"):
    open_page(page)
    labels += audit(page)
for key in ("USB Audio Device", "Current Sample Rate", "Streaming State", "Number of Active WDM clients",
            "Number of Active ASIO clients", "Manufacturer", "Product", "VID / PID", "Revision", "Serial No"):
    check(any(re.fullmatch(re.escape(key) + r": \S.*", l) for l in labels), "value %s in %s" % (key, labels))
check(any(re.fullmatch(r"Version \S+", l) for l in labels) and any(re.fullmatch(r"\S+ Build", l) for l in labels),
      "driver rows in %s" % labels)

# Ducker off (nothing stored): sliders and trigger inputs report they are disabled. The switch's
# Press and a trigger's Toggle send the blocks a click sends.
open_page("Ducker")
for name, limits in {"Threshold": (-60, 0), "Duck range": (0, 90), "Release": (0, 5)}.items():
    s = node(S.ROLE_SLIDER, name)
    check(s is not None and (s.queryValue().minimumValue, s.queryValue().maximumValue) == limits, "range of " + name)
    check(s is not None and not has(s, S.STATE_SENSITIVE), name + " disabled while the ducker is off")
check(not has(node(S.ROLE_CHECK_BOX, "Input 1"), S.STATE_SENSITIVE), "Input 1 disabled while the ducker is off")
act(node(S.ROLE_PUSH_BUTTON, "Ducker"), "Press")
wait_for(lambda: writes()[-1:] == ["00000280010007D0"], "the switch's block")
wait_for(lambda: has(node(S.ROLE_SLIDER, "Threshold"), S.STATE_SENSITIVE), "Threshold enabled with the ducker on")
act(node(S.ROLE_CHECK_BOX, "Input 2"), "Toggle")
wait_for(lambda: writes()[-1:] == ["00000280010207D0"], "trigger input 2's block")
wait_for(lambda: has(node(S.ROLE_CHECK_BOX, "Input 2"), S.STATE_CHECKED), "Input 2 checked")

# An action on a control of a page that has been replaced: refused or ignored, nothing sent.
stale, sent = node(S.ROLE_CHECK_BOX, "Input 1"), len(writes())
open_page("Status")
try:
    act(stale, "Toggle")
except Exception:  # the bridge may refuse an object that has gone
    pass
time.sleep(0.5)
check(len(writes()) == sent and panel.poll() is None, "a stale Toggle sends nothing and the panel runs on")

# A 0x21 device in its place: the volume page's radios, sliders, mutes and links.
sim("unplug", "0")
sim("plug", "v21")
wait_for(lambda: node(S.ROLE_PAGE_TAB, "Volume") is not None, "the Volume tab", 15)
open_page("Volume")
audit("Volume")
for role, name in ((S.ROLE_RADIO_BUTTON, "Input"), (S.ROLE_RADIO_BUTTON, "Output"), (S.ROLE_SLIDER, "Master"),
                   (S.ROLE_SLIDER, "Input 1"), (S.ROLE_SLIDER, "Input 2"), (S.ROLE_PUSH_BUTTON, "Mute Input 1+2"),
                   (S.ROLE_PUSH_BUTTON, "Link Input 1+2"), (S.ROLE_PUSH_BUTTON, "Mute Master")):
    check(node(role, name) is not None, "volume page: " + name)
check(has(node(S.ROLE_RADIO_BUTTON, "Input"), S.STATE_CHECKED), "Input checked at the start")
act(node(S.ROLE_RADIO_BUTTON, "Output"), "Press")
wait_for(lambda: node(S.ROLE_SLIDER, "Output 1") is not None, "the output channels after Output's Press")
act(node(S.ROLE_PUSH_BUTTON, "Mute Output 1+2"), "Toggle")
wait_for(lambda: json.loads(sim("state", "0"))["output"]["channels"][1]["mute"] == 1, "output pair muted")

panel.send_signal(signal.SIGTERM)
check(panel.wait(10) == 0, "the panel exits cleanly")
print("%d failed" % len(failures) if failures else "all checks passed")
sys.exit(1 if failures else 0)
