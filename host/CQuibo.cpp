#include "CQuibo.h"

#include "ByteOrder.h"
#include "CEditorView.h"
#include "CParameterTexts.h"
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
#include <new>

namespace {

static_assert(CInstrument::kProgramCount == kNumPrograms, "the interface counts what the instrument has");

int stepOf(float value, float steps)
{
    return static_cast<int>(std::floor(value * steps));
}

} // namespace

CQuibo::CQuibo()
    : m_keyDispatcher({m_voice, m_rhythmBox, m_sequencer, m_calculator, m_displayModel})
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
    applyStartupCommands();

    debugTrace("==== CQuibo::Constructor done ===============================\n");
}

// The editor shows the display model and reads the notices, so it goes
// first, while they still exist.
CQuibo::~CQuibo()
{
    delete m_editor;
}

void CQuibo::adoptEditor(CEditorView* editor, bool shown)
{
    m_editor = editor;
    m_editorShown = editor != nullptr && shown;
}

// The start-up values are in place at once, so a host that reads parameters
// or saves a chunk at any time gets them; the commands queued after them in
// the constructor put them into effect (applyStartupCommands).
void CQuibo::storeStartupValues()
{
    for (int i = 0; i < kNumParams; ++i)
        m_parameterValues[i].store(CParameterTexts::facts(i)->defaultValue, std::memory_order_relaxed);
}

// The start-up values are applied here, on the constructing thread, before any
// other thread can reach the instrument: a bank or program a host loads, or
// MIDI it sends, before the first block then finds the panel started (in Play)
// and is not undone by start-up values still waiting in the queue.
void CQuibo::applyStartupCommands()
{
    CPanelAccess access(m_panelLock);
    drainCommands(access);
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
    const std::int32_t program = currentProgram();
    if (index >= 0 && index < kNumParams && program >= 0 && program < kNumPrograms)
        m_programs[program].values[index] = value;
}

void CQuibo::getParameterName(std::int32_t index, char* text)
{
    CParameterTexts::name(index, text);
}

void CQuibo::getParameterLabel(std::int32_t index, char* text)
{
    CParameterTexts::label(index, text);
}

const ParameterFacts* CQuibo::parameterFacts(std::int32_t index)
{
    return CParameterTexts::facts(index);
}

void CQuibo::getParameterDisplay(std::int32_t index, char* text)
{
    CParameterTexts::display(index, getParameter(index), text);
}

bool CQuibo::setParameterText(std::int32_t index, const char* text)
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

void CQuibo::render(float* left, float* right, std::int32_t sampleFrames)
{
    float* outputs[2] = {left, right};
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

bool CQuibo::setSampleRate(float rate)
{
    // A refused rate changes nothing: the panel counts its beeps in frames
    // of the stored rate.
    if (!isUsableSampleRate(rate))
        return false;
    m_sampleRateCopy = rate;
    // The engine keeps pitch, times and tempo in Hz and seconds at any rate.
    m_tempoClock.setClockRate(rate);
    m_voice.setSampleRate(rate);
    m_rhythmBox.setSampleRate(rate);
    return true;
}

void CQuibo::deliverNotices()
{
    announceOwnChanges();
    announceProgramChange();
}

void CQuibo::midiIn(std::int32_t offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    m_eventManager.receiveMidi(offset, MidiMessage{status, data1, data2}, mode());
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
    CInstrumentFront* front = m_front.load();
    if (m_programChangePending.load(std::memory_order_relaxed) &&
        m_programChangePending.exchange(false, std::memory_order_relaxed) && front != nullptr)
        front->programsChanged();
}

// Hosts keep a copy of every parameter for their controls and their saved
// sessions. A program-list notice makes some re-read all of them; others
// (Ardour among them) only mark the session modified and take a new value
// from a parameter notice alone, so each changed value is sent that way, as
// it stands now. No edit gesture around it: a gesture stands for the user's
// hand on a control, and during one a host in Touch mode records automation.
// While the transport runs the notices wait: a host in Write mode records
// what its control holds as it rolls, so the melody's or the MIDI's program
// changes would fill the user's automation. Once it has stopped (Ardour then
// turns Write into Touch) the host only takes the values.
void CQuibo::announceOwnChanges()
{
    CInstrumentFront* front = m_front.load();
    if (front == nullptr || !m_hostNotices.pending() || front->transportRuns())
        return;
    const std::uint32_t changed = m_hostNotices.take();
    debugTrace("CQuibo::announceOwnChanges: parameters 0x%04x told to the host\n", static_cast<unsigned>(changed));
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        if ((changed >> i) & 1u)
            front->parameterChanged(i, getParameter(i));
    }
}

ProgramRecord CQuibo::program(int index)
{
    std::lock_guard<CPanelLock> guard(m_panelLock);
    return m_programs[index];
}

void CQuibo::setProgramName(const char* name)
{
    if (name == nullptr)
        return;
    std::lock_guard<CPanelLock> guard(m_panelLock);
    // The field holds 23 characters and the terminator; longer names are cut.
    ProgramRecord& record = m_programs[currentProgram()];
    copyText(record.name, name, sizeof record.name);
}

void CQuibo::getProgramName(char* name)
{
    std::lock_guard<CPanelLock> guard(m_panelLock);
    std::strcpy(name, m_programs[currentProgram()].name);
}

bool CQuibo::getProgramNameIndexed(std::int32_t index, char* text)
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
    m_programs[destination] = m_programs[currentProgram()];
    return true;
}

// --- chunks ---------------------------------------------------------------

std::int32_t CQuibo::getChunk(const void** data, bool isPreset)
{
    debugTrace("CQuibo::getChunk: isPreset=%d, curProgram=%d\n", isPreset ? 1 : 0, getProgram());
    std::lock_guard<CPanelLock> guard(m_panelLock);
    if (isPreset) {
        // A copy, so the host reads a stable record while edits go on.
        m_programChunk = m_programs[currentProgram()];
        *data = &m_programChunk;
        return static_cast<VstInt32>(sizeof(ProgramRecord));
    }
    *data = m_bankChunk.save(*this);
    return kSavedBankSize;
}

std::int32_t CQuibo::setChunk(const void* data, std::int32_t byteSize, bool isPreset)
{
    debugTrace("CQuibo::setChunk: %d bytes, isPreset=%d, curProgram=%d\n", byteSize, isPreset ? 1 : 0, getProgram());
    if (data == nullptr || byteSize < 4)
        return 0;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    const VstInt32 marker = byteorder::getInt32(bytes);
    if (isPreset) {
        if (byteSize == static_cast<VstInt32>(sizeof(ProgramRecord)) && marker <= ProgramRecord::kMarker) {
            std::lock_guard<CPanelLock> guard(m_panelLock);
            const std::int32_t program = currentProgram();
            ProgramRecord& record = m_programs[program];
            std::memcpy(&record, bytes, sizeof record);
            record.name[ProgramRecord::kNameSize - 1] = '\0';
            selectProgram(program, false);
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

std::unique_ptr<CInstrument> createInstrumentWithoutEditor()
{
    return std::unique_ptr<CInstrument>(new (std::nothrow) CQuibo());
}
