#include "CDropDispatch.h"

#include "CDropData.h"
#include "CPanelFrame.h"

#include <cctype>
#include <vector>

DropEffect CDropDispatch::dragEnter(CDropData& data, int keyState)
{
    m_canAccept = data.offersText() || data.offersFiles();
    return dragOver(keyState);
}

DropEffect CDropDispatch::dragOver(int keyState) const
{
    if (!m_canAccept)
        return kDropEffectNone;
    return (keyState & kDropKeyControl) != 0 ? kDropEffectCopy : kDropEffectMove;
}

bool CDropDispatch::drop(CDropData& data, CPoint inWindow)
{
    m_canAccept = false;
    const CPoint where = m_frame.toPanel(inWindow);
    std::string text;
    if (data.text(text)) {
        if (text.empty())
            return false;
        const char* item = text.c_str();
        return m_frame.dropItems(&item, 1, kDropText, where);
    }
    std::vector<std::string> names;
    if (!data.fileNames(names))
        return false;
    std::vector<const char*> items;
    items.reserve(names.size());
    for (std::string& name : names) {
        std::string target;
        if (isShortcut(name) && data.resolveShortcut(name, target))
            name = target;
        if (name.size() >= kDropItemSize)
            name.resize(kDropItemSize - 1);
        items.push_back(name.c_str());
    }
    return m_frame.dropItems(items.data(), static_cast<int>(items.size()), kDropFiles, where);
}

bool CDropDispatch::isShortcut(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.size() - dot != 4)
        return false;
    static const char kExtension[] = "lnk";
    for (std::size_t i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(name[dot + 1 + i])) != kExtension[i])
            return false;
    return true;
}
