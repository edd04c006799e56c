#pragma once
// Switches the process's numeric locale to one that writes decimal commas, as
// a host may do, and back to "C" at the end of the scope.
//
// Windows has such locales built in. A Debian machine often has none
// installed: then one is compiled from the system's locale sources into a
// temporary folder (localedef, from the C library's tools), if they exist.

#include "ScratchFolder.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testhost {

class CommaLocale {
public:
    CommaLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252", "de-DE"}) {
            if (select(name))
                return;
        }
#ifndef _WIN32
        compileLocale();
#endif
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const
    {
        return m_active;
    }

private:
    bool select(const char* name)
    {
        if (std::setlocale(LC_NUMERIC, name) == nullptr)
            return false;
        const std::lconv* conventions = std::localeconv();
        m_active = conventions != nullptr && std::string(conventions->decimal_point) == ",";
        if (!m_active)
            std::setlocale(LC_NUMERIC, "C");
        return m_active;
    }

#ifndef _WIN32
    void compileLocale()
    {
        if (!m_folder.valid() || !std::filesystem::exists("/usr/share/i18n/locales/de_DE"))
            return;
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + m_folder.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return;
        // The C library looks for locales in LOCPATH when it is set.
        const char* previous = std::getenv("LOCPATH");
        const std::string saved = previous != nullptr ? previous : "";
        setenv("LOCPATH", m_folder.path().string().c_str(), 1);
        select("de_DE.UTF-8");
        if (previous != nullptr)
            setenv("LOCPATH", saved.c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
#endif

    bool m_active = false;
#ifndef _WIN32
    ScratchFolder m_folder;
#endif
};

} // namespace testhost
