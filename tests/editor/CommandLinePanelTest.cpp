// The command-line host with the plug-in module built on the headless
// window backend: clicks on the panel at given times, the sound rendered
// meanwhile and the panel written as PNG files, read back here.
#include "PanelTestSupport.h"
#include "ScratchFolder.h"

#include "RunHost.h"
#include <gtest/gtest.h>

#include <png.h>
#include <sndfile.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testhost::runHost;

CPixelSurface readPng(const std::string& path)
{
    CPixelSurface picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0)
        return picture;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0)
        return picture;
    picture.reset(static_cast<int>(image.width), static_cast<int>(image.height));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const unsigned char* p = &rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
            picture.setPixel(x, y, (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]);
        }
    return picture;
}

std::vector<float> readChannel(const std::string& path, int channel)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> samples;
    if (file == nullptr)
        return samples;
    std::vector<float> frames(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    for (sf_count_t i = 0; i < info.frames; ++i)
        samples.push_back(frames[static_cast<std::size_t>(i * info.channels + channel)]);
    return samples;
}

double energy(const std::vector<float>& samples, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to && i < samples.size(); ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return sum;
}

// "--click T:X:Y" at the centre of a control.
std::string clickOn(const paneltest::OpenPanel& geometry, double seconds, int tag)
{
    const CPoint p = geometry.centreOf(tag);
    std::ostringstream text;
    text << " --click " << seconds << ':' << p.x << ':' << p.y;
    return text.str();
}

class CommandLinePanelTest : public ::testing::Test {
protected:
    testhost::ScratchFolder folder;
    paneltest::OpenPanel geometry; // where the controls are
};

} // namespace

TEST_F(CommandLinePanelTest, ClickingCalAndTypingTwelvePlusThirtyShowsFortyTwo)
{
    ASSERT_TRUE(folder.valid());
    std::string arguments = "--seconds 1.6 --click 0.1:845:36";
    double t = 0.3;
    for (int key : {60, 62, 81, 64, 59, 83}) { // 1 2 + 3 0 =
        arguments += clickOn(geometry, t, key);
        t += 0.2;
    }
    const std::string before = folder.file("before.png"), after = folder.file("after.png");
    arguments += " --shot 0.05:" + before + " --shot 1.6:" + after;
    int status = 0;
    const std::string output = runHost(arguments, status);
    ASSERT_EQ(0, status) << output;
    const CPixelSurface start = readPng(before), end = readPng(after);
    ASSERT_EQ(882, end.width());
    ASSERT_EQ(213, end.height());
    EXPECT_NE(".......42", paneltest::lcdText(start));
    EXPECT_EQ(".......42", paneltest::lcdText(end));
    EXPECT_TRUE(paneltest::showsFrame(end, {805, 26, 870, 47}, 153, 2)) << "the Mode switch at Cal";
}

TEST_F(CommandLinePanelTest, KeysClickedInPlaySoundOnTheLeftOutputOnly)
{
    ASSERT_TRUE(folder.valid());
    const std::string wav = folder.file("play.wav");
    // A4 held from 0.5 s for 0.4 s; D5 clicked briefly at 1.2 s.
    const CPoint a4 = geometry.centreOf(69);
    std::ostringstream arguments;
    arguments << "--seconds 1.6 --render " << wav << " --click 0.5:" << a4.x << ':' << a4.y << ":0.4"
              << clickOn(geometry, 1.2, 74);
    int status = 0;
    const std::string output = runHost(arguments.str(), status);
    ASSERT_EQ(0, status) << output;
    const std::vector<float> left = readChannel(wav, 0), right = readChannel(wav, 1);
    ASSERT_EQ(std::size_t{70560}, left.size());
    EXPECT_EQ(0.0, energy(left, 0, 22050)) << "silent before the click";
    EXPECT_GT(energy(left, 22050 + 2205, 22050 + 17640), 1.0) << "the held key sounds";
    EXPECT_GT(energy(left, 52920, 61740), 0.1) << "and the second one";
    EXPECT_EQ(0.0, energy(right, 0, right.size())) << "no rhythm on the right";
}

TEST_F(CommandLinePanelTest, TheMusicButtonLightsTheMelodysKeysAndShowsThemInTheLcd)
{
    ASSERT_TRUE(folder.valid());
    std::string arguments = "--seconds 4" + clickOn(geometry, 0.1, KeyDemo);
    std::vector<std::string> shots;
    for (int i = 0; i < 14; ++i) {
        shots.push_back(folder.file("demo" + std::to_string(i) + ".png"));
        arguments += " --shot " + std::to_string(0.6 + 0.25 * i) + ":" + shots.back();
    }
    int status = 0;
    const std::string output = runHost(arguments, status);
    ASSERT_EQ(0, status) << output;
    std::set<int> lit;
    std::set<std::string> lcd;
    for (const std::string& shot : shots) {
        const CPixelSurface picture = readPng(shot);
        ASSERT_EQ(882, picture.width()) << shot;
        for (int tag = kFirstNoteKey; tag <= kLastNoteKey; ++tag)
            if (paneltest::keyShown(picture, *geometry.editor, tag) == 1)
                lit.insert(tag);
        lcd.insert(paneltest::lcdText(picture));
    }
    EXPECT_GE(lit.size(), 3u) << "keys lit by the melody";
    EXPECT_GE(lcd.size(), 4u) << "the LCD follows the notes";
}

TEST_F(CommandLinePanelTest, ADragMovesTheSliderAndAHoverShowsItsHint)
{
    ASSERT_TRUE(folder.valid());
    const std::string dragged = folder.file("dragged.png"), hinted = folder.file("hinted.png");
    // The Volume handle's centre taken from 0.5 to past the right end; the
    // pointer then rests over the slider until the hint may show again.
    const std::string arguments =
        "--seconds 1.6 --drag 0.1:459:36:0.5:520:36 --shot 0.6:" + dragged + " --hover 0.7:460:40 --shot 1.5:" + hinted;
    int status = 0;
    const std::string output = runHost(arguments, status);
    ASSERT_EQ(0, status) << output;
    const CPixelSurface afterDrag = readPng(dragged), afterHover = readPng(hinted);
    EXPECT_TRUE(paneltest::showsFrame(afterDrag, CRect::fromSize(412 + 63, 26, 33, 17), 155, 0)) << "at 1.0";
    EXPECT_TRUE(paneltest::showsFrame(afterDrag, CRect::fromSize(400, 5, 120, 19), 209, 0)) << "no hint yet";
    EXPECT_TRUE(paneltest::showsFrame(afterHover, CRect::fromSize(400, 5, 120, 19), 209, 1)) << "min - Volume - max";
}

TEST_F(CommandLinePanelTest, PanelOptionsNeedTheHeadlessModule)
{
    int status = 0;
    const std::string output =
        runHost(std::string("--plugin ") + ZINTRA_PLUGIN_PATH + " --seconds 0.1 --click 0:1:1", status);
    EXPECT_NE(0, status);
    EXPECT_NE(std::string::npos, output.find("has no headless panel")) << output;
    EXPECT_NE(0, (runHost("--click 0:1", status), status)) << "a click needs X and Y";
}
