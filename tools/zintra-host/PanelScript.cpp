#include "PanelScript.h"

#include "PngWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

constexpr double kIdlePeriod = 0.02; // seconds between two editor idles
constexpr double kDragStep = 0.01; // seconds between two pointer places of a drag
constexpr double kDefaultHold = 0.1;
constexpr int kMostDragSteps = 1000; // a longer drag takes longer steps
constexpr double kLargestPixel = 100000.0; // either way from the panel's corner

bool timeInRange(double seconds)
{
    return seconds >= 0.0 && seconds <= HostSession::kLongestRenderSeconds;
}

bool pixelInRange(double pixel)
{
    return pixel >= -kLargestPixel && pixel <= kLargestPixel;
}

// The fields from first on: a time, then pixels x and y.
bool placeInRange(const std::vector<double>& v, size_t first)
{
    return timeInRange(v[first]) && pixelInRange(v[first + 1]) && pixelInRange(v[first + 2]);
}

std::vector<std::string> fieldsOf(const std::string& text)
{
    std::vector<std::string> fields;
    std::stringstream stream(text);
    std::string field;
    while (std::getline(stream, field, ':'))
        fields.push_back(field);
    return fields;
}

bool numberOf(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(out);
}

// The leading numeric fields of text, and the rest.
bool numbersOf(const std::string& text, size_t count, std::vector<double>& numbers, std::string& rest)
{
    const std::vector<std::string> fields = fieldsOf(text);
    if (fields.size() < count || fields.size() > count + 1)
        return false;
    numbers.assign(count, 0.0);
    for (size_t i = 0; i < count; ++i)
        if (!numberOf(fields[i], numbers[i]))
            return false;
    rest = fields.size() > count ? fields[count] : std::string();
    return true;
}

bool modifiersOf(const std::string& letters, int& buttons)
{
    buttons = 0;
    for (char c : letters) {
        if (c == 's')
            buttons |= kHeadlessShift;
        else if (c == 'c')
            buttons |= kHeadlessControl;
        else if (c == 'a')
            buttons |= kHeadlessAlt;
        else
            return false;
    }
    return true;
}

std::uint32_t milliseconds(double seconds)
{
    return static_cast<std::uint32_t>(std::lround(seconds * 1000.0));
}

} // namespace

bool PanelScript::addGesture(std::vector<Step> steps, bool press)
{
    if (steps.empty() || steps.front().seconds < 0.0)
        return false;
    m_gestures.push_back({std::move(steps), press});
    return true;
}

bool PanelScript::addClick(const std::string& argument)
{
    std::vector<double> v;
    std::string rest;
    // The hold is optional, before the modifiers.
    const std::vector<std::string> fields = fieldsOf(argument);
    double hold = kDefaultHold;
    const size_t count = fields.size() >= 4 && numberOf(fields[3], hold) ? 4 : 3;
    int modifiers = 0;
    if (!numbersOf(argument, count, v, rest) || !modifiersOf(rest, modifiers))
        return false;
    if (!placeInRange(v, 0) || !(hold > 0.0) || hold > HostSession::kLongestRenderSeconds)
        return false;
    const int x = static_cast<int>(v[1]), y = static_cast<int>(v[2]);
    return addGesture({{v[0], x, y, kHeadlessLeft | modifiers}, {v[0] + hold, x, y, 0}}, true);
}

bool PanelScript::addDrag(const std::string& argument)
{
    std::vector<double> v;
    std::string rest;
    int modifiers = 0;
    if (!numbersOf(argument, 6, v, rest) || !modifiersOf(rest, modifiers) || !placeInRange(v, 0) ||
        !placeInRange(v, 3) || v[3] <= v[0])
        return false;
    std::vector<Step> steps;
    const int held = kHeadlessLeft | modifiers;
    const int count = std::min(kMostDragSteps, static_cast<int>(std::ceil((v[3] - v[0]) / kDragStep)));
    for (int i = 0; i < count; ++i) {
        const double along = static_cast<double>(i) / count;
        steps.push_back({v[0] + along * (v[3] - v[0]), static_cast<int>(std::lround(v[1] + along * (v[4] - v[1]))),
                         static_cast<int>(std::lround(v[2] + along * (v[5] - v[2]))), held});
    }
    const int x = static_cast<int>(v[4]), y = static_cast<int>(v[5]);
    // At the end for a moment, then released there.
    steps.push_back({v[3] - kDragStep / 2, x, y, held});
    steps.push_back({v[3], x, y, 0});
    return addGesture(std::move(steps), true);
}

bool PanelScript::addHover(const std::string& argument)
{
    std::vector<double> v;
    std::string rest;
    if (!numbersOf(argument, 3, v, rest) || !rest.empty() || !placeInRange(v, 0))
        return false;
    return addGesture({{v[0], static_cast<int>(v[1]), static_cast<int>(v[2]), 0}}, false);
}

bool PanelScript::addShot(const std::string& argument)
{
    const size_t colon = argument.find(':');
    double seconds = 0.0;
    if (colon == std::string::npos || !numberOf(argument.substr(0, colon), seconds) || !timeInRange(seconds) ||
        colon + 1 >= argument.size())
        return false;
    m_shots.push_back({seconds, argument.substr(colon + 1)});
    return true;
}

bool PanelScript::writeShots(const HeadlessPanel& panel, double upTo, std::string& error)
{
    for (Shot& shot : m_shots) {
        if (shot.written || shot.seconds > upTo)
            continue;
        const std::uint32_t* pixels = nullptr;
        int width = 0, height = 0;
        if (panel.picture(&pixels, &width, &height) == 0) {
            error = "the panel has no picture";
            return false;
        }
        if (!writePng(shot.path, pixels, width, height, error))
            return false;
        shot.written = true;
        std::printf("panel at %.3f s: %s\n", upTo, shot.path.c_str());
    }
    return true;
}

bool PanelScript::run(HostSession& session, const HeadlessPanel& panel, double seconds,
                      const std::vector<HostSession::TimedEvent>& events, HostSession::BlockSink sink,
                      std::string& error)
{
    const std::uint32_t base = panel.now();
    const double framesPerSecond = session.sampleRate();
    session.beginRender(seconds, events, std::move(sink));
    // Any non-null value stands for the host's window.
    static int parentWindow;
    if (m_scale != 1)
        session.dispatch(effVendorSpecific, kScaleFactorRequest, kScaleFactorValue, nullptr,
                         static_cast<float>(m_scale));
    if (session.dispatch(effEditOpen, 0, 0, &parentWindow) != 1) {
        error = "the editor did not open";
        return false;
    }
    panel.expose();
    // While a control follows the mouse, the audio keeps up with its clock,
    // and the shots due are taken (the editor has just drawn).
    bool ok = true;
    session.setIdleHandler([&] {
        const double now = static_cast<double>(panel.now() - base) / 1000.0;
        session.renderUntil(static_cast<long>(now * framesPerSecond));
        ok = ok && writeShots(panel, now, error);
    });
    for (double t = 0.0; ok; t += kIdlePeriod) {
        session.renderUntil(static_cast<long>(t * framesPerSecond));
        // A gesture may have carried the clock (and the audio) further.
        t = std::max(t, static_cast<double>(panel.now() - base) / 1000.0);
        panel.advanceTo(base + milliseconds(t));
        for (Gesture& gesture : m_gestures) {
            if (gesture.delivered || gesture.steps.front().seconds > t)
                continue;
            gesture.delivered = true;
            for (const Step& step : gesture.steps)
                panel.input(base + milliseconds(std::max(step.seconds, t)), step.x * m_scale, step.y * m_scale,
                            step.buttons);
            if (gesture.press)
                panel.press(gesture.steps.front().x * m_scale, gesture.steps.front().y * m_scale);
        }
        session.dispatch(effEditIdle);
        const bool last = t >= seconds;
        ok = ok && writeShots(panel, last ? t + 1e9 : t, error);
        if (last)
            break;
    }
    session.setIdleHandler(nullptr);
    session.renderUntil(session.totalFrames());
    session.dispatch(effEditClose);
    return ok;
}
