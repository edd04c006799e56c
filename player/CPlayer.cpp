#include "CPlayer.h"

#include "CEditorView.h"
#include "CInstrument.h"
#include "CPlayerAudio.h"
#include "CPresetFile.h"
#include "CStateStore.h"
#include "PanelCodes.h"
#include "ProductIdentity.h"
#include "ReplaceFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The editor's idle about 50 times a second while it has work (something on
// the panel moves, the instrument changed what it shows, the pointer is
// over it). With nothing to do the main thread sleeps until the window or
// the panel's connection has news or a signal comes, and at the latest
// after the quiet period: the only way it hears of changes the audio thread
// made (a MIDI note in a silence shows that much later) and of its audio.
constexpr auto kIdlePeriod = std::chrono::milliseconds(20);
constexpr auto kQuietPeriod = std::chrono::milliseconds(250);
constexpr const char* kTitle = product::kName;

volatile std::sig_atomic_t g_quitRequested = 0;

// A signal that would end the program asks the main loop to end instead, so
// that the state is saved: the terminal closed (SIGHUP, also through tmux or
// screen), Ctrl-C, a polite kill, and the others whose default is to end the
// process without a core. A second SIGINT or SIGTERM, should the end hang,
// ends the program at once; the others only ask again (closing a terminal may
// send SIGHUP twice).
extern "C" void onQuitSignal(int signal)
{
    g_quitRequested = 1;
    if (signal == SIGINT || signal == SIGTERM)
        std::signal(signal, SIG_DFL);
    wakePlayerWindow();
}

void handleSignals()
{
    // A sound server or device file whose other end went away fails its
    // writes, and a save past the file size limit fails (status 5) instead of
    // ending the program.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const int quitting[] = {SIGHUP,    SIGINT,  SIGTERM, SIGUSR1, SIGUSR2, SIGALRM,
                            SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGXCPU, SIGSTKFLT};
    for (const int signal : quitting)
        std::signal(signal, &onQuitSignal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        std::signal(signal, &onQuitSignal);
}

void say(const std::string& text)
{
    std::fprintf(stderr, "zintra: %s\n", text.c_str());
}

} // namespace

CPlayer::CPlayer() = default;

CPlayer::~CPlayer()
{
    // The audio stops before the instrument goes.
    m_audio.reset();
    if (m_editorOpen)
        m_editor->close();
    m_window.reset();
}

void CPlayer::requestQuit()
{
    g_quitRequested = 1;
}

int CPlayer::run(int argc, const char* const* argv)
{
    std::string error;
    if (!m_options.parse(argc, argv, error)) {
        say(error);
        return kExitUsage;
    }
    if (m_options.help) {
        std::fputs(CPlayerOptions::usage(), stdout);
        return kExitDone;
    }
    if (m_options.version) {
        std::printf("%s %s\n", product::kName, product::kVersion);
        return kExitDone;
    }
    // From here a signal ends the program as closing its window does.
    handleSignals();
    const int started = start();
    if (started != kExitDone)
        return started;
    mainLoop();
    return finish();
}

// --- starting -------------------------------------------------------------

int CPlayer::start()
{
    std::string error;
    // --save's file is refused now, not after a session played into it: a
    // folder, a device, a missing folder or a name too long.
    if (!m_options.saveFile.empty() && !replacefile::check(m_options.saveFile, error)) {
        say("--save: " + error + "; nothing is written");
        return kExitState;
    }
    const std::string folder = CStateStore::defaultFolder();
    if (folder.empty()) {
        say("neither XDG_CONFIG_HOME nor HOME is set: there is no configuration folder for the state");
        return kExitState;
    }
    m_store = std::make_unique<CStateStore>(folder);
    if (!m_store->prepareFolder(error)) {
        say(error + "; the saved state is left as it is");
        return kExitState;
    }
    m_instrument = createInstrument();
    if (m_instrument == nullptr) {
        say("out of memory");
        return kExitFailed;
    }
    const int restored = restoreState();
    if (restored != kExitDone)
        return restored;
    const int window = openWindow();
    if (window != kExitDone)
        return window;
    m_editorOpen = m_editor->open(m_window->nativeWindow());
    startAudio();
    return kExitDone;
}

// The saved state, and --load's file: a bank (a bank file, or a bank as
// zintra-host --save-bank writes it) replaces the whole state; a program file
// goes into the current program of the restored state, as hosts take one, so
// that the other programs, the melody and the calculator's memory stay. A
// saved state that cannot be read ends the program, --load or not (it would
// be overwritten at the quit); a damaged one is kept aside and the instrument
// starts from its defaults. A --load file that cannot be used ends the
// program. Nothing is written or moved before all of it has worked.
int CPlayer::restoreState()
{
    std::string error;
    const std::string path = m_store->statePath();
    const bool stateSaved = CStateStore::exists(path);
    std::vector<unsigned char> savedBytes;
    if (stateSaved && !CStateStore::readFile(path, savedBytes, error)) {
        say(error + "; the saved state is left as it is (move it away to start from the defaults)");
        return kExitState;
    }
    CPresetFile::Contents loaded;
    if (!m_options.loadFile.empty()) {
        if (!readStateFile(m_options.loadFile, loaded, error)) {
            say(error);
            return kExitLoad;
        }
        if (loaded.kind == CPresetFile::Kind::kBank) {
            if (loadContents(m_options.loadFile, loaded, error))
                return kExitDone;
            say(error);
            return kExitLoad;
        }
    }
    // A refused bank changes nothing: the instrument keeps its defaults.
    std::string damage;
    CPresetFile::Contents saved;
    if (stateSaved && unwrapFile(path, savedBytes, saved, damage))
        loadContents(path, saved, damage);
    if (!m_options.loadFile.empty() && !loadContents(m_options.loadFile, loaded, error)) {
        say(error);
        return kExitLoad;
    }
    if (!damage.empty()) {
        const std::string aside = CStateStore::setAside(path);
        say(damage + (aside.empty() ? "" : "; kept as " + aside) + "; starting from the defaults");
    }
    return kExitDone;
}

bool CPlayer::readStateFile(const std::string& path, CPresetFile::Contents& contents, std::string& error)
{
    std::vector<unsigned char> bytes;
    return CStateStore::readFile(path, bytes, error) && unwrapFile(path, bytes, contents, error);
}

// A bank or program file ('CcnK' at its start), else the instrument's bank
// chunk as it is.
bool CPlayer::unwrapFile(const std::string& path, std::vector<unsigned char>& bytes, CPresetFile::Contents& contents,
                         std::string& error)
{
    if (bytes.empty()) {
        error = path + " is empty: it holds no bank";
        return false;
    }
    if (!CPresetFile::isPresetFile(bytes.data(), bytes.size())) {
        contents.kind = CPresetFile::Kind::kBank;
        contents.chunk.swap(bytes);
        return true;
    }
    if (CPresetFile::read(bytes.data(), bytes.size(), product::kVst2UniqueId, contents, error))
        return true;
    error = path + ": " + error;
    return false;
}

bool CPlayer::loadContents(const std::string& path, const CPresetFile::Contents& contents, std::string& error)
{
    if (contents.kind == CPresetFile::Kind::kProgram)
        return loadProgram(path, contents.chunk, error);
    // Only a bank of a size the instrument writes: a long file of zeros
    // would otherwise pass for a bank followed by a damaged extension.
    const auto size = static_cast<std::int32_t>(contents.chunk.size());
    if (size != CInstrument::kBankSize && size != CInstrument::kEarlierBankSize) {
        error = path + " is not a bank of this instrument (" + std::to_string(size) + " bytes, not " +
                std::to_string(CInstrument::kEarlierBankSize) + " or " + std::to_string(CInstrument::kBankSize) + ")";
        return false;
    }
    if (m_instrument->setChunk(contents.chunk.data(), size, false) != 0)
        return true;
    error = path + " is not a bank of this instrument (damaged or from a later version)";
    return false;
}

// A program file's chunk into the current program. The instrument takes a
// program chunk without an answer, so its own chunk is compared after.
bool CPlayer::loadProgram(const std::string& path, const std::vector<unsigned char>& chunk, std::string& error)
{
    const void* current = nullptr;
    const std::int32_t size = m_instrument->getChunk(&current, true);
    if (static_cast<std::size_t>(size) == chunk.size()) {
        m_instrument->setChunk(chunk.data(), size, true);
        m_instrument->getChunk(&current, true);
        const unsigned char* taken = static_cast<const unsigned char*>(current);
        if (std::equal(chunk.begin(), chunk.end(), taken))
            return true;
    }
    error = path + ": its chunk is not a program of this instrument (damaged or from a later version)";
    return false;
}

int CPlayer::openWindow()
{
    m_editor = m_instrument->editor();
    if (m_editor == nullptr) {
        say("the instrument has no front panel");
        return kExitFailed;
    }
    if (!m_options.scale.empty())
        m_editor->setHostScaleFactor(m_options.scale == "2" ? 2.0f : 1.0f);
    const CEditorView::Size size = m_editor->size();
    if (size.width <= 0 || size.height <= 0) {
        say("the instrument has no front panel");
        return kExitFailed;
    }
    m_window = createPlayerWindow();
    std::string error;
    if (!m_window->open(size.width, size.height, kTitle, this, error)) {
        say(error + " (zintra needs an X display for its panel)");
        return kExitNoDisplay;
    }
    return kExitDone;
}

// The audio as --audio chooses. Without it the player still runs: its window
// says what is wrong, and the main loop tries again every few seconds.
void CPlayer::startAudio()
{
    CPlayerAudio::Settings settings;
    CPlayerAudio::choiceOf(m_options.audio, settings.choice);
    settings.clientName = m_options.clientName;
    settings.connectOutputs = m_options.connectOutputs;
    settings.midiSource = m_options.midiSource;
    settings.device = m_options.device;
    m_audio = std::make_unique<CPlayerAudio>(*m_instrument, settings);
    if (m_audio->update(CPlayerAudio::Clock::now()))
        m_window->showMessage(m_audio->text());
}

// --- running ----------------------------------------------------------------

void CPlayer::mainLoop()
{
    CEditorView* panel = m_editorOpen ? m_editor : nullptr;
    auto nextIdle = std::chrono::steady_clock::now();
    while (g_quitRequested == 0) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextIdle) {
            if (m_audio->update(now))
                m_window->showMessage(m_audio->text());
            if (m_editorOpen)
                m_editor->idle();
            bool busy = panel != nullptr && panel->wantsIdle();
            // An idle that drew (the LCD's tempo mark blinking) leaves work
            // for the next only in what its drawing read: done now, in the
            // same wakeup, it leaves the panel idle again.
            if (busy) {
                m_editor->idle();
                busy = panel->wantsIdle();
            }
            nextIdle = now + (busy ? kIdlePeriod : kQuietPeriod);
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextIdle - now).count();
        // Something came (a key, the pointer on the panel): the idle at once.
        if (m_window->waitEvents(static_cast<int>(wait > 0 ? wait : 0), panel != nullptr ? panel->newsSource() : -1))
            nextIdle = std::chrono::steady_clock::now();
    }
}

void CPlayer::windowKeyDown(const EditorKey& key)
{
    if (m_editorOpen)
        m_editor->keyDown(key);
}

void CPlayer::windowKeyUp(const EditorKey& key)
{
    if (m_editorOpen)
        m_editor->keyUp(key);
}

void CPlayer::windowCloseRequested()
{
    requestQuit();
}

// The display went away: the window and the panel cannot be closed any more
// (every call on their connections would fail), but the audio stops and the
// state is saved before the program ends with the status of a lost display.
void CPlayer::windowDisplayLost()
{
    say("the display closed");
    if (m_audio != nullptr)
        m_audio->close();
    const int status = saveAtEnd(kExitNoDisplay);
    std::fflush(nullptr);
    std::_Exit(status);
}

// --- ending -----------------------------------------------------------------

// The audio stops first, so that the saved bank is the one last heard.
int CPlayer::finish()
{
    m_audio->close();
    if (m_editorOpen)
        m_editor->close();
    m_editorOpen = false;
    m_window->close();
    return saveAtEnd(kExitDone);
}

// The state, and --save's file; status, or kExitState when a save failed.
int CPlayer::saveAtEnd(int status)
{
    std::string error;
    if (!saveBank(m_store->statePath(), error)) {
        say(error + "; the saved state is left as it was");
        status = kExitState;
    }
    if (!m_options.saveFile.empty() && !saveFile(m_options.saveFile, error)) {
        say(error + "; the file is left as it was");
        status = kExitState;
    }
    return status;
}

bool CPlayer::saveBank(const std::string& path, std::string& error)
{
    const void* bytes = nullptr;
    const std::int32_t size = m_instrument->getChunk(&bytes, false);
    if (size <= 0 || bytes == nullptr) {
        error = "the instrument gave no bank to save";
        return false;
    }
    return CStateStore::writeFile(path, bytes, static_cast<std::size_t>(size), error);
}

// --save's file: a bank file (.fxb), a program file of the current program
// (.fxp), else the bank chunk as it is.
bool CPlayer::saveFile(const std::string& path, std::string& error)
{
    CPresetFile::Contents contents;
    if (!CPresetFile::kindOfName(path, contents.kind))
        return saveBank(path, error);
    const bool program = contents.kind == CPresetFile::Kind::kProgram;
    const void* bytes = nullptr;
    const std::int32_t size = m_instrument->getChunk(&bytes, program);
    if (size <= 0 || bytes == nullptr) {
        error = "the instrument gave nothing to save";
        return false;
    }
    const unsigned char* chunk = static_cast<const unsigned char*>(bytes);
    contents.chunk.assign(chunk, chunk + size);
    contents.pluginId = product::kVst2UniqueId;
    contents.pluginVersion = product::kVst2Version;
    contents.count = program ? kNumParams : kNumPrograms;
    contents.currentProgram = m_instrument->getProgram();
    if (program) {
        char name[64] = {};
        m_instrument->getProgramName(name);
        contents.programName = name;
    }
    const std::vector<unsigned char> file = CPresetFile::write(contents);
    return CStateStore::writeFile(path, file.data(), file.size(), error);
}
