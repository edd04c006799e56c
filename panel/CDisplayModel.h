#pragma once

#include "CDisplayCells.h"
#include "SpinLock.h"

#include <atomic>
#include <cstdint>

class CQuibo;

// The LCD's content: nine cells, marks and decimal points, written by the
// panel logic, the voice and the tempo clock, rendered into the display cells.
//
// Writers run on the audio thread and on the editor's thread. Every write
// holds m_lock for a few instructions only; rendering copies the content
// under the lock and hands the copy to the cells outside it. Only one thread
// renders at a time; a flush that finds another thread rendering leaves the
// newest content to that thread instead of waiting.
class CDisplayModel {
public:
    static constexpr int kStateSize = 56;
    enum DisplayMode { kPlay = 0, kRec = 1, kCal = 2, kOff = 3 };

    CDisplayModel();
    void setOwner(CQuibo* owner) { m_owner = owner; }

    // Connects the LCD controls (editor open) and shows the content at once.
    // Called on the editor's thread; may wait for a render in progress.
    void attachView(CDisplayCells* view);
    // Disconnects them (editor close); no render uses the view afterwards.
    void detachView();

    void clear();
    void flush(bool reset);
    // Reads the tempo for the Play and Rec opening view from the owner's
    // tempo clock (0 without an owner).
    void setMode(float modeValue, bool memoryNonZero);
    void setMode(float modeValue, bool memoryNonZero, float tempo);
    void showTempo(float tempo);
    void showNote(int note);
    void showPreviousNote(int note);
    void setMemoryFull(bool full);
    void showNumber(const char* text, char op, bool error, bool memoryNonZero, bool constantOn);
    void tick();

    // The model's own content (the Cal point rule of flush not applied).
    LcdContent content() const;
    int displayMode() const;
    int blinkCounter() const;

    // The 56-byte saved state of the bank chunk, little-endian.
    void saveState(unsigned char* dest) const;
    // Restores the saved state and flushes.
    void loadState(const unsigned char* src);

private:
    static int modeFromValue(float modeValue);
    bool playOrRec() const { return m_displayMode == kPlay || m_displayMode == kRec; }
    void clearLocked();
    void showTempoLocked(float tempo);
    void writeNoteLocked(int note, int cell, bool scroll);
    void scrollLeftLocked();
    void scrollRightLocked();
    LcdContent snapshot(bool reset) const;
    void render(bool reset);
    void acquireRendering();

    CQuibo* m_owner = nullptr;
    mutable SpinLock m_lock;
    // Only touched while m_rendering is held.
    CDisplayCells* m_view = nullptr;
    int32_t m_displayMode = kOff;
    int32_t m_operatorKind = 0;
    int32_t m_pointPosition = 8;
    uint32_t m_dotMask = 0;
    int32_t m_constantFlag = 0;
    int32_t m_memoryFlag = 0;
    int32_t m_signFlag = 0;
    char m_marks[LcdContent::kMarks] = {};
    char m_cells[LcdContent::kCells] = {};
    int32_t m_fresh = 1;
    int32_t m_blinkCounter = 0;

    std::atomic<bool> m_rendering{false};
    std::atomic<bool> m_renderWanted{false};
};
