#pragma once

#include "VstAbi.h"

#include <string>

// A loaded plug-in module and its entry point, found the way hosts look for
// it: VSTPluginMain first, then the legacy name main.
class PluginLibrary {
public:
    using EntryPoint = AEffect*(VSTCALLBACK*)(audioMasterCallback);

    PluginLibrary() = default;
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Answers false and fills error() when the module or its entry point is missing.
    bool load(const std::string& path, bool legacyEntryOnly);
    EntryPoint entryPoint() const { return m_entry; }
    const std::string& error() const { return m_error; }
    const std::string& entryName() const { return m_entryName; }
    // Another exported function of the module, or null.
    void* symbol(const char* name) const;

private:
    void* m_handle = nullptr;
    EntryPoint m_entry = nullptr;
    std::string m_error;
    std::string m_entryName;
};
