// Sleep and wake of the machine through systemd-logind: the application keeps the
// machine from idling into sleep while it runs, and may finish its work before a
// sleep it cannot prevent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace NSPlatform
{

class CSystemPower
{
public:
    // The messages delivered to the callback, on the main thread.
    static constexpr uint32_t kCanSystemSleep = 0xE0000270; // never sent: the idle block is held
    static constexpr uint32_t kSystemWillSleep = 0xE0000280;
    static constexpr uint32_t kSystemHasPoweredOn = 0xE0000300;

    using TCallback = std::function<void(uint32_t messageType, intptr_t argument)>;

    // Connects to logind on the system bus (DBUS_SYSTEM_BUS_ADDRESS is honoured),
    // takes an idle block inhibitor and a sleep delay inhibitor, and watches
    // PrepareForSleep through the main event queue. Null when there is no system
    // bus or no logind: the application then runs without power notifications.
    static std::unique_ptr<CSystemPower> Register(TCallback callback);
    ~CSystemPower();
    CSystemPower(const CSystemPower&) = delete;
    CSystemPower& operator=(const CSystemPower&) = delete;

    // After kSystemWillSleep: lets the sleep go ahead (drops the delay inhibitor).
    void AllowPowerChange(intptr_t argument);
    // After kCanSystemSleep: refuses it (the idle block already does).
    void CancelPowerChange(intptr_t argument);

    // Tests: whether the inhibitors are held now.
    bool HoldsIdleBlock() const;
    bool HoldsSleepDelay() const;
    // Tests: processes what the bus has ready without the main event queue.
    void ProcessPending();

    struct SImpl;

private:
    explicit CSystemPower(std::unique_ptr<SImpl> impl);
    std::unique_ptr<SImpl> fImpl;
};

} // namespace NSPlatform
