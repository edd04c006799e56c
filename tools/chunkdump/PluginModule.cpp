#include "PluginModule.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#if defined(_WIN32)

PluginModule::~PluginModule()
{
    if (m_handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(m_handle));
}

bool PluginModule::load(const std::string& path)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        m_error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    m_handle = module;
    FARPROC symbol = GetProcAddress(module, "main");
    if (symbol == nullptr) {
        m_error = "no entry point main in " + path;
        return false;
    }
    m_entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(symbol));
    return true;
}

#else

PluginModule::~PluginModule()
{
    if (m_handle != nullptr)
        dlclose(m_handle);
}

bool PluginModule::load(const std::string& path)
{
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = dlerror();
        m_error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown error");
        return false;
    }
    void* symbol = dlsym(m_handle, "main");
    if (symbol == nullptr) {
        m_error = "no entry point main in " + path;
        return false;
    }
    m_entry = reinterpret_cast<EntryPoint>(symbol);
    return true;
}

#endif
