#!/usr/bin/python3
"""The LV2 plug-in and its panel in Debian's jalv (jalv.gtk3), on a JACK server, an Xvfb
display and an openbox window manager of the test's own, all ended when it ends.

    jalv_test.py --lv2 Zintra.lv2 [--keep]

1. jalv registers the plug-in's three JACK ports, and its window shows our panel: the
   window's pixels under jalv's menu bar equal docs/panel.png (the panel art generator's
   picture of the panel at rest), all but the LCD's first cell, where the tempo mark blinks.
2. The A4 key, pressed through the X test extension (xdotool), sounds at 440 Hz on the
   voice port in a jack_capture recording, and the rhythm port stays silent.
3. The Volume handle, dragged left, lowers the value jalv holds for the `volume` port, as
   jalv's own state save writes it (File > Save, driven with xdotool), and the same key
   recorded again is quieter.
4. Idle, the panel's idle costs jalv's main thread (almost) nothing: over 10 s, with the
   pointer off the panel, its context switches (/proc/PID/task/PID/status) with jalv's
   update rate at 30 Hz exceed those of a second jalv at 1 Hz by no more than jalv's own
   29 extra timer wakeups a second plus 10 (a margin of 5 over the figures measured). Both
   also wake some 60 times a second for GTK's frame clock, which runs while the plug and
   socket that embed an X11 panel are shown, and about 6 for the LCD's blinking tempo mark:
   neither is the idle's.
5. jalv's window destroyed by another client (xdotool windowclose): jalv ends within 3 s and
   not by a signal (a crash of the panel's code as it closes would be one). GTK's own X error
   on jalv's connection as its windows vanish is printed, not failed: the panel's connection
   reports no errors (they are trapped) and makes no XInput or RENDER request.

Without one of the tools or numpy the test is skipped (exit code 77), unless
ZINTRA_DAW_REQUIRED=1 makes that a failure. A failed run keeps its folder under /tmp
(zintra-jalv-*: logs, screenshots, recordings, saved states); --keep keeps it always.
"""

import argparse
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
URI = "urn:ferrowick:zintra"
TOOLS = ("jackd", "jack_lsp", "jack_capture", "jalv.gtk3", "Xvfb", "openbox", "xdotool", "xwd")
PANEL_PICTURE = os.path.join(SOURCE, "docs", "panel.png")
BITMAP_TABLE = os.path.join(SOURCE, "resources", "bitmaps.csv")
PANEL_WIDTH, PANEL_HEIGHT = 882, 213
A4_KEY = (557, 185)  # panel coordinates of the key's centre
VOLUME_HANDLE = (479, 34)  # the handle's centre at the start-up Volume, 0.8
VOLUME_DRAG = -45  # pixels: most of the slider's 62-pixel travel

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.join(SOURCE, "tests", "daw"))
from checking import CheckFailed, expect, missingPrograms, reportMissing, waitFor  # noqa: E402
try:
    import numpy as np
    import wavanalysis
except ImportError:  # reported by missingTools()
    np = None


# ----------------------------------------------------------------------------
# Pictures: X window dumps and PNG files as rows x columns x RGB arrays


def readXwd(path):
    """The pixels of a ZPixmap window dump of 24-bit TrueColor in 32-bit words (Xvfb's)."""
    with open(path, "rb") as dump:
        data = dump.read()
    header = struct.unpack(">25I", data[:100])
    size, form, width, height, order, perLine, colours = (header[0], header[2], header[4], header[5], header[7],
                                                          header[12], header[19])
    if form != 2 or perLine < 4 * width:
        raise CheckFailed("%s: unexpected window dump layout %s" % (path, header[:13]))
    start = size + 12 * colours
    words = np.frombuffer(data, "<u4" if order == 0 else ">u4", perLine // 4 * height, start)
    words = words.reshape(height, perLine // 4)[:, :width]
    return np.dstack([(words >> 16) & 255, (words >> 8) & 255, words & 255]).astype(np.uint8)


def unfilter(kind, line, previous, step):
    """One PNG scanline with its filter undone (all five filter types)."""
    if kind == 0:
        return line
    if kind == 2:
        return [(x + b) & 255 for x, b in zip(line, previous)]
    out = []
    for i, x in enumerate(line):
        a = out[i - step] if i >= step else 0
        b = previous[i]
        c = previous[i - step] if i >= step else 0
        if kind == 1:
            p = a
        elif kind == 3:
            p = (a + b) >> 1
        else:
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            p = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        out.append((x + p) & 255)
    return out


def readPng(path):
    """The pixels of an 8-bit RGB or RGBA, non-interlaced PNG file."""
    with open(path, "rb") as picture:
        data = picture.read()
    position, compressed, header = 8, b"", None
    while position < len(data):
        size, kind = struct.unpack(">I4s", data[position:position + 8])
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", data[position + 8:position + 21])
        elif kind == b"IDAT":
            compressed += data[position + 8:position + 8 + size]
        position += 12 + size
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise CheckFailed("%s: unsupported PNG layout %s" % (path, header))
    step = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(compressed), width * step
    rows, previous = [], [0] * stride
    for y in range(height):
        start = y * (stride + 1)
        previous = unfilter(raw[start], list(raw[start + 1:start + 1 + stride]), previous, step)
        rows.append(previous)
    return np.array(rows, np.uint8).reshape(height, width, step)[:, :, :3]


def blinkingCell():
    """(x, y, width, height) of the LCD's first cell, from the bitmap table's glyph strip."""
    with open(BITMAP_TABLE) as table:
        for row in table:
            fields = row.strip().split(",")
            if len(fields) > 7 and fields[1] == "lcd-glyphs":
                x, y = (int(v) for v in fields[7].split()[0].split(":"))
                return x, y, int(fields[2]), int(fields[3]) // int(fields[6])
    raise CheckFailed("no lcd-glyphs row in " + BITMAP_TABLE)


# ----------------------------------------------------------------------------
# The test's world: JACK, X, window manager, jalv


def anyJackServerRuns():
    for entry in os.listdir("/proc"):
        try:
            with open(os.path.join("/proc", entry, "comm")) as comm:
                if comm.read().strip() in ("jackd", "jackdbus"):
                    return True
        except OSError:
            pass
    return False


class World:
    """The processes this run started, each in a session of its own, ended in reverse order."""

    def __init__(self, work):
        self.work = work
        self.processes = []
        self.env = dict(os.environ)
        self.env["HOME"] = os.path.join(work, "home")
        self.env["GSETTINGS_BACKEND"] = "memory"  # GTK's settings: no dconf, no session bus
        os.makedirs(self.env["HOME"])

    def start(self, name, command, **options):
        log = open(os.path.join(self.work, name + ".log"), "wb")
        process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   env=self.env, cwd=self.work, start_new_session=True, **options)
        log.close()
        self.processes.append((name, process))
        return process

    def run(self, *command, check=True):
        result = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                timeout=30)
        if check and result.returncode != 0:
            raise CheckFailed("%s failed (%d): %s" % (" ".join(command), result.returncode, result.stderr.strip()))
        return result.stdout

    def alive(self, name):
        return any(n == name and p.poll() is None for n, p in self.processes)

    def process(self, name):
        return next(p for n, p in self.processes if n == name)

    def end(self):
        for name, process in reversed(self.processes):
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    print("  %s ignored SIGTERM: killed" % name)
                    os.killpg(process.pid, signal.SIGKILL)
                    process.wait()
        self.processes = []

    def startJack(self):
        name = "zintra-jalv-%d" % os.getpid()
        self.env.update(JACK_DEFAULT_SERVER=name, JACK_NO_START_SERVER="1")
        # With no server running, JACK's registry of servers is removed for jackd to make anew, so that names
        # left by servers that died cannot fill it: tests/player/x11/PlayerX11Test.cpp (spawnJackServer) says more.
        if not anyJackServerRuns():
            try:
                os.unlink("/dev/shm/jack-shm-registry")
            except OSError:  # none, or another user's: jackd says if it cannot start
                pass
        self.start("jackd", ["jackd", "-n", name, "-d", "dummy", "-r", "48000", "-p", "512"])
        waitFor("the JACK server", lambda: self.run("jack_lsp", check=False) and self.alive("jackd"), 10)

    def startX(self):
        numberFile = os.path.join(self.work, "display")
        with open(numberFile, "wb") as out:
            self.start("xvfb", ["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1280x800x24",
                                "-nolisten", "tcp"], pass_fds=(out.fileno(),))

        def display():
            with open(numberFile) as numbers:
                return numbers.readline().strip()

        self.env["DISPLAY"] = ":" + waitFor("Xvfb's display number", display, 10)
        self.start("openbox", ["openbox"])
        waitFor("openbox", lambda: self.run("xdotool", "search", "--class", "openbox", check=False).strip(), 10)

    def startJalv(self, bundle, name="jalv", options=()):
        plugins = os.path.join(self.work, "lv2")
        if not os.path.isdir(plugins):
            os.makedirs(plugins)
            shutil.copytree(bundle, os.path.join(plugins, "Zintra.lv2"))
            # The system's vocabulary bundles beside it, no other plug-in (an installed copy of this one).
            subprocess.run(["bash", os.path.join(HERE, "link_vocabularies.sh"), plugins], check=True)
        self.env["LV2_PATH"] = plugins
        self.start(name, ["jalv.gtk3"] + list(options) + [URI])
        ports = "Zintra:midi_in", "Zintra:voice", "Zintra:rhythm"
        waitFor("jalv's ports", lambda: all(p in self.run("jack_lsp").split("\n") for p in ports), 20)
        window = waitFor("jalv's window", lambda: self.run("xdotool", "search", "--name", "^Zintra$",
                                                           check=False).split(), 20)
        expect(len(window) == 1, "jalv opened %d windows named Zintra" % len(window))
        return window[0]


# ----------------------------------------------------------------------------
# jalv's window


class JalvWindow:
    """jalv's main window: a menu bar above the panel."""

    def __init__(self, world, window):
        self.world = world
        self.window = window
        geometry = dict(line.split("=") for line in world.run("xdotool", "getwindowgeometry", "--shell",
                                                              window).split())
        self.width, self.height = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
        self.menu = self.height - PANEL_HEIGHT

    def screenshot(self, name):
        path = os.path.join(self.world.work, name + ".xwd")
        self.world.run("xwd", "-silent", "-id", self.window, "-out", path)
        return readXwd(path)

    def panelPixels(self, name):
        return self.screenshot(name)[self.menu:, :PANEL_WIDTH]

    def xdotool(self, *steps):
        self.world.run("xdotool", *steps)

    def at(self, point):
        """xdotool's steps that put the pointer on a point of the panel."""
        return ["mousemove", "--window", self.window, str(point[0]), str(point[1] + self.menu)]

    def saveState(self, folder):
        """File > Save: the pointer opens the menu, the keyboard picks Save and names the folder."""
        self.xdotool("mousemove", "--window", self.window, "15", str(self.menu // 2), "click", "1")
        time.sleep(0.3)
        self.xdotool("key", "Down", "Return")
        waitFor("jalv's Save State dialog",
                lambda: self.world.run("xdotool", "search", "--name", "^Save State$", check=False).strip(), 10)
        time.sleep(0.3)
        self.xdotool("type", "--delay", "10", folder)
        state = os.path.join(folder, "state.ttl")
        saved = lambda: os.path.isfile(state) and "volume" in open(state).read()
        # The chooser's completion may take the first Return while it catches up with the typing.
        for attempt in range(3):
            time.sleep(0.5)
            self.xdotool("key", "Return")
            try:
                waitFor(state, saved, 3)
                break
            except CheckFailed:
                if attempt == 2:
                    raise
        # jalv writes the state before it closes the dialog: a click meanwhile would go astray.
        waitFor("the dialog to close",
                lambda: not self.world.run("xdotool", "search", "--name", "^Save State$", check=False).strip(), 10)
        time.sleep(0.5)
        return open(state).read()


def portValue(state, symbol):
    """A port's value in a state jalv saved: the pset:value beside lv2:symbol SYMBOL."""
    found = re.findall(r'lv2:symbol "%s"\s*;\s*pset:value\s+([-+0-9.eE]+)' % re.escape(symbol), state)
    expect(len(found) == 1, "the saved state holds %d values for port %s" % (len(found), symbol))
    return float(found[0])


def recordKey(world, jalv, name):
    """Records both outputs while the A4 key is held for a second; answers the render."""
    path = os.path.join(world.work, name + ".wav")
    capture = world.start("capture-" + name, ["jack_capture", "-d", "3", "-f", "wav", "-b", "FLOAT",
                                              "-p", "Zintra:voice", "-p", "Zintra:rhythm", path])
    waitFor("jack_capture's connections", lambda: "jack_capture" in world.run("jack_lsp", "-c", "Zintra:voice"), 10)
    time.sleep(0.5)
    jalv.xdotool(*jalv.at(A4_KEY), "sleep", "0.2", "mousedown", "1", "sleep", "1", "mouseup", "1")
    try:
        capture.wait(15)
    except subprocess.TimeoutExpired:
        raise CheckFailed("jack_capture did not end")
    expect(capture.returncode == 0 and os.path.isfile(path), "jack_capture failed: see capture-%s.log" % name)
    return wavanalysis.Render(path)


def noteFacts(render):
    """(seconds of silence before the note, its pitch, peak level on the left, on the right)."""
    left = np.abs(render.samples[:, 0])
    loud = np.nonzero(left > 0.01)[0]
    expect(len(loud) > 0, "the left output stays silent")
    onset = loud[0] / render.rate
    pitch = render.fundamental(0, onset + 0.05, onset + 0.4)
    return onset, pitch, render.peak(0, 0, 3), render.peak(1, 0, 3)


def timed(label, timings, step, *arguments):
    start = time.monotonic()
    answer = step(*arguments)
    timings.append("%s %.1f s" % (label, time.monotonic() - start))
    return answer


def runChecks(world, bundle, timings):
    timed("JACK", timings, world.startJack)
    timed("X and openbox", timings, world.startX)
    window = timed("jalv", timings, world.startJalv, bundle)
    jalv = JalvWindow(world, window)

    # 1. Ports and panel.
    ports = world.run("jack_lsp", "-p", "-t").split("\n")

    def portLines(port):
        index = ports.index(port)
        return " ".join(ports[index + 1:index + 3])

    for port, direction, kind in (("Zintra:midi_in", "input", "midi"), ("Zintra:voice", "output", "audio"),
                                  ("Zintra:rhythm", "output", "audio")):
        expect(direction in portLines(port) and kind in portLines(port),
               "%s is not a %s %s port: %s" % (port, kind, direction, portLines(port)))
    expect(jalv.width == PANEL_WIDTH and jalv.menu > 0,
           "jalv's window is %dx%d, not the panel's %d px wide under a menu bar" % (jalv.width, jalv.height,
                                                                                  PANEL_WIDTH))
    reference = readPng(PANEL_PICTURE)
    x, y, w, h = blinkingCell()
    mask = np.ones((PANEL_HEIGHT, PANEL_WIDTH), bool)
    mask[y:y + h, x:x + w] = False

    def differing():
        shot = jalv.panelPixels("panel")
        return int(np.count_nonzero(np.any(shot != reference, axis=2) & mask))

    start = time.monotonic()
    try:
        waitFor("the panel's pixels", lambda: differing() == 0, 10)
    except CheckFailed:
        raise CheckFailed("%d pixels of jalv's window differ from docs/panel.png (panel.xwd)" % differing())
    timings.append("panel %.1f s" % (time.monotonic() - start))
    print("  PASS ports and panel: 3 ports; %dx%d window, menu %d px, %d panel pixels equal docs/panel.png" %
          (jalv.width, jalv.height, jalv.menu, int(mask.sum())))

    # 2. A key clicked is heard.
    first = timed("first recording", timings, recordKey, world, jalv, "before")
    onset, pitch, left, right = noteFacts(first)
    expect(onset > 0.2, "the voice sounds %.2f s into the recording, before the key was pressed" % onset)
    expect(abs(pitch - 440.0) <= 1.0, "the A4 key sounds at %.2f Hz, not 440" % pitch)
    expect(right < 1e-4, "the rhythm output is not silent: peak %.5f" % right)
    print("  PASS key: A4 at %.2f Hz, %.2f s into the recording, peak %.3f; right peak %.1e" %
          (pitch, onset, left, right))

    # 3. A Volume drag reaches jalv's view of the port, and the sound.
    before = portValue(timed("save", timings, jalv.saveState, os.path.join(world.work, "state-before")), "volume")
    handle = VOLUME_HANDLE
    path = [(handle[0] + VOLUME_DRAG * i // 4, handle[1]) for i in range(1, 5)]
    steps = jalv.at(handle) + ["sleep", "0.2", "mousedown", "1"]
    for point in path:
        steps += ["sleep", "0.1"] + jalv.at(point)
    slider = np.s_[handle[1] - 10:handle[1] + 15, handle[0] - 70:handle[0] + 30]
    untouched = jalv.panelPixels("before-drag")[slider]
    jalv.xdotool(*steps, "sleep", "0.2", "mouseup", "1")
    time.sleep(0.3)
    moved = np.any(jalv.panelPixels("after-drag")[slider] != untouched)
    after = portValue(timed("save", timings, jalv.saveState, os.path.join(world.work, "state-after")), "volume")
    expect(abs(before - 0.8) < 1e-6, "jalv saved Volume %.4f before the drag, not the start-up 0.8" % before)
    expect(after < before - 0.3, "jalv saved Volume %.4f after the drag left, from %.4f; the handle %s on screen" %
           (after, before, "moved" if moved else "did not move"))
    second = timed("second recording", timings, recordKey, world, jalv, "after")
    _, pitchAfter, leftAfter, _ = noteFacts(second)
    expect(abs(pitchAfter - 440.0) <= 1.0, "after the drag, A4 sounds at %.2f Hz" % pitchAfter)
    drop = 20 * np.log10(leftAfter / left)
    expect(drop < -3.0, "after the drag the key's peak is %.3f, %.1f dB from %.3f" % (leftAfter, drop, left))
    print("  PASS volume: jalv saved %.4f before and %.4f after the drag; the key's peak fell %.1f dB" %
          (before, after, -drop))
    expect(world.alive("jalv"), "jalv is no longer running")

    # 4. The idle's cost: jalv at 30 Hz against a second jalv at 1 Hz, the pointer off both panels.
    world.run("xdotool", "mousemove", "1", "1")
    quick = mainThreadWakeups(world.process("jalv").pid, 10)
    world.process("jalv").terminate()
    world.process("jalv").wait(10)
    waitFor("jalv's ports gone", lambda: "Zintra:voice" not in world.run("jack_lsp").split("\n"), 10)
    timed("jalv at 1 Hz", timings, world.startJalv, bundle, "jalv-slow", ["-r", "1"])
    time.sleep(1)
    world.run("xdotool", "mousemove", "1", "1")
    slow = mainThreadWakeups(world.process("jalv-slow").pid, 10)
    expect(quick - slow <= 29 + 10, "jalv's main thread wakes %.1f times a second at 30 Hz and %.1f at 1 Hz: the "
           "panel's 29 extra idles a second cost %.1f wakeups beyond jalv's own" % (quick, slow, quick - slow - 29))
    print("  PASS idle: jalv's main thread %.1f wakeups a second at 30 Hz, %.1f at 1 Hz" % (quick, slow))

    # 5. The window destroyed by another client.
    window = waitFor("jalv's window", lambda: world.run("xdotool", "search", "--name", "^Zintra$",
                                                        check=False).split(), 20)[0]
    world.run("xdotool", "windowclose", window)
    process = world.process("jalv-slow")
    try:
        status = process.wait(3)
    except subprocess.TimeoutExpired:
        raise CheckFailed("jalv still runs 3 s after its window was destroyed")
    expect(status >= 0, "jalv ended by signal %d after its window was destroyed" % -status)
    with open(os.path.join(world.work, "jalv-slow.log"), errors="replace") as log:
        error = re.search(r"The error was '([^']*)'.*\n.*\(Details: ([^)]*\([^)]*\)[^)]*)\)", log.read())
    print("  PASS window destroyed: jalv ended with status %d%s" %
          (status, "; GTK reported on its own connection: %s, %s" % error.groups() if error else ""))


def mainThreadWakeups(pid, seconds):
    """The context switches a second of a process's main thread over some seconds."""

    def switches():
        with open("/proc/%d/task/%d/status" % (pid, pid)) as status:
            return sum(int(line.split()[1]) for line in status if "ctxt_switches" in line)

    first = switches()
    time.sleep(seconds)
    return (switches() - first) / seconds


def missingTools():
    missing = missingPrograms(TOOLS)
    if np is None:
        missing.append("numpy (python3-numpy)")
    return missing


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--lv2", required=True, help="the Zintra.lv2 bundle to test")
    parser.add_argument("--keep", action="store_true", help="keep the work folder also when the checks pass")
    options = parser.parse_args()
    if not os.path.isfile(os.path.join(options.lv2, "manifest.ttl")):
        parser.error("no LV2 bundle (with manifest.ttl) at " + options.lv2)
    missing = missingTools()
    if missing:
        return reportMissing(missing)

    # ctest ends a test that runs too long with SIGTERM: end what was started first.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))
    work = tempfile.mkdtemp(prefix="zintra-jalv-")
    print("jalv with %s (in %s)" % (options.lv2, work))
    world, timings, passed = World(work), [], False
    start = time.monotonic()
    try:
        runChecks(world, os.path.abspath(options.lv2), timings)
        passed = True
    except CheckFailed as failure:
        print("  FAIL %s" % failure)
        if "DISPLAY" in world.env:  # what the screen showed, for the kept folder
            world.run("xwd", "-silent", "-root", "-out", os.path.join(work, "screen.xwd"), check=False)
    finally:
        world.end()
        print("  timings: %s; %.1f s in all" % (", ".join(timings), time.monotonic() - start))
        if passed and not options.keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            print("  kept " + work)
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
