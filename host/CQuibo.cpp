#include "CQuibo.h"

#include "ByteOrder.h"
#include "DebugTrace.h"
#include "DecimalText.h"
#include "MidiEventRecord.h"
#include "ParameterValue.h"
#include "SampleRateRange.h"
#include "TextField.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

const char* const kParameterNames[kNumParams] = {
    "   Program   ", "    Mode     ", "   Volume    ", "   Balance   ", "   Octave    ",
    "    Tune     ", "    Sound    ", "   Attack    ", "    Decay    ", "Sustain level",
    "Sustain time ", "   Release   ", "   Vibrato   ", "   Tremolo   ", "    Tempo    ",
};

const char* const kSoundNames[10] = {
    "  Piano  ", " Fantasy ", " Violin  ", "  Flute  ", "Guitar 1 ",
    "Guitar 2 ", "  Horn   ", "Electro 1", "Electro 2", "Electro 3",
};

int stepOf(float value, float steps)
{
    return static_cast<int>(std::floor(value * steps));
}

} // namespace

CQuibo::CQuibo(audioMasterCallback hostCallback)
    : AudioEffectX(hostCallback, kNumPrograms, kNumParams),
      m_keyDispatcher({m_voice, m_rhythmBox, m_sequencer, m_calculator, m_displayModel})
{
    for (std::atomic<float>& value : m_parameterValues)
        value.store(0.0f, std::memory_order_relaxed);

    m_tempoClock.setOwner(this);
    m_displayModel.setOwner(this);
    m_voice.setHost(this);
    m_voice.setRhythmBox(&m_rhythmBox);
    m_rhythmBox.setVoice(&m_voice);
    m_sequencer.setOwner(this);
    m_eventManager.setOwner(this);
    m_keyDispatcher.setOwner(this);

    m_eventManager.setListener(0, &m_voice);
    m_eventManager.setListener(1, &m_rhythmBox);
    m_sampleRateCopy = 44100.0f;

    m_programs.fillBuiltIn();
    rebuildUserProgram();
    storeStartupValues();

    setParameter(kParamMode, 0.0f);
    setParameter(kParamProgram, 0.0f);
    setParameter(kParamOctave, 0.51f);
    setParameter(kParamBalance, 0.5f);
    setParameter(kParamVolume, 0.8f);
    setParameter(kParamTempo, 0.725f);
    setParameter(kParamTune, 0.5f);

    if (audioMaster != nullptr) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing(true);
        hasVu(false);
        hasClip(false);
        isSynth(true);
        setUniqueID(fourCharCode('q', 'b', 'o', '1'));
        programsAreChunks(true);
    }
    debugTrace("==== CQuibo::Constructor done ===============================\n");
}

CQuibo::~CQuibo() = default;

// The start-up values are in place at once, so a host that reads parameters
// or saves a chunk before the first block gets them; the queued commands below
// apply them at the first block.
void CQuibo::storeStartupValues()
{
    static const float kStartup[kNumParams] = {0.0f, 0.0f, 0.8f, 0.5f, 0.51f, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0.725f};
    for (int i = 0; i < kNumParams; ++i)
        m_parameterValues[i].store(kStartup[i], std::memory_order_relaxed);
    for (int i = kFirstSoundParam; i <= kLastSoundParam; ++i)
        m_parameterValues[i].store(m_programs[0].values[i], std::memory_order_relaxed);
}

void CQuibo::rebuildUserProgram()
{
    m_programs.rebuildUserProgram(m_calculator);
}

// --- parameters -----------------------------------------------------------

// Only what will apply enters the queue: the parameters and the panel's
// function keys. Anything else is refused at once, so it cannot crowd out
// real changes.
void CQuibo::setParameter(VstInt32 index, float value)
{
    const bool parameter = index >= 0 && index < kNumParams;
    const bool functionKey = index >= KeyReset && index <= KeyOneKey2;
    if (parameter || functionKey)
        m_commandQueue.push({index, value});
}

void CQuibo::panelNoteKey(VstInt32 keyCode, float value)
{
    if (keyCode >= kFirstNoteKey && keyCode <= kLastNoteKey)
        m_commandQueue.push({kNoteKeyCommand + keyCode, value});
}

void CQuibo::queueInternalCommand(VstInt32 index, float value)
{
    m_internalCommands.push({index, value});
}

float CQuibo::getParameter(VstInt32 index)
{
    if (index < 0 || index >= kNumParams)
        return 0.0f;
    return m_parameterValues[index].load(std::memory_order_relaxed);
}

void CQuibo::storeParameter(VstInt32 index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    const float before = m_parameterValues[index].exchange(value, std::memory_order_relaxed);
    if (!m_applyingCommand)
        return;
    if (index == m_hostSentParameter)
        m_hostNotices.known(index);
    else if (before != value)
        m_hostNotices.changed(index);
}

void CQuibo::storeInCurrentProgram(VstInt32 index, float value)
{
    if (index >= 0 && index < kNumParams && curProgram >= 0 && curProgram < kNumPrograms)
        m_programs[curProgram].values[index] = value;
}

void CQuibo::getParameterName(VstInt32 index, char* text)
{
    std::strcpy(text, index >= 0 && index < kNumParams ? kParameterNames[index] : "");
}

void CQuibo::getParameterLabel(VstInt32 index, char* label)
{
    if (index == kParamVolume)
        std::strcpy(label, "dB");
    else if (index == kParamBalance || index == kParamTune)
        std::strcpy(label, "%");
    else
        std::strcpy(label, "");
}

void CQuibo::getParameterDisplay(VstInt32 index, char* text)
{
    const float v = getParameter(index);
    switch (index) {
    case kParamProgram:
        std::strcpy(text, CProgramBank::builtInName(std::min(stepOf(v, 5.0f), kNumPrograms - 1)));
        break;
    case kParamMode:
        std::strcpy(text, v < 0.33333334f ? "Play" : v < 0.6666667f ? "Rec" : v < 1.0f ? "Cal" : "Off");
        break;
    case kParamVolume:
        dB2string(v, text);
        break;
    case kParamBalance:
    case kParamTune:
        float2string((v - 0.5f) * 100.0f, text);
        break;
    case kParamOctave:
        std::strcpy(text, v < 0.5f ? "Low" : v < 1.0f ? "Middle" : "High");
        break;
    case kParamSound:
        std::strcpy(text, kSoundNames[std::min(static_cast<int>(10.0f * v), 9)]);
        break;
    case kParamTempo:
        long2string(std::min(stepOf(v, 18.0f), 18) - 9, text);
        break;
    default:
        if (index > kParamSound && index < kParamTempo)
            long2string(std::min(stepOf(v, 9.0f), 9), text);
        else
            std::strcpy(text, "");
        break;
    }
}

bool CQuibo::string2parameter(VstInt32 index, char* text)
{
    if (text != nullptr)
        setParameter(index, static_cast<float>(decimaltext::parse(text)));
    return true;
}

// --- block processing -----------------------------------------------------

// Applies the queued commands, the host's first, then the audio thread's
// own, and any tick panel work left over from samples without panel access.
void CQuibo::drainCommands(CPanelAccess& access)
{
    if (m_commandQueue.isEmpty() && m_internalCommands.isEmpty() && m_deferredTicks == 0)
        return;
    if (!access.acquire())
        return;
    for (; m_deferredTicks > 0; --m_deferredTicks)
        m_tempoClock.tickPanel();
    CCommandQueue::Command command;
    for (;;) {
        if (m_commandQueue.pop(command))
            applyCommand(command, true);
        else if (m_internalCommands.pop(command))
            applyCommand(command, false);
        else
            break;
    }
}

// The host knows the value it sent; every other value the command changes
// (the sounds a program brings, a program change by MIDI or by the melody, a
// tempo step) is the instrument's own, and the host is told of it later.
void CQuibo::applyCommand(const CCommandQueue::Command& command, bool fromHost)
{
    m_applyingCommand = true;
    m_hostSentParameter = fromHost ? command.index : -1;
    if (command.index >= kNoteKeyCommand)
        m_keyDispatcher.noteKey(command.index - kNoteKeyCommand, command.value);
    else
        m_keyDispatcher.dispatch(command.index, command.value);
    m_applyingCommand = false;
}

// Events reach the voice, which writes the display, so they wait while
// another thread holds the panel.
void CQuibo::dispatchDue(VstInt32 now, CPanelAccess& access)
{
    if (m_eventManager.hasDue(now) && access.acquire())
        m_eventManager.DispatchDue(now);
}

void CQuibo::stepTempoClock(CPanelAccess& access)
{
    dispatchDue(0, access);
    if (!m_tempoClock.step())
        return;
    if (access.acquire())
        m_tempoClock.tickPanel();
    else if (m_deferredTicks < kMaxDeferredTicks)
        ++m_deferredTicks;
    m_tempoClock.tickEngine();
}

void CQuibo::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    processReplacing(inputs, outputs, sampleFrames);
}

void CQuibo::processReplacing(float** /*inputs*/, float** outputs, VstInt32 sampleFrames)
{
    m_panelLock.markAudioThread();
    if (sampleFrames != m_lastFrames) {
        debugTrace("<processReplacing> sampleFrames = %ul\n", static_cast<unsigned>(sampleFrames));
        m_lastFrames = sampleFrames;
    }
    m_eventManager.takeInbox();
    {
        CPanelAccess access(m_panelLock);
        drainCommands(access);
    }
    const VstInt32 frames = std::max<VstInt32>(sampleFrames, 0);
    if (mode() >= kModeCal) {
        std::fill(outputs[0], outputs[0] + frames, 0.0f);
        std::fill(outputs[1], outputs[1] + frames, 0.0f);
        return;
    }
    // The voice closes at most kMaxBlockFrames per EndBlock; longer host
    // blocks are rendered in parts. Event times stay relative to the block.
    VstInt32 first = 0;
    do {
        const VstInt32 part = std::min<VstInt32>(frames - first, CVoice::kMaxBlockFrames);
        renderPart(outputs, first, part);
        first += part;
    } while (first < frames);
    m_eventManager.EndBlock(frames);
}

// Sample by sample in the order commands, due events, the tempo clock, the
// voice and the rhythm box; but the samples after one that needs panel work
// and up to the next that does (a command waiting, an event due, a tick) are
// rendered as one run, with the parameters read once.
void CQuibo::renderPart(float** outputs, VstInt32 first, VstInt32 frames)
{
    const VstInt32 end = first + frames;
    for (VstInt32 i = first; i < end;) {
        {
            CPanelAccess access(m_panelLock);
            drainCommands(access);
            dispatchDue(i, access);
            stepTempoClock(access);
        }
        const VstInt32 runEnd = quietRunEnd(i + 1, end);
        renderRun(outputs, i, runEnd);
        i = runEnd;
    }
    m_voice.EndBlock(outputs[0] + first, frames);
}

// The end of the samples from `from` on (before `end`) at which no command
// waits, no event is due and no tick falls; the tempo clock is stepped
// through them. A command that another thread queues meanwhile is applied
// at the next sample that needs panel work.
VstInt32 CQuibo::quietRunEnd(VstInt32 from, VstInt32 end)
{
    if (!m_commandQueue.isEmpty() || !m_internalCommands.isEmpty() || m_deferredTicks > 0)
        return from;
    VstInt32 limit = end;
    if (m_eventManager.count() > 0)
        limit = std::min(limit, std::max(from, m_eventManager.nextTime()));
    return from + m_tempoClock.stepQuietly(limit - from);
}

void CQuibo::renderRun(float** outputs, VstInt32 from, VstInt32 to)
{
    const VstInt32 count = to - from;
    const float volume = m_parameterValues[kParamVolume].load(std::memory_order_relaxed);
    const float c = (m_parameterValues[kParamBalance].load(std::memory_order_relaxed) - 0.5f) * 0.5f;
    m_voice.RenderSamples((c + 0.5f) * volume, count);
    float* right = outputs[1] + from;
    m_rhythmBox.NextSamples(right, count);
    const float rhythmBalance = 0.5f - c;
    for (VstInt32 k = 0; k < count; ++k)
        right[k] = right[k] * rhythmBalance * volume;
}

void CQuibo::setSampleRate(float rate)
{
    // A refused rate changes nothing: the panel counts its beeps in frames
    // of the stored rate.
    if (!isUsableSampleRate(rate))
        return;
    AudioEffect::setSampleRate(rate);
    m_sampleRateCopy = rate;
    // The engine keeps pitch, times and tempo in Hz and seconds at any rate.
    m_tempoClock.setClockRate(rate);
    m_voice.setSampleRate(rate);
    m_rhythmBox.setSampleRate(rate);
}

void CQuibo::setBlockSize(VstInt32 size)
{
    AudioEffect::setBlockSize(size);
}

// The host's resume asks for MIDI, once; the panel's mode changes do not.
void CQuibo::resume()
{
    wantEvents(1);
}

VstIntPtr CQuibo::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (opcode != effProcessEvents) {
        announceOwnChanges();
        announceProgramChange();
    }
    return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
}

VstInt32 CQuibo::processEvents(VstEvents* events)
{
    return m_eventManager.processEvents(events, mode());
}

void CQuibo::queueMidi(int delta, int status, int data1, int data2, int flags)
{
    m_eventManager.AddEvent(makeMidiEvent(delta, status, data1, data2, flags));
}

void CQuibo::flushEvents()
{
    m_eventManager.FlushAll();
}

void CQuibo::programChange(int program)
{
    queueInternalCommand(kParamProgram, static_cast<float>(program) * 0.2f);
}

void CQuibo::notifyEditor(VstInt32 index, float value)
{
    if (index >= 0 && index < kNumParams)
        m_editorNotices.parameterApplied(index);
    else
        m_editorNotices.keyChanged(index, value > 0.0f);
}

// --- programs -------------------------------------------------------------

VstInt32 CQuibo::getProgram()
{
    return m_currentProgram.load(std::memory_order_relaxed);
}

void CQuibo::setProgram(VstInt32 program)
{
    {
        std::lock_guard<CPanelLock> guard(m_panelLock);
        selectProgram(program, false);
    }
    announceProgramChange();
}

void CQuibo::selectProgram(VstInt32 program, bool applyNow)
{
    if (program < 0 || program >= kNumPrograms)
        return;
    curProgram = program;
    m_currentProgram.store(program, std::memory_order_relaxed);
    if (program == kUserProgram)
        rebuildUserProgram();
    for (int i = kFirstSoundParam; i <= kLastSoundParam; ++i) {
        const float value = m_programs[program].values[i];
        if (value < 0.0f)
            continue;
        if (applyNow) {
            m_keyDispatcher.dispatch(i, value);
        } else {
            storeParameter(i, clampParameter(value));
            setParameter(i, value);
        }
    }
    if (program != stepOf(getParameter(kParamProgram), 5.0f)) {
        storeParameter(kParamProgram, static_cast<float>(program) * 0.2f);
        notifyEditor(kParamProgram, getParameter(kParamProgram));
    }
    m_programChangePending.store(true, std::memory_order_relaxed);
}

void CQuibo::announceProgramChange()
{
    if (m_programChangePending.load(std::memory_order_relaxed) &&
        m_programChangePending.exchange(false, std::memory_order_relaxed))
        updateDisplay();
}

// Hosts keep a copy of every parameter for their controls and their saved
// sessions. audioMasterUpdateDisplay makes some re-read all of them; others
// (Ardour among them) only mark the session modified and take a new value
// from audioMasterAutomate alone, so each changed value is sent that way, as
// it stands now. No audioMasterBeginEdit/EndEdit: those stand for the user's
// hand on a control, and during one a host in Touch mode records automation.
// While the transport runs the notices wait: a host in Write mode records
// what its control holds as it rolls, so the melody's or the MIDI's program
// changes would fill the user's automation. Once it has stopped (Ardour then
// turns Write into Touch) the host only takes the values.
void CQuibo::announceOwnChanges()
{
    if (!m_hostNotices.pending() || hostTransportRuns())
        return;
    const std::uint32_t changed = m_hostNotices.take();
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        if ((changed >> i) & 1u)
            callHost(audioMasterAutomate, i, 0, nullptr, getParameter(i));
    }
}

bool CQuibo::hostTransportRuns()
{
    const VstTimeInfo* time = getTimeInfo(0);
    return time != nullptr && (time->flags & (kVstTransportPlaying | kVstTransportRecording)) != 0;
}

ProgramRecord CQuibo::program(int index)
{
    std::lock_guard<CPanelLock> guard(m_panelLock);
    return m_programs[index];
}

void CQuibo::setProgramName(char* name)
{
    if (name == nullptr)
        return;
    std::lock_guard<CPanelLock> guard(m_panelLock);
    // The field holds 23 characters and the terminator; longer names are cut.
    copyText(m_programs[curProgram].name, name, sizeof m_programs[curProgram].name);
}

void CQuibo::getProgramName(char* name)
{
    std::lock_guard<CPanelLock> guard(m_panelLock);
    std::strcpy(name, m_programs[curProgram].name);
}

bool CQuibo::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (index < 0 || index >= kNumPrograms)
        return false;
    std::lock_guard<CPanelLock> guard(m_panelLock);
    std::strcpy(text, m_programs[index].name);
    return true;
}

bool CQuibo::copyProgram(VstInt32 destination)
{
    if (destination < 0 || destination >= kNumPrograms)
        return false;
    std::lock_guard<CPanelLock> guard(m_panelLock);
    m_programs[destination] = m_programs[curProgram];
    return true;
}

// --- chunks ---------------------------------------------------------------

VstInt32 CQuibo::getChunk(void** data, bool isPreset)
{
    debugTrace("CQuibo::getChunk: isPreset=%d, curProgram=%d\n", isPreset ? 1 : 0, getProgram());
    std::lock_guard<CPanelLock> guard(m_panelLock);
    if (isPreset) {
        // A copy, so the host reads a stable record while edits go on.
        m_programChunk = m_programs[curProgram];
        *data = &m_programChunk;
        return static_cast<VstInt32>(sizeof(ProgramRecord));
    }
    *data = const_cast<unsigned char*>(m_bankChunk.save(*this));
    return kSavedBankSize;
}

VstInt32 CQuibo::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    debugTrace("CQuibo::setChunk: %d bytes, isPreset=%d, curProgram=%d\n", byteSize, isPreset ? 1 : 0, getProgram());
    if (data == nullptr || byteSize < 4)
        return 0;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    const VstInt32 marker = byteorder::getInt32(bytes);
    if (isPreset) {
        if (byteSize == static_cast<VstInt32>(sizeof(ProgramRecord)) && marker <= ProgramRecord::kMarker) {
            std::lock_guard<CPanelLock> guard(m_panelLock);
            ProgramRecord& record = m_programs[curProgram];
            std::memcpy(&record, bytes, sizeof record);
            record.name[ProgramRecord::kNameSize - 1] = '\0';
            selectProgram(curProgram, false);
        }
        announceProgramChange();
        return 0;
    }
    bool restored;
    {
        std::lock_guard<CPanelLock> guard(m_panelLock);
        restored = CBankChunk::restore(*this, bytes, byteSize);
    }
    if (!restored)
        return 0;
    // The host is told outside the lock: it may call back into the plug-in
    // or wait for another thread. The editor re-reads every parameter at its
    // next idle (the restore stored the Program value without applying it).
    announceProgramChange();
    for (int i = 0; i < kNumParams; ++i)
        m_editorNotices.parameterApplied(i);
    return 1;
}

// --- host queries ---------------------------------------------------------

bool CQuibo::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    if (index < 0 || index > 1 || properties == nullptr)
        return false;
    std::snprintf(properties->label, sizeof properties->label, "Zintra %1d", static_cast<int>(index + 1));
    properties->flags = kVstPinIsActive;
    return true;
}

VstPlugCategory CQuibo::getPlugCategory()
{
    return kPlugCategSynth;
}

VstInt32 CQuibo::canDo(char* text)
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

namespace {
void fillMidiProgramName(MidiProgramName* record, const char* name, int program)
{
    copyText(record->name, name, sizeof record->name);
    record->midiProgram = static_cast<char>(program);
    record->midiBankMsb = -1;
    record->midiBankLsb = -1;
    record->reserved = 0;
    record->parentCategoryIndex = -1;
    record->flags = 0;
}
} // namespace

VstInt32 CQuibo::getMidiProgramName(VstInt32 channel, MidiProgramName* record)
{
    if (record == nullptr)
        return 0;
    const VstInt32 index = record->thisProgramIndex;
    if (channel == 0 && index >= 0 && index < kNumPrograms) {
        fillMidiProgramName(record, CProgramBank::builtInName(index), index);
        return kNumPrograms;
    }
    if (channel == 9 && index == 0) {
        fillMidiProgramName(record, "Rhythm", 0);
        return 1;
    }
    return 0;
}

VstInt32 CQuibo::getCurrentMidiProgram(VstInt32 channel, MidiProgramName* record)
{
    if (record == nullptr)
        return 0;
    const VstInt32 index = std::min(stepOf(getParameter(kParamProgram), 5.0f), kNumPrograms - 1);
    record->thisProgramIndex = index;
    return getMidiProgramName(channel, record) != 0 ? index : 0;
}

VstInt32 CQuibo::getMidiProgramCategory(VstInt32, MidiProgramCategory* category)
{
    if (category != nullptr)
        category->parentCategoryIndex = -1;
    return 0;
}

bool CQuibo::hasMidiProgramsChanged(VstInt32)
{
    return false;
}

bool CQuibo::getMidiKeyName(VstInt32 channel, MidiKeyName* keyName)
{
    if (keyName == nullptr || channel != 9 || keyName->thisProgramIndex != 0)
        return false;
    const char* name = "";
    if (keyName->thisKeyNumber == 60)
        name = "Low bleep";
    else if (keyName->thisKeyNumber == 62)
        name = "High bleep";
    else if (keyName->thisKeyNumber == 64)
        name = "Noise";
    copyText(keyName->keyName, name, sizeof keyName->keyName);
    return true;
}
