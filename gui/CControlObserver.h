#pragma once
// Told by a panel control when the user changed its value.

class CPanelControl;

class CControlObserver {
public:
    virtual void controlChanged(CPanelControl* control) = 0;

protected:
    ~CControlObserver() = default;
};
