#include "Win32DropTarget.h"

#include "CDropDispatch.h"

#include <shellapi.h>
#include <shlobj.h>

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
    const auto* chars = static_cast<const char*>(GlobalLock(medium.hGlobal));
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
    auto drop = static_cast<HDROP>(medium.hGlobal);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    char name[kDropItemSize];
    for (UINT i = 0; i < count; ++i)
        if (DragQueryFileA(drop, i, name, sizeof name) > 0)
            names.emplace_back(name);
    ReleaseStgMedium(&medium);
    return true;
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
