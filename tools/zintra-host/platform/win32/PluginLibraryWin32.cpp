#include "PluginLibrary.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

PluginLibrary::~PluginLibrary()
{
    if (m_handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(m_handle));
}

bool PluginLibrary::load(const std::string& path, bool legacyEntryOnly)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        m_error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    m_handle = module;
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (legacyEntryOnly && std::string(name) != "main")
            continue;
        if (FARPROC address = GetProcAddress(module, name)) {
            m_entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(address));
            m_entryName = name;
            return true;
        }
    }
    m_error = "no entry point in " + path;
    return false;
}

void* PluginLibrary::symbol(const char* name) const
{
    return m_handle != nullptr ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), name))
                               : nullptr;
}
