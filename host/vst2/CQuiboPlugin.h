#pragma once

#include "AudioEffectX.h"
#include "CEditorListener.h"
#include "CInstrument.h"
#include "CInstrumentFront.h"
#include "CMidiProgramNames.h"

#include <memory>

// The VST 2 front: the plug-in as the host sees it. It answers the host's
// opcodes from the instrument it carries (CInstrument) and tells the host
// what the instrument tells it (CInstrumentFront) and what its editor tells it
// (CEditorListener); the product's identity, the MIDI program names and the
// canDo answers are its own.
class CQuiboPlugin : public AudioEffectX, private CInstrumentFront, private CEditorListener {
public:
    CQuiboPlugin(audioMasterCallback hostCallback, std::unique_ptr<CInstrument> instrument);
    ~CQuiboPlugin() override;

    CInstrument& instrument() { return *m_instrument; }

    // Sends the notices the instrument holds for the host before a host
    // request is answered (not in effProcessEvents, which hosts send from
    // their audio thread).
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    VstInt32 processEvents(VstEvents* events) override;
    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool copyProgram(VstInt32 destination) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool string2parameter(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    void setSampleRate(float sampleRate) override;
    void resume() override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstPlugCategory getPlugCategory() override;
    VstInt32 canDo(char* text) override;
    VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName* midiProgramName) override;
    VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName* currentProgram) override;
    VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory* category) override;
    bool hasMidiProgramsChanged(VstInt32 channel) override;
    bool getMidiKeyName(VstInt32 channel, MidiKeyName* keyName) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    // The display scale some hosts announce (kScaleFactorRequest): the editor's size follows it.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

private:
    // CInstrumentFront: the host hears through the host callback.
    void parameterChanged(VstInt32 index, float value) override;
    void programsChanged() override;
    bool transportRuns() override;
    // CEditorListener: the panel's gestures (automated values between
    // begin and end), the host's idle and the editor window's size.
    void beginGesture(VstInt32 index) override;
    void performGesture(VstInt32 index, float value) override;
    void endGesture(VstInt32 index) override;
    void idleHost() override;
    bool resizeRequest(VstInt32 width, VstInt32 height) override;

    std::unique_ptr<CInstrument> m_instrument;
    CMidiProgramNames m_midiNames;
};
