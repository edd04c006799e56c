// The built player, zintra, as a musician runs it: a private JACK server
// (jackd with its dummy driver) and this Xvfb display. The test plays it
// through the X test extension (keys, clicks, drags) and through a MIDI
// port of its own, records its outputs with a JACK client of its own, reads
// its panel back from the window's pixels, quits and restarts it, and runs it
// into each error it reports.
#include "CPresetFile.h"
#include "InstrumentBanks.h"
#include "PanelReference.h"
#include "ProductIdentity.h"
#include "SignalAnalysis.h"

// The panel's codes in a namespace of their own: their KeyCode clashes with
// Xlib's.
namespace panel {
#include "PanelCodes.h"
} // namespace panel

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include "CX11PlayerWindow.h"
#include "PrivateXServer.h"
#include "ScratchFolder.h"
#include "X11HostSupport.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
constexpr int kPanelWidth = 882;
constexpr int kPanelHeight = 213;
// Where the panel's controls are: C4 (the white key at 356, 160; its lower
// part, clear of the black keys), A4 (the white key at 541, 160), Cal on
// the Mode switch, Program 1 on the Program switch, and the strip of the
// sliders and switches.
constexpr CPoint kKeyC4{372, 185};
constexpr CRect kKeyC4Lower{358, 175, 390, 205};
constexpr CPoint kKeyA4{557, 185};
constexpr CPoint kModeCal{845, 36};
constexpr CPoint kProgramOne{725, 30};
constexpr CRect kControlStrip{400, 20, 880, 55};

void sleepMs(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string contentOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a program with some environment variables changed ("NAME" alone:
// removed), its output into a file; answers its process id. A file-size
// limit set on it fails its writes (EFBIG) instead of ending it (SIGXFSZ
// ignored). Unprivileged, root's test runs it as nobody, to whom the
// test's files are read-only.
pid_t spawn(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
            const std::string& output, bool unprivileged = false)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    // Ended with the test, should it crash.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    for (const auto& [name, value] : environment) {
        if (value == "-")
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    const int file = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, 1);
    dup2(file, 2);
    std::signal(SIGXFSZ, SIG_IGN);
    constexpr uid_t kNobody = 65534;
    if (unprivileged && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
        _exit(126);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Whether a JACK server of any name runs on this machine.
bool anyJackServerRuns()
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string command = contentOf(entry.path() / "comm");
        if (command == "jackd\n" || command == "jackdbus\n")
            return true;
    }
    return false;
}

// Starts jackd on its dummy driver. JACK keeps a registry of eight server
// names, and a server that dies keeps its place there: jackd stopped while
// a client goes away at the same time at times dies of SIGPIPE as it tells
// that client (the test of a server going away does just that), and runs
// cut short leave theirs too. Once eight are left, no server starts. So
// with no server running, when nothing can be using it, the registry is
// removed for jackd to make anew (this jackd's own --replace-registry is
// refused by its parser).
pid_t spawnJackServer(const std::string& name, int rate, int period, const std::string& output)
{
    if (!anyJackServerRuns())
        shm_unlink("/jack-shm-registry");
    return spawn({"jackd", "-n", name, "-d", "dummy", "-r", std::to_string(rate), "-p", std::to_string(period)}, {},
                 output);
}

// The exit status, or -1 when the process did not end within the time.
int waitForExit(pid_t pid, int milliseconds)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        sleepMs(5);
    }
    return -1;
}

// A JACK client of the test's own: records two audio inputs into buffers
// made beforehand, or sends one MIDI message at a frame offset of its next
// block. It notes the server's frame time of the block it recorded first or
// sent in.
class JackProbe {
public:
    static constexpr std::size_t kCapacity = static_cast<std::size_t>(kRate) * 4;

    explicit JackProbe(const char* name)
        : m_left(kCapacity),
          m_right(kCapacity)
    {
        m_client = jack_client_open(name, JackNoStartServer, nullptr);
        if (m_client == nullptr)
            return;
        m_inputs[0] = jack_port_register(m_client, "left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        m_inputs[1] = jack_port_register(m_client, "right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        m_midi = jack_port_register(m_client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(m_client, &JackProbe::processCallback, this);
        jack_activate(m_client);
    }
    ~JackProbe()
    {
        if (m_client != nullptr)
            jack_client_close(m_client);
    }
    jack_client_t* client() const { return m_client; }
    bool connect(const char* from, const char* to) { return jack_connect(m_client, from, to) == 0; }
    bool disconnect(const char* from, const char* to) { return jack_disconnect(m_client, from, to) == 0; }
    std::string portName(const char* shortName) const
    {
        return std::string(jack_get_client_name(m_client)) + ":" + shortName;
    }

    // Records the next frames and answers them, left and right.
    void record(int milliseconds)
    {
        m_frames.store(0);
        m_startFrame.store(0);
        m_wanted.store(std::min(kCapacity, static_cast<std::size_t>(kRate * milliseconds / 1000)));
        m_recording.store(true);
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds + 2000);
        while (m_recording.load() && Clock::now() < deadline)
            sleepMs(5);
        m_recording.store(false);
    }
    void startRecording(int milliseconds)
    {
        m_frames.store(0);
        m_wanted.store(std::min(kCapacity, static_cast<std::size_t>(kRate * milliseconds / 1000)));
        m_recording.store(true);
    }
    void waitRecorded()
    {
        const auto deadline = Clock::now() + std::chrono::seconds(6);
        while (m_recording.load() && Clock::now() < deadline)
            sleepMs(5);
    }
    std::vector<float> left() const { return {m_left.begin(), m_left.begin() + recorded()}; }
    std::vector<float> right() const { return {m_right.begin(), m_right.begin() + recorded()}; }
    std::uint32_t startFrame() const { return m_startFrame.load(); }

    // Sends a message at offset into the next block; answers that block's
    // frame time.
    std::uint32_t send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, std::uint32_t offset)
    {
        m_message[0] = status;
        m_message[1] = data1;
        m_message[2] = data2;
        m_offset = offset;
        m_sent.store(false);
        m_sendPending.store(true);
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (!m_sent.load() && Clock::now() < deadline)
            sleepMs(1);
        return m_sentFrame.load();
    }

private:
    std::ptrdiff_t recorded() const { return static_cast<std::ptrdiff_t>(m_frames.load()); }

    static int processCallback(jack_nframes_t frames, void* self)
    {
        static_cast<JackProbe*>(self)->process(frames);
        return 0;
    }
    void process(jack_nframes_t frames)
    {
        void* midi = jack_port_get_buffer(m_midi, frames);
        jack_midi_clear_buffer(midi);
        if (m_sendPending.load()) {
            jack_midi_event_write(midi, m_offset, m_message, 3);
            m_sentFrame.store(jack_last_frame_time(m_client));
            m_sendPending.store(false);
            m_sent.store(true);
        }
        if (!m_recording.load())
            return;
        const std::size_t done = m_frames.load();
        if (done == 0)
            m_startFrame.store(jack_last_frame_time(m_client));
        const std::size_t take = std::min<std::size_t>(frames, m_wanted.load() - done);
        const auto* left = static_cast<const float*>(jack_port_get_buffer(m_inputs[0], frames));
        const auto* right = static_cast<const float*>(jack_port_get_buffer(m_inputs[1], frames));
        std::copy(left, left + take, m_left.begin() + static_cast<std::ptrdiff_t>(done));
        std::copy(right, right + take, m_right.begin() + static_cast<std::ptrdiff_t>(done));
        m_frames.store(done + take);
        if (done + take >= m_wanted.load())
            m_recording.store(false);
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_inputs[2] = {};
    jack_port_t* m_midi = nullptr;
    std::vector<float> m_left, m_right;
    std::atomic<bool> m_recording{false};
    std::atomic<std::size_t> m_frames{0};
    std::atomic<std::size_t> m_wanted{0};
    std::atomic<std::uint32_t> m_startFrame{0};
    jack_midi_data_t m_message[3] = {};
    std::uint32_t m_offset = 0;
    std::atomic<bool> m_sendPending{false};
    std::atomic<bool> m_sent{false};
    std::atomic<std::uint32_t> m_sentFrame{0};
};

// The pitch of a held note from its threshold crossings, in Hz; 0 for
// silence.
double pitchOf(const std::vector<float>& samples)
{
    if (samples.size() < 4096)
        return 0.0;
    const std::vector<double> crossings = audiocheck::upCrossings(samples, samples.size() / 4);
    if (crossings.size() < 3)
        return 0.0;
    return kRate * static_cast<double>(crossings.size() - 1) / (crossings.back() - crossings.front());
}

float peakOf(const std::vector<float>& samples)
{
    float peak = 0.0f;
    for (float s : samples)
        peak = std::max(peak, std::abs(s));
    return peak;
}

// What the player writes to an ALSA file device that writes into a named
// pipe, read at the pace of a sound card (48000 frames of two floats a
// second from the first that came), so that the player's audio thread waits
// on the pipe as it would on a device. Reads until it is destroyed, so that
// the player never blocks on a full pipe as it ends.
class PipeListener {
public:
    static constexpr std::size_t kFrameBytes = 2 * sizeof(float);
    static constexpr std::size_t kMaxFrames = static_cast<std::size_t>(kRate) * 30;

    explicit PipeListener(const fs::path& path)
    {
        mkfifo(path.c_str(), 0600);
        m_pipe = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        m_samples.reserve(kMaxFrames * 2);
        m_thread = std::thread([this] { run(); });
    }
    ~PipeListener()
    {
        m_stop.store(true);
        m_thread.join();
        if (m_pipe >= 0)
            close(m_pipe);
    }
    bool valid() const { return m_pipe >= 0; }
    std::size_t frames()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples.size() / 2;
    }
    // The latest milliseconds of what came, one channel (0 left, 1 right).
    std::vector<float> latest(int milliseconds, int channel)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::size_t frames = m_samples.size() / 2;
        const std::size_t wanted = std::min(frames, static_cast<std::size_t>(kRate * milliseconds / 1000));
        std::vector<float> out;
        for (std::size_t i = frames - wanted; i < frames; ++i)
            out.push_back(m_samples[2 * i + static_cast<std::size_t>(channel)]);
        return out;
    }

private:
    void run()
    {
        std::vector<unsigned char> bytes;
        unsigned char chunk[4096];
        std::size_t total = 0;
        Clock::time_point first{};
        while (!m_stop.load()) {
            const double elapsed = total == 0 ? 0.0 : std::chrono::duration<double>(Clock::now() - first).count();
            const std::size_t due = static_cast<std::size_t>(elapsed * kRate) * kFrameBytes + sizeof chunk;
            const ssize_t got = total < due ? read(m_pipe, chunk, std::min(sizeof chunk, due - total)) : 0;
            if (got <= 0) {
                sleepMs(2);
                continue;
            }
            if (total == 0)
                first = Clock::now();
            total += static_cast<std::size_t>(got);
            bytes.insert(bytes.end(), chunk, chunk + got);
            const std::size_t whole = bytes.size() / kFrameBytes * kFrameBytes;
            std::lock_guard<std::mutex> lock(m_mutex);
            for (std::size_t at = 0; at < whole && m_samples.size() < kMaxFrames * 2; at += sizeof(float)) {
                float sample = 0.0f;
                std::memcpy(&sample, bytes.data() + at, sizeof sample);
                m_samples.push_back(sample);
            }
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(whole));
        }
    }

    int m_pipe = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<float> m_samples;
};

// The same rectangle of two pictures holds the same pixels.
bool samePixels(const CPixelSurface& a, const CPixelSurface& b, const CRect& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

class PlayerX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_serverName = "zintra-test-" + std::to_string(getpid());
        // Quiet while the test waits for the server to come up.
        jack_set_error_function([](const char*) {});
        setenv("JACK_DEFAULT_SERVER", s_serverName.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        const std::string log = ::testing::TempDir() + s_serverName + ".log";
        s_server = spawnJackServer(s_serverName, kRate, 512, log);
    }
    static void TearDownTestSuite()
    {
        kill(s_server, SIGTERM);
        if (waitForExit(s_server, 3000) < 0) {
            kill(s_server, SIGKILL);
            waitForExit(s_server, 1000);
        }
    }

    void SetUp() override
    {
        ASSERT_TRUE(scratch.valid());
        home = scratch.path() / "home";
        fs::create_directories(home);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display) << "run under tests/gui/run-with-xvfb.sh";
        // The server needs a moment to come up at the first test.
        for (int attempt = 0; attempt < 100 && recorder == nullptr; ++attempt) {
            auto probe = std::make_unique<JackProbe>("zintra-test-record");
            if (probe->client() != nullptr)
                recorder = std::move(probe);
            else
                sleepMs(50);
        }
        ASSERT_NE(nullptr, recorder) << "the test's JACK server did not start";
        sender = std::make_unique<JackProbe>("zintra-test-send");
        ASSERT_NE(nullptr, sender->client());
    }
    void TearDown() override
    {
        if (player > 0) {
            kill(player, SIGKILL);
            waitForExit(player, 2000);
        }
        recorder.reset();
        sender.reset();
        if (display != nullptr)
            XCloseDisplay(display);
    }

    fs::path statePath() const { return home / ".config" / "zintra" / "state.bank"; }
    std::string output() const { return contentOf(scratch.path() / "zintra.log"); }

    std::map<std::string, std::string> environment(std::map<std::string, std::string> changes = {}) const
    {
        changes.emplace("HOME", home.string());
        changes.emplace("XDG_CONFIG_HOME", "-");
        return changes;
    }
    // Starts zintra; true once its ports and its window are there.
    bool start(std::vector<std::string> arguments = {}, std::map<std::string, std::string> changes = {})
    {
        return launch(std::move(arguments), std::move(changes),
                      [&] { return jack_port_by_name(recorder->client(), "Zintra:voice") != nullptr; });
    }
    // Starts zintra where no JACK server runs; true once its window is there
    // and its output says said.
    bool startWithoutJack(const std::string& said, std::vector<std::string> arguments = {})
    {
        return launch(std::move(arguments), {{"JACK_DEFAULT_SERVER", "zintra-test-none"}},
                      [&] { return output().find(said) != std::string::npos; });
    }
    template <typename Ready>
    bool launch(std::vector<std::string> arguments, std::map<std::string, std::string> changes, Ready ready)
    {
        arguments.insert(arguments.begin(), ZINTRA_PLAYER_PATH);
        player = spawn(arguments, environment(changes), (scratch.path() / "zintra.log").string());
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            window = findWindow();
            const std::vector<Window> children =
                window != 0 ? x11test::childWindows(display, window) : std::vector<Window>();
            if (!children.empty() && ready()) {
                panel = children.front();
                sleepMs(200); // a few idles: the panel drawn
                return true;
            }
            int status = 0;
            if (waitpid(player, &status, WNOHANG) == player) {
                player = 0;
                return false;
            }
            sleepMs(20);
        }
        return false;
    }
    // True once the player's output says said, within the time.
    bool waitToSay(const std::string& said, int milliseconds)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        while (Clock::now() < deadline && output().find(said) == std::string::npos)
            sleepMs(20);
        return output().find(said) != std::string::npos;
    }
    // The default ALSA device in the player's ~/.asoundrc.
    void setAlsaDevice(const std::string& definition) const
    {
        std::ofstream(home / ".asoundrc") << "pcm.!default " << definition << "\n";
    }
    // A device that writes what it plays, raw, into a file (a named pipe).
    static std::string fileDevice(const fs::path& path)
    {
        return "{\n type file\n slave.pcm \"null\"\n file \"" + path.string() + "\"\n format \"raw\"\n}";
    }
    int windowHeight() const
    {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, window, &attributes);
        return attributes.height;
    }
    // Runs zintra to its end; its exit status (-1: it did not end in 10 s).
    int runToEnd(std::vector<std::string> arguments, std::map<std::string, std::string> changes = {},
                 bool unprivileged = false)
    {
        arguments.insert(arguments.begin(), ZINTRA_PLAYER_PATH);
        const pid_t pid =
            spawn(arguments, environment(changes), (scratch.path() / "zintra.log").string(), unprivileged);
        const int status = waitForExit(pid, 10000);
        if (status < 0)
            kill(pid, SIGKILL);
        return status;
    }
    // Ends the player with a signal; its exit status and how long it took.
    int stop(int signal, int* milliseconds = nullptr)
    {
        const auto begin = Clock::now();
        kill(player, signal);
        const int status = waitForExit(player, 5000);
        if (milliseconds != nullptr)
            *milliseconds =
                static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
        player = 0;
        return status;
    }
    // Closes the window as a window manager does: WM_DELETE_WINDOW.
    int closeWindow(int* milliseconds)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        const auto begin = Clock::now();
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
        const int status = waitForExit(player, 5000);
        *milliseconds =
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
        player = 0;
        return status;
    }

    Window findWindow()
    {
        for (Window child : x11test::childWindows(display, DefaultRootWindow(display))) {
            char* name = nullptr;
            if (XFetchName(display, child, &name) != 0 && name != nullptr) {
                const bool ours = std::strcmp(name, "Zintra") == 0;
                XFree(name);
                if (ours)
                    return child;
            }
        }
        return 0;
    }

    // The ports a port is connected to, one a line.
    std::string connectionsOf(const char* port)
    {
        std::string names;
        const char** connections =
            jack_port_get_all_connections(recorder->client(), jack_port_by_name(recorder->client(), port));
        for (int i = 0; connections != nullptr && connections[i] != nullptr; ++i)
            names += std::string(connections[i]) + "\n";
        jack_free(connections);
        return names;
    }
    void connectOutputs(bool midi = true)
    {
        ASSERT_TRUE(recorder->connect("Zintra:voice", recorder->portName("left").c_str()));
        ASSERT_TRUE(recorder->connect("Zintra:rhythm", recorder->portName("right").c_str()));
        if (midi) {
            ASSERT_TRUE(sender->connect(sender->portName("midi_out").c_str(), "Zintra:midi_in"));
        }
    }

    // Keys and the pointer through the X test extension.
    void key(KeySym symbol, bool down)
    {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), down ? True : False, CurrentTime);
        XFlush(display);
    }
    void type(const std::string& text)
    {
        for (char c : text) {
            const bool shifted = c == '+' || c == '*' || c == '%';
            const KeySym symbol = c == '+'   ? XK_equal
                                  : c == '*' ? XK_8
                                  : c == '%' ? XK_5
                                  : c == '=' ? XK_equal
                                             : XStringToKeysym(std::string(1, c).c_str());
            if (shifted)
                key(XK_Shift_L, true);
            key(symbol, true);
            sleepMs(40);
            key(symbol, false);
            if (shifted)
                key(XK_Shift_L, false);
            sleepMs(40);
        }
    }
    void button(CPoint where, bool down)
    {
        x11test::pointerTo(display, panel, where);
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        XFlush(display);
    }
    void drag(const std::vector<CPoint>& points)
    {
        button(points.front(), true);
        for (const CPoint& point : points) {
            sleepMs(60);
            x11test::pointerTo(display, panel, point);
            XFlush(display);
        }
        sleepMs(60);
        button(points.back(), false);
    }
    // The pointer off the panel, so that no hover hint shows.
    void pointerAway()
    {
        XTestFakeMotionEvent(display, DefaultScreen(display), 1000, 700, CurrentTime);
        XFlush(display);
    }
    CPixelSurface picture() { return x11test::readWindow(display, panel, kPanelWidth, kPanelHeight); }
    // The panel's picture once shows(picture) holds, or after 3 s: the
    // player idles its panel every 20 ms, later on a loaded machine.
    template <typename Condition>
    CPixelSurface pictureWhen(Condition shows)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        CPixelSurface shot = picture();
        while (!shows(shot) && Clock::now() < deadline) {
            sleepMs(20);
            shot = picture();
        }
        return shot;
    }
    std::string lcdShowing(const std::string& text)
    {
        return paneltest::lcdText(
            pictureWhen([&](const CPixelSurface& shot) { return paneltest::lcdText(shot) == text; }));
    }

    static std::string s_serverName;
    static pid_t s_server;
    testhost::ScratchFolder scratch;
    fs::path home;
    Display* display = nullptr;
    std::unique_ptr<JackProbe> recorder, sender;
    pid_t player = 0;
    Window window = 0;
    Window panel = 0;
};

std::string PlayerX11Test::s_serverName;
pid_t PlayerX11Test::s_server = 0;

TEST_F(PlayerX11Test, PlaysFromTheKeyboardThePanelAndMidiAndTypesOnTheCalculator)
{
    ASSERT_TRUE(start({"--no-connect"})) << output();
    // The ports as jack_lsp lists them.
    FILE* lsp = popen("jack_lsp -t Zintra", "r");
    ASSERT_NE(nullptr, lsp);
    std::string ports;
    char line[256];
    while (std::fgets(line, sizeof line, lsp) != nullptr)
        ports += line;
    pclose(lsp);
    EXPECT_NE(std::string::npos, ports.find("Zintra:voice\n\t32 bit float mono audio")) << ports;
    EXPECT_NE(std::string::npos, ports.find("Zintra:rhythm\n\t32 bit float mono audio")) << ports;
    EXPECT_NE(std::string::npos, ports.find("Zintra:midi_in\n\t8 bit raw midi")) << ports;
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    EXPECT_EQ(kPanelWidth, attributes.width);
    EXPECT_EQ(kPanelHeight, attributes.height);
    EXPECT_EQ("", connectionsOf("Zintra:voice"));
    EXPECT_EQ("", connectionsOf("Zintra:rhythm"));
    connectOutputs();

    // Z held: C4 on the voice's output, the key shown pressed.
    key(XK_z, true);
    sleepMs(100);
    recorder->record(500);
    const CPixelSurface fresh = paneltest::panelPicture();
    EXPECT_FALSE(
        samePixels(fresh, pictureWhen([&](const CPixelSurface& shot) { return !samePixels(fresh, shot, kKeyC4Lower); }),
                   kKeyC4Lower))
        << "the key shown pressed";
    key(XK_z, false);
    EXPECT_NEAR(261.63, pitchOf(recorder->left()), 1.0);
    EXPECT_EQ(0.0f, peakOf(recorder->right())) << "the rhythm box is silent";
    EXPECT_TRUE(samePixels(fresh,
                           pictureWhen([&](const CPixelSurface& shot) { return samePixels(fresh, shot, kKeyC4Lower); }),
                           kKeyC4Lower))
        << "and released";

    // A4 clicked on the panel and held.
    button(kKeyA4, true);
    sleepMs(100);
    recorder->record(500);
    button(kKeyA4, false);
    EXPECT_NEAR(440.0, pitchOf(recorder->left()), 1.0);
    sleepMs(300);

    // E4 by MIDI at two frames of a block: each starts that many frames
    // after its block's start, give or take the few frames in which the
    // voice's first step rises (they depend on its oscillator's phase). A
    // note taken at the block's start would be 100 or 357 frames early.
    std::vector<std::int64_t> delays;
    for (const std::uint32_t offset : {100u, 357u}) {
        recorder->startRecording(400);
        sleepMs(50);
        const std::uint32_t sentIn = sender->send(0x90, 64, 100, offset);
        recorder->waitRecorded();
        sender->send(0x80, 64, 0, 0);
        const std::vector<float> voice = recorder->left();
        EXPECT_NEAR(329.63, pitchOf(voice), 1.0);
        const std::int64_t due = static_cast<std::int64_t>(sentIn) + offset - recorder->startFrame();
        std::int64_t onset = -1;
        for (std::size_t i = 0; i < voice.size() && onset < 0; ++i)
            if (voice[i] != 0.0f)
                onset = static_cast<std::int64_t>(i);
        ASSERT_GT(due, 0);
        delays.push_back(onset - due);
        sleepMs(500); // the release ends
    }
    for (const std::int64_t delay : delays) {
        EXPECT_GE(delay, 0);
        EXPECT_LT(delay, 32);
    }
    EXPECT_LE(std::abs(delays[0] - delays[1]), 4) << "sample-accurate";

    // Cal, typed on the computer keyboard.
    button(kModeCal, true);
    sleepMs(60);
    button(kModeCal, false);
    sleepMs(150);
    type("12+30=");
    sleepMs(150);
    EXPECT_EQ(".......42", lcdShowing(".......42"));
    type("*2");
    key(XK_Return, true);
    key(XK_Return, false);
    sleepMs(150);
    EXPECT_EQ(".......84", lcdShowing(".......84"));

    int milliseconds = 0;
    EXPECT_EQ(0, closeWindow(&milliseconds)) << output();
    EXPECT_LT(milliseconds, 1000);
}

TEST_F(PlayerX11Test, VolumeAndProgramSurviveAQuitAndARestartAndQuittingWhileItSoundsIsQuick)
{
    ASSERT_TRUE(start({"--midi-connect", sender->portName("midi_out")})) << output();
    EXPECT_EQ("system:playback_1\n", connectionsOf("Zintra:voice"));
    EXPECT_EQ("system:playback_2\n", connectionsOf("Zintra:rhythm"));
    EXPECT_EQ(sender->portName("midi_out") + "\n", connectionsOf("Zintra:midi_in"));
    connectOutputs(false);
    const CPixelSurface fresh = paneltest::panelPicture();
    pointerAway();
    EXPECT_TRUE(samePixels(
        fresh, pictureWhen([&](const CPixelSurface& shot) { return samePixels(fresh, shot, kControlStrip); }),
        kControlStrip))
        << "a new instrument's controls";

    drag(paneltest::pointsOnControl(panel::kParamVolume, {0.5f, 0.35f, 0.2f}));
    button(kProgramOne, true);
    sleepMs(60);
    button(kProgramOne, false);
    pointerAway();
    sleepMs(300);
    const CPixelSurface changed = picture();
    EXPECT_FALSE(samePixels(fresh, changed, kControlStrip)) << "the drag and the program shown";

    // A rhythm started by MIDI and a key held: both sound when the signal comes.
    sender->send(panel::kStatusController, panel::kControllerRhythmSelect, 0, 0);
    sender->send(panel::kStatusController, panel::kControllerRhythmStart, 127, 0);
    key(XK_q, true);
    sleepMs(200);
    recorder->record(300);
    EXPECT_GT(peakOf(recorder->left()), 0.01f) << "the note sounds";
    EXPECT_GT(peakOf(recorder->right()), 0.01f) << "the rhythm sounds";
    int milliseconds = 0;
    EXPECT_EQ(0, stop(SIGTERM, &milliseconds)) << output();
    EXPECT_LT(milliseconds, 1000);
    key(XK_q, false);
    EXPECT_TRUE(fs::is_regular_file(statePath()));

    ASSERT_TRUE(start({"--no-connect"})) << output();
    pointerAway();
    EXPECT_TRUE(samePixels(
        changed, pictureWhen([&](const CPixelSurface& shot) { return samePixels(changed, shot, kControlStrip); }),
        kControlStrip))
        << "the volume and the program restored";
    EXPECT_EQ(0, stop(SIGINT)) << output();
}

TEST_F(PlayerX11Test, ErrorsSayWhatIsWrongEndWithTheirStatusAndKeepTheSavedState)
{
    const std::string saved = contentOf(fs::path(QUIBO_TEST_DATA_DIR) / "session.bank");
    ASSERT_GT(saved.size(), 1000u);
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::map<std::string, std::string> changes;
        bool folderReadOnly; // and the player not root
        int status;
        const char* message;
    };
    const std::string damaged = (scratch.path() / "damaged.bank").string();
    std::ofstream(damaged) << "not a bank";
    // The saved bank in a bank file of another plug-in.
    CPresetFile::Contents contents;
    contents.pluginId = ('a' << 24) | ('b' << 16) | ('c' << 8) | 'd';
    contents.chunk.assign(saved.begin(), saved.end());
    const std::vector<unsigned char> otherFile = CPresetFile::write(contents);
    const std::string otherPlugin = (scratch.path() / "other.fxb").string();
    std::ofstream(otherPlugin, std::ios::binary)
        .write(reinterpret_cast<const char*>(otherFile.data()), static_cast<std::streamsize>(otherFile.size()));
    const Row rows[] = {
        {"no display", {}, {{"DISPLAY", "-"}}, false, 4, "no display"},
        {"configuration folder not writable", {}, {}, true, 5, "Permission denied; the saved state is left as it is"},
        {"--load of a damaged file", {"--load", damaged}, {}, false, 6, "is not a bank"},
        {"--load of another plug-in's bank file",
         {"--load", otherPlugin},
         {},
         false,
         6,
         "a preset file of the plug-in 'abcd', not of this one ('qbo1')"},
        {"unknown option", {"--loud"}, {}, false, 2, "unknown option --loud"},
    };
    for (const Row& row : rows) {
        fs::remove_all(home);
        fs::create_directories(statePath().parent_path());
        std::ofstream(statePath(), std::ios::binary) << saved;
        if (row.folderReadOnly)
            fs::permissions(statePath().parent_path(), fs::perms(0555));
        EXPECT_EQ(row.status, runToEnd(row.arguments, row.changes, row.folderReadOnly)) << row.name << ": " << output();
        fs::permissions(statePath().parent_path(), fs::perms(0755));
        EXPECT_NE(std::string::npos, output().find(row.message)) << row.name << ": " << output();
        EXPECT_EQ(saved, contentOf(statePath())) << row.name;
    }
}

TEST_F(PlayerX11Test, ADamagedStateIsKeptAsideAndAFullDiskAtTheEndKeepsTheOldState)
{
    fs::create_directories(statePath().parent_path());
    std::ofstream(statePath()) << "not a bank";
    ASSERT_TRUE(start({"--no-connect"})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    EXPECT_NE(std::string::npos, output().find("kept as " + statePath().string() + ".damaged")) << output();
    EXPECT_NE(std::string::npos, output().find("starting from the defaults")) << output();
    EXPECT_EQ("not a bank", contentOf(statePath().string() + ".damaged"));
    const std::string defaults = contentOf(statePath());
    EXPECT_GT(defaults.size(), 1000u) << "a new instrument's bank saved";

    // The state and --save's file as the program ends; the second run's save
    // fails part-way, as on a full disk: a file-size limit set on the running
    // player, above what its log holds and below the bank's size.
    const std::string copy = (scratch.path() / "copy.bank").string();
    const std::string bank = (fs::path(QUIBO_TEST_DATA_DIR) / "session.bank").string();
    ASSERT_TRUE(start({"--no-connect", "--load", bank, "--save", copy})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    EXPECT_EQ(contentOf(statePath()), contentOf(copy));
    EXPECT_NE(defaults, contentOf(copy)) << "the loaded bank, not the defaults";
    const std::string before = contentOf(statePath());
    ASSERT_TRUE(start({"--no-connect"})) << output();
    const rlim_t limit = before.size() / 2;
    ASSERT_LT(output().size() + 400, limit) << output();
    const rlimit fileSize{limit, limit};
    ASSERT_EQ(0, prlimit(player, RLIMIT_FSIZE, &fileSize, nullptr));
    EXPECT_EQ(5, stop(SIGTERM)) << output();
    EXPECT_NE(std::string::npos, output().find("File too large; the saved state is left as it was")) << output();
    EXPECT_EQ(before, contentOf(statePath()));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(statePath().parent_path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{"state.bank", "state.bank.damaged"}), left) << "no part left behind";
}

// A program or bank file of this instrument holding chunk.
void writePresetFile(const fs::path& path, CPresetFile::Kind kind, const std::string& chunk)
{
    CPresetFile::Contents contents;
    contents.kind = kind;
    contents.pluginId = product::kVst2UniqueId;
    contents.chunk.assign(chunk.begin(), chunk.end());
    const std::vector<unsigned char> bytes = CPresetFile::write(contents);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An empty state (a disk that filled up under another program's save) holds
// no bank: it is kept aside like a damaged one and the player starts.
TEST_F(PlayerX11Test, AnEmptyStateIsKeptAsideAndThePlayerStartsFromItsDefaults)
{
    fs::create_directories(statePath().parent_path());
    std::ofstream(statePath(), std::ios::binary).flush();
    ASSERT_TRUE(start({"--no-connect"})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    EXPECT_NE(std::string::npos, output().find(statePath().string() + " is empty")) << output();
    EXPECT_NE(std::string::npos, output().find("kept as " + statePath().string() + ".damaged")) << output();
    EXPECT_TRUE(fs::is_regular_file(statePath().string() + ".damaged"));
    EXPECT_EQ(instrumentbanks::fresh().size(), contentOf(statePath()).size()) << "a new instrument's bank saved";
}

// The chunk a bank or program file holds; fails the test for a file that
// cannot be read.
std::string chunkOf(const fs::path& path, CPresetFile::Kind kind)
{
    const std::string bytes = contentOf(path);
    CPresetFile::Contents contents;
    std::string error;
    const bool read = CPresetFile::read(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                        product::kVst2UniqueId, contents, error);
    EXPECT_TRUE(read) << path << ": " << error;
    EXPECT_EQ(kind, contents.kind) << path;
    return std::string(contents.chunk.begin(), contents.chunk.end());
}

// --save writes a bank file (.fxb) or a program file (.fxp); --load of each
// into a fresh state gives back the same bank, the same current program.
TEST_F(PlayerX11Test, BankAndProgramFilesRoundTripThroughSaveAndLoad)
{
    const std::string session = (fs::path(QUIBO_TEST_DATA_DIR) / "session.bank").string();
    const fs::path bankFile = scratch.path() / "session.fxb";
    const fs::path programFile = scratch.path() / "session.FXP";
    const fs::path freshProgram = scratch.path() / "fresh.fxp";
    ASSERT_TRUE(start({"--no-connect", "--save", freshProgram.string()})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    const std::string freshBank = contentOf(statePath());
    ASSERT_TRUE(start({"--no-connect", "--load", session, "--save", bankFile.string()})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    const std::string bank = chunkOf(bankFile, CPresetFile::Kind::kBank);
    EXPECT_EQ(contentOf(statePath()), bank) << "the bank file holds the bank";
    EXPECT_NE(freshBank, bank) << "the loaded bank, not a fresh one";
    ASSERT_TRUE(start({"--no-connect", "--load", session, "--save", programFile.string()})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    const std::string program = chunkOf(programFile, CPresetFile::Kind::kProgram);
    EXPECT_NE(chunkOf(freshProgram, CPresetFile::Kind::kProgram), program) << "the session's program, not a fresh one";

    fs::remove_all(home);
    const fs::path copy = scratch.path() / "copy.bank";
    ASSERT_TRUE(start({"--no-connect", "--load", bankFile.string(), "--save", copy.string()})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    EXPECT_EQ(bank, contentOf(copy)) << "the bank file loaded";

    fs::remove_all(home);
    const fs::path programCopy = scratch.path() / "copy.fxp";
    ASSERT_TRUE(start({"--no-connect", "--load", programFile.string(), "--save", programCopy.string()})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    EXPECT_EQ(program, chunkOf(programCopy, CPresetFile::Kind::kProgram)) << "the program file loaded";
}

// Every file the player reads, whatever is at its path: a folder, a file
// that opens and then cannot be read, a FIFO, a device that never ends, a
// file far longer than any bank, a symbolic link in a loop, an empty or a
// damaged file, a bank of a size the instrument never writes. The player
// names the file and the reason, ends within a second with the status of
// what it read (6 for --load's file, 5 for its saved state) before it opens a
// window, and writes nothing: the saved state stays as it was, --save's file
// is not made, nothing is set aside.
TEST_F(PlayerX11Test, EveryFileItCannotReadIsNamedWithItsReasonAndNothingIsWritten)
{
    const std::string saved = contentOf(fs::path(QUIBO_TEST_DATA_DIR) / "session.bank");
    const fs::path files = scratch.path() / "files";
    fs::create_directories(files / "folder.fxb");
    std::ofstream(files / "empty.fxp", std::ios::binary).flush();
    std::ofstream(files / "damaged.fxp", std::ios::binary) << "CcnK and no more";
    // A process's own memory at address 0 fails to read with EIO, even for
    // root (who may read a file without read permission).
    fs::create_symlink("/proc/self/mem", files / "unreadable.bank");
    ASSERT_EQ(0, mkfifo((files / "fifo.bank").c_str(), 0644));
    const std::string programFile = (files / "program.fxp").string();
    writePresetFile(programFile, CPresetFile::Kind::kProgram, instrumentbanks::programOf("", 1));
    writePresetFile(files / "bank.fxb", CPresetFile::Kind::kBank, instrumentbanks::fresh());
    // 100 MB, sparse: made at once, read only as far as the player reads it.
    const auto makeHuge = [](const fs::path& path) {
        std::ofstream(path, std::ios::binary).flush();
        fs::resize_file(path, 100u << 20);
    };
    makeHuge(files / "huge.bank");
    fs::create_symlink("loop.bank", files / "loop.bank");
    // A bank's image followed by less than an extension, and a bank file
    // around it: sizes the instrument never writes.
    const std::string odd = instrumentbanks::fresh().substr(0, 2988) + std::string(1000, '\0');
    std::ofstream(files / "odd.bank", std::ios::binary) << odd;
    writePresetFile(files / "odd.fxb", CPresetFile::Kind::kBank, odd);
    enum class State { kSaved, kFolder, kUnreadable, kFifo, kZero, kHuge, kLoop };
    struct Row {
        const char* load; // in files/, or null
        State state;
        int status;
        std::string message;
    };
    const std::string state = statePath().string();
    const auto in = [&](const char* name) { return name[0] == '/' ? std::string(name) : (files / name).string(); };
    const std::string notOfThis = " is not a bank of this instrument (3988 bytes, not 2988 or 3592)";
    const Row rows[] = {
        {"folder.fxb", State::kSaved, 6, "cannot read " + in("folder.fxb") + ": Is a directory"},
        {"unreadable.bank", State::kSaved, 6, "cannot read " + in("unreadable.bank") + ": Input/output error"},
        {"fifo.bank", State::kSaved, 6, "cannot read " + in("fifo.bank") + ": not a regular file"},
        {"empty.fxp", State::kSaved, 6, in("empty.fxp") + " is empty"},
        {"damaged.fxp", State::kSaved, 6, in("damaged.fxp") + ": "},
        {nullptr, State::kFolder, 5, "cannot read " + state + ": Is a directory; the saved state is left as it is"},
        {nullptr, State::kUnreadable, 5, "cannot read " + state + ": Input/output error"},
        {nullptr, State::kFifo, 5, "cannot read " + state + ": not a regular file"},
        {"program.fxp", State::kFolder, 5, "cannot read " + state + ": Is a directory"},
        {"bank.fxb", State::kFolder, 5, "cannot read " + state + ": Is a directory"},
        {"/dev/zero", State::kSaved, 6, "cannot read /dev/zero: not a regular file"},
        {"huge.bank", State::kSaved, 6, "cannot read " + in("huge.bank") + ": longer than 65536 bytes"},
        {"loop.bank", State::kSaved, 6, "cannot read " + in("loop.bank") + ": Too many levels of symbolic links"},
        {"odd.bank", State::kSaved, 6, in("odd.bank") + notOfThis},
        {"odd.fxb", State::kSaved, 6, in("odd.fxb") + notOfThis},
        {nullptr, State::kZero, 5, "cannot read " + state + ": not a regular file"},
        {nullptr, State::kHuge, 5, "cannot read " + state + ": longer than 65536 bytes"},
        {nullptr, State::kLoop, 5, "cannot read " + state + ": Too many levels of symbolic links"},
    };
    const std::string copy = (scratch.path() / "copy.fxb").string();
    for (const Row& row : rows) {
        const std::string name =
            std::string(row.load != nullptr ? row.load : "-") + " " + std::to_string(int(row.state));
        fs::remove_all(home);
        fs::create_directories(statePath().parent_path());
        switch (row.state) {
        case State::kSaved:
            std::ofstream(statePath(), std::ios::binary) << saved;
            break;
        case State::kFolder:
            fs::create_directory(statePath());
            break;
        case State::kUnreadable:
            fs::create_symlink("/proc/self/mem", statePath());
            break;
        case State::kFifo:
            ASSERT_EQ(0, mkfifo(statePath().c_str(), 0644));
            break;
        case State::kZero:
            fs::create_symlink("/dev/zero", statePath());
            break;
        case State::kHuge:
            makeHuge(statePath());
            break;
        case State::kLoop:
            fs::create_symlink(statePath().filename(), statePath());
            break;
        }
        std::vector<std::string> arguments{"--no-connect", "--save", copy};
        if (row.load != nullptr) {
            arguments.push_back("--load");
            arguments.push_back(in(row.load));
        }
        const auto begin = Clock::now();
        EXPECT_EQ(row.status, runToEnd(arguments)) << name << ": " << output();
        EXPECT_LT(Clock::now() - begin, std::chrono::seconds(1)) << name;
        EXPECT_NE(std::string::npos, output().find("zintra: " + row.message)) << name << ": " << output();
        EXPECT_EQ(std::string::npos, output().find("terminate")) << name << ": " << output();
        EXPECT_FALSE(fs::exists(copy)) << name;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(statePath().parent_path()))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(std::vector<std::string>{"state.bank"}, left) << name << ": nothing set aside or left behind";
        if (row.state == State::kSaved) {
            EXPECT_EQ(saved, contentOf(statePath())) << name;
        }
    }
}

// --save's FILE, whatever is at its path: a regular file or a new name is
// written (a link followed to the file it names, the link kept; the user's
// own FILE.tmp beside it untouched); a device, a link to one, a folder, a
// FIFO, a missing folder or a name too long is refused at the start with
// status 5, and nothing is written: the device stays a device, the saved
// state and every file as they were.
TEST_F(PlayerX11Test, SaveWritesOnlyARegularFileOrANewNameAndRefusesTheRestAtTheStart)
{
    const std::string saved = contentOf(fs::path(QUIBO_TEST_DATA_DIR) / "session.bank");
    const fs::path files = scratch.path() / "saves";
    fs::create_directories(files / "folder.fxb");
    std::ofstream(files / "bank.fxb") << "old";
    std::ofstream(files / "bank.fxb.tmp") << "the user's";
    std::ofstream(files / "target.fxb") << "old";
    fs::create_symlink("target.fxb", files / "link.fxb");
    fs::create_symlink("made.fxb", files / "dangling.fxb");
    ASSERT_EQ(0, mkfifo((files / "fifo.fxb").c_str(), 0644));
    // A device of the test's own (the null device's numbers) where the test
    // may make one (root), so that a fault replaces none of the system's.
    const bool ownDevice = mknod((files / "device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (!ownDevice)
        fs::create_symlink("/dev/null", files / "device");
    fs::create_symlink("device", files / "device-link");
    struct Row {
        std::string save;
        const char* written; // the file that takes the bank; null: refused
        std::string reason;
    };
    const Row rows[] = {
        {"bank.fxb", "bank.fxb", ""},
        {"link.fxb", "target.fxb", ""},
        {"dangling.fxb", "made.fxb", ""},
        {"device", nullptr, "not a regular file"},
        {"device-link", nullptr, "not a regular file"},
        {"folder.fxb", nullptr, "Is a directory"},
        {"fifo.fxb", nullptr, "not a regular file"},
        {"missing/bank.fxb", nullptr, "No such file or directory"},
        {std::string(256, 'n') + ".fxb", nullptr, "File name too long"},
    };
    for (const Row& row : rows) {
        const std::string name = row.save.substr(0, 20);
        fs::remove_all(home);
        fs::create_directories(statePath().parent_path());
        std::ofstream(statePath(), std::ios::binary) << saved;
        std::vector<std::string> before;
        for (const auto& entry : fs::directory_iterator(files))
            before.push_back(entry.path().filename().string());
        std::sort(before.begin(), before.end());
        const std::string save = (files / row.save).string();
        if (row.written != nullptr) {
            ASSERT_TRUE(start({"--no-connect", "--save", save})) << name << ": " << output();
            EXPECT_EQ(0, stop(SIGTERM)) << name << ": " << output();
            EXPECT_EQ(contentOf(statePath()), chunkOf(files / row.written, CPresetFile::Kind::kBank)) << name;
        } else {
            EXPECT_EQ(5, runToEnd({"--no-connect", "--save", save})) << name << ": " << output();
            EXPECT_NE(std::string::npos, output().find("zintra: --save: cannot write " + save + ": " + row.reason +
                                                       "; nothing is written"))
                << name << ": " << output();
            EXPECT_EQ(saved, contentOf(statePath())) << name;
        }
        std::vector<std::string> after;
        for (const auto& entry : fs::directory_iterator(files))
            after.push_back(entry.path().filename().string());
        std::sort(after.begin(), after.end());
        if (row.written != nullptr && std::find(before.begin(), before.end(), row.written) == before.end())
            before.insert(std::upper_bound(before.begin(), before.end(), row.written), row.written);
        EXPECT_EQ(before, after) << name << ": nothing else made, removed or left behind";
    }
    EXPECT_EQ("the user's", contentOf(files / "bank.fxb.tmp"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(files / "link.fxb"))) << "the link is kept";
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(files / "dangling.fxb"))) << "the link is kept";
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(files / "fifo.fxb")));
    EXPECT_TRUE(fs::is_directory(files / "folder.fxb"));
    if (ownDevice) {
        EXPECT_TRUE(fs::is_character_file(fs::symlink_status(files / "device"))) << "the device is left a device";
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A program file given to --load goes into the current program of the saved
// state, as hosts take one: the other programs (here program 2's edit), the
// recorded melody and the calculator's memory stay, and the quit saves them.
// A bank file replaces the whole state.
TEST_F(PlayerX11Test, AProgramFileGoesIntoTheCurrentProgramOfTheSavedState)
{
    // The saved state: the session (a recorded melody, the calculator's
    // memory) with program 2 edited and program 0 current.
    const std::string session = contentOf(fs::path(QUIBO_TEST_DATA_DIR) / "session.bank");
    const std::string flute = contentOf(fs::path(QUIBO_TEST_DATA_DIR) / "flute.program");
    const std::string state = instrumentbanks::withProgram(instrumentbanks::selecting(session, 0), 2, flute);
    ASSERT_EQ(flute, instrumentbanks::programOf(state, 2));
    ASSERT_EQ(instrumentbanks::selecting(state, 0), state) << "program 0 current";
    fs::create_directories(statePath().parent_path());
    std::ofstream(statePath(), std::ios::binary) << state;

    // A program file of a new instrument's program 4, loaded into program 0.
    const std::string violin = instrumentbanks::programOf("", 4);
    ASSERT_NE(violin, instrumentbanks::programOf(state, 0));
    const fs::path violinFile = scratch.path() / "Violin.fxp";
    writePresetFile(violinFile, CPresetFile::Kind::kProgram, violin);
    ASSERT_TRUE(start({"--no-connect", "--load", violinFile.string()})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    const std::string after = contentOf(statePath());
    EXPECT_EQ(violin, instrumentbanks::programOf(after, 0)) << "the program file in program 0";
    for (int program : {1, 2, 3, 4, 5})
        EXPECT_EQ(instrumentbanks::programOf(state, program), instrumentbanks::programOf(after, program))
            << "program " << program << " as saved (program 2 edited)";
    const std::string fresh = instrumentbanks::fresh();
    const std::string melody = instrumentbanks::melodyOf(state);
    ASSERT_NE(instrumentbanks::melodyOf(fresh), melody) << "the session has a melody";
    EXPECT_EQ(melody, instrumentbanks::melodyOf(after)) << "the melody kept";
    const std::string memory = instrumentbanks::calculatorMemoryOf(state);
    ASSERT_NE(instrumentbanks::calculatorMemoryOf(fresh), memory) << "the session has a memory";
    EXPECT_EQ(memory, instrumentbanks::calculatorMemoryOf(after)) << "the calculator's memory kept";

    // A bank file still replaces the whole state.
    const fs::path bankFile = scratch.path() / "fresh.fxb";
    writePresetFile(bankFile, CPresetFile::Kind::kBank, fresh);
    ASSERT_TRUE(start({"--no-connect", "--load", bankFile.string()})) << output();
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    const std::string replaced = contentOf(statePath());
    EXPECT_EQ(instrumentbanks::melodyOf(fresh), instrumentbanks::melodyOf(replaced)) << "no melody";
    EXPECT_EQ(instrumentbanks::programOf(fresh, 2), instrumentbanks::programOf(replaced, 2)) << "a new program 2";
}

// A key held when the window loses the keyboard is let go: its release goes
// to another window, and the key would otherwise stay held in the player,
// dead when it is pressed again.
TEST_F(PlayerX11Test, AKeyHeldWhenTheWindowLosesTheKeyboardIsLetGo)
{
    ASSERT_TRUE(start({"--no-connect"})) << output();
    connectOutputs();
    key(XK_x, true);
    sleepMs(150);
    recorder->record(200);
    EXPECT_NEAR(293.66, pitchOf(recorder->left()), 1.0) << "D4 sounds";
    const Window other = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 300, 100, 100, 0, 0, 0);
    XMapWindow(display, other);
    XSync(display, False);
    XSetInputFocus(display, other, RevertToParent, CurrentTime);
    XSync(display, False);
    sleepMs(100);
    key(XK_x, false);
    sleepMs(1500); // the note ends
    recorder->record(100);
    EXPECT_EQ(0.0f, peakOf(recorder->left())) << "the note stopped";

    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    sleepMs(100);
    key(XK_x, true);
    sleepMs(150);
    recorder->record(200);
    key(XK_x, false);
    EXPECT_NEAR(293.66, pitchOf(recorder->left()), 1.0) << "the key plays again";
    XDestroyWindow(display, other);
    EXPECT_EQ(0, stop(SIGTERM)) << output();
}

// The window names its process and machine, so that a window manager or a
// desktop tool can end a player that hangs.
TEST_F(PlayerX11Test, TheWindowNamesItsProcessAndItsMachine)
{
    ASSERT_TRUE(start({"--no-connect"})) << output();
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(Success, XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                                          XA_CARDINAL, &type, &format, &count, &after, &data));
    ASSERT_NE(nullptr, data) << "_NET_WM_PID set";
    EXPECT_EQ(1u, count);
    EXPECT_EQ(static_cast<long>(player), *reinterpret_cast<long*>(data));
    XFree(data);
    XTextProperty machine{};
    ASSERT_NE(0, XGetWMClientMachine(display, window, &machine)) << "WM_CLIENT_MACHINE set";
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(std::string(host), std::string(reinterpret_cast<char*>(machine.value), machine.nitems));
    XFree(machine.value);
    EXPECT_EQ(0, stop(SIGTERM)) << output();
}

// A MIDI source that goes away mid-note sends no note-off: once the player's
// MIDI input has lost its last connection, the notes it held are released,
// the key drawn up and the voice stopped. A key held on the computer
// keyboard is no MIDI note and is left alone.
TEST_F(PlayerX11Test, NotesOfAMidiConnectionThatGoesAwayAreReleased)
{
    ASSERT_TRUE(start({"--no-connect"})) << output();
    connectOutputs();
    const std::string source = sender->portName("midi_out");
    const CPixelSurface fresh = paneltest::panelPicture();
    pointerAway();
    const auto keyUp = [&](const CPixelSurface& shot) { return samePixels(fresh, shot, kKeyC4Lower); };
    const auto keyDown = [&](const CPixelSurface& shot) { return !keyUp(shot); };
    sender->send(panel::kStatusNoteOn, 60, 100, 0);
    EXPECT_TRUE(keyDown(pictureWhen(keyDown))) << "C4 drawn pressed";
    recorder->record(200);
    EXPECT_NEAR(261.63, pitchOf(recorder->left()), 1.0) << "C4 sounds";

    ASSERT_TRUE(sender->disconnect(source.c_str(), "Zintra:midi_in"));
    EXPECT_TRUE(keyUp(pictureWhen(keyUp))) << "C4 drawn up once the connection went";
    sleepMs(1500); // the note's release
    recorder->record(100);
    EXPECT_EQ(0.0f, peakOf(recorder->left())) << "the voice stopped";

    // Played from a second connection after a first one went: still taken.
    ASSERT_TRUE(sender->connect(source.c_str(), "Zintra:midi_in"));
    sleepMs(100);
    sender->send(panel::kStatusNoteOn, 60, 100, 0);
    EXPECT_TRUE(keyDown(pictureWhen(keyDown))) << "C4 played again";
    sender->send(panel::kStatusNoteOff, 60, 0, 0);
    EXPECT_TRUE(keyUp(pictureWhen(keyUp)));
    EXPECT_EQ(0, stop(SIGTERM)) << output();
}

// The server quits under the player (a PipeWire restart, jackd stopped): it
// says so in its window, keeps its state and plays again once the server is
// back. Only JACK (--audio jack), so that a sound card does not take over.
TEST_F(PlayerX11Test, AServerThatGoesAwayIsWaitedForAndJoinedAgain)
{
    const std::string name = s_serverName + "-second";
    struct Server {
        pid_t pid;
        ~Server() { end(); }
        void end()
        {
            if (pid <= 0)
                return;
            kill(pid, SIGTERM);
            if (waitForExit(pid, 3000) < 0) {
                kill(pid, SIGKILL);
                waitForExit(pid, 2000);
            }
            pid = 0;
        }
    } server{spawnJackServer(name, 44100, 256, (scratch.path() / "jackd.log").string())};
    // Asked by another process: libjack serves one server to a process.
    const std::string ask = "JACK_DEFAULT_SERVER=" + name + " jack_lsp >/dev/null 2>&1";
    const auto serverUp = [&] {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (std::system(ask.c_str()) == 0)
                return true;
            sleepMs(50);
        }
        return false;
    };
    ASSERT_TRUE(serverUp()) << "the second server did not start: " << contentOf(scratch.path() / "jackd.log");
    ASSERT_TRUE(launch({"--no-connect", "--audio", "jack"}, {{"JACK_DEFAULT_SERVER", name}}, [&] {
        return output().find("playing as JACK client Zintra") != std::string::npos;
    })) << output();
    EXPECT_EQ(kPanelHeight, windowHeight()) << "no message while it plays";
    kill(server.pid, SIGTERM);
    EXPECT_GE(waitForExit(server.pid, 5000), 0) << "the server ended (its own status does not matter)";
    server.pid = 0;
    EXPECT_TRUE(waitToSay("No audio: the JACK server stopped; no JACK server is running.", 5000)) << output();
    EXPECT_LT(waitForExit(player, 100), 0) << "the player runs on: " << output();
    EXPECT_GT(windowHeight(), kPanelHeight) << "the window shows the message";

    server.pid = spawnJackServer(name, 44100, 256, (scratch.path() / "jackd.log").string());
    ASSERT_TRUE(serverUp()) << "the second server did not start again: " << contentOf(scratch.path() / "jackd.log");
    const auto joined = [&] {
        const std::string said = output();
        const std::size_t first = said.find("playing as JACK client Zintra");
        return first != std::string::npos && said.find("playing as JACK client Zintra", first + 1) != std::string::npos;
    };
    const auto deadline = Clock::now() + std::chrono::seconds(8);
    while (!joined() && Clock::now() < deadline)
        sleepMs(50);
    EXPECT_TRUE(joined()) << output();
    const auto shrunk = Clock::now() + std::chrono::seconds(1);
    while (windowHeight() != kPanelHeight && Clock::now() < shrunk)
        sleepMs(20);
    EXPECT_EQ(kPanelHeight, windowHeight()) << "the message gone";
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    EXPECT_GT(contentOf(statePath()).size(), 1000u);
    server.end();
}

// No JACK server: the player plays on the default ALSA device, here one that
// writes what it plays into a pipe the test reads at a sound card's pace;
// the device lost, it plays on it again once it is back.
TEST_F(PlayerX11Test, WithoutAJackServerItPlaysOnTheAlsaDevice)
{
    const fs::path pipe = scratch.path() / "device.raw";
    auto listener = std::make_unique<PipeListener>(pipe);
    PipeListener& device = *listener;
    ASSERT_TRUE(device.valid());
    setAlsaDevice(fileDevice(pipe));
    ASSERT_TRUE(startWithoutJack("playing through the ALSA device \"default\" at 48000 Hz, 32-bit float")) << output();
    const auto flowing = Clock::now() + std::chrono::seconds(3);
    while (device.frames() < static_cast<std::size_t>(kRate) / 4 && Clock::now() < flowing)
        sleepMs(20);
    ASSERT_GE(device.frames(), static_cast<std::size_t>(kRate) / 4) << "the device plays: " << output();
    EXPECT_EQ(0.0f, peakOf(device.latest(200, 0))) << "silence before a key";

    // Z held: C4 on the left channel; the rhythm box on the right is silent.
    key(XK_z, true);
    sleepMs(800);
    const std::vector<float> left = device.latest(400, 0);
    const std::vector<float> right = device.latest(400, 1);
    key(XK_z, false);
    EXPECT_NEAR(261.63, pitchOf(left), 1.0);
    EXPECT_EQ(0.0f, peakOf(right));
    if (!fs::exists("/dev/snd/seq")) {
        EXPECT_NE(std::string::npos, output().find("playing without MIDI input")) << output();
    }

    // The pipe's reader gone, as a sound server that quits: the device fails,
    // the player says so, lives on and plays again once the reader is back
    // (until then the file device waits in its open for one).
    listener.reset();
    EXPECT_TRUE(waitToSay("the ALSA device \"default\" stopped (", 3000)) << output();
    EXPECT_LT(waitForExit(player, 10), 0) << output();
    PipeListener again(pipe);
    const auto back = Clock::now() + std::chrono::seconds(5);
    while (again.frames() < static_cast<std::size_t>(kRate) / 4 && Clock::now() < back)
        sleepMs(20);
    EXPECT_GE(again.frames(), static_cast<std::size_t>(kRate) / 4) << "the device plays again: " << output();
    const std::string said = output();
    EXPECT_NE(said.find("playing through the ALSA device"), said.rfind("playing through the ALSA device")) << said;
    EXPECT_EQ(0, stop(SIGTERM)) << output();
    EXPECT_GT(contentOf(statePath()).size(), 1000u);
}

// The message as the player's window draws it below a panel of the same
// size, in a window of the test's own; empty when it cannot be read.
CPixelSurface referenceMessage(Display* display, const std::string& text, int& height)
{
    struct Listener final : CPlayerWindowListener {
        void windowKeyDown(const EditorKey&) override { }
        void windowKeyUp(const EditorKey&) override { }
        void windowCloseRequested() override { }
        [[noreturn]] void windowDisplayLost() override { std::abort(); }
    } listener;
    // The window sets handlers of its own for its connection; the test's stay.
    const XErrorHandler errors = XSetErrorHandler(nullptr);
    const XIOErrorHandler ioErrors = XSetIOErrorHandler(nullptr);
    CX11PlayerWindow reference;
    std::string error;
    const bool opened = reference.open(kPanelWidth, kPanelHeight, "message reference", &listener, error);
    XSetErrorHandler(errors);
    XSetIOErrorHandler(ioErrors);
    if (!opened)
        return CPixelSurface();
    reference.showMessage(text);
    const Window native = static_cast<Window>(reinterpret_cast<std::uintptr_t>(reference.nativeWindow()));
    CPixelSurface picture;
    for (int attempt = 0; attempt < 50; ++attempt) {
        reference.waitEvents(20, -1);
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, native, &attributes);
        height = attributes.height;
        if (attributes.map_state == IsViewable && height > kPanelHeight) {
            reference.waitEvents(50, -1);
            picture = x11test::readWindow(display, native, kPanelWidth, height);
            break;
        }
    }
    reference.close();
    return picture;
}

// Neither JACK nor a device: the window says what is wrong and what to do,
// the player waits and plays once the device is there.
TEST_F(PlayerX11Test, WithNoAudioAtAllTheWindowSaysSoAndThePlayerWaitsForIt)
{
    setAlsaDevice("{\n type hw\n card 7\n}");
    ASSERT_TRUE(startWithoutJack("trying again every 3 seconds.")) << output();
    const std::string said = output();
    const std::size_t begin = said.find("No audio: ");
    const std::size_t end = said.find("trying again every 3 seconds.");
    ASSERT_NE(std::string::npos, begin) << said;
    const std::string message = said.substr(begin, end + std::strlen("trying again every 3 seconds.") - begin);
    EXPECT_NE(std::string::npos, message.find("no JACK server is running, and the ALSA device \"default\" cannot be "
                                              "opened"))
        << message;
    EXPECT_NE(std::string::npos, message.find("Start JACK")) << message;

    // The window grown by the message's strip, its pixels those of the
    // message drawn by itself: the text the output says, legible.
    const auto grown = Clock::now() + std::chrono::seconds(2);
    while (windowHeight() <= kPanelHeight && Clock::now() < grown)
        sleepMs(20);
    const int height = windowHeight();
    ASSERT_GT(height, kPanelHeight);
    sleepMs(200);
    const CPixelSurface shot = x11test::readWindow(display, window, kPanelWidth, height);
    x11test::saveShot(shot, "player-no-audio");
    int referenceHeight = 0;
    const CPixelSurface reference = referenceMessage(display, message, referenceHeight);
    ASSERT_EQ(height, referenceHeight);
    const CRect strip{0, kPanelHeight, kPanelWidth, height};
    EXPECT_TRUE(samePixels(shot, reference, strip)) << "the message's text";
    int inked = 0;
    for (int y = strip.top; y < strip.bottom; ++y)
        for (int x = strip.left; x < strip.right; ++x)
            inked += shot.pixel(x, y) != shot.pixel(0, kPanelHeight) ? 1 : 0;
    EXPECT_GT(inked, 2000) << "two lines of text";

    // Tried again: still running, said once.
    sleepMs(3500);
    EXPECT_LT(waitForExit(player, 10), 0) << output();
    const std::string later = output();
    EXPECT_EQ(later.find("No audio: "), later.rfind("No audio: ")) << later;

    // The device comes: it plays, the message goes.
    const fs::path pipe = scratch.path() / "device.raw";
    PipeListener device(pipe);
    setAlsaDevice(fileDevice(pipe));
    EXPECT_TRUE(waitToSay("playing through the ALSA device", 5000)) << output();
    const auto shrunk = Clock::now() + std::chrono::seconds(1);
    while (windowHeight() == height && Clock::now() < shrunk)
        sleepMs(20);
    EXPECT_LT(windowHeight(), height) << "the problem no longer shown";
    EXPECT_EQ(0, stop(SIGTERM)) << output();
}

// Twenty starts and quits, by the window, SIGTERM and SIGINT in turn, every
// other one while a note and a rhythm sound: each ends within a second with
// status 0, and nothing is reported as leaked or misused (in a sanitizer
// build the leak check runs at each exit and fails the exit status).
TEST_F(PlayerX11Test, TwentyStartsAndQuitsEndCleanlyAndQuickly)
{
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::map<std::string, std::string> changes{
        {"ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":detect_leaks=1"}};
    for (int cycle = 0; cycle < 20; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ASSERT_TRUE(start({"--no-connect"}, changes)) << output();
        if (cycle % 2 == 0) {
            connectOutputs();
            sender->send(panel::kStatusController, panel::kControllerRhythmSelect, 0, 0);
            sender->send(panel::kStatusController, panel::kControllerRhythmStart, 127, 0);
            sender->send(panel::kStatusNoteOn, 60, 100, 0);
            sleepMs(200);
            recorder->record(300);
            EXPECT_GT(peakOf(recorder->left()), 0.01f) << "the note sounds";
            EXPECT_GT(peakOf(recorder->right()), 0.01f) << "the rhythm sounds";
        }
        int milliseconds = 0;
        const int status =
            cycle % 3 == 0 ? closeWindow(&milliseconds) : stop(cycle % 3 == 1 ? SIGTERM : SIGINT, &milliseconds);
        EXPECT_EQ(0, status) << output();
        EXPECT_LT(milliseconds, 1000);
        const std::string said = output();
        EXPECT_EQ(std::string::npos, said.find("Sanitizer")) << said;
        EXPECT_EQ(std::string::npos, said.find("runtime error")) << said;
    }
}

// Every way a desktop ends a program, while a note sounds: its window
// destroyed by another client (a window manager, xdotool windowclose), the
// terminal it runs in closed (SIGHUP), and the other signals that would end
// it. Each ends it within a second with status 0 and the state saved; a
// SIGPIPE sent first ends nothing.
TEST_F(PlayerX11Test, EveryWayADesktopEndsItSavesTheStateAndSigpipeEndsNothing)
{
    struct Row {
        const char* name;
        int signal; // 0: the window destroyed
    };
    const Row rows[] = {
        {"window destroyed", 0}, {"SIGHUP", SIGHUP},     {"SIGUSR1", SIGUSR1},
        {"SIGALRM", SIGALRM},    {"SIGRTMIN", SIGRTMIN}, {"SIGHUP twice", -SIGHUP},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(home);
        ASSERT_TRUE(start({"--no-connect"})) << output();
        connectOutputs();
        sender->send(panel::kStatusNoteOn, 60, 100, 0);
        kill(player, SIGPIPE);
        sleepMs(200);
        ASSERT_EQ(-1, waitForExit(player, 0)) << "SIGPIPE ended it: " << output();
        recorder->record(200);
        EXPECT_GT(peakOf(recorder->left()), 0.01f) << "the note sounds";
        EXPECT_FALSE(fs::exists(statePath()));
        const auto begin = Clock::now();
        if (row.signal == 0) {
            XDestroyWindow(display, window);
            XFlush(display);
        } else {
            kill(player, std::abs(row.signal));
            if (row.signal < 0)
                kill(player, std::abs(row.signal));
        }
        EXPECT_EQ(0, waitForExit(player, 1000)) << output();
        EXPECT_LT(Clock::now() - begin, std::chrono::seconds(1));
        player = 0;
        EXPECT_EQ(instrumentbanks::fresh().size(), contentOf(statePath()).size()) << "the state saved";
        EXPECT_EQ(std::string::npos, output().find("Sanitizer")) << output();
    }
}

// A saved state that is read and refused is set aside under a name of its
// own each time: a second one does not replace the first.
TEST_F(PlayerX11Test, TwoSetAsidesInARowKeepBothFiles)
{
    const std::string state = statePath().string();
    // Damaged text, then a bank of a size the instrument never writes.
    const std::string first = "not a bank";
    const std::string second = instrumentbanks::fresh() + std::string(100, '\0');
    for (const std::string& content : {first, second}) {
        fs::create_directories(statePath().parent_path());
        std::ofstream(statePath(), std::ios::binary) << content;
        ASSERT_TRUE(start({"--no-connect"})) << output();
        EXPECT_EQ(0, stop(SIGTERM)) << output();
    }
    EXPECT_NE(std::string::npos, output().find("kept as " + state + ".damaged.2")) << output();
    EXPECT_EQ(first, contentOf(state + ".damaged"));
    EXPECT_EQ(second, contentOf(state + ".damaged.2"));
    EXPECT_EQ(instrumentbanks::fresh().size(), contentOf(statePath()).size()) << "a new instrument's bank saved";
}

// The context switches of a process's threads other than real-time ones
// (JACK's process thread), from /proc/PID/task/*: voluntary and not, by
// thread id.
std::map<std::string, long> contextSwitchesOf(pid_t pid)
{
    std::map<std::string, long> switches;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        // The scheduling policy is the 41st field of stat, the 39th after the
        // name in parentheses (which may hold spaces).
        const std::string stat = contentOf(task.path() / "stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 1));
        std::string field;
        for (int i = 0; i < 39; ++i)
            fields >> field;
        if (field != "0")
            continue; // SCHED_FIFO, SCHED_RR and the others: JACK's real-time thread
        std::istringstream status(contentOf(task.path() / "status"));
        long total = 0;
        for (std::string line; std::getline(status, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                total += std::stol(line.substr(line.find(':') + 1));
        switches[task.path().filename().string()] = total;
    }
    return switches;
}

// Idle, with only the LCD's tempo mark blinking, the player's threads other
// than JACK's real-time one wake at most 10 times a second over 10 seconds
// (the main thread sleeps until something happens; it woke 56 times a second
// on a fixed 20 ms tick). A MIDI note in the silence is still shown on the
// panel, and its release, within a second (a quarter at most when the
// machine is not loaded).
TEST_F(PlayerX11Test, IdleItWakesAtMostTenTimesASecondAndStillShowsAMidiNote)
{
    ASSERT_TRUE(start({"--no-connect"})) << output();
    connectOutputs();
    pointerAway();
    sleepMs(1000);
    const std::map<std::string, long> before = contextSwitchesOf(player);
    constexpr int kSeconds = 10;
    sleepMs(kSeconds * 1000);
    long woken = 0;
    for (const auto& [thread, switches] : contextSwitchesOf(player)) {
        const auto earlier = before.find(thread);
        woken += switches - (earlier != before.end() ? earlier->second : 0);
    }
    EXPECT_LE(static_cast<double>(woken) / kSeconds, 10.0) << woken << " wakeups in " << kSeconds << " s";

    const CPixelSurface fresh = paneltest::panelPicture();
    const auto keyUp = [&](const CPixelSurface& shot) { return samePixels(fresh, shot, kKeyC4Lower); };
    const auto keyDown = [&](const CPixelSurface& shot) { return !keyUp(shot); };
    for (const bool down : {true, false}) {
        const auto begin = Clock::now();
        sender->send(down ? panel::kStatusNoteOn : panel::kStatusNoteOff, 60, down ? 100 : 0, 0);
        EXPECT_TRUE(down ? keyDown(pictureWhen(keyDown)) : keyUp(pictureWhen(keyUp))) << "C4 drawn " << down;
        EXPECT_LT(Clock::now() - begin, std::chrono::seconds(1)) << "C4 drawn " << down;
    }
    EXPECT_EQ(0, stop(SIGTERM)) << output();
}

// The X server goes away under the player: it says so, saves the state and
// ends with the status of a missing display. The player runs on an Xvfb of
// the test's own, which the test then kills.
TEST_F(PlayerX11Test, ADisplayThatGoesAwayEndsThePlayerWithItsStateSaved)
{
    x11test::PrivateXServer server;
    ASSERT_FALSE(server.display().empty()) << "the second Xvfb did not start";
    player = spawn({ZINTRA_PLAYER_PATH, "--no-connect"}, environment({{"DISPLAY", server.display()}}),
                   (scratch.path() / "zintra.log").string());
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline && output().find("playing as JACK client") == std::string::npos)
        sleepMs(20);
    ASSERT_NE(std::string::npos, output().find("playing as JACK client Zintra")) << output();
    sleepMs(300); // the panel open and idling
    EXPECT_FALSE(fs::exists(statePath()));
    server.kill();
    EXPECT_EQ(4, waitForExit(player, 2000)) << output();
    player = 0;
    EXPECT_NE(std::string::npos, output().find("the display closed")) << output();
    EXPECT_GT(contentOf(statePath()).size(), 1000u) << output();
}

} // namespace
