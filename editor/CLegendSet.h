#pragma once
// The panel's 19 legends (ids 121 to 139): pictures over the panel that name
// the controls as hover hints, label the keys and buttons in Cal, and show
// the rhythm names while the editor waits for a rhythm digit. Each is a
// two-frame strip (frame 0 the plain panel, frame 1 the label) shown in the
// modes its flags name. The set keeps one reference to every legend view;
// the frame holds another while a legend is attached.

#include "PanelCodes.h"

class CControlObserver;
class CLegendView;
class CPanelFrame;

class CLegendSet {
public:
    static constexpr int kFirstId = 121;
    static constexpr int kCount = 19;
    static constexpr int kLastId = kFirstId + kCount - 1;
    static constexpr int kModes = 4;

    // Legend ids with a meaning of their own.
    static constexpr int kHintVolume = 121;
    static constexpr int kHintBalance = 122;
    static constexpr int kHintOctave = 123;
    static constexpr int kHintProgram = 124;
    static constexpr int kHintMode = 125;
    static constexpr int kHintFirstButton = 126; // buttons 84 to 91: 126 to 133
    static constexpr int kHintOneKey2 = 134;
    static constexpr int kHintOneKey1 = 135;
    static constexpr int kCalButtons = 136;
    static constexpr int kCalKeys = 137;
    static constexpr int kRhythmOverlay = 138;
    static constexpr int kCalMemoryPlus = 139;

    CLegendSet() = default;
    ~CLegendSet();
    CLegendSet(const CLegendSet&) = delete;
    CLegendSet& operator=(const CLegendSet&) = delete;

    // Makes the 19 views (none attached). A legend whose bitmap cannot be
    // loaded is left out.
    void build(CControlObserver* observer);
    // Takes every legend off frame (if given) and drops the views.
    void clear(CPanelFrame* frame);
    bool initialised() const { return m_initialised; }

    // The legend's view, or null.
    CLegendView* view(int id) const;
    bool shownInMode(int id, int mode) const;

    // Puts the legend on top of frame (once) or takes it off. Taking it off
    // redraws the panel where it was.
    void attach(CPanelFrame& frame, int id);
    void detach(CPanelFrame& frame, int id);
    // Every legend of a mode.
    void attachMode(CPanelFrame& frame, int mode);
    void detachMode(CPanelFrame& frame, int mode);

    // Shows the legend's label if mode is one of its modes, else its plain
    // frame. An id or mode out of range turns every legend off.
    void switchOn(int id, int mode);
    void switchOff(int id);

private:
    struct Entry {
        int id;
        int bitmapId;
        int frames;
        int left;
        int top;
        bool modes[kModes];
        CLegendView* view;
    };
    Entry* entry(int id);
    const Entry* entry(int id) const;

    Entry m_entries[kCount] = {};
    bool m_initialised = false;
};
