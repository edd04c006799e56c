#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ParameterFacts.h"

class CEditorView;
class CInstrumentFront;

// The instrument as every front drives it: the VST 2 plug-in, the LV2
// plug-in, the standalone player, the tests and the benchmarks. It knows no
// host format; a front translates its host's calls into these and hears back
// through CInstrumentFront.
//
// Threads. render and midiIn may come from the audio thread; render is
// never called by two threads at once. Everything else comes from host or
// editor threads, any of them, also while the audio thread renders or is
// stopped: nothing here waits for the audio thread to make progress.
// Parameter values and notes only enter lock-free queues, which the next
// render applies at its first sample.
class CInstrument {
public:
    static constexpr int kProgramCount = 6;
    // The longest text a text operation writes, terminator included.
    static constexpr int kTextSize = 32;
    // The sizes of the bank chunks the instrument writes: this version's, and
    // the shorter one of earlier versions, which it still takes.
    static constexpr std::int32_t kBankSize = 3592;
    static constexpr std::int32_t kEarlierBankSize = 2988;

    virtual ~CInstrument() = default;

    // The front that hears what the instrument tells; null: nobody.
    virtual void attachFront(CInstrumentFront* front) = 0;
    // Sends what waits for the front (values the instrument changed, a
    // program change by MIDI). A front calls it on a host thread before it
    // answers a host request; never from the audio thread.
    virtual void deliverNotices() = 0;

    // Parameters: values 0 to 1; an index out of range reads 0 and is
    // ignored. setParameter also takes the panel's function keys (their key
    // codes as the index).
    virtual float getParameter(std::int32_t index) = 0;
    virtual void setParameter(std::int32_t index, float value) = 0;
    // A value typed as text: a number read with a point, whatever the locale.
    virtual bool setParameterText(std::int32_t index, const char* text) = 0;
    // The texts a host shows (padded to the display's width), at most
    // kTextSize bytes; empty for an index out of range.
    virtual void getParameterName(std::int32_t index, char* text) = 0;
    virtual void getParameterDisplay(std::int32_t index, char* text) = 0;
    virtual void getParameterLabel(std::int32_t index, char* text) = 0;
    // What a host is told of a parameter before it shows or automates it
    // (name, default, steps and their labels, unit); null for an index out
    // of range. The facts outlive every instrument.
    virtual const ParameterFacts* parameterFacts(std::int32_t index) = 0;

    // Programs: the six records, each with its sounds and a 23-character
    // name. An index out of range is refused (false) or ignored.
    virtual std::int32_t getProgram() = 0;
    virtual void setProgram(std::int32_t program) = 0;
    virtual void getProgramName(char* name) = 0;
    virtual void setProgramName(const char* name) = 0;
    virtual bool getProgramNameIndexed(std::int32_t index, char* name) = 0;
    virtual bool copyProgram(std::int32_t destination) = 0;
    // The name program index has in a new instrument (for preset and MIDI
    // program lists); "" out of range.
    virtual const char* factoryProgramName(std::int32_t index) = 0;

    // State as bytes: the bank (every program, the recorded melody, the
    // calculator's memory and the settings) or the current program. The
    // bytes stay valid until the next getChunk. setChunk answers 1 when a
    // bank was taken; a damaged or later bank changes nothing and answers 0;
    // a program record answers 0 in any case.
    virtual std::int32_t getChunk(const void** data, bool isPreset) = 0;
    virtual std::int32_t setChunk(const void* data, std::int32_t byteSize, bool isPreset) = 0;

    // Audio. A refused rate (see SampleRateRange.h) changes nothing and
    // answers false. midiIn takes a message offset samples into the next
    // rendered block; render writes the voice to left and the rhythm box to
    // right, frames samples each (0 or fewer: nothing).
    virtual bool setSampleRate(float rate) = 0;
    virtual void midiIn(std::int32_t offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) = 0;
    // A raw MIDI message as LV2 and JACK carry it: a channel message of one
    // to three bytes goes to midiIn; system messages (clock, system
    // exclusive) and stray data bytes are not the instrument's. Answers
    // whether it went.
    bool midiBytesIn(std::int32_t offset, const std::uint8_t* bytes, std::size_t size)
    {
        if (bytes == nullptr || size < 1 || size > 3 || bytes[0] < 0x80 || bytes[0] >= 0xF0)
            return false;
        midiIn(offset, bytes[0], size > 1 ? bytes[1] : 0, size > 2 ? bytes[2] : 0);
        return true;
    }
    virtual void render(float* left, float* right, std::int32_t frames) = 0;

    // The front panel: open on a native parent window, idle, close, size,
    // scale and keys (CEditorView), on the host's user-interface thread. Null
    // when the instrument was made without one; editorShown is false when
    // the panel exists but has no window system.
    virtual CEditorView* editor() = 0;
    virtual bool editorShown() = 0;
};

// Made by the module that links a front (plugin/PluginFactory.cpp): the
// instrument with its front-panel editor. Null when memory runs out.
std::unique_ptr<CInstrument> createInstrument();
// The instrument alone, without an editor, for tools that only ask it (the
// LV2 Turtle writer); made by quibo_host. Null when memory runs out.
std::unique_ptr<CInstrument> createInstrumentWithoutEditor();
