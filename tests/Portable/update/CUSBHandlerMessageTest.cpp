// The three messages the instrument sends, fed to the handler directly: the
// identification lines, the remark, run-state changes and malformed input.
#include "UpdateTestBench.h"

#include "Portable/update/USBProtocol.h"

#include <string>

using namespace UpdateTest;

namespace
{

std::vector<uint8_t> Version(uint8_t id, uint8_t type, uint8_t mode, uint16_t os, uint16_t build)
{
    std::vector<uint8_t> m(kUSBversionSize, 0);
    m[0] = kUSBMsgVersion;
    m[kVersionIDOffs] = id;
    m[kVersionTypeOffs] = type;
    m[kVersionModeOffs] = mode;
    StoreBig16(m.data() + kVersionOSversionOffs, os);
    StoreBig16(m.data() + kVersionOSbuildOffs, build);
    return m;
}

std::vector<uint8_t> Status(bool error, const std::string& text)
{
    std::vector<uint8_t> m(kUSBstatusSize, 0);
    m[0] = kUSBMsgStatus;
    m[kStatusErrorOffs] = error ? 1 : 0;
    for (size_t i = 0; i < text.size() && i < kStatusStrSize; ++i)
        m[kStatusStrOffs + i] = static_cast<uint8_t>(text[i]);
    return m;
}

} // namespace

class HandlerMessages : public CUpdateBench
{
protected:
    void SetUp() override
    {
        CUpdateBench::SetUp();
        Start(MakeImage(3000));
    }

    int Feed(std::vector<uint8_t> m) { return fHandler->USBmessage(m.data(), int(m.size())); }
};

TEST_F(HandlerMessages, VersionLinesAndTheStatesTheyLeadTo)
{
    EXPECT_EQ(Feed(Version(11, 0, 1, 120, 0)), kUSBversionSize);
    EXPECT_STREQ(fHandler->GetStatus(), "Kelt Podium LX, OS version 1.20 ");
    EXPECT_EQ(GetUpdaterRunState(), kURSUpdate);

    Feed(Version(6, 2, 0, 123, 45));
    EXPECT_STREQ(fHandler->GetStatus(), "Kelt Vektor Mini, OS version 1.23 build 45 ");
    EXPECT_EQ(GetUpdaterRunState(), kURSOS);

    Feed(Version(10, 9, 2, 200, 0));
    EXPECT_STREQ(fHandler->GetStatus(), "Unknown Kelt Vektor Two, test version 2.00 ");

    Feed(Version(11, 0, 1, 0xFFFF, 0));
    EXPECT_STREQ(fHandler->GetStatus(), "Kelt Podium LX, no OS ");
    EXPECT_EQ(GetUpdaterRunState(), kURSUpdate);
}

TEST_F(HandlerMessages, UnknownProductCodeIsNamedPlainly)
{
    for (uint8_t id : {0, 4, 12, 255})
    {
        Feed(Version(id, 0, 0, 110, 0));
        EXPECT_STREQ(fHandler->GetStatus(), "Unknown instrument, OS version 1.10 ");
    }
}

TEST_F(HandlerMessages, VersionAdvancesByState)
{
    SetUpdaterRunState(kURSWorking);
    Feed(Version(11, 0, 1, 120, 0));
    EXPECT_EQ(GetUpdaterRunState(), kURSUpdate);
    SetUpdaterRunState(kURSWorking);
    Feed(Version(11, 0, 0, 120, 0));
    EXPECT_EQ(GetUpdaterRunState(), kURSFinish);
    Feed(Version(11, 0, 1, 120, 0));
    EXPECT_EQ(GetUpdaterRunState(), kURSFinish);
    SetUpdaterRunState(kURSRebooted);
    Feed(Version(11, 0, 0, 120, 0));
    EXPECT_EQ(GetUpdaterRunState(), kURSOS);
}

TEST_F(HandlerMessages, StatusLoadFinishesOnlyAtTheStart)
{
    SetUpdaterRunState(kURSWorking);
    Feed(Status(false, "Flash Load"));
    EXPECT_EQ(GetUpdaterRunState(), kURSWorking);
    Feed(Status(false, "Loa"));
    EXPECT_EQ(GetUpdaterRunState(), kURSWorking);
    EXPECT_EQ(Feed(Status(false, "Loading OS")), kUSBstatusSize);
    EXPECT_EQ(GetUpdaterRunState(), kURSFinish);
    EXPECT_STREQ(fHandler->GetStatus(), "Loading OS");
}

TEST_F(HandlerMessages, RemarkFollowsErrorsAndOnlyShowsInUpdaterMode)
{
    Feed(Status(true, "CRC error"));
    EXPECT_STREQ(fHandler->GetRemark(), "(CRC error)");
    Feed(Version(11, 0, 1, 120, 0));
    EXPECT_STREQ(fHandler->GetStatus(), "Kelt Podium LX, OS version 1.20 (CRC error)");

    Feed(Status(true, "CRC error"));
    Feed(Version(11, 0, 0, 120, 0));
    EXPECT_STREQ(fHandler->GetStatus(), "Kelt Podium LX, OS version 1.20 ");
    EXPECT_STREQ(fHandler->GetRemark(), "");

    Feed(Status(true, "bad"));
    Feed(Status(false, "fine"));
    EXPECT_STREQ(fHandler->GetRemark(), "");
}

TEST_F(HandlerMessages, FullWidthTextsStayInsideTheirFields)
{
    // 32 characters, no terminator in the message; the reserved bytes after it are not text.
    std::vector<uint8_t> m = Status(true, std::string(32, 'E'));
    for (int i = kStatusStrOffs + kStatusStrSize; i < kUSBstatusSize; ++i)
        m[i] = 'X';
    Feed(m);
    EXPECT_EQ(std::string(fHandler->GetStatus()), std::string(32, 'E'));
    const std::string remark = fHandler->GetRemark();
    EXPECT_LT(remark.size(), size_t(CUSBHandler::kRemarkSize));
    EXPECT_EQ(remark.front(), '(');
    EXPECT_EQ(remark.back(), ')');
}

TEST_F(HandlerMessages, ShortMessagesAreDroppedWithoutEffect)
{
    SetUpdaterRunState(kURSConnected);
    const std::string before = fHandler->GetStatus();
    std::vector<uint8_t> version = Version(11, 0, 1, 120, 0);
    version.resize(kUSBversionSize - 1);
    EXPECT_EQ(Feed(version), kUSBversionSize - 1);
    std::vector<uint8_t> status = Status(false, "Loading");
    status.resize(10);
    Feed(status);
    std::vector<uint8_t> progress(5, 0);
    progress[0] = kUSBMsgProgress;
    progress[3] = 50;
    Feed(progress);
    EXPECT_EQ(GetUpdaterRunState(), kURSConnected);
    EXPECT_EQ(fHandler->GetStatus(), before);
    EXPECT_EQ(fHandler->GetProgress(), 0);

    // Unlisted codes are taken whole and ignored.
    EXPECT_EQ(Feed(std::vector<uint8_t>(7, 0x42)), 7);
    EXPECT_EQ(fHandler->USBmessage(nullptr, 0), 0);
}

TEST_F(HandlerMessages, ProgressIsTakenAsSent)
{
    std::vector<uint8_t> m(kUSBprogressSize, 0);
    m[0] = kUSBMsgProgress;
    StoreBig16(m.data() + kProgressPercOffs, 100);
    EXPECT_EQ(Feed(m), kUSBprogressSize);
    EXPECT_EQ(fHandler->GetProgress(), 100);
}

TEST_F(HandlerMessages, StatusTextsAreCutAndSubstitutedSafely)
{
    fHandler->SetStatus(std::string(200, 'a').c_str());
    EXPECT_EQ(std::string(fHandler->GetStatus()), std::string(127, 'a'));

    fHandler->SetStatus("Found #PRODUCT#, #PRODUCT#");
    EXPECT_STREQ(fHandler->GetStatus(), "Found Kelt Podium LX, #PRODUCT#");

    const std::string longText = std::string(120, 'b') + "#PRODUCT#" + std::string(50, 'c');
    fHandler->SetStatus(longText.c_str());
    const std::string shown = fHandler->GetStatus();
    EXPECT_EQ(shown.size(), 127u);
    EXPECT_EQ(shown.substr(120), std::string("Kelt Po"));

    // The handler's own status line as the text: no overlap trouble.
    fHandler->SetStatus("No #PRODUCT# Connected");
    fHandler->SetStatus(fHandler->GetStatus());
    EXPECT_STREQ(fHandler->GetStatus(), "No Kelt Podium LX Connected");
}
