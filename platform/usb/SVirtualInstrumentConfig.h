// How a virtual instrument looks and misbehaves: its identity, its timing and
// the faults tests ask for. Also parses the simulation modes of the updater.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifndef KELT_VENDOR_ID
#define KELT_VENDOR_ID 0xFE0E
#endif
#ifndef KELT_PRODUCT_ID
#define KELT_PRODUCT_ID 8
#endif

namespace NSPlatform
{

struct SVirtualEndpoint
{
    enum EKind : uint8_t
    {
        kInterruptIn,
        kBulkIn,
        kBulkOut
    };
    EKind mKind;
    uint8_t mAddress; // with the direction bit (0x80 for in)
};

struct SVirtualInstrumentConfig
{
    // Interrupt-in 0x81, bulk-in 0x82, bulk-out 0x02, in that order.
    static std::vector<SVirtualEndpoint> DefaultEndpoints();

    // Identity.
    uint16_t mVendor = KELT_VENDOR_ID;
    uint16_t mProduct = KELT_PRODUCT_ID;
    uint32_t mLocation = 0x01100000; // bus 1, port 1
    bool mUpdaterMode = false;       // starts in its updater mode
    bool mTestMode = false;          // runs its test mode (reported as mode 2) when not updating
    bool mHasOS = true;              // false: reports OS version 0xFFFF
    uint16_t mOSVersion = 110;
    uint16_t mOSBuild = 1;
    uint16_t mBootVersion = 102;
    uint16_t mProtocolVersion = 1;
    uint32_t mSerialNumber = 4711;
    bool mHasInterface = true;
    // The answer to a status request (at most 31 bytes, any but 0); empty: the
    // mode's own ("Ready", "Update mode", "Test mode").
    std::string mStatusText = {};
    bool mStatusError = false; // that answer is flagged as an error
    std::vector<SVirtualEndpoint> mEndpoints = DefaultEndpoints();

    // Timing, in milliseconds of the platform clock (the manual clock in tests).
    int32_t mLeaveDelayMs = 100;   // from a reboot request or "Loading" to leaving the bus
    int32_t mRebootDelayMs = 1500; // from leaving the bus to coming back
    int32_t mFlashMs = 2000;       // writing the image to flash after the save message
    int32_t mFlashStepMs = 100;    // progress reports while flashing
    // After a device reset the firmware needs this long before it takes frames;
    // frames arriving sooner are lost without an answer.
    int32_t mDeafAfterResetMs = 0;

    // Faults.
    int32_t mBusyAttempts = 0;      // opens answered "held by another program"; -1: all
    bool mPermissionDenied = false; // the device node may not be opened
    bool mNoReturn = false;         // never comes back after leaving the bus
    int32_t mRemoveAtMessage = -1;  // leaves the bus on receiving frame N (0-based)
    int32_t mStopAnsweringAt = -1;  // from frame N on, answers nothing
    bool mGarbageReplies = false;   // answers with bytes of no known message
    bool mTruncatedReplies = false; // answers with messages cut short
    bool mInterruptFailure = false; // sends one interrupt packet, then the pipe halts
    // Faults at one frame N, counting every bulk-out transfer from 0 (including
    // lost and failed ones).
    int32_t mWriteFailAtMessage = -1;   // the transfer of frame N fails; the frame is lost
    int32_t mCorruptAtMessage = -1;     // frame N arrives with a broken CRC
    int32_t mGarbageAtMessage = -1;     // the answer to frame N (or one extra message) is garbage
    int32_t mShortAtMessage = -1;       // the answer to frame N (or one extra message) is cut short
    int32_t mHoldRepliesAtMessage = -1; // from frame N on, answers come only mHoldMs later
    int32_t mHoldMs = 3000;

    // The updater's --simulate modes (with the firmware's start-up pause after a
    // reset, as a real instrument has): "normal" (running OS 1.10), "updater" (already
    // in its updater mode), "no-os" (updater mode, no OS), "busy" (held by another
    // program), "no-return" (never comes back after the reboot request), "unplug"
    // (leaves the bus in the middle of the transfer), "odd-text" (updater mode, its
    // status answer is an error text with quotes, backslashes, control characters
    // and bytes that are not UTF-8). False for an unknown mode.
    static bool ParseSimulateMode(const std::string& mode, SVirtualInstrumentConfig& config);
    // The modes, separated by '|', for usage texts.
    static const char* SimulateModes();
    // The status text of "odd-text".
    static const char* OddStatusText();
};

} // namespace NSPlatform
