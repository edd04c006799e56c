// zintra-host: loads the plug-in like a host, prints its identity and renders
// audio to a WAV file, driven by parameters, panel keys and MIDI given on the
// command line or read from a MIDI file.
#include "AudioFileWriter.h"
#include "HostSession.h"
#include "MidiFileReader.h"
#include "PanelCodes.h"
#include "PluginLibrary.h"
#include "ProductIdentity.h"
#if defined(ZINTRA_HOST_PANEL)
#include "PanelScript.h"
#endif

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>
#if defined(ZINTRA_INSTALLED_PLUGIN)
#include <filesystem>
#endif

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#ifndef ZINTRA_DEFAULT_PLUGIN
#define ZINTRA_DEFAULT_PLUGIN "Zintra.dll"
#endif
#ifndef ZINTRA_HEADLESS_PLUGIN
#define ZINTRA_HEADLESS_PLUGIN "Zintra-headless.so"
#endif

namespace {

#if defined(ZINTRA_INSTALLED_PLUGIN)
// A module installed with this program: RELATIVE under the prefix, that is
// beside <prefix>/bin; else the build's FALLBACK.
std::string installedOr(const char* relative, const char* fallback)
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path installed = self.parent_path().parent_path() / relative;
        if (std::filesystem::is_regular_file(installed, error))
            return installed.string();
    }
    return fallback;
}
#endif

// The plug-in a run without --plugin loads: an installed host's own, in
// <prefix>/lib/vst, else the build's.
std::string defaultPlugin()
{
#if defined(ZINTRA_INSTALLED_PLUGIN)
    return installedOr(ZINTRA_INSTALLED_PLUGIN, ZINTRA_DEFAULT_PLUGIN);
#else
    return ZINTRA_DEFAULT_PLUGIN;
#endif
}

#if defined(ZINTRA_HOST_PANEL)
// The headless module --click, --drag, --hover and --shot play without
// --plugin: an installed host's own, in <prefix>/lib/zintra, else the build's.
std::string defaultHeadlessPlugin()
{
#if defined(ZINTRA_INSTALLED_HEADLESS_PLUGIN)
    return installedOr(ZINTRA_INSTALLED_HEADLESS_PLUGIN, ZINTRA_HEADLESS_PLUGIN);
#else
    return ZINTRA_HEADLESS_PLUGIN;
#endif
}
#endif

// The options after --plugin, whose default printUsage names.
const char* const kUsageOptions =
    "  --legacy-main          find the plug-in only by its legacy entry point 'main'\n"
    "  --info                 print the plug-in's identity\n"
    "  --render FILE.wav      render a stereo WAV file\n"
    "  --seconds S            length of the render (default 5)\n"
    "  --rate HZ              sample rate (default 44100)\n"
    "  --block N              frames per block (default 512)\n"
    "  --param NAME=VALUE     set a parameter (name or index) before rendering; repeatable\n"
    "  --param-at T:NAME=VALUE  set a parameter at T seconds\n"
    "  --key T:CODE[:VALUE]   press a panel function key (84..93) at T seconds (value default 1)\n"
    "  --note T:NOTE:VEL:LEN[:CH]  a note at T seconds lasting LEN seconds (channel 1..16, default 1)\n"
    "  --cc T:CONTROLLER:VALUE[:CH]  a controller change at T seconds\n"
    "  --program T:NUMBER[:CH]  a program change at T seconds\n"
    "  --midi FILE.mid        play the channel messages of a MIDI file\n"
    "  --load-bank FILE       restore a bank chunk before rendering\n"
    "  --load-program FILE    restore a program chunk before rendering\n"
    "  --save-bank FILE       save the bank chunk after rendering\n"
    "  --save-program FILE    save the current program's chunk after rendering\n"
    "                         (a FILE ending in .fxb is a bank file, one ending in .fxp a program\n"
    "                         file, of the kind hosts exchange; any other name holds the chunk itself;\n"
    "                         FILE is replaced whole or made new; a symbolic link is followed, the\n"
    "                         link kept; a folder, a device or a FIFO is refused)\n"
    "  --bench                time processReplacing with the settings and events given, instead of\n"
    "                         rendering: runs of blocks after a warm-up, per sample frame\n"
    "  --runs N               timed runs (default 7); the median is reported\n"
    "  --run-seconds S        processor time of one run (default 0.3)\n"
    "  --warmup S             seconds of audio processed before the runs (default 0.5)\n";

#if defined(ZINTRA_HOST_PANEL)
const char* const kUsagePanel =
    "  --click T:X:Y[:HOLD][:MODS]  a left click at T seconds, held HOLD seconds (default 0.1);\n"
    "                         MODS: any of s (Shift), c (Control), a (Alt)\n"
    "  --drag T:X:Y:T2:X2:Y2[:MODS]  pressed at X, Y at T, moved to X2, Y2, released at T2\n"
    "  --hover T:X:Y          the pointer moves there at T\n"
    "  --shot T:FILE.png      writes the panel's picture after T seconds\n"
    "  --scale 1|2            the host announces that display scale before it opens the panel\n"
    "                         (effVendorSpecific); the pointer's panel pixels are scaled with it\n";
#endif

// The usage text, naming the modules this program loads by default.
void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: zintra-host [options]\n"
                 "  --help, --version      this text, or the version\n"
                 "  --plugin PATH          plug-in module (default %s)\n",
                 defaultPlugin().c_str());
    std::fputs(kUsageOptions, out);
#if defined(ZINTRA_HOST_PANEL)
    std::fprintf(out,
                 "The front panel, opened on a plug-in module built with the headless window backend\n"
                 "(default %s), played while the render runs (X, Y: panel pixels):\n",
                 defaultHeadlessPlugin().c_str());
    std::fputs(kUsagePanel, out);
#endif
}

struct Options {
    std::string plugin = ZINTRA_DEFAULT_PLUGIN;
    bool legacyMain = false;
    bool info = false;
    std::string renderPath;
    double seconds = 5.0;
    float rate = 44100.0f;
    int block = 512;
    std::vector<std::string> parameters;
    std::vector<HostSession::TimedEvent> events;
    std::vector<std::string> midiFiles;
    std::string loadBank, loadProgram, saveBank, saveProgram;
    bool bench = false;
    int runs = 7;
    double runSeconds = 0.3;
    double warmup = 0.5;
    bool pluginGiven = false;
#if defined(ZINTRA_HOST_PANEL)
    PanelScript panel;
#endif
};

std::vector<std::string> splitFields(const std::string& text, char separator)
{
    std::vector<std::string> fields;
    std::stringstream stream(text);
    std::string field;
    while (std::getline(stream, field, separator))
        fields.push_back(field);
    return fields;
}

// A finite number and nothing after it.
bool parseNumber(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(out);
}

// Parses numeric fields; answers false if any is not a finite number.
bool parseNumbers(const std::vector<std::string>& fields, std::vector<double>& out)
{
    out.clear();
    for (const std::string& field : fields) {
        double value;
        if (!parseNumber(field, value))
            return false;
        out.push_back(value);
    }
    return true;
}

// One field of a timed option: where it is in the argument, what it is and
// the values it may take.
struct FieldRange {
    const char* name;
    double lowest;
    double highest;
};

constexpr FieldRange kTimeField = {"T (seconds)", 0.0, HostSession::kLatestEventSeconds};
constexpr FieldRange kDataField = {"a MIDI value", 0.0, 127.0};
constexpr FieldRange kChannelField = {"CH", 1.0, 16.0};

// Each value in its field's range; false with the field that is not.
bool checkFields(const std::vector<double>& values, const std::vector<FieldRange>& fields, std::string& reason)
{
    for (size_t i = 0; i < values.size() && i < fields.size(); ++i) {
        if (!(values[i] >= fields[i].lowest && values[i] <= fields[i].highest)) {
            char text[160];
            std::snprintf(text, sizeof text, "%s must be %g to %g", fields[i].name, fields[i].lowest,
                          fields[i].highest);
            reason = text;
            return false;
        }
    }
    return true;
}

HostSession::TimedEvent midiEvent(double seconds, int status, double data1, double data2)
{
    HostSession::TimedEvent event{};
    event.seconds = seconds;
    event.midi[0] = static_cast<unsigned char>(status);
    event.midi[1] = static_cast<unsigned char>(data1);
    event.midi[2] = static_cast<unsigned char>(data2);
    return event;
}

int channelOf(const std::vector<double>& values, size_t place)
{
    return values.size() > place ? static_cast<int>(values[place]) - 1 : 0;
}

// --note, --cc, --program and --key; false with the reason.
bool addTimedOption(const std::string& option, const std::string& argument, Options& options, std::string& reason)
{
    std::vector<double> v;
    reason = "not numbers separated by ':'";
    if (!parseNumbers(splitFields(argument, ':'), v))
        return false;
    const FieldRange length = {"LEN (seconds)", 0.0, HostSession::kLatestEventSeconds};
    const FieldRange code = {"CODE", KeyReset, KeyOneKey2};
    const FieldRange keyValue = {"VALUE", 0.0, 1.0};
    struct Form {
        const char* option;
        size_t fewest;
        std::vector<FieldRange> fields;
    };
    const Form forms[] = {
        {"--note", 4, {kTimeField, kDataField, kDataField, length, kChannelField}},
        {"--cc", 3, {kTimeField, kDataField, kDataField, kChannelField}},
        {"--program", 2, {kTimeField, kDataField, kChannelField}},
        {"--key", 2, {kTimeField, code, keyValue}},
    };
    for (const Form& form : forms) {
        if (option != form.option)
            continue;
        if (v.size() < form.fewest || v.size() > form.fields.size()) {
            reason = "needs " + std::to_string(form.fewest) + " to " + std::to_string(form.fields.size()) + " fields";
            return false;
        }
        if (!checkFields(v, form.fields, reason))
            return false;
        if (option == "--note") {
            const int channel = channelOf(v, 4);
            options.events.push_back(midiEvent(v[0], 0x90 | channel, v[1], v[2]));
            options.events.push_back(midiEvent(v[0] + v[3], 0x80 | channel, v[1], 0));
        } else if (option == "--cc") {
            options.events.push_back(midiEvent(v[0], 0xB0 | channelOf(v, 3), v[1], v[2]));
        } else if (option == "--program") {
            options.events.push_back(midiEvent(v[0], 0xC0 | channelOf(v, 2), v[1], 0));
        } else {
            HostSession::TimedEvent event{};
            event.seconds = v[0];
            event.isParameter = true;
            event.index = static_cast<int>(v[1]);
            event.value = v.size() == 3 ? static_cast<float>(v[2]) : 1.0f;
            options.events.push_back(event);
        }
        return true;
    }
    reason = "unknown option";
    return false;
}

// "NAME=VALUE" or, for --param-at, "T:NAME=VALUE": a time in range, a name
// or index and a finite value; the name is looked up once the plug-in runs.
bool checkParameterOption(const std::string& option, const std::string& argument, std::string& reason)
{
    std::string text = argument;
    if (option == "--param-at") {
        const size_t colon = text.find(':');
        std::vector<double> at(1, 0.0);
        if (colon == std::string::npos || !parseNumber(text.substr(0, colon), at[0])) {
            reason = "needs T:NAME=VALUE";
            return false;
        }
        if (!checkFields(at, {kTimeField}, reason))
            return false;
        text = text.substr(colon + 1);
    }
    const size_t equals = text.find('=');
    double value = 0.0;
    if (equals == std::string::npos || equals == 0 || !parseNumber(text.substr(equals + 1), value)) {
        reason = "needs NAME=VALUE with a finite number";
        return false;
    }
    return true;
}

// The options that take one number, and the values each accepts.
struct NumberOption {
    const char* option;
    double lowest;
    double highest;
    bool above; // lowest itself is not accepted
    void (*apply)(Options&, double);
};

const NumberOption kNumberOptions[] = {
    {"--seconds", 0.0, HostSession::kLongestRenderSeconds, false, [](Options& o, double v) { o.seconds = v; }},
    {"--rate", 1000.0, 768000.0, false, [](Options& o, double v) { o.rate = static_cast<float>(v); }},
    {"--block", 1.0, 1048576.0, false, [](Options& o, double v) { o.block = static_cast<int>(v); }},
    {"--runs", 1.0, 1000.0, false, [](Options& o, double v) { o.runs = static_cast<int>(v); }},
    {"--run-seconds", 0.0, 60.0, true, [](Options& o, double v) { o.runSeconds = v; }},
    {"--warmup", 0.0, 600.0, false, [](Options& o, double v) { o.warmup = v; }},
};

const NumberOption* numberOption(const std::string& option)
{
    for (const NumberOption& numeric : kNumberOptions) {
        if (option == numeric.option)
            return &numeric;
    }
    return nullptr;
}

bool parseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--info") {
            options.info = true;
            continue;
        }
        if (option == "--legacy-main") {
            options.legacyMain = true;
            continue;
        }
        if (option == "--bench") {
            options.bench = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "zintra-host: %s needs a value\n", option.c_str());
            return false;
        }
        const std::string argument = argv[++i];
        double number = 0.0;
        if (option == "--plugin") {
            options.plugin = argument;
            options.pluginGiven = true;
        }
#if defined(ZINTRA_HOST_PANEL)
        else if (option == "--scale") {
            if (argument != "1" && argument != "2") {
                std::fprintf(stderr, "zintra-host: --scale %s: the scale is 1 or 2\n", argument.c_str());
                return false;
            }
            options.panel.setScale(argument == "2" ? 2 : 1);
        } else if (option == "--click" || option == "--drag" || option == "--hover" || option == "--shot") {
            PanelScript& panel = options.panel;
            const bool ok = option == "--click"   ? panel.addClick(argument)
                            : option == "--drag"  ? panel.addDrag(argument)
                            : option == "--hover" ? panel.addHover(argument)
                                                  : panel.addShot(argument);
            if (!ok) {
                std::fprintf(stderr, "zintra-host: %s %s: %s\n", option.c_str(), argument.c_str(),
                             PanelScript::kArgumentRule);
                return false;
            }
        }
#endif
        else if (option == "--render")
            options.renderPath = argument;
        else if (option == "--param" || option == "--param-at") {
            std::string reason;
            if (!checkParameterOption(option, argument, reason)) {
                std::fprintf(stderr, "zintra-host: %s %s: %s\n", option.c_str(), argument.c_str(), reason.c_str());
                return false;
            }
            options.parameters.push_back(option == "--param" ? argument : "@" + argument);
        } else if (option == "--midi")
            options.midiFiles.push_back(argument);
        else if (option == "--load-bank")
            options.loadBank = argument;
        else if (option == "--load-program")
            options.loadProgram = argument;
        else if (option == "--save-bank")
            options.saveBank = argument;
        else if (option == "--save-program")
            options.saveProgram = argument;
        else if (const NumberOption* numeric = numberOption(option)) {
            if (!parseNumber(argument, number) || number < numeric->lowest || number > numeric->highest ||
                (numeric->above && number <= numeric->lowest)) {
                std::fprintf(stderr, "zintra-host: %s %s: %s must be a number from %g to %g\n", option.c_str(),
                             argument.c_str(), option.c_str(), numeric->lowest, numeric->highest);
                return false;
            }
            numeric->apply(options, number);
        } else {
            std::string reason;
            if (!addTimedOption(option, argument, options, reason)) {
                std::fprintf(stderr, "zintra-host: %s %s: %s\n", option.c_str(), argument.c_str(), reason.c_str());
                return false;
            }
        }
    }
    // The render's length at its rate: at most an hour, and what a WAV file
    // holds (4 GB of 32-bit stereo frames).
    const double longest = HostSession::longestRender(options.rate);
    if (options.seconds > longest) {
        std::fprintf(stderr, "zintra-host: --seconds %g: at most %g seconds at %g Hz\n", options.seconds, longest,
                     static_cast<double>(options.rate));
        return false;
    }
    return true;
}

// Applies "NAME=VALUE" now, or "@T:NAME=VALUE" as a timed event.
bool applyParameterOption(HostSession& session, const std::string& option, Options& options)
{
    std::string text = option;
    double at = -1.0;
    if (!text.empty() && text[0] == '@') {
        const size_t colon = text.find(':');
        if (colon == std::string::npos || !parseNumber(text.substr(1, colon - 1), at))
            return false;
        text = text.substr(colon + 1);
    }
    const size_t equals = text.find('=');
    double value;
    if (equals == std::string::npos || !parseNumber(text.substr(equals + 1), value))
        return false;
    const int index = session.findParameter(text.substr(0, equals));
    if (index < 0)
        return false;
    if (at >= 0.0) {
        HostSession::TimedEvent event{};
        event.seconds = at;
        event.isParameter = true;
        event.index = index;
        event.value = static_cast<float>(value);
        options.events.push_back(event);
        std::printf("parameter %d at %.3f s = %g\n", index, at, value);
        return true;
    }
    session.setParameter(index, static_cast<float>(value));
    // Apply it with an empty block so the display text shows the new value.
    float silence[1];
    float* outputs[2] = {silence, silence};
    session.effect()->processReplacing(session.effect(), nullptr, outputs, 0);
    std::printf("parameter %d (%s) = %g: %s\n", index, session.text(effGetParamName, index).c_str(), value,
                session.text(effGetParamDisplay, index).c_str());
    return true;
}

// A WAV file that takes the render block by block as it is made; null with
// the reason printed when it cannot be created.
std::unique_ptr<AudioFileWriter> openWav(const std::string& path, float rate)
{
    std::string error;
    auto writer = AudioFileWriter::open(path, 2, static_cast<int>(rate), error);
    if (!writer)
        std::fprintf(stderr, "zintra-host: %s\n", error.c_str());
    return writer;
}

HostSession::BlockSink sinkTo(AudioFileWriter* writer)
{
    if (writer == nullptr)
        return [](const float*, long) { return true; };
    return [writer](const float* interleaved, long frames) { return writer->write(interleaved, frames); };
}

// Ends a render into path: the file closed, what was written told; false
// with the reason printed when a block or the file's end could not be written.
bool finishWav(std::unique_ptr<AudioFileWriter> writer, const std::string& path, const HostSession& session, float rate)
{
    if (!writer)
        return true;
    const bool closed = writer->close();
    if (session.renderFailed() || !closed) {
        std::fprintf(stderr, "zintra-host: cannot write %s (is the disk full?)\n", path.c_str());
        return false;
    }
    std::printf("wrote %s: %ld frames at %d Hz\n", path.c_str(), session.renderedFrames(), static_cast<int>(rate));
    return true;
}

void printTiming(HostSession& session, const HostSession::Timing& timing, const Options& options)
{
    std::printf("bench: %s, %d-frame blocks at %g Hz: %.2f ns per sample frame (median of %d runs of %ld blocks;"
                " fastest %.2f; wall clock %.2f), %.0f times real time; output RMS %.4f %.4f\n",
                session.text(effGetEffectName).c_str(), options.block, static_cast<double>(options.rate),
                timing.processorNs, timing.runs, timing.blocksPerRun, timing.fastestNs, timing.wallNs,
                1e9 / (timing.processorNs * static_cast<double>(options.rate)), timing.rms[0], timing.rms[1]);
}

int run(const Options& given)
{
    Options options = given;
    if (!options.pluginGiven)
        options.plugin = defaultPlugin();
    bool usePanel = false;
#if defined(ZINTRA_HOST_PANEL)
    usePanel = !options.panel.empty();
    if (usePanel && !options.pluginGiven)
        options.plugin = defaultHeadlessPlugin();
#endif
    PluginLibrary library;
    if (!library.load(options.plugin, options.legacyMain)) {
        std::fprintf(stderr, "zintra-host: %s\n", library.error().c_str());
        return 1;
    }
    HostSession session;
    if (!session.open(library.entryPoint(), options.rate, options.block)) {
        std::fprintf(stderr, "zintra-host: the plug-in refused to start\n");
        return 1;
    }
    if (options.info || (options.renderPath.empty() && !usePanel && !options.bench))
        session.printIdentity(stdout);
    // A file that cannot be loaded ends the run before anything is rendered
    // or saved: what would be written is not what was asked for.
    const std::pair<const std::string*, bool> loads[] = {{&options.loadBank, false}, {&options.loadProgram, true}};
    for (const auto& [path, isPreset] : loads) {
        if (!path->empty() && !session.loadChunk(*path, isPreset)) {
            std::fprintf(stderr, "zintra-host: %s: %s\n", isPreset ? "program" : "bank", session.chunkError().c_str());
            session.close();
            return 1;
        }
    }
    for (const std::string& parameter : options.parameters) {
        if (!applyParameterOption(session, parameter, options)) {
            const bool timed = parameter[0] == '@';
            std::fprintf(stderr, "zintra-host: %s %s: no parameter of that name or number (0 to %d)\n",
                         timed ? "--param-at" : "--param", parameter.c_str() + (timed ? 1 : 0),
                         static_cast<int>(session.effect()->numParams) - 1);
            session.close();
            return 2;
        }
    }
    for (const std::string& path : options.midiFiles) {
        std::string error;
        if (!readMidiFile(path, options.events, error)) {
            std::fprintf(stderr, "zintra-host: %s\n", error.c_str());
            session.close();
            return 1;
        }
    }
    int status = 0;
    if (options.bench)
        printTiming(session, session.benchmark(options.events, options.warmup, options.runSeconds, options.runs),
                    options);
#if defined(ZINTRA_HOST_PANEL)
    if (usePanel) {
        const auto entry = reinterpret_cast<HeadlessPanelEntry>(library.symbol(ZINTRA_HEADLESS_PANEL_ENTRY));
        const HeadlessPanel* panel = entry != nullptr ? entry() : nullptr;
        std::string error;
        std::unique_ptr<AudioFileWriter> writer;
        if (panel == nullptr || panel->version != 1) {
            std::fprintf(stderr, "zintra-host: %s has no headless panel (use %s)\n", options.plugin.c_str(),
                         defaultHeadlessPlugin().c_str());
            status = 1;
        } else if (!options.renderPath.empty() && !(writer = openWav(options.renderPath, options.rate))) {
            status = 1;
        } else if (!options.panel.run(session, *panel, options.seconds, options.events, sinkTo(writer.get()), error)) {
            std::fprintf(stderr, "zintra-host: %s\n", error.c_str());
            status = 1;
        } else if (!finishWav(std::move(writer), options.renderPath, session, options.rate)) {
            status = 1;
        }
    } else
#endif
        if (!options.renderPath.empty()) {
        std::unique_ptr<AudioFileWriter> writer = openWav(options.renderPath, options.rate);
        if (writer) {
            session.beginRender(options.seconds, options.events, sinkTo(writer.get()));
            session.renderUntil(session.totalFrames());
        }
        if (!writer || !finishWav(std::move(writer), options.renderPath, session, options.rate))
            status = 1;
    }
    if (!options.saveBank.empty() && !session.saveChunk(options.saveBank, false)) {
        std::fprintf(stderr, "zintra-host: bank: %s\n", session.chunkError().c_str());
        status = 1;
    }
    if (!options.saveProgram.empty() && !session.saveChunk(options.saveProgram, true)) {
        std::fprintf(stderr, "zintra-host: program: %s\n", session.chunkError().c_str());
        status = 1;
    }
    session.close();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
#if defined(_WIN32)
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("zintra-host (%s) %s\n", product::kName, product::kVersion);
        return 0;
    }
    if (!parseArguments(argc, argv, options)) {
        printUsage(stderr);
        return 2;
    }
    return run(options);
}
