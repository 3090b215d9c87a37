// The graphic manager's polling notices a change of the monitor configuration and
// tells the application. Runs on an X server of its own, whose mode it changes.
#include "framework/application/CApplication.h"
#include "framework/graphics/CGraphicManager.h"
#include "platform/display/CDisplay.h"

#include "DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace NSWayfarer;
using NSTestSupport::PumpUntil;

namespace
{

class CScreenApp : public CApplication
{
public:
    using CApplication::CApplication;
    void ScreenBitmapDestChanged(const CBitmapDest*) override { ++fChanges; }
    int fChanges = 0;
};

TEST(ScreenChange, PollingNoticesAModeChangeOnce)
{
    if (NSPlatform::CDisplay::IsOpen())
        GTEST_SKIP() << "this process's display is open already (run this test on its own)";
    if (std::system("command -v xrandr >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xrandr is not installed";
    NSTestSupport::CPrivateXServer server("1280x1024x24");
    ASSERT_FALSE(server.GetDisplay().empty());
    ::setenv("DISPLAY", server.GetDisplay().c_str(), 1);

    CApplicationStartupInfo info;
    std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "Screen Test");
    info.fUsesDisplay = true;
    CScreenApp app(&info);
    app.Initialize();
    EXPECT_EQ(app.fChanges, 1); // Initialize reads the screens once
    CGraphicManager& manager = *CGraphicManager::gGraphicMgr;
    EXPECT_FALSE(manager.MacPollForSeedChange());

    const std::string xrandr = "DISPLAY=" + server.GetDisplay() + " xrandr ";
    ASSERT_EQ(std::system((xrandr + "--newmode 800x600 0 800 0 0 0 600 0 0 0 && " + xrandr +
                           "--addmode screen 800x600 && " + xrandr + "--output screen --mode 800x600")
                              .c_str()),
              0);
    ASSERT_TRUE(PumpUntil([&] { return manager.GetMainScreenRect().fRight == 800; }));
    EXPECT_TRUE(manager.MacPollForSeedChange());
    EXPECT_EQ(app.fChanges, 2);
    EXPECT_FALSE(manager.MacPollForSeedChange());
    EXPECT_EQ(app.fChanges, 2);
}

} // namespace
