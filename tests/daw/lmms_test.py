#!/usr/bin/python3
"""The 32-bit Windows plug-in in another host: Debian's i386 LMMS, which runs Windows
VST plug-ins under Wine through its VST server, rendering headless.

A project with Zintra.dll as its instrument and a short melody is rendered with
`lmms render`; every note must play at its pitch and level as the Linux build renders
the same notes through the command-line host, and the right output (the rhythm box)
must stay silent.

    lmms_test.py --dll Zintra.dll --linux-build DIR [--keep]

DIR is a Linux build tree with Zintra.so and tools/zintra-host. The run works in a
new folder under /tmp (zintra-lmms-*) with its own HOME, Wine prefix and Xvfb
server (LMMS's VST server opens the plug-in's editor even when rendering headless,
and hangs without a display); a failed run keeps it. Without LMMS, Wine, Xvfb or
numpy the test is skipped (exit code 77), unless ZINTRA_DAW_REQUIRED=1 makes that a
failure.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
VST_SERVER = "/usr/lib/i386-linux-gnu/lmms/RemoteVstPlugin.exe.so"
RATE = 44100
TIMEOUT = 180

sys.dont_write_bytecode = True  # keep the source folder clean
from checking import CheckFailed, missingPrograms, reportMissing  # noqa: E402
try:
    import numpy as np
    import wavanalysis
except ImportError:  # reported by missingTools()
    np = None

# LMMS counts 192 ticks to a 4/4 bar; at 120 beats a minute that is 96 ticks a second.
TEMPO = 120
TICKS_PER_SECOND = 96
# LMMS sends velocity 63 for a note at volume 100.
VOLUME = 100
VELOCITY = 63
# The melody: (key, start, length) in seconds, on whole ticks, with a rest before each
# note so that no note-off meets the next note-on in the same frame.
MELODY = [(60, 0.5, 0.75), (64, 1.5, 0.5), (67, 2.25, 0.5), (72, 3.0, 1.0), (57, 4.5, 0.75)]
TAIL = 1.5  # seconds rendered after the last note

AUDIBLE = 0.005     # RMS, about -46 dBFS
SILENT = 1e-3       # peak
PITCH_HZ = 1.0      # against the note's equal-tempered pitch
LEVEL_DB = 0.1      # against the Linux render
ONSET_SECONDS = 0.012  # how far LMMS may place a note from where the Linux host does


def pitchOf(key):
    return 440.0 * 2.0 ** ((key - 69) / 12.0)


def ticks(seconds):
    return int(round(seconds * TICKS_PER_SECOND))


def project(dll):
    """An LMMS project: one instrument track with the plug-in and the melody."""
    notes = "\n".join('          <note key="%d" vol="%d" pos="%d" len="%d" pan="0"/>'
                      % (key, VOLUME, ticks(start), ticks(length)) for key, start, length in MELODY)
    bars = int(np.ceil(ticks(MELODY[-1][1] + MELODY[-1][2]) / 192.0))
    return """<?xml version="1.0"?>
<!DOCTYPE lmms-project>
<lmms-project version="1.0" creator="LMMS" creatorversion="1.2.2" type="song">
  <head timesig_numerator="4" timesig_denominator="4" bpm="%d" mastervol="100" masterpitch="0"/>
  <song>
    <trackcontainer type="song">
      <track type="0" name="Zintra" muted="0" solo="0">
        <instrumenttrack vol="100" pan="0" fxch="0" basenote="57" pitch="0" pitchrange="1">
          <instrument name="vestige">
            <vestige plugin="%s"/>
          </instrument>
        </instrumenttrack>
        <pattern pos="0" len="%d" muted="0" steps="16" name="melody" type="1">
%s
        </pattern>
      </track>
    </trackcontainer>
  </song>
</lmms-project>
""" % (TEMPO, dll, bars * 192, notes)


class Xvfb:
    """A virtual X server of the test's own; it picks a free display number itself."""

    def __enter__(self):
        reader, writer = os.pipe()
        self.process = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1024x768x24",
                                         "-nolisten", "tcp"], pass_fds=(writer,), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.close(writer)
        with os.fdopen(reader) as numbers:
            number = numbers.readline().strip()
        if not number:
            self.process.kill()
            raise CheckFailed("Xvfb gave no display number")
        self.display = ":" + number
        return self

    def __exit__(self, *_):
        self.process.terminate()
        self.process.wait()


class LmmsRun:
    """One run's private world: HOME, Wine prefix, project and renders."""

    def __init__(self, work, display):
        self.work = work
        home = os.path.join(work, "home")
        os.makedirs(home)
        self.environment = dict(os.environ, HOME=home, WINEPREFIX=os.path.join(work, "wineprefix"),
                                WINEARCH="win32", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                                DISPLAY=display)
        for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "VST_PATH"):
            self.environment.pop(name, None)

    def run(self, title, command):
        """Runs a command in a session of its own and answers its output; whatever it
        leaves running (LMMS's VST server under Wine) is ended with it."""
        log = os.path.join(self.work, title + ".log")
        with open(log, "w") as output:
            process = subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                       env=self.environment, cwd=self.work, start_new_session=True)
            try:
                status = process.wait(TIMEOUT)
            except subprocess.TimeoutExpired:
                status = "timeout after %d s" % TIMEOUT
            self.endLeftovers(process.pid)
        with open(log, errors="replace") as output:
            text = output.read()
        if status != 0:
            raise CheckFailed("%s failed (%s): %s\n%s" % (title, status, " ".join(command), tail(text)))
        return text

    def endLeftovers(self, group):
        subprocess.run(["wineserver", "-k"], env=self.environment, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        try:
            os.killpg(group, signal.SIGKILL)
        except ProcessLookupError:
            pass
        subprocess.run(["wineserver", "-w"], env=self.environment, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def render(self, dll):
        # The prefix is made first, so that LMMS's wait for its VST server does not include it.
        self.run("wineboot", ["wineboot", "--init"])
        # A crash of the VST server prints its backtrace instead of waiting on the crash dialog.
        self.run("crash-dialog", ["wine", "reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog",
                                  "/t", "REG_DWORD", "/d", "0", "/f"])
        path = os.path.join(self.work, "melody.mmp")
        with open(path, "w") as file:
            file.write(project(dll))
        out = os.path.join(self.work, "lmms.wav")
        start = time.time()
        self.run("lmms", ["lmms", "--allowroot", "render", path, "-o", out, "--float", "-x", "1",
                          "-s", str(RATE)])
        print("  LMMS rendered %s in %.1f s" % (os.path.basename(out), time.time() - start))
        if not os.path.isfile(out):
            raise CheckFailed("LMMS wrote no %s" % out)
        return wavanalysis.Render(out)


def linuxRender(linuxBuild, work):
    out = os.path.join(work, "linux.wav")
    command = [os.path.join(linuxBuild, "tools", "zintra-host"), "--plugin", os.path.join(linuxBuild, "Zintra.so"),
               "--render", out, "--rate", str(RATE), "--seconds", str(MELODY[-1][1] + MELODY[-1][2] + TAIL)]
    for key, start, length in MELODY:
        command += ["--note", "%g:%d:%d:%g" % (start, key, VELOCITY, length)]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        raise CheckFailed("the Linux host failed: %s\n%s" % (" ".join(command), tail(result.stdout)))
    return wavanalysis.Render(out)


def decibels(level):
    return 20.0 * np.log10(max(level, 1e-12))


def compare(lmms, linux):
    """Each note's onset, pitch and level in LMMS's render against the Linux one."""
    problems = []
    for key, start, length in MELODY:
        expected = pitchOf(key)
        onsets = [render.onsetTime(0, start - 0.1, start + 0.2) for render in (lmms, linux)]
        if None in onsets:
            problems.append("key %d at %.2f s: no onset (LMMS %s, Linux %s)" % (key, start, *onsets))
            continue
        # The level over the note's first 0.3 s (or less), measured from each render's own onset.
        span = min(length, 0.3)
        pitch, level = [], []
        for render, onset in zip((lmms, linux), onsets):
            pitch.append(render.fundamental(0, onset + 0.02, onset + span))
            level.append(render.rms(0, onset, onset + span))
        print("  key %d at %.2f s: onset %+.1f ms, %.2f Hz (Linux %.2f), RMS %.4f (%+.3f dB against Linux)"
              % (key, start, 1000 * (onsets[0] - onsets[1]), pitch[0], pitch[1], level[0],
                 decibels(level[0]) - decibels(level[1])))
        if abs(onsets[0] - onsets[1]) > ONSET_SECONDS:
            problems.append("key %d starts at %.3f s in LMMS, %.3f s on Linux" % (key, onsets[0], onsets[1]))
        if level[0] < AUDIBLE:
            problems.append("key %d is not audible in LMMS (RMS %.5f)" % (key, level[0]))
        if abs(pitch[0] - expected) > PITCH_HZ:
            problems.append("key %d plays at %.2f Hz in LMMS, expected %.2f" % (key, pitch[0], expected))
        if abs(decibels(level[0]) - decibels(level[1])) > LEVEL_DB:
            problems.append("key %d is %.3f dB from the Linux render's level" % (key, decibels(level[0]) -
                                                                                decibels(level[1])))
    right = lmms.peak(1, 0.0, len(lmms.samples) / lmms.rate)
    print("  right output: peak %.6f" % right)
    if right > SILENT:
        problems.append("the right output is not silent (peak %.5f)" % right)
    if problems:
        raise CheckFailed("\n    " + "\n    ".join(problems))


def tail(text, lines=30):
    return "\n".join(text.splitlines()[-lines:])


def missingTools():
    missing = missingPrograms(("lmms", "wine", "wineboot", "wineserver", "Xvfb"))
    if not os.path.isfile(VST_SERVER):
        missing.append(VST_SERVER + " (lmms-vst-server:i386)")
    if np is None:
        missing.append("numpy (python3-numpy)")
    return missing


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dll", required=True, help="the 32-bit Zintra.dll to test")
    parser.add_argument("--linux-build", required=True, help="the Linux build tree to compare with")
    parser.add_argument("--keep", action="store_true", help="keep the work folder also when the test passes")
    options = parser.parse_args()
    dll = os.path.abspath(options.dll)
    for path in (dll, os.path.join(options.linux_build, "Zintra.so"),
                 os.path.join(options.linux_build, "tools", "zintra-host")):
        if not os.path.isfile(path):
            parser.error("no file " + path)
    missing = missingTools()
    if missing:
        return reportMissing(missing)

    work = tempfile.mkdtemp(prefix="zintra-lmms-")
    print("plug-in: %s\nmelody in LMMS (in %s)" % (dll, work))
    try:
        with Xvfb() as server:
            lmms = LmmsRun(work, server.display).render(dll)
        linux = linuxRender(os.path.abspath(options.linux_build), work)
        if lmms.rate != RATE:
            raise CheckFailed("LMMS rendered at %d Hz" % lmms.rate)
        compare(lmms, linux)
    except CheckFailed as failure:
        print("  FAIL: %s" % failure)
        log = os.path.join(work, "lmms.log")
        if os.path.isfile(log):
            with open(log, errors="replace") as text:
                print("  LMMS's output ends:\n" + tail(text.read(), 12))
        print("  (project, renders and logs kept in %s)" % work)
        return 1
    print("  PASS")
    if not options.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
