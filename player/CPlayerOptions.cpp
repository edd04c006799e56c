#include "CPlayerOptions.h"

#include "CPlayerAudio.h"

namespace {

// The options that take a value, and where it goes.
struct ValueOption {
    const char* name;
    std::string CPlayerOptions::*field;
};
const ValueOption kValueOptions[] = {
    {"--name", &CPlayerOptions::clientName}, {"--midi-connect", &CPlayerOptions::midiSource},
    {"--load", &CPlayerOptions::loadFile},   {"--save", &CPlayerOptions::saveFile},
    {"--scale", &CPlayerOptions::scale},     {"--audio", &CPlayerOptions::audio},
    {"--device", &CPlayerOptions::device},
};

} // namespace

bool CPlayerOptions::parse(int argc, const char* const* argv, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            help = true;
            continue;
        }
        if (option == "--version") {
            version = true;
            continue;
        }
        if (option == "--no-connect") {
            connectOutputs = false;
            continue;
        }
        const ValueOption* taken = nullptr;
        for (const ValueOption& candidate : kValueOptions)
            if (option == candidate.name)
                taken = &candidate;
        if (taken == nullptr) {
            error = "unknown option " + option + " (zintra --help lists them)";
            return false;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            error = option + " needs a value";
            return false;
        }
        this->*(taken->field) = argv[++i];
    }
    if (!scale.empty() && scale != "1" && scale != "2") {
        error = "--scale takes 1 or 2, not " + scale;
        return false;
    }
    CPlayerAudio::Choice choice;
    if (!CPlayerAudio::choiceOf(audio, choice)) {
        error = "--audio takes auto, jack or alsa, not " + audio;
        return false;
    }
    return true;
}

const char* CPlayerOptions::usage()
{
    return "Usage: zintra [OPTION]...\n"
           "Plays the Zintra instrument with its front panel in a window: as a JACK client when a JACK\n"
           "server runs (PipeWire's JACK too), else on the system's default sound device through ALSA.\n"
           "\n"
           "  --audio auto|jack|alsa\n"
           "                       where the sound goes: auto (the default) tries JACK first, then the\n"
           "                       ALSA device; jack or alsa tries only that one\n"
           "  --device NAME        the ALSA device (default \"default\": the system's sound settings,\n"
           "                       PipeWire or PulseAudio on a desktop; aplay -L lists the others)\n"
           "  --name NAME          the JACK client's name, and the ALSA sequencer client's (default Zintra)\n"
           "  --no-connect         leave the JACK outputs unconnected (default: to the system's playback ports)\n"
           "  --midi-connect PORT  connect a MIDI output port to the input: a JACK port (jack_lsp lists\n"
           "                       them) or an ALSA sequencer port such as 20:0 (aconnect -l lists them)\n"
           "  --load FILE          start from a bank (as zintra-host --save-bank writes, or a bank file,\n"
           "                       .fxb) instead of the saved state; a program file (.fxp) goes into the\n"
           "                       current program of the saved state, keeping the other programs, the\n"
           "                       melody and the calculator's memory; both files, of the kind other hosts\n"
           "                       exchange, are known by their content\n"
           "  --save FILE          also write the bank to FILE when the program ends: a bank file when\n"
           "                       FILE ends in .fxb, a program file of the current program for .fxp.\n"
           "                       FILE is a regular file (replaced whole) or a new name; a symbolic\n"
           "                       link is followed: the file it names is written, the link kept. A\n"
           "                       folder, a device, a FIFO, a missing folder or a name too long is\n"
           "                       refused at the start (status 5), before anything is written\n"
           "  --scale 1|2          the panel at its own size or at twice the size (default: as the\n"
           "                       display's scale says; ZINTRA_SCALE overrides both)\n"
           "  --help, --version\n"
           "\n"
           "JACK ports: voice (left output), rhythm (right output), midi_in. On ALSA the voice plays on\n"
           "the left channel, the rhythm on the right, and MIDI comes to the sequencer port midi_in\n"
           "(without a sequencer the instrument plays without MIDI input).\n"
           "When neither plays (no JACK server, the device missing or busy), or the server or device\n"
           "goes away, the window says what is wrong and the player tries again every 3 seconds.\n"
           "\n"
           "The computer keyboard, while the window has the focus:\n"
           "  Play and Rec  Z S X D C V G B H N J M  play C4 to B4 (S D G H J the black keys),\n"
           "                , L . ; /  go on to E5; Q 2 W 3 E R 5 T 6 Y 7 U  play C5 to B5\n"
           "  Cal           0-9 . + - * / = (or Enter) % type, Backspace clears the entry (CE),\n"
           "                Escape clears all (AC)\n"
           "\n"
           "The instrument's state (its bank: programs, melody, calculator memory, settings) is saved when\n"
           "the program ends and restored when it starts, in $XDG_CONFIG_HOME/zintra/state.bank\n"
           "(~/.config/zintra/state.bank without XDG_CONFIG_HOME). An empty or damaged state file is kept\n"
           "aside as state.bank.damaged (state.bank.damaged.2 and on when that is taken) and the instrument\n"
           "starts from its defaults; one that cannot be read is left as it is and the program ends\n"
           "(status 5). Only regular files are read, at most 64 KB of them (a bank is under 4 KB), and a\n"
           "bank only in the sizes the instrument writes.\n"
           "\n"
           "Closing the window, its window destroyed, the terminal closed (SIGHUP), SIGINT, SIGTERM and the\n"
           "other signals that end a program by default (SIGUSR1, SIGUSR2, SIGALRM, real-time ones, ...)\n"
           "end it with the state saved (status 0); SIGPIPE is ignored. SIGQUIT, SIGKILL and crashes end it\n"
           "at once, without saving. A second SIGINT or SIGTERM ends it at once if the end hangs.\n"
           "\n"
           "Exit status: 0 done, 2 bad options, 4 no display or the display closed (the state saved),\n"
           "5 the configuration folder cannot be written, the saved state cannot be read, --save's FILE\n"
           "is refused at the start or a save at the end fails (the file named is left as it was; the\n"
           "other one is still saved), 6 the --load file cannot be read, is empty, damaged or of another plug-in,\n"
           "1 anything else. No sound (no JACK server, no device) ends nothing: the window says so and\n"
           "the player waits for it.\n";
}
