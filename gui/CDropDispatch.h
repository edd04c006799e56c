#pragma once
// The decisions of a drop target: which drags are accepted, the effect shown,
// and the items handed to the frame's dropItems. The window backend feeds it
// with the system's drag data.

#include "GuiTypes.h"

#include <cstddef>
#include <string>

class CDropData;
class CPanelFrame;

enum DropEffect { kDropEffectNone = 0, kDropEffectCopy = 1, kDropEffectMove = 2 };
// The Control key in a drag's key state.
constexpr int kDropKeyControl = 8;
enum DropItemType { kDropFiles = 0, kDropText = 1 };
// File items are at most this long, terminator included.
constexpr std::size_t kDropItemSize = 1024;

class CDropDispatch {
public:
    explicit CDropDispatch(CPanelFrame& frame)
        : m_frame(frame)
    {
    }

    // Accepts drags that offer text or a file list; answers the effect.
    DropEffect dragEnter(CDropData& data, int keyState);
    // Copy with the Control key, move without; none when not accepted.
    DropEffect dragOver(int keyState) const;
    void dragLeave() { m_canAccept = false; }
    // Hands the text, or else the file names, to the frame at inWindow (a
    // position in the window); true when a view took them.
    bool drop(CDropData& data, CPoint inWindow);

    // True when a file name's last extension is .lnk (any letter case).
    static bool isShortcut(const std::string& name);

private:
    CPanelFrame& m_frame;
    bool m_canAccept = false;
};
