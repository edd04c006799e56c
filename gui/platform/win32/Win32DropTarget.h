#pragma once
// The OLE drop target of a panel window: hands drags of text and file lists
// to the frame's drop dispatch.

#include "CDropData.h"

#include <ole2.h>
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

class CDropDispatch;

// The drag data of an OLE data object: text (CF_TEXT) and file lists (CF_HDROP).
class COleDropData : public CDropData {
public:
    explicit COleDropData(IDataObject* data)
        : m_data(data)
    {
    }
    bool offersText() override;
    bool offersFiles() override;
    bool text(std::string& text) override;
    bool fileNames(std::vector<std::string>& names) override;
    bool resolveShortcut(const std::string& shortcut, std::string& target) override;

private:
    // Appends the names of a DROPFILES block of size bytes (ANSI or wide),
    // reading nothing outside it. False when the header does not fit or the
    // list does not start between the header and the block's end; the list
    // ends at an empty name or where the block ends, and a name cut off there
    // is left out.
    static bool readFileList(const BYTE* block, std::size_t size, std::vector<std::string>& names);
    // The characters before the first zero among the first limit ones.
    static std::size_t nameLength(const BYTE* chars, std::size_t limit, std::size_t unit);
    static std::string narrowName(const BYTE* chars, std::size_t length);

    IDataObject* m_data;
};

// The COM interface is a private base: the object ends itself in Release,
// and nobody may delete it through an IDropTarget pointer, whose destructor
// is not virtual. OLE gets the interface from dropTarget().
class CWin32DropTarget : private IDropTarget {
public:
    CWin32DropTarget(CDropDispatch& dispatch, HWND window)
        : m_dispatch(dispatch),
          m_window(window)
    {
    }
    virtual ~CWin32DropTarget() = default;

    IDropTarget* dropTarget() { return this; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;

private:
    LONG m_references = 1;
    CDropDispatch& m_dispatch;
    HWND m_window;
};
