#pragma once

#include "PluginLibrary.h"

#include <cstdio>
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

    // Creates the plug-in through entry; answers false when it refuses.
    bool open(PluginLibrary::EntryPoint entry, float sampleRate, int blockSize);
    void close();
    AEffect* effect() const { return m_effect; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);

    void printIdentity(std::FILE* out);
    // Index of a parameter by number or by trimmed, case-insensitive name; -1 if unknown.
    int findParameter(const std::string& nameOrIndex);
    void setParameter(int index, float value);

    // Renders seconds of audio, delivering the events at their times;
    // answers interleaved stereo frames.
    std::vector<float> render(double seconds, std::vector<TimedEvent> events);

    bool saveChunk(const std::string& path, bool isPreset);
    bool loadChunk(const std::string& path, bool isPreset);

private:
    AEffect* m_effect = nullptr;
    float m_sampleRate = 44100.0f;
    int m_blockSize = 512;
};
