#!/usr/bin/python3
"""The plug-in in a real DAW: Debian's Ardour 7, headless, with its Dummy backend.

Each check works in a folder of its own with an isolated HOME, copies the plug-in
into a private LXVST_PATH folder, indexes it with Ardour's VST scanner (headless
Ardour only reads the scanner's cache), then drives Ardour through session.lua
(ardour7-lua) and measures the WAV files Ardour renders. With --lv2 the plug-in is
the LV2 bundle instead, copied into a private LV2_PATH folder (LV2 needs no scan).

    ardour_test.py [--plugin Zintra.so | --lv2 Zintra.lv2] [--in-place SEARCH_PATH] [--keep] CHECK...

With --in-place the VST 2 plug-in is an installed one, indexed and listed where it lies, with LXVST_PATH
set to SEARCH_PATH (Ardour's default search path when it is empty).

CHECK is discovery, playback, reload-edit, reload-insert, program-change, program-roll, automation, preset
or all.
ZINTRA_DAW_PLUGIN, when set, names the VST 2 plug-in instead of --plugin. Without Ardour or numpy the checks
are skipped (exit code 77), unless ZINTRA_DAW_REQUIRED=1 makes that a failure.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
ARDOUR_LIB = "/usr/lib/ardour7"
SCANNER = os.path.join(ARDOUR_LIB, "ardour-vst-scanner")
TIMEOUT = 240
ATTEMPTS = 3
LV2_URI = "urn:ferrowick:zintra"
TOLD = "CQuibo::announceOwnChanges: "  # the plug-in's diagnostic line when it tells the host (ZINTRA_DEBUG)

sys.dont_write_bytecode = True  # keep the source folder clean
from checking import CheckFailed, Findings, expect, missingPrograms, reportMissing  # noqa: E402
try:
    import numpy as np
    import wavanalysis
except ImportError:  # reported by missingTools()
    np = None


# ----------------------------------------------------------------------------
# Running Ardour


class ArdourRun:
    """One check's private Ardour world: HOME, plug-in folder, sessions, renders. `lv2`
    says whether the plug-in is an LV2 bundle (else a VST 2 module)."""

    def __init__(self, plugin, work, lv2=False, inPlace=None):
        self.work = work
        self.lv2 = lv2
        self.home = os.path.join(work, "home")
        self.plugins = os.path.join(work, "lv2" if lv2 else "vst")
        for folder in (self.home, self.plugins):
            os.makedirs(folder, exist_ok=True)
        self.environment = dict(os.environ, HOME=self.home)
        for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "VST_PATH", "LXVST_PATH", "LV2_PATH"):
            self.environment.pop(name, None)
        if lv2:
            shutil.copytree(plugin, os.path.join(self.plugins, os.path.basename(plugin.rstrip("/"))))
            self.plugin = LV2_URI
            # Beside it the system's vocabulary bundles, which hold the plug-in classes' labels, and no
            # other plug-in: an installed copy of this one would be a second plug-in of the same URI.
            subprocess.run(["bash", os.path.join(HERE, "..", "lv2", "link_vocabularies.sh"), self.plugins],
                           check=True)
            self.environment.update(LV2_PATH=self.plugins, ZINTRA_PLUGIN_TYPE="LV2")
        elif inPlace is not None:
            # An installed plug-in, found where it lies: through LXVST_PATH, or Ardour's own default
            # search path when inPlace is empty.
            self.plugin = plugin
            if inPlace:
                self.environment.update(LXVST_PATH=inPlace)
        else:
            self.plugin = os.path.join(self.plugins, "Zintra.so")
            shutil.copy(plugin, self.plugin)
            # Ardour takes a cache written in the same second as the plug-in for stale.
            hourAgo = time.time() - 3600
            os.utime(self.plugin, (hourAgo, hourAgo))
            self.environment.update(LXVST_PATH=self.plugins)
        self.logNumber = 0

    def run(self, title, command, extraEnvironment=None, before=None):
        """Runs one Ardour program and answers its output. Ardour 7.3 itself now and
        then dies of a signal (it does so with its own synthesizer as well), so a run
        that a signal ends is tried again, after `before`, up to ATTEMPTS times."""
        environment = dict(self.environment, **(extraEnvironment or {}))
        for attempt in range(1, ATTEMPTS + 1):
            if before:
                before()
            self.logNumber += 1
            log = os.path.join(self.work, "%02d-%s.log" % (self.logNumber, title))
            with open(log, "w") as output:
                try:
                    status = subprocess.run(command, stdout=output, stderr=subprocess.STDOUT, env=environment,
                                            cwd=self.work, timeout=TIMEOUT).returncode
                except subprocess.TimeoutExpired:
                    status = "timeout after %d s" % TIMEOUT
            with open(log, errors="replace") as output:
                text = output.read()
            if status == 0:
                return text
            if not (isinstance(status, int) and status < 0 and attempt < ATTEMPTS):
                raise CheckFailed("%s failed (%s): %s\n%s" % (title, status, " ".join(command), tail(text)))
            print("  Ardour died of signal %d in %s (see %s); again" % (-status, title, log))

    def scan(self):
        if not self.lv2:  # LV2 plug-ins are read at start, without a scanner
            self.run("scan", [SCANNER, "-f", self.plugin], {"LD_LIBRARY_PATH": ARDOUR_LIB})

    def session(self, name):
        return os.path.join(self.work, name)

    def lua(self, title, *arguments, fresh=None, extraEnvironment=None):
        """Runs session.lua and answers its result lines, split into words, in their order; `fresh`
        names a session folder to remove before each attempt. With ZINTRA_DEBUG set, each time the
        plug-in told Ardour of values it changed itself is a result ["told", mask] in that order."""
        before = (lambda: shutil.rmtree(fresh, ignore_errors=True)) if fresh else None
        text = self.run(title, ["ardour7-lua", os.path.join(HERE, "session.lua")] + list(arguments),
                        extraEnvironment, before)
        results = []
        for line in text.splitlines():
            if line.startswith("ZINTRA "):
                results.append(line.split()[1:])
            elif line.startswith(TOLD):
                results.append(["told", line.split()[2]])
        expect(["done"] in results, "%s did not finish:\n%s" % (title, tail(text)))
        return results

    def create(self, scenario, extraEnvironment=None):
        """Creates the session of a scenario of session.lua; answers its results."""
        return self.lua("create-" + scenario, "create", self.session(scenario), scenario, scenario,
                        fresh=self.session(scenario), extraEnvironment=extraEnvironment)

    def reload(self, scenario):
        """Loads the saved session of a scenario in a fresh Ardour and renders it."""
        return self.lua("render-" + scenario, "render", self.session(scenario), scenario)


def rendered(results):
    files = [r[1:] for r in results if r[0] == "rendered"]
    expect(len(files) == 1, "Ardour rendered nothing")
    return wavanalysis.Render(*files[0])


def tail(text, lines=40):
    kept = [line for line in text.splitlines() if not line.startswith(("Out (", "In: "))]
    return "\n".join(kept[-lines:])


def parameters(results):
    return {int(r[1]): float(r[2]) for r in results if r[0] == "param"}


class SavedSession:
    """What a saved session holds of the plug-in: the value of each of its controls and
    the values in each control's automation list."""

    def __init__(self, folder, name):
        tree = ElementTree.parse(os.path.join(folder, name + ".ardour"))
        zintra = [p for p in tree.iter("Processor") if p.get("name") == "Zintra" and p.find("Controllable") is not None]
        expect(len(zintra) == 1, "the saved session holds %d Zintra processors" % len(zintra))
        self.values = {int(c.get("parameter")): float(c.get("value"))
                       for c in zintra[0].findall("Controllable") if c.get("parameter") is not None}
        self.automation = {}
        for automationList in zintra[0].iter("AutomationList"):
            identity = automationList.get("automation-id", "")
            if identity.startswith("parameter-"):
                events = automationList.findtext("events") or ""
                self.automation[int(identity.split("-")[1])] = [float(line.split()[1]) for line in events.splitlines()
                                                               if line.strip()]


def showParameters(title, values):
    names = ["Program", "Mode", "Volume", "Balance", "Octave", "Tune", "Sound", "Attack", "Decay",
             "Sustain level", "Sustain time", "Release", "Vibrato", "Tremolo", "Tempo"]
    print("  %s: %s" % (title, ", ".join("%s %.3f" % (names[i], values[i]) for i in sorted(values))))


# ----------------------------------------------------------------------------
# The checks. Every session holds C4 from 0.5 s to 2.5 s and starts rhythm pattern 4
# with controllers 80 and 81 at 3.0 s (see session.lua).

NOTE = (0.6, 1.4)           # the note after its onset, before the piano sound has died away
BEFORE_RHYTHM = (0.0, 2.95)
RHYTHM = (3.1, 8.0)
C4 = 261.63
AUDIBLE = 0.005             # RMS, about -46 dBFS
SILENT = 1e-3               # peak


def checkDiscovery(ardour):
    results = ardour.lua("discover", "discover", ardour.session("discover"), ardour.plugin,
                         fresh=ardour.session("discover"))
    found = [dict(field.split("=", 1) for field in r[1:]) for r in results if r[0] == "plugin"]
    expect(len(found) == 1, "Ardour lists %d plug-ins from %s" % (len(found), ardour.plugin))
    plugin = found[0]
    print("  Ardour lists: " + ", ".join("%s %s" % item for item in plugin.items()))
    # Ardour names an LV2 plug-in's category by its class's label, lv2:InstrumentPlugin's "Instrument Plugin"
    # (reported with "_" for spaces).
    wanted = {"name": "Zintra", "maker": "Ferrowick", "category": "Instrument_Plugin" if ardour.lv2 else "Instrument",
              "audio_inputs": "0", "audio_outputs": "2"}
    wrong = {key: plugin.get(key) for key, value in wanted.items() if plugin.get(key) != value}
    expect(not wrong, "Ardour sees %s, expected %s" % (wrong, wanted))


def checkPlayback(ardour):
    results = ardour.create("play")
    showParameters("parameters in Ardour", parameters(results))
    render = rendered(results)
    expect(render.rate == 48000, "rendered at %d Hz" % render.rate)
    pitch = render.fundamental(0, *NOTE)
    level = render.rms(0, *NOTE)
    print("  left: %.2f Hz, RMS %.4f during the note" % (pitch, level))
    findings = Findings()
    findings.expect(level >= AUDIBLE, "the note is not audible on the left output (RMS %.5f)" % level)
    findings.expect(abs(pitch - C4) <= 1.0, "C4 plays at %.2f Hz, expected %.2f +- 1" % (pitch, C4))
    quiet = render.peak(1, *BEFORE_RHYTHM)
    rhythm = render.rms(1, *RHYTHM)
    hits = render.onsets(1, *RHYTHM)
    print("  right: peak %.5f before the controllers, RMS %.4f and %d hits after them" % (quiet, rhythm, hits))
    findings.expect(quiet <= SILENT, "the right output is not silent with the rhythm off (peak %.5f)" % quiet)
    findings.expect(rhythm >= AUDIBLE and hits >= 8,
                    "no rhythm on the right after controllers 80 and 81 (RMS %.5f, %d hits)" % (rhythm, hits))
    leak = render.peak(0, 4.0, 8.0)
    findings.expect(leak <= SILENT, "the rhythm sounds on the left output too (peak %.5f)" % leak)
    findings.settle()


def checkReloadEdit(ardour):
    results = ardour.create("edit")
    showParameters("before saving", parameters(results))
    before = rendered(results)
    results = ardour.reload("edit")
    showParameters("after reloading", parameters(results))
    after = rendered(results)
    for title, render in (("before saving", before), ("after reloading", after)):
        low, high = render.pitchRange(0, 0.6, 2.4)
        print("  %s: pitch %.2f to %.2f Hz, attack %.0f ms, left RMS %.4f, rhythm RMS %.4f" % (
            title, low, high, 1000 * render.attackTime(0, 0.5), render.rms(0, *NOTE), render.rms(1, *RHYTHM)))

    # The edits are heard before saving: Fantasy (an octave up), no vibrato, a slow attack.
    findings = Findings()
    low, high = before.pitchRange(0, 0.6, 2.4)
    findings.expect(abs(before.fundamental(0, *NOTE) - 2 * C4) <= 1.0,
                    "Fantasy's C4 does not play at %.2f Hz before saving" % (2 * C4))
    findings.expect(high - low <= 0.5,
                    "Vibrato 0 is not heard before saving (pitch %.2f to %.2f Hz)" % (low, high))
    findings.expect(before.attackTime(0, 0.5) >= 0.08, "Attack 0.5 is not heard before saving")
    findings.settle()

    # After the reload Ardour renders the same.
    pitchDrift = np.max(np.abs(before.pitchTrack(0, 0.6, 2.4) - after.pitchTrack(0, 0.6, 2.4)))
    findings.expect(pitchDrift <= 0.5, "after reloading the pitch differs by up to %.2f Hz (vibrato back?)"
                    % pitchDrift)
    envelopeBefore, envelopeAfter = before.envelope(0, 0.3, 4.0, 0.02), after.envelope(0, 0.3, 4.0, 0.02)
    envelopeDrift = np.max(np.abs(envelopeBefore - envelopeAfter))
    findings.expect(envelopeDrift <= 0.05 * np.max(envelopeBefore) + 0.002,
                    "after reloading the voice's level differs by up to %.4f of %.4f (attack, volume, balance "
                    "or program lost?)" % (envelopeDrift, np.max(envelopeBefore)))
    rhythmBefore, rhythmAfter = before.rms(1, *RHYTHM), after.rms(1, *RHYTHM)
    findings.expect(abs(rhythmAfter - rhythmBefore) <= 0.05 * rhythmBefore,
                    "after reloading the rhythm's RMS is %.4f, before saving %.4f" % (rhythmAfter, rhythmBefore))
    similarity = wavanalysis.rhythmSimilarity(before, after, 1, *RHYTHM)
    findings.expect(similarity >= 0.9,
                    "after reloading the rhythm's timing differs (similarity %.3f; tempo lost?)" % similarity)
    findings.settle()


def checkReloadInsert(ardour):
    ardour.create("insert")
    results = ardour.reload("insert")
    showParameters("after reloading", parameters(results))
    after = rendered(results)
    level = after.rms(0, *NOTE)
    print("  after reloading: left RMS %.5f during the note, rhythm RMS %.5f" % (level, after.rms(1, *RHYTHM)))
    expect(level >= AUDIBLE, "the session saved right after inserting the plug-in reloads silent "
           "(left RMS %.5f during the note)" % level)
    pitch = after.fundamental(0, *NOTE)
    expect(abs(pitch - C4) <= 1.0, "after reloading C4 plays at %.2f Hz, expected %.2f +- 1" % (pitch, C4))


PROGRAM, SOUND, ATTACK, TREMOLO = 0, 6, 7, 13
OWN_VALUES = [PROGRAM] + list(range(SOUND, TREMOLO + 1))  # what a program change moves
VIOLIN = 0.4


def sameValues(title, have, want, findings):
    wrong = ["%d: %.4f, not %.4f" % (i, have.get(i, float("nan")), want[i]) for i in OWN_VALUES
             if not abs(have.get(i, float("nan")) - want[i]) <= 1e-6]
    findings.expect(not wrong, "%s differ from what the plug-in plays (%s)" % (title, "; ".join(wrong)))


def checkProgramChange(ardour):
    results = ardour.create("program")
    played = parameters(results)
    showParameters("after the region's program change", played)
    expect(abs(played[PROGRAM] - VIOLIN) <= 1e-6, "the region's program change to Violin was not played")
    saved = SavedSession(ardour.session("program"), "program")
    showParameters("saved by Ardour", saved.values)
    findings = Findings()
    sameValues("the values Ardour saved", saved.values, played, findings)
    reloaded = parameters(ardour.reload("program"))
    showParameters("after reloading", reloaded)
    sameValues("the values after reloading", reloaded, played, findings)
    findings.settle()


def checkProgramRoll(ardour):
    """The region's program change played by a real-time roll; after the stop nothing asks the plug-in
    anything for about 3 s, then the session is saved. Ardour 7.3 makes no request of a VST 2 plug-in from
    its own threads until the plug-in's window has been opened once in that run (its idle calls, effEditIdle
    and effIdle, go only to plug-ins whose window it has made), so the save is the first moment to tell it;
    it must hold what plays, and nothing is told while rolling."""
    results = ardour.create("roll", {"ZINTRA_DEBUG": "1"})
    played = parameters(results)
    showParameters("after the roll", played)
    expect(abs(played[PROGRAM] - VIOLIN) <= 1e-6, "the region's program change to Violin was not played")
    steps = [r[1] if r[0] == "mark" else "told" for r in results if r[0] in ("mark", "told")]
    steps = steps[steps.index("roll"):]
    print("  steps: " + ", ".join(steps))
    findings = Findings()
    findings.expect("told" not in steps[:steps.index("stopped")], "the plug-in told Ardour while the transport rolled")
    findings.expect("told" in steps, "the plug-in never told Ardour of the program change")
    if "told" in steps:
        moment = "at the save" if steps.index("told") > steps.index("save") else "before the save"
        print("  the plug-in told Ardour of the program change %s" % moment)
    saved = SavedSession(ardour.session("roll"), "roll")
    showParameters("saved by Ardour", saved.values)
    sameValues("the values Ardour saved", saved.values, played, findings)
    findings.settle()


def checkAutomation(ardour):
    results = ardour.create("automation")
    played = parameters(results)
    saved = SavedSession(ardour.session("automation"), "automation")
    for index, mode in ((PROGRAM, "Write"), (SOUND, "Touch")):
        print("  %s automation of %d: %s" % (mode, index, saved.automation.get(index)))
    # Before the roll both hold program 0's values, Program 0 and Piano's Sound 0; Ardour's own points
    # (Write's flat line, Touch's two anchors) keep them.
    findings = Findings()
    for index, mode in ((PROGRAM, "Write"), (SOUND, "Touch")):
        recorded = [v for v in saved.automation.get(index, []) if v != 0.0]
        findings.expect(not recorded, "Ardour's %s automation of parameter %d recorded the plug-in's own changes %s"
                        % (mode, index, recorded))
    sameValues("the values Ardour saved", saved.values, played, findings)
    findings.settle()


def checkPreset(ardour):
    results = ardour.create("preset")
    chosen = parameters(results)
    showParameters("after choosing the preset Violin", chosen)
    before = rendered(results)
    findings = Findings()
    findings.expect(abs(chosen[PROGRAM] - VIOLIN) <= 1e-6, "the preset Violin did not select program Violin")
    findings.expect(abs(chosen[ATTACK] - 0.5) <= 1e-6, "the Attack edit after the preset was not taken")
    findings.settle()
    results = ardour.reload("preset")
    reloaded = parameters(results)
    showParameters("after reloading", reloaded)
    after = rendered(results)
    sameValues("the values after reloading", reloaded, chosen, findings)
    envelopeBefore, envelopeAfter = before.envelope(0, 0.3, 4.0, 0.02), after.envelope(0, 0.3, 4.0, 0.02)
    drift = np.max(np.abs(envelopeBefore - envelopeAfter))
    print("  voice's level before saving up to %.4f, after reloading it differs by up to %.4f"
          % (np.max(envelopeBefore), drift))
    findings.expect(drift <= 0.05 * np.max(envelopeBefore) + 0.002,
                    "after reloading the voice's level differs by up to %.4f (the preset's program or the "
                    "Attack edit lost?)" % drift)
    findings.settle()


CHECKS = {"discovery": checkDiscovery, "playback": checkPlayback, "reload-edit": checkReloadEdit,
          "reload-insert": checkReloadInsert, "program-change": checkProgramChange, "program-roll": checkProgramRoll,
          "automation": checkAutomation, "preset": checkPreset}


# ----------------------------------------------------------------------------


def missingTools():
    missing = missingPrograms(("ardour7-lua",))
    if not os.access(SCANNER, os.X_OK):
        missing.append(SCANNER)
    if np is None:
        missing.append("numpy (python3-numpy)")
    return missing


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--plugin", help="the Zintra.so to test")
    parser.add_argument("--lv2", help="the Zintra.lv2 bundle to test instead")
    parser.add_argument("--in-place", metavar="SEARCH_PATH",
                        help="test the plug-in where it lies (an installed one) with LXVST_PATH set to SEARCH_PATH, "
                        "or with Ardour's default search path when SEARCH_PATH is empty")
    parser.add_argument("--keep", action="store_true", help="keep the work folders also when the checks pass")
    parser.add_argument("checks", nargs="+", choices=sorted(CHECKS) + ["all"])
    options = parser.parse_args()
    if options.lv2:
        plugin = options.lv2
        if not os.path.isfile(os.path.join(plugin, "manifest.ttl")):
            parser.error("no LV2 bundle (with manifest.ttl) at " + plugin)
    else:
        plugin = os.environ.get("ZINTRA_DAW_PLUGIN") or options.plugin
        if not plugin or not os.path.isfile(plugin):
            parser.error("no plug-in file: give --plugin or set ZINTRA_DAW_PLUGIN")
    plugin = os.path.abspath(plugin)
    missing = missingTools()
    if missing:
        return reportMissing(missing)

    names = sorted(CHECKS) if "all" in options.checks else options.checks
    print("plug-in: " + plugin)
    failed = []
    for name in names:
        work = tempfile.mkdtemp(prefix="zintra-daw-%s-" % name)
        print("%s (in %s)" % (name, work))
        try:
            ardour = ArdourRun(plugin, work, lv2=bool(options.lv2), inPlace=options.in_place)
            ardour.scan()
            CHECKS[name](ardour)
            print("  PASS " + name)
            if not options.keep:
                shutil.rmtree(work, ignore_errors=True)
        except CheckFailed as failure:
            print("  FAIL %s: %s\n  (sessions, renders and logs kept in %s)" % (name, failure, work))
            failed.append(name)
        sys.stdout.flush()
    if failed:
        print("failed: " + ", ".join(failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
