#pragma once

#include "HeadlessPanel.h"
#include "HostSession.h"

#include <string>
#include <vector>

// Clicks, drags, pointer moves and screenshots on the editor of a plug-in
// module built with the headless window backend, played at their times
// during a render. The editor's idle runs every 20 ms of the render; while a
// control follows the mouse, the audio goes on through the plug-in's
// requests for host idle, so that sound and picture keep the same clock.
class PanelScript {
public:
    // T:X:Y[:HOLD[:MODIFIERS]]: a left click at panel pixel X, Y at T seconds,
    // held HOLD seconds (default 0.1); MODIFIERS: any of s (Shift),
    // c (Control), a (Alt).
    bool addClick(const std::string& argument);
    // T:X:Y:T2:X2:Y2[:MODIFIERS]: pressed at X, Y at T, moved evenly to X2, Y2
    // and released there at T2.
    bool addDrag(const std::string& argument);
    // T:X:Y: the pointer moves there without a button.
    bool addHover(const std::string& argument);
    // T:FILE.png: the panel's picture after the editor's idle at T.
    bool addShot(const std::string& argument);
    // The display scale announced to the plug-in before its editor opens
    // (effVendorSpecific, as some hosts do); panel pixels are multiplied by it.
    void setScale(int scale) { m_scale = scale; }
    bool empty() const { return m_gestures.empty() && m_shots.empty(); }

    // What each option's argument may hold, for the message when one does not.
    static constexpr const char* kArgumentRule =
        "times from 0 to 3600 seconds (a drag's end after its start, a hold above 0), panel pixels from "
        "-100000 to 100000";

    // Opens the editor, renders seconds with events into sink, plays the
    // gestures and writes the shots, and closes the editor. False with error
    // filled when the editor does not open or a picture cannot be written.
    bool run(HostSession& session, const HeadlessPanel& panel, double seconds,
             const std::vector<HostSession::TimedEvent>& events, HostSession::BlockSink sink, std::string& error);

private:
    struct Step {
        double seconds;
        int x;
        int y;
        int buttons;
    };
    struct Gesture {
        std::vector<Step> steps;
        bool press; // the first step presses a button
        bool delivered = false;
    };
    struct Shot {
        double seconds;
        std::string path;
        bool written = false;
    };

    bool addGesture(std::vector<Step> steps, bool press);
    bool writeShots(const HeadlessPanel& panel, double upTo, std::string& error);

    std::vector<Gesture> m_gestures;
    std::vector<Shot> m_shots;
    int m_scale = 1;
};
