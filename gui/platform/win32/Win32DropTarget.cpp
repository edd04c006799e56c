#include "Win32DropTarget.h"

#include "CDropDispatch.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

namespace {

FORMATETC format(CLIPFORMAT clipboardFormat)
{
    return {clipboardFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// Shortcuts are resolved without asking the user, waiting at most this long.
constexpr DWORD kResolveMilliseconds = 500;

} // namespace

bool COleDropData::offersText()
{
    FORMATETC f = format(CF_TEXT);
    return m_data->QueryGetData(&f) == S_OK;
}

bool COleDropData::offersFiles()
{
    FORMATETC f = format(CF_HDROP);
    return m_data->QueryGetData(&f) == S_OK;
}

bool COleDropData::text(std::string& text)
{
    FORMATETC f = format(CF_TEXT);
    STGMEDIUM medium{};
    if (m_data->GetData(&f, &medium) != S_OK)
        return false;
    const auto* chars = medium.tymed == TYMED_HGLOBAL ? static_cast<const char*>(GlobalLock(medium.hGlobal)) : nullptr;
    const bool ok = chars != nullptr;
    if (ok) {
        // The text ends at its terminator or at the memory's end.
        const SIZE_T size = GlobalSize(medium.hGlobal);
        SIZE_T length = 0;
        while (length < size && chars[length] != '\0')
            ++length;
        text.assign(chars, length);
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return ok;
}

bool COleDropData::fileNames(std::vector<std::string>& names)
{
    FORMATETC f = format(CF_HDROP);
    STGMEDIUM medium{};
    if (m_data->GetData(&f, &medium) != S_OK)
        return false;
    bool ok = false;
    const auto* block = medium.tymed == TYMED_HGLOBAL ? static_cast<const BYTE*>(GlobalLock(medium.hGlobal)) : nullptr;
    if (block != nullptr) {
        // Another process made the block: every offset in it is checked
        // against its size rather than trusted.
        ok = readFileList(block, GlobalSize(medium.hGlobal), names);
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return ok;
}

bool COleDropData::readFileList(const BYTE* block, std::size_t size, std::vector<std::string>& names)
{
    DROPFILES header;
    if (size < sizeof header)
        return false;
    std::memcpy(&header, block, sizeof header);
    if (header.pFiles < sizeof header || header.pFiles >= size)
        return false;
    const std::size_t unit = header.fWide ? sizeof(WCHAR) : 1;
    const std::size_t end = size - (size - header.pFiles) % unit;
    std::size_t at = header.pFiles;
    while (at < end) {
        const std::size_t length = nameLength(block + at, (end - at) / unit, unit);
        if (length == 0 || at + (length + 1) * unit > end)
            break; // the list's end, or a name cut off by the block's end
        names.push_back(header.fWide ? narrowName(block + at, length) : std::string(block + at, block + at + length));
        at += (length + 1) * unit;
    }
    return true;
}

std::size_t COleDropData::nameLength(const BYTE* chars, std::size_t limit, std::size_t unit)
{
    std::size_t length = 0;
    while (length < limit) {
        WCHAR c = 0;
        std::memcpy(&c, chars + length * unit, unit);
        if (c == 0)
            return length;
        ++length;
    }
    return length;
}

std::string COleDropData::narrowName(const BYTE* chars, std::size_t length)
{
    std::wstring wide(length, L'\0');
    std::memcpy(&wide[0], chars, length * sizeof(WCHAR));
    const int size =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string name(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(length), &name[0], size, nullptr, nullptr);
    return name;
}

bool COleDropData::resolveShortcut(const std::string& shortcut, std::string& target)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool ok = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR path[MAX_PATH];
        char found[MAX_PATH];
        char shortForm[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, path, MAX_PATH) > 0 &&
            SUCCEEDED(file->Load(path, STGM_READ)) &&
            SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI | (kResolveMilliseconds << 16))) &&
            link->GetPath(found, MAX_PATH, nullptr, SLGP_SHORTPATH) == S_OK) {
            // Some systems ignore SLGP_SHORTPATH: ask for the short form.
            const DWORD length = GetShortPathNameA(found, shortForm, MAX_PATH);
            target = length > 0 && length < MAX_PATH ? shortForm : found;
            ok = true;
        }
        file->Release();
    }
    link->Release();
    return ok;
}

HRESULT STDMETHODCALLTYPE CWin32DropTarget::QueryInterface(REFIID id, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CWin32DropTarget::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG STDMETHODCALLTYPE CWin32DropTarget::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CWin32DropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect)
{
    COleDropData drag(data);
    *effect = static_cast<DWORD>(m_dispatch.dragEnter(drag, static_cast<int>(keys)));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CWin32DropTarget::DragOver(DWORD keys, POINTL, DWORD* effect)
{
    *effect = static_cast<DWORD>(m_dispatch.dragOver(static_cast<int>(keys)));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CWin32DropTarget::DragLeave()
{
    m_dispatch.dragLeave();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CWin32DropTarget::Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect)
{
    *effect = static_cast<DWORD>(m_dispatch.dragOver(static_cast<int>(keys)));
    POINT point{where.x, where.y};
    ScreenToClient(m_window, &point);
    COleDropData drag(data);
    if (!m_dispatch.drop(drag, {point.x, point.y}))
        *effect = DROPEFFECT_NONE;
    return S_OK;
}
