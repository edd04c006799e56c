#pragma once

class CQuibo;

// The eight-digit pocket calculator worked by the panel keys in Cal mode.
class CCalculator {
public:
    CCalculator();
    void setOwner(CQuibo* owner) { m_owner = owner; }

    // Processes one key code and answers the number text to display.
    const char* key(int keyCode);
    void clear(bool full, bool keepIfError);
    // True when the memory register holds a number other than zero.
    bool memoryNonZero() const;

private:
    CQuibo* m_owner = nullptr;
};
