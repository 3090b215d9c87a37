// The theme seam on the fixture's X server: the real colour chooser answered as a user would,
// and a colour icon given to a window as the window manager reads it.
#include "platform/display/CDisplayTheme.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"

#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmapUtils.h"

#include "DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace NSPlatform
{
namespace
{

CDisplayTheme::SColor gAnswer{0x1200, 0x3400, 0x5600};
bool gConfirm = true;
int gShown = 0;

void Answer()
{
    ++gShown;
    CDisplayTheme::AnswerChooser(gConfirm, &gAnswer);
}

class DisplayThemeTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(CDisplay::Open()); }
    void TearDown() override { CDisplayTheme::SetChooserShownHook(nullptr); }
};

TEST_F(DisplayThemeTest, ChooserConfirmedGivesItsColourCancelledLeavesOurs)
{
    CDisplayTheme::SetChooserShownHook(Answer);
    CDisplayTheme::SColor color{65535, 0, 0};
    gConfirm = true;
    ASSERT_TRUE(CDisplayTheme::PickColor("Choose a colour", &color));
    EXPECT_EQ(gShown, 1);
    // Through the chooser's doubles and back.
    EXPECT_NEAR(color.mRed, 0x1200, 1);
    EXPECT_NEAR(color.mGreen, 0x3400, 1);
    EXPECT_NEAR(color.mBlue, 0x5600, 1);

    gConfirm = false;
    const CDisplayTheme::SColor before = color;
    EXPECT_FALSE(CDisplayTheme::PickColor("Choose a colour", &color));
    EXPECT_EQ(gShown, 2);
    EXPECT_EQ(color.mRed, before.mRed);
    EXPECT_EQ(color.mBlue, before.mBlue);
    EXPECT_FALSE(CDisplayTheme::AnswerChooser(true, nullptr));

    // The theme answers every role, and text stands out from its background.
    const CDisplayTheme::SColor text = CDisplayTheme::GetColor(CDisplayTheme::kViewText);
    const CDisplayTheme::SColor base = CDisplayTheme::GetColor(CDisplayTheme::kViewBackground);
    EXPECT_GT(std::abs(int(text.mRed) - int(base.mRed)) +
                  std::abs(int(text.mGreen) - int(base.mGreen)),
              20000);
}

TEST_F(DisplayThemeTest, ColourIconBecomesTheWindowsIcon)
{
    using namespace NSWayfarer;
    CBitmap32 picture(16, 16);
    picture.Erase(CRGBColor::kWhite);
    picture.SetPixel32(3, 2, 0x000000);
    const SColorIcon icon = CBitmapUtils::MacBuildCIcon(&picture);

    CNativeWindow window(CNativeWindow::kDocument, "icon", {100, 80, 200, 160});
    // Not on the server yet: nothing to give it to.
    if (window.GetXID() == 0)
    {
        EXPECT_FALSE(CBitmapUtils::SetWindowIcon(icon, window));
    }
    window.Show();
    ASSERT_TRUE(NSTestSupport::PumpUntil([&] { return window.GetXID() != 0; }));
    ASSERT_TRUE(CBitmapUtils::SetWindowIcon(icon, window));
    CDisplay::Sync();

    // The property holds width, height, then ARGB words: the white background is clear, the
    // black pixel opaque.
    const std::string command =
        "xprop -id " + std::to_string(window.GetXID()) + " -notype 32c _NET_WM_ICON";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, got);
        ::pclose(pipe);
    }
    std::vector<unsigned long> words;
    const size_t equals = output.find('=');
    ASSERT_NE(equals, std::string::npos) << output;
    for (size_t at = equals + 1; at < output.size();)
    {
        char* end = nullptr;
        const unsigned long value = std::strtoul(output.c_str() + at, &end, 0);
        if (end == output.c_str() + at)
            break;
        words.push_back(value);
        at = static_cast<size_t>(end - output.c_str());
        while (at < output.size() && (output[at] == ',' || output[at] == ' '))
            ++at;
    }
    ASSERT_GE(words.size(), 2u + 256u) << output;
    EXPECT_EQ(words[0], 16u);
    EXPECT_EQ(words[1], 16u);
    EXPECT_EQ(words[2 + 2 * 16 + 3] & 0xFFFFFFFFu, 0xFF000000u);
    EXPECT_EQ((words[2] >> 24) & 0xFF, 0u);
}

} // namespace
} // namespace NSPlatform
