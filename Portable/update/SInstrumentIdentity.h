// What the instrument said about itself in its last version message, kept for
// front ends that report it field by field rather than as a status line.
#pragma once

#include <cstdint>
#include <string>

struct SInstrumentIdentity
{
    static constexpr uint16_t kNoOS = 0xFFFF;

    std::string mProduct;        // the name it is shown by (from product code and variant)
    uint8_t mMode = 0;           // 1: its updater mode, 2: test mode, other: its OS runs
    uint16_t mOSVersion = kNoOS; // kNoOS: no OS installed
    uint16_t mOSBuild = 0;
    uint16_t mBootVersion = 0;
    uint32_t mSerialNumber = 0;
    std::string mRemark; // the error remark shown with it: empty or "(text)"

    bool HasOS() const { return mOSVersion != kNoOS; }
    // "updater", "test" or "os".
    const char* GetModeName() const;
    // Worded as the OS image's own version text ("OS version 1.10", odd versions with
    // ", build N"), so the two compare directly; "no OS" without one.
    std::string GetOSVersionText() const;
};
