#include "platform/usb/CUsbEventSource.h"

namespace NSPlatform
{

void CUsbEventSource::Post(TWork work)
{
    {
        std::lock_guard<std::mutex> guard(fLock);
        if (fStopped)
            return;
        fWork.push_back(std::move(work));
    }
    fWake.notify_one();
}

void CUsbEventSource::Run()
{
    std::unique_lock<std::mutex> guard(fLock);
    for (;;)
    {
        fWake.wait(guard, [this] { return fStopped || !fWork.empty(); });
        if (fStopped)
            return;
        TWork work = std::move(fWork.front());
        fWork.pop_front();
        guard.unlock();
        work();
        guard.lock();
    }
}

void CUsbEventSource::Stop()
{
    {
        std::lock_guard<std::mutex> guard(fLock);
        fStopped = true;
        fWork.clear();
    }
    fWake.notify_all();
}

bool CUsbEventSource::IsStopped() const
{
    std::lock_guard<std::mutex> guard(fLock);
    return fStopped;
}

} // namespace NSPlatform
