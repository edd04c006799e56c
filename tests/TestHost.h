#pragma once
// A minimal host for tests: a callback that answers like a current host, and
// helpers to run blocks through a plug-in instance.

#include "CQuibo.h"
#include "CQuiboPlugin.h"

#include <memory>
#include <vector>

namespace testhost {

inline VstIntPtr VSTCALLBACK callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The VST 2 plug-in on a new instrument, and the instrument itself, which
// the plug-in owns.
struct PluginOnQuibo {
    CQuibo* quibo;
    std::unique_ptr<CQuiboPlugin> plugin;
};

inline PluginOnQuibo makePlugin(audioMasterCallback hostCallback = callback)
{
    auto quibo = std::make_unique<CQuibo>();
    CQuibo* instrument = quibo.get();
    return {instrument, std::make_unique<CQuiboPlugin>(hostCallback, std::move(quibo))};
}

// A plug-in instance with stereo block buffers.
struct Instance {
    PluginOnQuibo made = makePlugin();
    CQuibo& quibo = *made.quibo;
    std::unique_ptr<CQuiboPlugin>& plugin = made.plugin;
    std::vector<float> left, right;

    // Runs one block and answers nothing; left and right hold the output.
    void process(int frames)
    {
        left.assign(static_cast<size_t>(frames) + 1, 123.0f);
        right.assign(static_cast<size_t>(frames) + 1, 123.0f);
        float* outputs[2] = {left.data(), right.data()};
        plugin->processReplacing(nullptr, outputs, frames);
    }
};

// Hands one MIDI message to the plug-in as a host does, deltaFrames into
// the next block. Hosts write either the record's size (32) or the published
// byteSize (24, without the type and byteSize fields).
inline void sendMidi(CQuiboPlugin& plugin, int delta, int status, int data1, int data2,
                     VstInt32 byteSize = sizeof(VstMidiEvent))
{
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = byteSize;
    event.deltaFrames = delta;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&event);
    plugin.processEvents(&list);
}

} // namespace testhost
