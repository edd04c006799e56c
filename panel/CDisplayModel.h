#pragma once

class CQuibo;

// The LCD's content: nine cells, marks and decimal points, written by the
// panel logic, the voice and the tempo clock, rendered into the display cells.
class CDisplayModel {
public:
    CDisplayModel();
    void setOwner(CQuibo* owner) { m_owner = owner; }

    void clear();
    void flush(bool reset);
    void setMode(float modeValue, bool memoryNonZero);
    void showTempo(float tempo);
    void showNote(int note);
    void showPreviousNote(int note);
    void setMemoryFull(bool full);
    void showNumber(const char* text, char op, bool error, bool memoryNonZero, bool constantOn);
    void tick();

private:
    CQuibo* m_owner = nullptr;
};
