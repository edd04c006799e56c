#include "PluginLibrary.h"

#include <dlfcn.h>

PluginLibrary::~PluginLibrary()
{
    if (m_handle != nullptr)
        dlclose(m_handle);
}

bool PluginLibrary::load(const std::string& path, bool legacyEntryOnly)
{
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = dlerror();
        m_error = reason != nullptr ? reason : "cannot load " + path;
        return false;
    }
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (legacyEntryOnly && std::string(name) != "main")
            continue;
        if (void* symbol = dlsym(m_handle, name)) {
            m_entry = reinterpret_cast<EntryPoint>(symbol);
            m_entryName = name;
            return true;
        }
    }
    m_error = "no entry point in " + path;
    return false;
}

void* PluginLibrary::symbol(const char* name) const
{
    return m_handle != nullptr ? dlsym(m_handle, name) : nullptr;
}
