#pragma once

#include <cstdlib>
#include <string>

// Sets (or, for null, unsets) an environment variable for the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : m_name(name)
    {
        const char* old = std::getenv(name);
        m_hadOld = old != nullptr;
        if (m_hadOld)
            m_old = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (m_hadOld)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    bool m_hadOld = false;
    std::string m_old;
};
