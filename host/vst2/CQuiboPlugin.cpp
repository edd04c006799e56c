#include "CQuiboPlugin.h"

#include "AEffEditor.h"
#include "CEditorView.h"
#include "PanelCodes.h"
#include "ProductIdentity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

CQuiboPlugin::CQuiboPlugin(audioMasterCallback hostCallback, std::unique_ptr<CInstrument> instrument)
    : AudioEffectX(hostCallback, kNumPrograms, kNumParams),
      m_instrument(std::move(instrument)),
      m_midiNames(*m_instrument)
{
    m_instrument->attachFront(this);
    // The panel carries the VST 2 editor's operations itself; a view
    // without them is not offered to VST 2 hosts.
    AEffEditor* panel = dynamic_cast<AEffEditor*>(m_instrument->editor());
    setEditor(panel);
    setFlag(effFlagsHasEditor, panel != nullptr && m_instrument->editorShown());
    if (panel != nullptr)
        m_instrument->editor()->setListener(this);
    if (audioMaster != nullptr) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing(true);
        hasVu(false);
        hasClip(false);
        isSynth(true);
        setUniqueID(static_cast<VstInt32>(product::kVst2UniqueId));
        getAeffect()->version = product::kVst2Version;
        programsAreChunks(true);
    }
}

// The instrument deletes its editor; the frame must not.
CQuiboPlugin::~CQuiboPlugin()
{
    if (editor != nullptr)
        m_instrument->editor()->setListener(nullptr);
    editor = nullptr;
    m_instrument->attachFront(nullptr);
}

// Every request from the host's own threads (not the audio thread's event
// list) is a moment to tell it what the instrument changed itself.
VstIntPtr CQuiboPlugin::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (opcode != effProcessEvents)
        m_instrument->deliverNotices();
    return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
}

// --- parameters and programs --------------------------------------------

void CQuiboPlugin::setParameter(VstInt32 index, float value)
{
    m_instrument->setParameter(index, value);
}

float CQuiboPlugin::getParameter(VstInt32 index)
{
    return m_instrument->getParameter(index);
}

void CQuiboPlugin::getParameterLabel(VstInt32 index, char* label)
{
    m_instrument->getParameterLabel(index, label);
}

void CQuiboPlugin::getParameterDisplay(VstInt32 index, char* text)
{
    m_instrument->getParameterDisplay(index, text);
}

void CQuiboPlugin::getParameterName(VstInt32 index, char* text)
{
    m_instrument->getParameterName(index, text);
}

bool CQuiboPlugin::string2parameter(VstInt32 index, char* text)
{
    return m_instrument->setParameterText(index, text);
}

VstInt32 CQuiboPlugin::getProgram()
{
    return m_instrument->getProgram();
}

void CQuiboPlugin::setProgram(VstInt32 program)
{
    m_instrument->setProgram(program);
}

void CQuiboPlugin::setProgramName(char* name)
{
    m_instrument->setProgramName(name);
}

void CQuiboPlugin::getProgramName(char* name)
{
    m_instrument->getProgramName(name);
}

bool CQuiboPlugin::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    return m_instrument->getProgramNameIndexed(index, text);
}

bool CQuiboPlugin::copyProgram(VstInt32 destination)
{
    return m_instrument->copyProgram(destination);
}

// The host's buffer pointer type is not const; it only reads the bytes.
VstInt32 CQuiboPlugin::getChunk(void** data, bool isPreset)
{
    const void* bytes = nullptr;
    const VstInt32 size = m_instrument->getChunk(&bytes, isPreset);
    *data = const_cast<void*>(bytes);
    return size;
}

VstInt32 CQuiboPlugin::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    return m_instrument->setChunk(data, byteSize, isPreset);
}

// --- audio ----------------------------------------------------------------

void CQuiboPlugin::setSampleRate(float rate)
{
    if (m_instrument->setSampleRate(rate))
        AudioEffect::setSampleRate(rate);
}

// The host's resume asks for MIDI, once; the panel's mode changes do not.
// It also asks for idle calls outside the editor: a host that gives them
// (effIdle from its own thread, editor open or not) then hears of the
// instrument's own changes without waiting for its next other request.
void CQuiboPlugin::resume()
{
    wantEvents(1);
    needIdle();
}

void CQuiboPlugin::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    processReplacing(inputs, outputs, sampleFrames);
}

void CQuiboPlugin::processReplacing(float** /*inputs*/, float** outputs, VstInt32 sampleFrames)
{
    m_instrument->render(outputs[0], outputs[1], sampleFrames);
}

// A MIDI event is always a whole 32-byte record, whatever its byteSize says:
// the published size leaves out the first two fields (24), and hosts write
// either that or the record's size (32). Other types are skipped. The host's
// list is longer than its declared two entries.
VstInt32 CQuiboPlugin::processEvents(VstEvents* events)
{
    if (events == nullptr)
        return 1;
    VstEvent* const* entries = events->events;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = entries[i];
        if (event == nullptr || event->type != kVstMidiType)
            continue;
        VstMidiEvent midi;
        std::memcpy(&midi, event, sizeof midi);
        m_instrument->midiIn(midi.deltaFrames, static_cast<std::uint8_t>(midi.midiData[0]),
                             static_cast<std::uint8_t>(midi.midiData[1]), static_cast<std::uint8_t>(midi.midiData[2]));
    }
    return 1;
}

// --- what the instrument tells the host ------------------------------------

void CQuiboPlugin::parameterChanged(VstInt32 index, float value)
{
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void CQuiboPlugin::programsChanged()
{
    updateDisplay();
}

// --- what the panel tells the host -----------------------------------------

void CQuiboPlugin::beginGesture(VstInt32 index)
{
    beginEdit(index);
}

void CQuiboPlugin::performGesture(VstInt32 index, float value)
{
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void CQuiboPlugin::endGesture(VstInt32 index)
{
    endEdit(index);
}

void CQuiboPlugin::idleHost()
{
    masterIdle();
}

bool CQuiboPlugin::resizeRequest(VstInt32 width, VstInt32 height)
{
    return sizeWindow(width, height);
}

VstIntPtr CQuiboPlugin::vendorSpecific(VstInt32 index, VstIntPtr value, void*, float opt)
{
    if (index != kScaleFactorRequest || value != kScaleFactorValue)
        return 0;
    CEditorView* panel = m_instrument->editor();
    if (panel == nullptr)
        return 0;
    panel->setHostScaleFactor(opt);
    return 1;
}

bool CQuiboPlugin::transportRuns()
{
    const VstTimeInfo* time = getTimeInfo(0);
    return time != nullptr && (time->flags & (kVstTransportPlaying | kVstTransportRecording)) != 0;
}

// --- host queries ---------------------------------------------------------

bool CQuiboPlugin::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    if (index < 0 || index > 1 || properties == nullptr)
        return false;
    std::snprintf(properties->label, sizeof properties->label, "Zintra %1d", static_cast<int>(index + 1));
    properties->flags = kVstPinIsActive;
    return true;
}

VstPlugCategory CQuiboPlugin::getPlugCategory()
{
    return kPlugCategSynth;
}

VstInt32 CQuiboPlugin::canDo(char* text)
{
    if (text == nullptr)
        return -1;
    static const char* const kAnswersYes[] = {"receiveVstEvents", "receiveVstMidiEvent", "midiProgramNames"};
    for (const char* yes : kAnswersYes) {
        if (std::strcmp(text, yes) == 0)
            return 1;
    }
    return -1;
}

VstInt32 CQuiboPlugin::getMidiProgramName(VstInt32 channel, MidiProgramName* record)
{
    return m_midiNames.programName(channel, record);
}

VstInt32 CQuiboPlugin::getCurrentMidiProgram(VstInt32 channel, MidiProgramName* record)
{
    return m_midiNames.currentProgram(channel, record);
}

VstInt32 CQuiboPlugin::getMidiProgramCategory(VstInt32, MidiProgramCategory* category)
{
    if (category != nullptr)
        category->parentCategoryIndex = -1;
    return 0;
}

bool CQuiboPlugin::hasMidiProgramsChanged(VstInt32)
{
    return false;
}

bool CQuiboPlugin::getMidiKeyName(VstInt32 channel, MidiKeyName* keyName)
{
    return CMidiProgramNames::keyName(channel, keyName);
}

bool CQuiboPlugin::getEffectName(char* name)
{
    std::strcpy(name, product::kName);
    return true;
}

bool CQuiboPlugin::getVendorString(char* text)
{
    std::strcpy(text, product::kVendor);
    return true;
}

bool CQuiboPlugin::getProductString(char* text)
{
    std::strcpy(text, product::kName);
    return true;
}

VstInt32 CQuiboPlugin::getVendorVersion()
{
    return product::kVendorVersion;
}
