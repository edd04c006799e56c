#pragma once

#include "PluginLibrary.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// One instance of the plug-in driven through its AEffect record, the way a
// host drives it: the dispatcher for requests, setParameter for automation
// and processReplacing for audio.
class HostSession {
public:
    struct TimedEvent {
        double seconds;
        bool isParameter; // setParameter(index, value), else a MIDI event
        int index;
        float value;
        unsigned char midi[3];
    };

    // The longest render (an hour), and the latest moment an event may be
    // given (a note held far past the render's end never ends in it).
    static constexpr double kLongestRenderSeconds = 3600.0;
    static constexpr double kLatestEventSeconds = 1.0e6;
    // The longest render at a rate: kLongestRenderSeconds, or less where a
    // WAV file (4 GB of 32-bit stereo frames) would not hold it.
    static double longestRender(double sampleRate);

    // Takes each rendered block (interleaved stereo frames) as it is made;
    // false when it cannot, which ends the render.
    using BlockSink = std::function<bool(const float* interleaved, long frames)>;

    // Creates the plug-in through entry; answers false when it refuses.
    bool open(PluginLibrary::EntryPoint entry, float sampleRate, int blockSize);
    void close();
    AEffect* effect() const { return m_effect; }
    float sampleRate() const { return m_sampleRate; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);

    void printIdentity(std::FILE* out);
    // Index of a parameter by number or by trimmed, case-insensitive name; -1
    // if unknown (a number past the plug-in's parameters too).
    int findParameter(const std::string& nameOrIndex);
    void setParameter(int index, float value);

    // Renders seconds of audio (at most longestRender) in steps, delivering
    // the events at their times, each block to sink as it is made:
    // renderUntil renders the blocks up to a frame (may be called again from
    // within the plug-in's requests for host idle). A block the sink refuses
    // ends the render, and renderFailed() tells it.
    void beginRender(double seconds, std::vector<TimedEvent> events, BlockSink sink);
    void renderUntil(long frame);
    long renderedFrames() const { return m_position; }
    long totalFrames() const { return m_total; }
    bool renderFailed() const { return m_renderFailed; }

    // Runs at every host idle the plug-in asks for (audioMasterIdle).
    void setIdleHandler(std::function<void()> handler) { m_idleHandler = std::move(handler); }
    void hostIdle();

    // The cost of processReplacing: after warmupSeconds of the events, runs
    // of blocks (each about runSeconds of processor time) are timed; the
    // figures are per output sample frame, medians over the runs.
    struct Timing {
        int runs = 0;
        long blocksPerRun = 0;
        double processorNs = 0.0; // median processor time per sample
        double fastestNs = 0.0; // fastest run, processor time
        double wallNs = 0.0; // median wall-clock time per sample
        double rms[2] = {0.0, 0.0}; // of both outputs in blocks after the runs
    };
    Timing benchmark(std::vector<TimedEvent> events, double warmupSeconds, double runSeconds, int runs);

    // The bank chunk (or the current program's, isPreset) to a file and back:
    // in a bank file when the name ends in .fxb, a program file for .fxp, as
    // the chunk itself otherwise. False with the reason in chunkError(): a
    // file that cannot be read (named, with the system's reason), an empty,
    // damaged or refused one.
    bool saveChunk(const std::string& path, bool isPreset);
    bool loadChunk(const std::string& path, bool isPreset);
    const std::string& chunkError() const { return m_chunkError; }

private:
    void renderBlock(int frames);
    // Delivers the events due before the end of the block at start (from
    // next on, sorted), then processes the block into left and right.
    long long frameOf(double seconds) const;
    void processBlock(long long start, int frames, const std::vector<TimedEvent>& events, size_t& next,
                      std::vector<float>& left, std::vector<float>& right);

    // A preset file's chunk from bytes (false with the reason), or bytes
    // from a chunk.
    bool unwrapPresetFile(const std::string& path, bool isPreset, std::vector<unsigned char>& bytes);
    std::vector<char> presetFile(const char* chunk, std::size_t size, bool isPreset);

    AEffect* m_effect = nullptr;
    std::string m_chunkError;
    float m_sampleRate = 44100.0f;
    int m_blockSize = 512;
    std::function<void()> m_idleHandler;
    // The render in progress.
    std::vector<TimedEvent> m_events;
    size_t m_nextEvent = 0;
    long m_position = 0;
    long m_total = 0;
    bool m_rendering = false;
    bool m_renderFailed = false;
    BlockSink m_sink;
    std::vector<float> m_interleaved;
    std::vector<float> m_left, m_right;
    std::vector<VstMidiEvent> m_midi;
    std::vector<char> m_eventList;
};
