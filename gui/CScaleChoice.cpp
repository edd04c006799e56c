#include "CScaleChoice.h"

#include "platform/GuiPlatform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {
constexpr float kDoubleSetFrom = 1.5f;
constexpr float kLargestFactor = 16.0f;
constexpr float kStandardDpi = 96.0f;

bool given(float factor)
{
    return std::isfinite(factor) && factor > 0.0f;
}
} // namespace

void CScaleChoice::setHostFactor(float factor)
{
    m_hostFactor = given(factor) ? factor : 0.0f;
}

// A ZINTRA_SCALE that is not a factor is ignored, and said so once (once for
// each text, should a program change the variable), so that a user who set it
// learns why the panel keeps its size.
void CScaleChoice::warnIgnoredVariable(const char* text)
{
    static std::mutex guard;
    static std::string warned;
    const std::lock_guard<std::mutex> lock(guard);
    if (warned == text)
        return;
    warned = text;
    std::fprintf(stderr,
                 "Zintra: ZINTRA_SCALE=\"%s\" is not a scale factor (1, 2 or a number such as 1.75); it is "
                 "ignored\n",
                 text);
}

int CScaleChoice::scaleFor(void* parentWindow) const
{
    const char* variable = std::getenv("ZINTRA_SCALE");
    const float override = parseFactor(variable);
    if (override == 0.0f && variable != nullptr && variable[0] != '\0')
        warnIgnoredVariable(variable);
    if (given(override) || given(m_hostFactor))
        return decide(override, m_hostFactor, 0.0f);
    return decide(0.0f, 0.0f, systemFactor(parentWindow));
}

float CScaleChoice::systemFactor(void* parentWindow) const
{
    if (parentWindow != nullptr)
        return guiplatform::systemScaleFactor(parentWindow);
    if (!m_screenAsked) {
        m_screenFactor = guiplatform::systemScaleFactor(nullptr);
        m_screenAsked = true;
    }
    return m_screenFactor;
}

int CScaleChoice::scaleOfFactor(float factor)
{
    return factor >= kDoubleSetFrom ? 2 : 1;
}

float CScaleChoice::parseFactor(const char* text)
{
    if (text == nullptr || *text == '\0')
        return 0.0f;
    char* end = nullptr;
    const float factor = std::strtof(text, &end);
    if (end == text || *end != '\0' || !given(factor) || factor > kLargestFactor)
        return 0.0f;
    return factor;
}

// Lines "name:\tvalue"; the last Xft.dpi line counts, as in a resource database.
float CScaleChoice::factorOfResources(const char* resources)
{
    static const char kName[] = "Xft.dpi:";
    float factor = 0.0f;
    for (const char* line = resources; line != nullptr && *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        if (std::strncmp(line, kName, sizeof kName - 1) == 0) {
            char* after = nullptr;
            const float dpi = std::strtof(line + sizeof kName - 1, &after);
            if (after != line + sizeof kName - 1 && given(dpi))
                factor = dpi / kStandardDpi;
        }
        line = end != nullptr ? end + 1 : nullptr;
    }
    return factor;
}

int CScaleChoice::decide(float overrideFactor, float hostFactor, float systemFactor)
{
    for (const float factor : {overrideFactor, hostFactor, systemFactor})
        if (given(factor))
            return scaleOfFactor(factor);
    return 1;
}
