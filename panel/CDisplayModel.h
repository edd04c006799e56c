#pragma once

#include "CDisplayCells.h"
#include "CLcdSnapshot.h"
#include "PanelCodes.h"

#include <cstdint>

class CPanelHost;

// The LCD's content: nine cells, marks and decimal points, written by the
// panel logic, the voice and the tempo clock, rendered into the display cells.
//
// Writers hold the owner's panel lock (the audio thread while it applies
// panel work, a host thread while it restores a chunk). Every write publishes
// a copy of the content; the editor's thread renders that copy into the
// display cells at its idle (refreshView), so the audio thread never touches
// a view and never waits for the editor.
class CDisplayModel {
public:
    static constexpr int kStateSize = 56;

    CDisplayModel();
    void setOwner(CPanelHost* owner) { m_owner = owner; }

    // The editor's thread: connects the LCD controls (editor open) and shows
    // the published content at once; disconnects them (editor close); and
    // renders newly published content at idle. Answers whether it rendered.
    void attachView(CDisplayCells* view);
    void detachView();
    bool refreshView();
    // The latest published content, as the cells show it (any thread).
    LcdContent publishedContent() const;

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
    bool playOrRec() const { return m_displayMode == kModePlay || m_displayMode == kModeRec; }
    void clearContent();
    void writeTempo(float tempo);
    void writeNote(int note, int cell, bool scroll);
    void scrollLeft();
    void scrollRight();
    void publish(bool reset);
    static LcdContent shownContent(const CLcdSnapshot::Content& published);

    CPanelHost* m_owner = nullptr;
    // The editor thread's side.
    CDisplayCells* m_view = nullptr;
    uint32_t m_renderedSequence = 0;
    CLcdSnapshot m_published;

    int32_t m_displayMode = kModeOff;
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
};
