#pragma once

#include "CBankChunk.h"
#include "CCalculator.h"
#include "CCommandQueue.h"
#include "CDisplayModel.h"
#include "CEditorNotices.h"
#include "CEditorPort.h"
#include "CEventManager.h"
#include "CHostNotices.h"
#include "CInstrument.h"
#include "CInstrumentFront.h"
#include "CKeyDispatcher.h"
#include "CPanelAccess.h"
#include "CPanelHost.h"
#include "CPanelLock.h"
#include "CProgramBank.h"
#include "CRhythmBox.h"
#include "CSequencer.h"
#include "CTempoClock.h"
#include "CVoice.h"
#include "CVoiceHost.h"
#include "PanelCodes.h"
#include "ProgramRecord.h"

#include <atomic>

// The instrument: owns every component, applies queued commands on the audio
// thread and renders each block in runs of samples between those where a
// command, an event or a tick is due. Fronts drive it through CInstrument,
// the front panel through CEditorPort; it is the host the voice and the
// panel logic report to (CVoiceHost, CPanelHost).
//
// Threads. The audio thread owns the voice, the rhythm box, the event queue
// and the tempo clock's timing; it never waits for another thread. What other
// threads send it that is small and ordered (parameters, panel keys, MIDI)
// goes through lock-free queues. The panel's state (see CPanelLock) is shared:
// a host thread that loads a chunk or a program applies it itself under the
// panel lock, which the audio thread only tries; while it cannot have it, the
// audio thread keeps rendering and catches up on the panel work at the next
// sample where the try succeeds. The front is never called from the audio
// thread: program-change announcements and the values the instrument changed
// itself wait for the front's next deliverNotices.
class CQuibo : public CInstrument, public CEditorPort, public CPanelHost, public CVoiceHost {
public:
    static constexpr int kBankChunkSize = CBankChunk::kFixedSize;
    static constexpr int kSavedBankSize = CBankChunk::kSavedSize;
    static_assert(kSavedBankSize == kBankSize && kBankChunkSize == kEarlierBankSize, "the bank sizes fronts are told");

    CQuibo();
    ~CQuibo() override;

    // CInstrument.
    void attachFront(CInstrumentFront* front) override { m_front.store(front); }
    void deliverNotices() override;
    float getParameter(std::int32_t index) override;
    void setParameter(std::int32_t index, float value) override;
    bool setParameterText(std::int32_t index, const char* text) override;
    void getParameterName(std::int32_t index, char* text) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterLabel(std::int32_t index, char* text) override;
    const ParameterFacts* parameterFacts(std::int32_t index) override;
    std::int32_t getProgram() override;
    void setProgram(std::int32_t program) override;
    void getProgramName(char* name) override;
    void setProgramName(const char* name) override;
    bool getProgramNameIndexed(std::int32_t index, char* name) override;
    bool copyProgram(std::int32_t destination) override;
    const char* factoryProgramName(std::int32_t index) override { return CProgramBank::builtInName(index); }
    std::int32_t getChunk(const void** data, bool isPreset) override;
    std::int32_t setChunk(const void* data, std::int32_t byteSize, bool isPreset) override;
    bool setSampleRate(float rate) override;
    void midiIn(std::int32_t offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void render(float* left, float* right, std::int32_t frames) override;
    CEditorView* editor() override { return m_editor; }
    bool editorShown() override { return m_editorShown; }

    // CEditorPort.
    // Queued as the host's own values are; the editor tells its front.
    void editParameter(std::int32_t index, float value) override { setParameter(index, value); }
    void functionKey(std::int32_t keyCode, float value) override { setParameter(keyCode, value); }
    void noteKey(std::int32_t keyCode, float value) override { panelNoteKey(keyCode, value); }
    float parameterValue(std::int32_t index) override { return getParameter(index); }
    int panelMode() override { return mode(); }
    CEditorNotices::Taken takeNotices() override { return m_editorNotices.take(); }
    void attachDisplay(CDisplayCells* cells) override { m_displayModel.attachView(cells); }
    void detachDisplay() override { m_displayModel.detachView(); }
    bool refreshDisplay() override { return m_displayModel.refreshView(); }
    std::uint32_t changeCount() override { return m_editorNotices.changes(); }
    void adoptEditor(CEditorView* editor, bool shown) override;

    CEditorNotices& editorNotices() { return m_editorNotices; }
    // A note key played on the panel (the editor's thread): 1.0 press, 0.0
    // release. It reaches the key dispatcher through the command queue.
    void panelNoteKey(VstInt32 keyCode, float value);

    // What the panel logic and the chunks use (CPanelHost). Unless said
    // otherwise, with the panel lock held or panel access on the audio thread.
    // A value that a command changes and the host did not send is marked for
    // the host (see announceOwnChanges).
    void storeParameter(VstInt32 index, float value) override;
    // Keeps a sound edit with the program it was made on.
    void storeInCurrentProgram(VstInt32 index, float value) override;
    // Program selection. On the audio thread (applyNow) the program's sound
    // values are applied at once, so a sound edit queued after the selection
    // wins; on another thread they are stored and queued for the voice. The
    // Program value is stored, not queued, so the selection is not made
    // again later. The host hears of it from announceProgramChange.
    void selectProgram(VstInt32 program, bool applyNow) override;
    void rebuildUserProgram() override;
    // A command from the audio thread's own panel work or MIDI (a program
    // change, a tempo step), applied at the next drain.
    void queueInternalCommand(VstInt32 index, float value) override;
    // Publishes an applied parameter (any thread) or a key state (the audio
    // thread) for the editor's idle.
    void notifyEditor(VstInt32 index, float value) override;
    void displayPublished() override { m_editorNotices.changed(); }
    int mode() const override { return m_mode.load(std::memory_order_acquire); }
    void setMode(int mode) override
    {
        m_mode.store(mode, std::memory_order_release);
        m_editorNotices.changed();
    }
    // The host rate as last set: the number of frames in one second.
    float sampleRateCopy() const override { return m_sampleRateCopy; }
    void setBeepPending(int pending) override { m_beepPending.store(pending, std::memory_order_relaxed); }
    int beepPending() const { return m_beepPending.load(std::memory_order_relaxed); }
    void queueMidi(int delta, int status, int data1, int data2, int flags) override;
    void flushEvents() override;
    float tempo() const override { return m_tempoClock.tempo(); }
    float setTempo(float tempo) override { return m_tempoClock.setTempo(tempo); }
    void resetTempoClock() override { m_tempoClock.reset(); }
    void setClockFlag(ClockFlag flag, int value) override { m_tempoClock.setFlag(flag, value); }

    // The voice's reports (CVoiceHost), on the audio thread.
    void showNote(int note) override { m_displayModel.showNote(note); }
    void keyChanged(int note, bool down) override { m_editorNotices.keyChanged(note, down); }
    void programChange(int program) override;

    // Components.
    CTempoClock& tempoClock() { return m_tempoClock; }
    CDisplayModel& displayModel() { return m_displayModel; }
    CVoice& voice() { return m_voice; }
    CRhythmBox& rhythmBox() { return m_rhythmBox; }
    CSequencer& sequencer() { return m_sequencer; }
    CCalculator& calculator() { return m_calculator; }
    CEventManager& eventManager() { return m_eventManager; }
    CKeyDispatcher& keyDispatcher() { return m_keyDispatcher; }
    CCommandQueue& commandQueue() { return m_commandQueue; }
    CProgramBank& programs() { return m_programs; }
    CPanelLock& panelLock() { return m_panelLock; }
    // A copy of a program record, taken under the panel lock.
    ProgramRecord program(int index);

    // Key codes of panel note keys in the command queue are offset by this.
    static constexpr VstInt32 kNoteKeyCommand = 0x100;

protected:
    void drainCommands(CPanelAccess& access);
    void applyCommand(const CCommandQueue::Command& command, bool fromHost);
    void dispatchDue(VstInt32 now, CPanelAccess& access);
    void stepTempoClock(CPanelAccess& access);
    void renderPart(float** outputs, VstInt32 first, VstInt32 frames);
    VstInt32 quietRunEnd(VstInt32 from, VstInt32 end);
    void renderRun(float** outputs, VstInt32 from, VstInt32 to);
    void storeStartupValues();
    void applyStartupCommands();
    // Tells the host the program list changed; never called with the panel
    // lock held, nor from the audio thread.
    void announceProgramChange();
    // Tells the host of the values the instrument changed itself; from the
    // host's thread only, and not while its transport runs.
    void announceOwnChanges();
    std::int32_t currentProgram() const { return m_currentProgram.load(std::memory_order_relaxed); }

    // Set by a UI thread while another host thread may send notices.
    std::atomic<CInstrumentFront*> m_front{nullptr};
    CEditorView* m_editor = nullptr;
    bool m_editorShown = false;

    float m_sampleRateCopy = 44100.0f;
    std::atomic<int> m_beepPending{0};
    CTempoClock m_tempoClock;
    CDisplayModel m_displayModel;
    CVoice m_voice;
    CRhythmBox m_rhythmBox;
    CSequencer m_sequencer;
    CCalculator m_calculator;
    CEventManager m_eventManager;
    CProgramBank m_programs;
    CBankChunk m_bankChunk;
    ProgramRecord m_programChunk; // what getChunk hands out for one program
    std::atomic<VstInt32> m_currentProgram{0};
    CPanelLock m_panelLock;
    std::atomic<bool> m_programChangePending{false};
    CEditorNotices m_editorNotices;
    CHostNotices m_hostNotices;
    // While the audio thread applies a command (with panel access): the
    // parameter the host sent with it, or -1 for the instrument's own command.
    bool m_applyingCommand = false;
    VstInt32 m_hostSentParameter = -1;
    // Ticks whose panel part waits for panel access (audio thread only), at
    // most kMaxDeferredTicks (ten seconds at the fastest tempo).
    static constexpr int kMaxDeferredTicks = 1800;
    int m_deferredTicks = 0;
    // Live values of all fifteen parameters, written with the panel lock or
    // panel access and read by any thread.
    std::atomic<float> m_parameterValues[kNumParams];
    std::atomic<int> m_mode{kModeOff};
    CKeyDispatcher m_keyDispatcher;
    CCommandQueue m_commandQueue;
    // Commands from the audio thread itself; only that thread touches it.
    CCommandQueue m_internalCommands;
    VstInt32 m_lastFrames = 0;
};
