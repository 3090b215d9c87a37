#include "platform/usb/CVirtualInstrument.h"

#include <algorithm>
#include <cstring>

namespace NSPlatform
{

namespace
{

// Message codes of the wire protocol.
constexpr uint8_t kReqVersion = 0x80;
constexpr uint8_t kReqStatus = 0x81;
constexpr uint8_t kReqReboot = 0x83;
constexpr uint8_t kMsgProgress = 0x82;
constexpr uint8_t kOSBegin = 10;
constexpr uint8_t kOSData = 11;
constexpr uint8_t kOSEnd = 12;
constexpr uint8_t kOSSave = 14;

constexpr size_t kRequestSize = 3;
constexpr size_t kBeginSize = 32;
constexpr size_t kDataSize = 16408;
constexpr size_t kEndSize = 24;
constexpr size_t kSaveSize = 20;
constexpr size_t kVersionSize = 66;
constexpr size_t kStatusSize = 52;
constexpr size_t kProgressSize = 22;
constexpr uint32_t kMaxPayload = 16384;
constexpr uint32_t kMaxImage = 64u * 1024 * 1024;

constexpr size_t kHeaderSize = 724;
constexpr size_t kSectionSize = 44;
constexpr size_t kMaxSections = 16;

constexpr uint8_t kProductCode = 11;

uint16_t Get16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Get32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

void Put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

bool AllZero(const uint8_t* p, size_t n)
{
    return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

// A time on the wrapping millisecond clock, delay after when.
int32_t After(int32_t when, int32_t delay)
{
    return static_cast<int32_t>(static_cast<uint32_t>(when) + static_cast<uint32_t>(delay));
}

// Reached only by differences, so the wrap of the millisecond clock is harmless.
bool Reached(int32_t now, int32_t when)
{
    return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(when)) >= 0;
}

} // namespace

uint16_t CVirtualInstrument::Crc16(const uint8_t* data, size_t length)
{
    // Bitwise on purpose: the updater uses a table, so the two cannot share a
    // mistake.
    uint16_t crc = 0;
    for (size_t i = 0; i < length; ++i)
    {
        crc = static_cast<uint16_t>(crc ^ (uint16_t(data[i]) << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

bool CVirtualInstrument::CheckImage(const std::vector<uint8_t>& image, uint16_t& version,
                                    uint16_t& build)
{
    if (image.size() < kHeaderSize)
        return false;
    const uint8_t* h = image.data();
    if (h[2] != 1)
        return false;
    uint32_t headerSum = 0;
    for (size_t i = 8; i < kHeaderSize; ++i)
        headerSum += h[i];
    if (static_cast<uint16_t>(~headerSum) != Get16(h + 6))
        return false;
    size_t count = h[19];
    if (count == 0 || count > kMaxSections)
        return false;
    bool haveCode = false;
    for (size_t s = 0; s < count; ++s)
    {
        const uint8_t* e = h + 20 + s * kSectionSize;
        uint64_t offset = Get32(e + 4);
        uint64_t size = Get32(e + 8);
        uint32_t sum = Get32(e + 16);
        uint64_t stored = Get32(e + 20);
        uint32_t storedSum = Get32(e + 24);
        uint64_t n = stored ? stored : size;
        uint32_t expected = stored ? storedSum : sum;
        if (offset > image.size() || n > image.size() - offset)
            return false;
        uint32_t total = 0;
        for (uint64_t i = 0; i < n; ++i)
            total += image[offset + i];
        if (~total != expected)
            return false;
        if (std::memcmp(e, "CODE", 4) == 0)
            haveCode = true;
    }
    if (!haveCode)
        return false;
    version = Get16(h);
    build = Get16(h + 4);
    return true;
}

CVirtualInstrument::CVirtualInstrument(const SVirtualInstrumentConfig& config)
    : fConfig(config), fBusyLeft(config.mBusyAttempts > 0 ? config.mBusyAttempts : 0),
      fUpdaterMode(config.mUpdaterMode), fOSVersion(config.mHasOS ? config.mOSVersion : 0xFFFF),
      fOSBuild(config.mHasOS ? config.mOSBuild : 0)
{
    fInterruptDue = config.mInterruptFailure;
}

bool CVirtualInstrument::ReceiveBulkOut(const uint8_t* data, size_t length, int32_t nowMs)
{
    std::lock_guard<std::mutex> guard(fLock);
    if (!fOnBus)
        return true;
    uint32_t index = fStats.mFrames++;
    auto at = [index](int32_t knob) { return knob >= 0 && index == static_cast<uint32_t>(knob); };
    if (at(fConfig.mRemoveAtMessage))
    {
        // Pulled out while the frame was on the wire.
        fOnBus = false;
        fOutput.clear();
        fHeld.clear();
        fHolding = false;
        fLeavePending = fReturnPending = false;
        return true;
    }
    if (at(fConfig.mWriteFailAtMessage))
    {
        ++fStats.mLostFrames;
        return false;
    }
    if (fConfig.mStopAnsweringAt >= 0 && index >= static_cast<uint32_t>(fConfig.mStopAnsweringAt))
        return true;
    if (fDeaf && !Reached(nowMs, fDeafUntil))
    {
        ++fStats.mLostFrames;
        return true;
    }
    fDeaf = false;
    if (at(fConfig.mHoldRepliesAtMessage) && !fHolding)
    {
        fHolding = true;
        fHoldUntil = After(nowMs, std::max<int32_t>(fConfig.mHoldMs, 0));
    }
    fMangle = at(fConfig.mGarbageAtMessage) ? kGarbage
              : at(fConfig.mShortAtMessage) ? kShort
                                            : kIntact;
    const size_t answersBefore = fOutput.size() + fHeld.size();

    // A frame: its own length (big-endian, counting these two bytes), the message
    // and the message's CRC.
    const uint8_t* message = data + 2;
    size_t messageLength = length - 2;
    if (length < 2 + kRequestSize || length > 2 + kDataSize || Get16(data) != length ||
        at(fConfig.mCorruptAtMessage) ||
        Crc16(message, messageLength - 2) != Get16(message + messageLength - 2))
    {
        ++fStats.mCrcErrors;
        NoteError("CRC error");
        QueueStatus(true, "CRC error");
    }
    else
    {
        ++fStats.mMessages[message[0]];
        HandleMessage(message, messageLength, nowMs);
    }
    // A frame that has no answer still gets its damaged message.
    if (fMangle != kIntact && fOutput.size() + fHeld.size() == answersBefore)
        QueueStatus(false, fUpdaterMode ? "Update mode" : "Ready");
    fMangle = kIntact;
    return true;
}

void CVirtualInstrument::HandleMessage(const uint8_t* m, size_t length, int32_t nowMs)
{
    switch (m[0])
    {
    case kReqVersion:
    case kReqStatus:
    case kReqReboot:
        if (length != kRequestSize)
        {
            Fail("Bad message length");
            return;
        }
        if (m[0] == kReqVersion)
            QueueVersion();
        else if (m[0] == kReqStatus && !fConfig.mStatusText.empty())
            QueueStatus(fConfig.mStatusError, fConfig.mStatusText.c_str());
        else if (m[0] == kReqStatus)
            QueueStatus(false, fUpdaterMode        ? "Update mode"
                               : fConfig.mTestMode ? "Test mode"
                                                   : "Ready");
        else if (!fLeavePending)
            ScheduleLeave(nowMs, true);
        return;
    case kOSBegin:
        HandleBegin(m, length);
        return;
    case kOSData:
        HandleData(m, length);
        return;
    case kOSEnd:
        HandleEnd(m, length);
        return;
    case kOSSave:
        HandleSave(m, length, nowMs);
        return;
    default:
        Fail("Unknown message");
        return;
    }
}

void CVirtualInstrument::HandleBegin(const uint8_t* m, size_t length)
{
    if (length != kBeginSize)
        return Fail("Bad message length");
    if (!fUpdaterMode)
        return Fail("Not in update mode");
    if (fStream == kFlashing)
        return Fail("Busy flashing");
    // The whole image goes as one section to no load address: it is stored, not run.
    if (m[1] != 0 || !AllZero(m + 14, 16))
        return Fail("Bad message");
    if (Get32(m + 6) != 0xFFFFFFFF)
        return Fail("Bad address");
    uint32_t size = Get32(m + 10);
    fImage.clear();
    fStream = kIdle;
    if (size == 0 || size > kMaxImage)
        return Fail("Bad OS size");
    fTransferError.clear();
    fAnnouncedVersion = Get16(m + 2);
    fAnnouncedBuild = Get16(m + 4);
    fAnnounced = size;
    fSum = 0;
    fLastPercent = 0xFFFF;
    fImage.reserve(size);
    fStream = kReceiving;
}

void CVirtualInstrument::HandleData(const uint8_t* m, size_t length)
{
    if (length != kDataSize)
        return Fail("Bad message length");
    if (m[1] != 0 || !AllZero(m + 2, 16))
        return Fail("Bad message");
    if (fStream != kReceiving)
        return Fail("Unexpected data");
    uint32_t count = Get32(m + 18);
    if (count == 0 || count > kMaxPayload)
        return Fail("Bad data count");
    if (count > fAnnounced - fImage.size())
        return Fail("Too much data");
    const uint8_t* payload = m + 22;
    fImage.insert(fImage.end(), payload, payload + count);
    for (uint32_t i = 0; i < count; ++i)
        fSum += payload[i];
    // Receiving is the first half of the work, flashing the second.
    QueueProgress(static_cast<uint16_t>(uint64_t(fImage.size()) * 50 / fAnnounced));
}

void CVirtualInstrument::HandleEnd(const uint8_t* m, size_t length)
{
    if (length != kEndSize)
        return Fail("Bad message length");
    if (m[1] != 0 || !AllZero(m + 6, 16))
        return Fail("Bad message");
    if (fStream != kReceiving)
        return Fail("Unexpected end");
    if (fImage.size() != fAnnounced)
        return Fail("OS size mismatch");
    if (Get32(m + 2) != fSum)
        return Fail("Checksum error");
    fStream = kEnded;
}

void CVirtualInstrument::HandleSave(const uint8_t* m, size_t length, int32_t nowMs)
{
    if (fStream == kFlashing)
        return Fail("Busy flashing");
    if (length != kSaveSize)
        return RejectTransfer("Bad message length");
    // Mode 0 stores the image in flash; nothing else is asked of it.
    if (m[1] != 0)
        return RejectTransfer("Bad save mode");
    if (!AllZero(m + 2, 16))
        return RejectTransfer("Bad message");
    if (fStream != kEnded)
        return RejectTransfer("Unexpected save");
    if (!CheckImage(fImage, fNewVersion, fNewBuild))
        return RejectTransfer("Invalid OS image");
    if (fNewVersion != fAnnouncedVersion || fNewBuild != fAnnouncedBuild)
        return RejectTransfer("Version mismatch");
    fTransferError.clear();
    fStream = kFlashing;
    fFlashStart = nowMs;
    fNextFlashStep = After(nowMs, std::max<int32_t>(fConfig.mFlashStepMs, 1));
    QueueProgress(50);
}

void CVirtualInstrument::RejectTransfer(const char* text)
{
    // The save ends the transfer: the updater is told the first thing that went
    // wrong with it and, by the version, that the old OS is still in place.
    NoteError(text);
    std::string first = fTransferError;
    fTransferError.clear();
    ++fStats.mOtherErrors;
    fStream = kIdle;
    QueueStatus(true, first.c_str());
    QueueVersion();
}

void CVirtualInstrument::NoteError(const char* text)
{
    if (fTransferError.empty())
        fTransferError = text;
}

void CVirtualInstrument::Fail(const char* text)
{
    NoteError(text);
    ++fStats.mOtherErrors;
    if (fStream != kFlashing)
        fStream = kIdle;
    QueueStatus(true, text);
}

void CVirtualInstrument::QueueVersion()
{
    std::vector<uint8_t> m(kVersionSize, 0);
    m[0] = kReqVersion;
    m[1] = kProductCode;
    m[2] = 0;
    m[3] = fUpdaterMode ? 1 : fConfig.mTestMode ? 2 : 0;
    Put16(&m[4], fConfig.mBootVersion);
    Put16(&m[6], fOSVersion);
    Put16(&m[8], fConfig.mProtocolVersion);
    std::memcpy(&m[10], "Podium LX", 9);
    Put32(&m[26], fConfig.mSerialNumber);
    Put16(&m[30], 1);
    Put16(&m[32], fOSBuild);
    QueueMessage(std::move(m));
}

void CVirtualInstrument::QueueStatus(bool error, const char* text)
{
    std::vector<uint8_t> m(kStatusSize, 0);
    m[0] = kReqStatus;
    m[1] = error ? 1 : 0;
    std::strncpy(reinterpret_cast<char*>(&m[2]), text, 31);
    QueueMessage(std::move(m));
}

void CVirtualInstrument::QueueProgress(uint16_t percent)
{
    if (percent == fLastPercent)
        return;
    fLastPercent = percent;
    std::vector<uint8_t> m(kProgressSize, 0);
    m[0] = kMsgProgress;
    Put16(&m[2], percent);
    QueueMessage(std::move(m));
}

void CVirtualInstrument::QueueMessage(std::vector<uint8_t> m)
{
    Put16(&m[m.size() - 2], Crc16(m.data(), m.size() - 2));
    if (fConfig.mGarbageReplies || fMangle == kGarbage)
    {
        uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(fOutput.size());
        for (auto& byte : m)
        {
            x = x * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(x >> 24);
        }
        m[0] = 0x5A; // no message has this code
    }
    if (fConfig.mTruncatedReplies || fMangle == kShort)
        m.resize(m.size() / 2);
    if (fHolding)
        fHeld.push_back(std::move(m));
    else
        fOutput.push_back(std::move(m));
}

void CVirtualInstrument::ScheduleLeave(int32_t nowMs, bool returnInUpdater)
{
    fLeavePending = true;
    fLeaveAt = After(nowMs, fConfig.mLeaveDelayMs);
    fReturnUpdater = returnInUpdater;
}

bool CVirtualInstrument::TakeBulkIn(std::vector<uint8_t>& message)
{
    std::lock_guard<std::mutex> guard(fLock);
    if (!fOnBus || fOutput.empty())
        return false;
    message = std::move(fOutput.front());
    fOutput.pop_front();
    return true;
}

bool CVirtualInstrument::HasBulkIn() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fOnBus && !fOutput.empty();
}

bool CVirtualInstrument::TakeInterrupt(std::vector<uint8_t>& packet)
{
    std::lock_guard<std::mutex> guard(fLock);
    if (!fOnBus || !fInterruptDue)
        return false;
    fInterruptDue = false;
    packet.assign(16, 0);
    packet[0] = 0x01;
    if (fConfig.mInterruptFailure)
        fInterruptHalted = true;
    return true;
}

bool CVirtualInstrument::IsInterruptHalted() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fInterruptHalted;
}

void CVirtualInstrument::ResetDevice(int32_t nowMs)
{
    std::lock_guard<std::mutex> guard(fLock);
    fInterruptHalted = false;
    fDeaf = fConfig.mDeafAfterResetMs > 0;
    fDeafUntil = After(nowMs, fConfig.mDeafAfterResetMs);
}

CVirtualInstrument::EOpenAnswer CVirtualInstrument::AnswerOpen()
{
    std::lock_guard<std::mutex> guard(fLock);
    if (fConfig.mPermissionDenied)
        return kOpenDenied;
    if (fConfig.mBusyAttempts < 0)
        return kOpenBusy;
    if (fBusyLeft > 0)
    {
        --fBusyLeft;
        return kOpenBusy;
    }
    return kOpenOK;
}

void CVirtualInstrument::Advance(int32_t nowMs)
{
    std::lock_guard<std::mutex> guard(fLock);
    if (fHolding && Reached(nowMs, fHoldUntil))
    {
        fHolding = false;
        for (auto& m : fHeld)
            fOutput.push_back(std::move(m));
        fHeld.clear();
    }
    if (fStream == kFlashing)
    {
        int32_t duration = std::max<int32_t>(fConfig.mFlashMs, 0);
        int32_t step = std::max<int32_t>(fConfig.mFlashStepMs, 1);
        int32_t end = After(fFlashStart, duration);
        while (Reached(nowMs, fNextFlashStep) && !Reached(fNextFlashStep, end))
        {
            int32_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(fNextFlashStep) -
                                                   static_cast<uint32_t>(fFlashStart));
            QueueProgress(static_cast<uint16_t>(50 + int64_t(elapsed) * 50 / duration));
            fNextFlashStep = After(fNextFlashStep, step);
        }
        if (Reached(nowMs, end))
        {
            QueueProgress(100);
            QueueStatus(false, "Loading new OS...");
            fOSVersion = fNewVersion;
            fOSBuild = fNewBuild;
            ++fStats.mInstalls;
            fStream = kIdle;
            ScheduleLeave(end, false);
        }
    }
    if (fLeavePending && Reached(nowMs, fLeaveAt))
    {
        fLeavePending = false;
        fOnBus = false;
        fOutput.clear();
        fHeld.clear();
        fHolding = false;
        fStream = kIdle;
        if (!fConfig.mNoReturn)
        {
            fReturnPending = true;
            fReturnAt = After(fLeaveAt, fConfig.mRebootDelayMs);
        }
    }
    if (fReturnPending && Reached(nowMs, fReturnAt))
    {
        fReturnPending = false;
        fOnBus = true;
        ++fGeneration;
        ++fStats.mReboots;
        fUpdaterMode = fReturnUpdater;
        fLastPercent = 0xFFFF;
    }
}

bool CVirtualInstrument::NextDue(int32_t& dueMs) const
{
    std::lock_guard<std::mutex> guard(fLock);
    bool have = false;
    auto consider = [&](int32_t when)
    {
        if (!have || !Reached(when, dueMs))
            dueMs = when;
        have = true;
    };
    if (fStream == kFlashing)
    {
        consider(fNextFlashStep);
        consider(After(fFlashStart, std::max<int32_t>(fConfig.mFlashMs, 0)));
    }
    if (fHolding)
        consider(fHoldUntil);
    if (fLeavePending)
        consider(fLeaveAt);
    if (fReturnPending)
        consider(fReturnAt);
    return have;
}

bool CVirtualInstrument::IsOnBus() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fOnBus;
}

uint32_t CVirtualInstrument::GetBusGeneration() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fGeneration;
}

void CVirtualInstrument::Unplug()
{
    std::lock_guard<std::mutex> guard(fLock);
    fOnBus = false;
    fOutput.clear();
    fHeld.clear();
    fHolding = false;
    fStream = kIdle;
    fLeavePending = fReturnPending = false;
}

void CVirtualInstrument::Plug()
{
    std::lock_guard<std::mutex> guard(fLock);
    if (fOnBus)
        return;
    fOnBus = true;
    ++fGeneration;
}

SVirtualInstrumentConfig CVirtualInstrument::GetConfig() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fConfig;
}

CVirtualInstrument::SStatistics CVirtualInstrument::GetStatistics() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fStats;
}

std::vector<uint8_t> CVirtualInstrument::GetReceivedImage() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fImage;
}

bool CVirtualInstrument::IsUpdaterMode() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fUpdaterMode;
}

uint16_t CVirtualInstrument::GetOSVersion() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fOSVersion;
}

uint16_t CVirtualInstrument::GetOSBuild() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fOSBuild;
}

void CVirtualInstrument::SetFaults(const SVirtualInstrumentConfig& config)
{
    std::lock_guard<std::mutex> guard(fLock);
    SVirtualInstrumentConfig kept = fConfig;
    fConfig = config;
    fConfig.mVendor = kept.mVendor;
    fConfig.mProduct = kept.mProduct;
    fConfig.mLocation = kept.mLocation;
    fConfig.mEndpoints = kept.mEndpoints;
    fConfig.mHasInterface = kept.mHasInterface;
    fBusyLeft = config.mBusyAttempts > 0 ? config.mBusyAttempts : 0;
    if (config.mInterruptFailure && !fInterruptHalted)
        fInterruptDue = true;
}

} // namespace NSPlatform
