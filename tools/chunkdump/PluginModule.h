#pragma once

#include "VstAbi.h"

#include <string>

// A plug-in module loaded the way an old host loads it: by file name, with
// the entry point found under the legacy name main.
class PluginModule {
public:
    using EntryPoint = AEffect*(VSTCALLBACK*)(audioMasterCallback);

    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Answers false and fills error() when the module or main is missing.
    bool load(const std::string& path);
    EntryPoint entryPoint() const { return m_entry; }
    const std::string& error() const { return m_error; }

private:
    void* m_handle = nullptr;
    EntryPoint m_entry = nullptr;
    std::string m_error;
};
