// The instrument as seen from the USB cable: answers requests, takes an OS image
// stream, checks and "flashes" it, reboots. Knows nothing of the transport; the
// virtual bus and the emulated device below libusb both drive it.
#pragma once

#include "platform/usb/SVirtualInstrumentConfig.h"

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace NSPlatform
{

class CVirtualInstrument
{
public:
    struct SStatistics
    {
        uint32_t mFrames = 0;                  // frames received, good or bad
        uint32_t mCrcErrors = 0;               // frames rejected for length or CRC
        uint32_t mOtherErrors = 0;             // error statuses for anything else
        uint32_t mLostFrames = 0;              // frames that failed or came while it was deaf
        std::map<uint8_t, uint32_t> mMessages; // good frames by message code
        uint32_t mInstalls = 0;                // images taken and flashed
        uint32_t mReboots = 0;                 // times it left the bus and came back
    };

    explicit CVirtualInstrument(const SVirtualInstrumentConfig& config);

    // Transport side. One bulk-out transfer; each carries exactly one frame.
    // False when the transfer itself fails (the frame is lost).
    bool ReceiveBulkOut(const uint8_t* data, size_t length, int32_t nowMs);
    // One queued message for the bulk-in endpoint; false when none.
    bool TakeBulkIn(std::vector<uint8_t>& message);
    bool HasBulkIn() const;
    // 16 bytes for the interrupt endpoint, when one is due.
    bool TakeInterrupt(std::vector<uint8_t>& packet);
    // True when the interrupt endpoint has halted (a fault).
    bool IsInterruptHalted() const;
    // A device reset clears the halt; the firmware restarts its USB side.
    void ResetDevice(int32_t nowMs);
    // Opening: how an open attempt is answered (0, exclusive access, permission).
    enum EOpenAnswer
    {
        kOpenOK,
        kOpenBusy,
        kOpenDenied
    };
    EOpenAnswer AnswerOpen();

    // Runs what is due by nowMs (leaving, returning, flashing progress).
    void Advance(int32_t nowMs);
    // The earliest time something is due, or false when nothing is scheduled.
    bool NextDue(int32_t& dueMs) const;
    bool IsOnBus() const;
    // Counts every return to the bus, so a transport sees a new device.
    uint32_t GetBusGeneration() const;
    // Leaves the bus now (unplugged by hand); Plug puts it back.
    void Unplug();
    void Plug();

    // Inspection.
    SVirtualInstrumentConfig GetConfig() const;
    SStatistics GetStatistics() const;
    // The bytes of the last OS stream, as reassembled (complete or not).
    std::vector<uint8_t> GetReceivedImage() const;
    bool IsUpdaterMode() const;
    uint16_t GetOSVersion() const; // 0xFFFF without OS
    uint16_t GetOSBuild() const;
    // Changes faults and timing while it runs (identity fields are kept).
    void SetFaults(const SVirtualInstrumentConfig& config);

    // Its own image check (header and section checksums, bounds); false on any
    // fault. version and build receive the header's numbers.
    static bool CheckImage(const std::vector<uint8_t>& image, uint16_t& version, uint16_t& build);
    // CRC-16 of the wire protocol (polynomial 0x1021, initial 0).
    static uint16_t Crc16(const uint8_t* data, size_t length);

private:
    enum EStream
    {
        kIdle,
        kReceiving,
        kEnded,
        kFlashing
    };

    void HandleMessage(const uint8_t* message, size_t length, int32_t nowMs);
    void HandleBegin(const uint8_t* m, size_t length);
    void HandleData(const uint8_t* m, size_t length);
    void HandleEnd(const uint8_t* m, size_t length);
    void HandleSave(const uint8_t* m, size_t length, int32_t nowMs);
    void RejectTransfer(const char* text);
    void NoteError(const char* text);
    void QueueVersion();
    void QueueStatus(bool error, const char* text);
    void QueueProgress(uint16_t percent);
    void QueueMessage(std::vector<uint8_t> message);
    void Fail(const char* text);
    void ScheduleLeave(int32_t nowMs, bool returnInUpdater);

    mutable std::mutex fLock;
    SVirtualInstrumentConfig fConfig;
    SStatistics fStats;
    std::vector<uint8_t> fInput;              // bulk-out bytes not yet framed
    std::deque<std::vector<uint8_t>> fOutput; // bulk-in messages
    std::deque<std::vector<uint8_t>> fHeld;   // answers not given yet (mHoldRepliesAtMessage)
    bool fHolding = false;
    int32_t fHoldUntil = 0;
    enum EMangle
    {
        kIntact,
        kGarbage,
        kShort
    };
    EMangle fMangle = kIntact; // applied to the answers of the frame being handled
    bool fDeaf = false;
    int32_t fDeafUntil = 0;
    bool fInterruptDue = false;
    bool fInterruptHalted = false;
    int32_t fBusyLeft = 0;

    bool fOnBus = true;
    uint32_t fGeneration = 0;
    bool fUpdaterMode = false;
    uint16_t fOSVersion = 0xFFFF;
    uint16_t fOSBuild = 0;

    // Scheduled changes.
    bool fLeavePending = false;
    int32_t fLeaveAt = 0;
    bool fReturnPending = false;
    int32_t fReturnAt = 0;
    bool fReturnUpdater = false;

    // The OS stream.
    EStream fStream = kIdle;
    uint32_t fAnnounced = 0;
    uint16_t fAnnouncedVersion = 0;
    uint16_t fAnnouncedBuild = 0;
    // The first thing that went wrong since the last begin; reported again when the
    // transfer is refused at its save message.
    std::string fTransferError;
    uint32_t fSum = 0;
    uint16_t fLastPercent = 0xFFFF;
    std::vector<uint8_t> fImage;
    int32_t fFlashStart = 0;
    int32_t fNextFlashStep = 0;
    uint16_t fNewVersion = 0;
    uint16_t fNewBuild = 0;
};

} // namespace NSPlatform
