#pragma once
// The built plug-in module loaded as a host loads it: dlopen, VSTPluginMain,
// then only the AEffect record's functions.

#include "VstAbi.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <utility>
#include <vector>

namespace testhost {

// Records what the plug-in asks of its host; the host's transport plays
// while transportPlaying is set.
struct HostCalls {
    int wantMidi = 0;
    int needIdle = 0;
    int updateDisplay = 0;
    std::vector<std::pair<VstInt32, float>> automated; // audioMasterAutomate: index, value
    int edits = 0; // audioMasterBeginEdit and audioMasterEndEdit
    int callsInProcess = 0; // any call made from inside processReplacing
    bool inProcess = false;
    bool transportPlaying = false;
    VstTimeInfo time{};
};
inline HostCalls hostCalls;

inline VstIntPtr VSTCALLBACK countingCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (hostCalls.inProcess)
        ++hostCalls.callsInProcess;
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterWantMidi:
        ++hostCalls.wantMidi;
        return 0;
    case audioMasterNeedIdle:
        ++hostCalls.needIdle;
        return 1;
    case audioMasterUpdateDisplay:
        ++hostCalls.updateDisplay;
        return 0;
    case audioMasterAutomate:
        hostCalls.automated.emplace_back(index, opt);
        return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        ++hostCalls.edits;
        return 0;
    case audioMasterGetTime:
        hostCalls.time.sampleRate = 44100.0;
        hostCalls.time.flags = hostCalls.transportPlaying ? kVstTransportPlaying : 0;
        return reinterpret_cast<VstIntPtr>(&hostCalls.time);
    default:
        return 0;
    }
}

class LoadedPlugin {
public:
    LoadedPlugin()
    {
        m_module = dlopen(ZINTRA_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        if (m_module == nullptr)
            return;
        using EntryPoint = AEffect* (*)(audioMasterCallback);
        const auto entry = reinterpret_cast<EntryPoint>(dlsym(m_module, "VSTPluginMain"));
        effect = entry != nullptr ? entry(countingCallback) : nullptr;
    }
    ~LoadedPlugin()
    {
        if (effect != nullptr)
            call(effClose);
        if (m_module != nullptr)
            dlclose(m_module);
    }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void set(VstInt32 index, float value) { effect->setParameter(effect, index, value); }
    float get(VstInt32 index) { return effect->getParameter(effect, index); }

    std::vector<unsigned char> chunk(bool program = false)
    {
        void* data = nullptr;
        const VstIntPtr size = call(effGetChunk, program ? 1 : 0, 0, &data);
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }
    VstIntPtr load(const std::vector<unsigned char>& bytes, bool program = false)
    {
        return call(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                    const_cast<unsigned char*>(bytes.data()));
    }

    // Renders frames in 512-frame blocks; answers the left output.
    std::vector<float> render(int frames, const VstEvents* events = nullptr)
    {
        std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
        for (int done = 0; done < frames; done += 512) {
            const int block = std::min(512, frames - done);
            float* outputs[2] = {left.data() + done, right.data() + done};
            if (events != nullptr && done == 0)
                call(effProcessEvents, 0, 0, const_cast<VstEvents*>(events));
            hostCalls.inProcess = true;
            effect->processReplacing(effect, nullptr, outputs, block);
            hostCalls.inProcess = false;
        }
        lastRight = right;
        return left;
    }

    AEffect* effect = nullptr;
    std::vector<float> lastRight;

private:
    void* m_module = nullptr;
};

// One note-on at the start of a block, as a host list.
struct NoteOn {
    VstMidiEvent event{};
    VstEvents list{};
    explicit NoteOn(int note)
    {
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.midiData[0] = static_cast<char>(0x90);
        event.midiData[1] = static_cast<char>(note);
        event.midiData[2] = 100;
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&event);
    }
};

inline double rms(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

} // namespace testhost
