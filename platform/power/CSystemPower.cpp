#include "platform/power/CSystemPower.h"

#include "platform/CMainEventQueue.h"

#include <fcntl.h>
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace NSPlatform
{

namespace
{
constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kWho = "Kelt Podium LX OS Update";
} // namespace

struct CSystemPower::SImpl
{
    sd_bus* mBus = nullptr;
    sd_bus_slot* mSlot = nullptr;
    int mWatch = -1;
    int mIdleFD = -1;
    int mSleepFD = -1;
    TCallback mCallback;

    ~SImpl()
    {
        if (mWatch >= 0)
            CMainEventQueue::Main().RemoveWatch(mWatch);
        sd_bus_slot_unref(mSlot);
        sd_bus_flush_close_unref(mBus);
        if (mIdleFD >= 0)
            close(mIdleFD);
        if (mSleepFD >= 0)
            close(mSleepFD);
    }

    // An inhibitor lock: a descriptor logind watches; closing it lets go.
    int Inhibit(const char* what, const char* why, const char* mode)
    {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        int fd = -1;
        if (sd_bus_call_method(mBus, kLogind, kLogindPath, kLogindManager, "Inhibit", &error,
                               &reply, "ssss", what, kWho, why, mode) >= 0)
        {
            int borrowed = -1;
            if (sd_bus_message_read(reply, "h", &borrowed) >= 0 && borrowed >= 0)
                fd = fcntl(borrowed, F_DUPFD_CLOEXEC, 3);
        }
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        return fd;
    }

    void TakeSleepDelay()
    {
        if (mSleepFD < 0)
            mSleepFD = Inhibit("sleep", "Closing the connection to the instrument", "delay");
    }

    void ReleaseSleepDelay()
    {
        if (mSleepFD >= 0)
        {
            close(mSleepFD);
            mSleepFD = -1;
        }
    }

    void Process()
    {
        while (mBus && sd_bus_process(mBus, nullptr) > 0)
        {
        }
    }

    static int OnPrepareForSleep(sd_bus_message* message, void* userdata, sd_bus_error*)
    {
        auto* self = static_cast<SImpl*>(userdata);
        int sleeping = 0;
        if (sd_bus_message_read(message, "b", &sleeping) < 0)
            return 0;
        // Nothing may unwind through sd-bus; the owner's failure ends its own
        // reaction only.
        try
        {
            if (sleeping)
            {
                self->mCallback(kSystemWillSleep, 0);
            }
            else
            {
                // Ready for the next sleep before the owner reacts to this wake.
                self->TakeSleepDelay();
                self->mCallback(kSystemHasPoweredOn, 0);
            }
        }
        catch (...)
        {
            // The sleep comes all the same; holding it back would only delay it.
            if (sleeping)
                self->ReleaseSleepDelay();
        }
        return 0;
    }
};

CSystemPower::CSystemPower(std::unique_ptr<SImpl> impl) : fImpl(std::move(impl)) {}

CSystemPower::~CSystemPower() = default;

std::unique_ptr<CSystemPower> CSystemPower::Register(TCallback callback)
{
    auto impl = std::make_unique<SImpl>();
    impl->mCallback = std::move(callback);
    if (sd_bus_open_system(&impl->mBus) < 0)
    {
        impl->mBus = nullptr;
        return nullptr;
    }
    impl->mIdleFD = impl->Inhibit("idle", "Updating the instrument's OS", "block");
    if (impl->mIdleFD < 0)
        return nullptr; // no logind on this bus
    impl->TakeSleepDelay();
    if (sd_bus_match_signal(impl->mBus, &impl->mSlot, kLogind, kLogindPath, kLogindManager,
                            "PrepareForSleep", &SImpl::OnPrepareForSleep, impl.get()) < 0)
        return nullptr;
    int fd = sd_bus_get_fd(impl->mBus);
    if (fd >= 0)
    {
        SImpl* raw = impl.get();
        impl->mWatch =
            CMainEventQueue::Main().AddWatch(fd, POLLIN, [raw](short) { raw->Process(); });
    }
    // Replies to the calls above may have brought signals along.
    impl->Process();
    return std::unique_ptr<CSystemPower>(new CSystemPower(std::move(impl)));
}

void CSystemPower::AllowPowerChange(intptr_t)
{
    fImpl->ReleaseSleepDelay();
}

void CSystemPower::CancelPowerChange(intptr_t)
{
    // Idle sleep is blocked for as long as the idle inhibitor is held.
}

bool CSystemPower::HoldsIdleBlock() const
{
    return fImpl->mIdleFD >= 0;
}

bool CSystemPower::HoldsSleepDelay() const
{
    return fImpl->mSleepFD >= 0;
}

void CSystemPower::ProcessPending()
{
    fImpl->Process();
}

} // namespace NSPlatform
