#include "platform/usb/CVirtualInstrument.h"
#include "tests/platform/usb/VirtualImage.h"
#include "tests/platform/usb/WireFrames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace NSPlatform;
using namespace NSWireFrames;

namespace
{

struct SReply
{
    std::vector<uint8_t> mBytes;
    uint8_t Code() const { return mBytes.empty() ? 0 : mBytes[0]; }
    std::string Text() const { return std::string(reinterpret_cast<const char*>(&mBytes[2])); }
    bool Error() const { return mBytes[1] != 0; }
    uint16_t U16(size_t at) const { return uint16_t(mBytes[at] << 8 | mBytes[at + 1]); }
};

std::vector<uint8_t> WithByte(std::vector<uint8_t> frame, size_t at, uint8_t value)
{
    frame[at] = value;
    return Frame(std::vector<uint8_t>(frame.begin() + 2, frame.end()));
}

class VirtualInstrumentTest : public ::testing::Test
{
protected:
    void Send(CVirtualInstrument& instrument, const std::vector<uint8_t>& frame, int32_t now = 0)
    {
        instrument.ReceiveBulkOut(frame.data(), frame.size(), now);
    }
    std::vector<SReply> Drain(CVirtualInstrument& instrument)
    {
        std::vector<SReply> replies;
        SReply reply;
        while (instrument.TakeBulkIn(reply.mBytes))
            replies.push_back(reply);
        return replies;
    }
    // The last status text among the replies, or "".
    std::string LastStatus(const std::vector<SReply>& replies, bool* error = nullptr)
    {
        for (auto it = replies.rbegin(); it != replies.rend(); ++it)
            if (it->Code() == 0x81)
            {
                if (error)
                    *error = it->Error();
                return it->Text();
            }
        return "";
    }
    SVirtualInstrumentConfig Updater()
    {
        SVirtualInstrumentConfig config;
        config.mUpdaterMode = true;
        return config;
    }
};

} // namespace

TEST_F(VirtualInstrumentTest, CrcAndRequestFramesMatchTheProtocol)
{
    const char* text = "123456789";
    EXPECT_EQ(CVirtualInstrument::Crc16(reinterpret_cast<const uint8_t*>(text), 9), 0x31C3);
    EXPECT_EQ(Request(0x80), (std::vector<uint8_t>{0x00, 0x05, 0x80, 0x91, 0x88}));
    EXPECT_EQ(Request(0x81), (std::vector<uint8_t>{0x00, 0x05, 0x81, 0x81, 0xA9}));
    EXPECT_EQ(Request(0x83), (std::vector<uint8_t>{0x00, 0x05, 0x83, 0xA1, 0xEB}));
}

TEST_F(VirtualInstrumentTest, AnswersVersionAndStatusOneMessagePerRead)
{
    SVirtualInstrumentConfig config;
    config.mOSVersion = 123;
    config.mOSBuild = 9;
    CVirtualInstrument running(config);
    Send(running, Request(0x81));
    Send(running, Request(0x80));
    auto replies = Drain(running);
    ASSERT_EQ(replies.size(), 2u);
    ASSERT_EQ(replies[0].mBytes.size(), 52u);
    EXPECT_EQ(replies[0].Text(), "Ready");
    EXPECT_FALSE(replies[0].Error());
    ASSERT_EQ(replies[1].mBytes.size(), 66u);
    EXPECT_EQ(replies[1].mBytes[1], 11); // product code
    EXPECT_EQ(replies[1].mBytes[3], 0);  // running its OS
    EXPECT_EQ(replies[1].U16(6), 123);
    EXPECT_EQ(replies[1].U16(32), 9);
    // Every message carries its CRC.
    for (auto& r : replies)
        EXPECT_EQ(CVirtualInstrument::Crc16(r.mBytes.data(), r.mBytes.size() - 2),
                  r.U16(r.mBytes.size() - 2));

    SVirtualInstrumentConfig empty = Updater();
    empty.mHasOS = false;
    CVirtualInstrument noOS(empty);
    Send(noOS, Request(0x81));
    Send(noOS, Request(0x80));
    replies = Drain(noOS);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].Text(), "Update mode");
    EXPECT_EQ(replies[1].mBytes[3], 1);
    EXPECT_EQ(replies[1].U16(6), 0xFFFF);
}

TEST_F(VirtualInstrumentTest, BadFramesAreAnsweredWithCrcError)
{
    CVirtualInstrument instrument{SVirtualInstrumentConfig()};
    auto corrupted = Request(0x80);
    corrupted[4] ^= 1;
    auto wrongLength = Request(0x80);
    wrongLength[1] = 6;
    std::vector<uint8_t> tooShort{0x00, 0x02};
    for (auto* frame : {&corrupted, &wrongLength, &tooShort})
    {
        Send(instrument, *frame);
        bool error = false;
        EXPECT_EQ(LastStatus(Drain(instrument), &error), "CRC error");
        EXPECT_TRUE(error);
    }
    EXPECT_EQ(instrument.GetStatistics().mCrcErrors, 3u);
    EXPECT_EQ(instrument.GetStatistics().mFrames, 3u);
}

TEST_F(VirtualInstrumentTest, RebootLeavesAndReturnsInUpdaterModeOnTime)
{
    CVirtualInstrument instrument{SVirtualInstrumentConfig()};
    Send(instrument, Request(0x83), 1000);
    instrument.Advance(1099);
    EXPECT_TRUE(instrument.IsOnBus());
    instrument.Advance(1100);
    EXPECT_FALSE(instrument.IsOnBus());
    instrument.Advance(2599);
    EXPECT_FALSE(instrument.IsOnBus());
    instrument.Advance(2600);
    EXPECT_TRUE(instrument.IsOnBus());
    EXPECT_TRUE(instrument.IsUpdaterMode());
    EXPECT_EQ(instrument.GetBusGeneration(), 1u);

    SVirtualInstrumentConfig lost;
    lost.mNoReturn = true;
    CVirtualInstrument gone(lost);
    Send(gone, Request(0x83), 0);
    gone.Advance(100000);
    EXPECT_FALSE(gone.IsOnBus());
}

TEST_F(VirtualInstrumentTest, InstallsAValidImageAndComesBackWithItsVersion)
{
    auto image = NSVirtualImage::Make(40000, 131, 5);
    CVirtualInstrument instrument(Updater());
    for (auto& frame : Stream(image))
        Send(instrument, frame, 0);
    auto replies = Drain(instrument);
    EXPECT_EQ(LastStatus(replies), "");
    ASSERT_FALSE(replies.empty());
    EXPECT_EQ(replies.back().Code(), 0x82);
    EXPECT_EQ(replies.back().U16(2), 50); // received all, flashing next
    EXPECT_EQ(instrument.GetReceivedImage(), image);

    int32_t due = 0;
    uint16_t lastPercent = 50;
    int32_t now = 0;
    while (instrument.NextDue(due) && instrument.IsOnBus())
    {
        now = due;
        instrument.Advance(now);
        for (auto& r : Drain(instrument))
            if (r.Code() == 0x82)
            {
                EXPECT_GE(r.U16(2), lastPercent);
                lastPercent = r.U16(2);
            }
            else if (r.Code() == 0x81)
            {
                EXPECT_EQ(r.Text().substr(0, 4), "Load");
                EXPECT_FALSE(r.Error());
            }
    }
    EXPECT_EQ(lastPercent, 100);
    EXPECT_EQ(now, 2000 + 100); // flashing, then leaving the bus
    instrument.Advance(now + 1500);
    EXPECT_TRUE(instrument.IsOnBus());
    EXPECT_FALSE(instrument.IsUpdaterMode());
    EXPECT_EQ(instrument.GetOSVersion(), 131);
    EXPECT_EQ(instrument.GetOSBuild(), 5);
    EXPECT_EQ(instrument.GetStatistics().mInstalls, 1u);
}

TEST_F(VirtualInstrumentTest, InconsistentStreamsAreRefusedAndNothingIsInstalled)
{
    auto image = NSVirtualImage::Make(20000);
    uint32_t sum = 0;
    for (uint8_t b : image)
        sum += b;
    auto badImage = image;
    badImage[800] ^= 0xFF; // section checksum no longer matches
    uint32_t badSum = 0;
    for (uint8_t b : badImage)
        badSum += b;

    struct SCase
    {
        const char* mName;
        std::vector<std::vector<uint8_t>> mFrames;
        const char* mStatus;
    };
    std::vector<uint8_t> zero(16384, 0);
    std::vector<SCase> cases = {
        {"count 0", {Begin(100), Data(zero.data(), 0)}, "Bad data count"},
        {"count too big", {Begin(100), Data(zero.data(), 16385)}, "Bad data count"},
        {"more than announced", {Begin(100), Data(zero.data(), 101)}, "Too much data"},
        {"short", {Begin(200), Data(zero.data(), 100), End(0)}, "OS size mismatch"},
        {"wrong sum",
         {Begin(uint32_t(image.size())), Data(image.data(), 16384),
          Data(image.data() + 16384, uint32_t(image.size() - 16384)), End(sum + 1)},
         "Checksum error"},
        {"invalid image", Stream(badImage), "Invalid OS image"},
        {"data without begin", {Data(zero.data(), 10)}, "Unexpected data"},
        {"save without end", {Begin(100), Save()}, "Unexpected save"},
        {"unknown", {Frame({0x42, 0, 0})}, "Unknown message"},
        {"begin to an address", {WithByte(Begin(100), 2 + 9, 0)}, "Bad address"},
        {"begin reserved", {WithByte(Begin(100), 2 + 20, 1)}, "Bad message"},
        {"data reserved", {Begin(100), WithByte(Data(zero.data(), 10), 2 + 5, 1)}, "Bad message"},
    };
    (void)badSum;
    for (auto& c : cases)
    {
        CVirtualInstrument instrument(Updater());
        for (auto& frame : c.mFrames)
            Send(instrument, frame);
        bool error = false;
        EXPECT_EQ(LastStatus(Drain(instrument), &error), c.mStatus) << c.mName;
        EXPECT_TRUE(error) << c.mName;
        instrument.Advance(100000);
        EXPECT_EQ(instrument.GetStatistics().mInstalls, 0u) << c.mName;
        EXPECT_EQ(instrument.GetOSVersion(), 110) << c.mName;
    }

    CVirtualInstrument running{SVirtualInstrumentConfig()};
    Send(running, Begin(100));
    EXPECT_EQ(LastStatus(Drain(running)), "Not in update mode");
}

TEST_F(VirtualInstrumentTest, RefusedSaveReportsTheFirstFaultAndItsVersion)
{
    auto image = NSVirtualImage::Make(20000, 120, 7);
    auto stream = Stream(image);
    auto withBegin = [&](std::vector<uint8_t> begin)
    {
        auto frames = stream;
        frames.front() = std::move(begin);
        return frames;
    };
    auto withSave = [&](std::vector<uint8_t> save)
    {
        auto frames = stream;
        frames.back() = std::move(save);
        return frames;
    };
    auto corrupted = stream;
    corrupted[1][100] ^= 1; // the first data message
    struct SCase
    {
        const char* mName;
        std::vector<std::vector<uint8_t>> mFrames;
        const char* mStatus;
    };
    std::vector<SCase> cases = {
        {"build as version", withBegin(Begin(uint32_t(image.size()), 7, 7)), "Version mismatch"},
        {"other build", withBegin(Begin(uint32_t(image.size()), 120, 8)), "Version mismatch"},
        {"save mode 1", withSave(WithByte(Save(), 2 + 1, 1)), "Bad save mode"},
        {"save reserved", withSave(WithByte(Save(), 2 + 10, 1)), "Bad message"},
        {"lost data message", corrupted, "CRC error"},
    };
    for (auto& c : cases)
    {
        CVirtualInstrument instrument(Updater());
        for (auto& frame : c.mFrames)
            Send(instrument, frame);
        auto replies = Drain(instrument);
        // The save is answered by the first fault of the transfer, then the version
        // in updater mode: the updater may try again.
        ASSERT_GE(replies.size(), 2u) << c.mName;
        const SReply& status = replies[replies.size() - 2];
        EXPECT_EQ(status.Code(), 0x81) << c.mName;
        EXPECT_EQ(status.Text(), c.mStatus) << c.mName;
        EXPECT_TRUE(status.Error()) << c.mName;
        EXPECT_EQ(replies.back().Code(), 0x80) << c.mName;
        EXPECT_EQ(replies.back().mBytes[3], 1) << c.mName;
        instrument.Advance(100000);
        EXPECT_EQ(instrument.GetStatistics().mInstalls, 0u) << c.mName;
    }
}

TEST_F(VirtualInstrumentTest, ImageCheckRejectsBrokenHeadersWithoutReadingOutside)
{
    uint16_t version, build;
    auto good = NSVirtualImage::Make(3000);
    EXPECT_TRUE(CVirtualInstrument::CheckImage(good, version, build));

    auto headerOff = good;
    headerOff[7] ^= 1;
    EXPECT_FALSE(CVirtualInstrument::CheckImage(headerOff, version, build));

    auto noCode = good;
    std::memcpy(&noCode[20], "DATA", 4);
    NSVirtualImage::SealHeader(noCode);
    EXPECT_FALSE(CVirtualInstrument::CheckImage(noCode, version, build));

    auto outside = good;
    NSVirtualImage::Put32(&outside[20 + 8], 0xFFFFFF00); // size far past the end
    NSVirtualImage::SealHeader(outside);
    EXPECT_FALSE(CVirtualInstrument::CheckImage(outside, version, build));

    auto tooMany = good;
    tooMany[19] = 17;
    NSVirtualImage::SealHeader(tooMany);
    EXPECT_FALSE(CVirtualInstrument::CheckImage(tooMany, version, build));

    std::vector<uint8_t> tiny(100, 0);
    EXPECT_FALSE(CVirtualInstrument::CheckImage(tiny, version, build));
}

TEST_F(VirtualInstrumentTest, FaultKnobs)
{
    SVirtualInstrumentConfig config;
    config.mStopAnsweringAt = 1;
    CVirtualInstrument silent(config);
    Send(silent, Request(0x81));
    Send(silent, Request(0x80));
    EXPECT_EQ(Drain(silent).size(), 1u);

    config = {};
    config.mTruncatedReplies = true;
    CVirtualInstrument truncated(config);
    Send(truncated, Request(0x80));
    auto replies = Drain(truncated);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].mBytes.size(), 33u);

    config = {};
    config.mGarbageReplies = true;
    CVirtualInstrument garbage(config);
    Send(garbage, Request(0x80));
    replies = Drain(garbage);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_NE(replies[0].Code(), 0x80);

    config = {};
    config.mRemoveAtMessage = 1;
    CVirtualInstrument pulled(config);
    Send(pulled, Request(0x81));
    Send(pulled, Request(0x80));
    EXPECT_FALSE(pulled.IsOnBus());
    pulled.Advance(100000);
    EXPECT_FALSE(pulled.IsOnBus());

    config = {};
    config.mWriteFailAtMessage = 0;
    CVirtualInstrument failing(config);
    EXPECT_FALSE(failing.ReceiveBulkOut(Request(0x80).data(), 5, 0));
    EXPECT_TRUE(failing.ReceiveBulkOut(Request(0x80).data(), 5, 0));
    EXPECT_EQ(Drain(failing).size(), 1u);

    config = {};
    config.mCorruptAtMessage = 0;
    CVirtualInstrument corrupt(config);
    Send(corrupt, Request(0x80));
    EXPECT_EQ(LastStatus(Drain(corrupt)), "CRC error");

    for (bool garbled : {true, false})
    {
        config = {};
        (garbled ? config.mGarbageAtMessage : config.mShortAtMessage) = 1;
        CVirtualInstrument mangled(config);
        Send(mangled, Request(0x81));
        Send(mangled, Request(0x80));
        Send(mangled, Request(0x80));
        replies = Drain(mangled);
        ASSERT_EQ(replies.size(), 3u);
        EXPECT_EQ(replies[0].Code(), 0x81);
        EXPECT_EQ(replies[1].mBytes.size() == 66 && replies[1].Code() == 0x80, false);
        EXPECT_EQ(replies[2].mBytes.size(), 66u);
    }
    config = {};
    config.mGarbageAtMessage = 0;
    config.mUpdaterMode = true;
    CVirtualInstrument extra(config);
    Send(extra, Begin(100)); // no answer of its own: one damaged message instead
    replies = Drain(extra);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_NE(replies[0].Code(), 0x81);

    config = {};
    config.mHoldRepliesAtMessage = 1;
    config.mHoldMs = 3000;
    CVirtualInstrument held(config);
    Send(held, Request(0x81), 0);
    Send(held, Request(0x80), 10);
    Send(held, Request(0x81), 20);
    EXPECT_EQ(Drain(held).size(), 1u);
    int32_t due = 0;
    ASSERT_TRUE(held.NextDue(due));
    EXPECT_EQ(due, 3010);
    held.Advance(3009);
    EXPECT_TRUE(Drain(held).empty());
    held.Advance(3010);
    replies = Drain(held);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].Code(), 0x80);
    EXPECT_EQ(replies[1].Code(), 0x81);

    config = {};
    config.mDeafAfterResetMs = 500;
    CVirtualInstrument starting(config);
    Send(starting, Request(0x80), 0); // never reset: hears at once
    starting.ResetDevice(1000);
    Send(starting, Request(0x80), 1499);
    Send(starting, Request(0x80), 1500);
    EXPECT_EQ(Drain(starting).size(), 2u);
    EXPECT_EQ(starting.GetStatistics().mLostFrames, 1u);

    config = {};
    config.mTestMode = true;
    CVirtualInstrument testing(config);
    Send(testing, Request(0x80));
    replies = Drain(testing);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].mBytes[3], 2);

    config = {};
    config.mBusyAttempts = 2;
    CVirtualInstrument busy(config);
    EXPECT_EQ(busy.AnswerOpen(), CVirtualInstrument::kOpenBusy);
    EXPECT_EQ(busy.AnswerOpen(), CVirtualInstrument::kOpenBusy);
    EXPECT_EQ(busy.AnswerOpen(), CVirtualInstrument::kOpenOK);
}

TEST_F(VirtualInstrumentTest, SimulateModes)
{
    SVirtualInstrumentConfig config;
    ASSERT_TRUE(SVirtualInstrumentConfig::ParseSimulateMode("normal", config));
    EXPECT_FALSE(config.mUpdaterMode);
    EXPECT_EQ(config.mOSVersion, 110);
    ASSERT_TRUE(SVirtualInstrumentConfig::ParseSimulateMode("no-os", config));
    EXPECT_TRUE(config.mUpdaterMode);
    EXPECT_FALSE(config.mHasOS);
    ASSERT_TRUE(SVirtualInstrumentConfig::ParseSimulateMode("busy", config));
    EXPECT_EQ(config.mBusyAttempts, -1);
    ASSERT_TRUE(SVirtualInstrumentConfig::ParseSimulateMode("no-return", config));
    EXPECT_TRUE(config.mNoReturn);
    ASSERT_TRUE(SVirtualInstrumentConfig::ParseSimulateMode("unplug", config));
    EXPECT_GE(config.mRemoveAtMessage, 3);
    ASSERT_TRUE(SVirtualInstrumentConfig::ParseSimulateMode("updater", config));
    EXPECT_TRUE(config.mUpdaterMode);
    EXPECT_FALSE(SVirtualInstrumentConfig::ParseSimulateMode("Normal", config));
    EXPECT_FALSE(SVirtualInstrumentConfig::ParseSimulateMode("", config));
}
