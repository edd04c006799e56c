// The Win32 drop target with real OLE data (Windows builds; run under Wine):
// text and file lists read from a data object, shortcuts resolved to their
// targets, and the drop target's answers, down to the frame's views.
#include "CPanelFrame.h"
#include "GuiTestSupport.h"
#include "platform/win32/Win32DropTarget.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

class OleDropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        headless::reset();
        frame = new CPanelFrame({0, 0, 100, 80}, reinterpret_cast<void*>(1), nullptr);
        view = new guitest::CRecordingView({0, 0, 60, 60});
        view->acceptDrops = true;
        frame->attachView(view);
    }
    void TearDown() override
    {
        frame->release();
        OleUninitialize();
    }

    // Puts one clipboard format on the clipboard and answers its data object.
    IDataObject* clipboardWith(UINT format, HGLOBAL memory)
    {
        EXPECT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        EXPECT_NE(nullptr, SetClipboardData(format, memory));
        CloseClipboard();
        IDataObject* data = nullptr;
        EXPECT_EQ(S_OK, OleGetClipboard(&data));
        return data;
    }

    HGLOBAL textMemory(const char* text)
    {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
        std::memcpy(GlobalLock(memory), text, std::strlen(text) + 1);
        GlobalUnlock(memory);
        return memory;
    }

    // A DROPFILES block with the names, each ending in a zero, and a final zero.
    HGLOBAL fileListMemory(const std::vector<std::string>& names)
    {
        std::string list;
        for (const std::string& name : names)
            list += name + '\0';
        list += '\0';
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
        GlobalUnlock(memory);
        return memory;
    }

    // A DROPFILES block of exactly the header and the list bytes, the header
    // saying the list is at offset and wide or not; size cuts it shorter.
    HGLOBAL rawFileList(DWORD offset, bool wide, const std::string& list, std::size_t size = SIZE_MAX)
    {
        std::string bytes(sizeof(DROPFILES), '\0');
        DROPFILES header{};
        header.pFiles = offset;
        header.fWide = wide;
        std::memcpy(&bytes[0], &header, sizeof header);
        bytes = (bytes + list).substr(0, size);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        return memory;
    }

    CPanelFrame* frame = nullptr;
    guitest::CRecordingView* view = nullptr;
};

// The bytes of names as a list of 16-bit characters.
std::string wideBytes(const std::string& names)
{
    std::string bytes;
    for (char c : names)
        bytes += std::string{c, '\0'};
    return bytes;
}

std::string temporaryFolder()
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    return path;
}

// Writes a shortcut at link to target.
bool makeShortcut(const std::string& link, const std::string& target)
{
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell))))
        return false;
    shell->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    bool ok = false;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        ok = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    shell->Release();
    return ok;
}

} // namespace

TEST_F(OleDropTest, DroppedTextReachesTheViewUnderThePoint)
{
    IDataObject* data = clipboardWith(CF_TEXT, textMemory("a melody"));
    ASSERT_NE(nullptr, data);
    COleDropData drag(data);
    EXPECT_TRUE(drag.offersText());
    EXPECT_FALSE(drag.offersFiles());

    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 80, nullptr, nullptr, nullptr, nullptr);
    auto* target = new CWin32DropTarget(frame->dropDispatch(), window);
    DWORD effect = 99;
    EXPECT_EQ(S_OK, target->DragEnter(data, MK_CONTROL, {10, 10}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    EXPECT_EQ(S_OK, target->DragOver(0, {10, 10}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), effect);
    EXPECT_EQ(S_OK, target->Drop(data, 0, {20, 20}, &effect)); // screen 20, 20 = window 20, 20
    EXPECT_EQ(kDropText, view->droppedType);
    EXPECT_EQ(std::vector<std::string>{"a melody"}, view->dropped);
    // Outside every view: nothing takes it.
    EXPECT_EQ(S_OK, target->Drop(data, 0, {90, 70}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    target->Release();
    DestroyWindow(window);
    data->Release();
}

TEST_F(OleDropTest, FileListsArriveWithShortcutsResolvedToTheirTargets)
{
    const std::string folder = temporaryFolder();
    const std::string song = folder + "zintra drop test song.txt";
    const std::string link = folder + "zintra drop test.LNK";
    HANDLE file = CreateFileA(song.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    ASSERT_TRUE(makeShortcut(link, song));
    char shortSong[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(song.c_str(), shortSong, MAX_PATH), 0u);

    IDataObject* data = clipboardWith(CF_HDROP, fileListMemory({song, link, folder + "missing.lnk"}));
    ASSERT_NE(nullptr, data);
    COleDropData drag(data);
    EXPECT_TRUE(drag.offersFiles());
    EXPECT_TRUE(frame->dropDispatch().drop(drag, {5, 5}));
    EXPECT_EQ(kDropFiles, view->droppedType);
    ASSERT_EQ(3u, view->dropped.size());
    EXPECT_EQ(song, view->dropped[0]);
    EXPECT_STRCASEEQ(shortSong, view->dropped[1].c_str());
    EXPECT_EQ(folder + "missing.lnk", view->dropped[2]); // not resolvable: kept
    data->Release();
    DeleteFileA(link.c_str());
    DeleteFileA(song.c_str());
}

TEST_F(OleDropTest, FileListsAreReadWithinTheirBlockOnly)
{
    constexpr DWORD kHeader = sizeof(DROPFILES);
    const std::string list("a.wav\0b.wav\0\0", 13);
    struct Case {
        const char* name;
        DWORD offset;
        bool wide;
        std::string list;
        std::size_t size; // of the whole block
        bool read;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"well formed", kHeader, false, list, SIZE_MAX, true, {"a.wav", "b.wav"}},
        {"wide names", kHeader, true, wideBytes(list), SIZE_MAX, true, {"a.wav", "b.wav"}},
        {"list far past the block", 0x7FFFFFF0, false, list, SIZE_MAX, false, {}},
        {"list starting at the block's end", kHeader + 13, false, list, SIZE_MAX, false, {}},
        {"list inside the header", 8, false, list, SIZE_MAX, false, {}},
        {"block shorter than the header", kHeader, false, list, kHeader - 4, false, {}},
        {"no final empty name", kHeader, false, list, kHeader + 12, true, {"a.wav", "b.wav"}},
        {"last name cut off", kHeader, false, list, kHeader + 9, true, {"a.wav"}},
        {"wide list cut mid-character", kHeader, true, wideBytes(list), kHeader + 13, true, {"a.wav"}},
        {"empty list", kHeader, false, std::string(1, '\0'), SIZE_MAX, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IDataObject* data = clipboardWith(CF_HDROP, rawFileList(c.offset, c.wide, c.list, c.size));
        ASSERT_NE(nullptr, data);
        COleDropData drag(data);
        std::vector<std::string> names;
        EXPECT_EQ(c.read, drag.fileNames(names));
        EXPECT_EQ(c.names, names);
        data->Release();
    }
}
