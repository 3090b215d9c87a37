// The queue through which a USB interface delivers its asynchronous completions
// to the thread that runs it (an open port's worker thread).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace NSPlatform
{

class CUsbEventSource
{
public:
    using TWork = std::function<void()>;

    // Any thread. Dropped once the source has been stopped.
    void Post(TWork work);
    // Runs posted work on the calling thread until Stop.
    void Run();
    // Any thread: Run returns after the work it is running; later posts are
    // dropped.
    void Stop();
    bool IsStopped() const;

private:
    mutable std::mutex fLock;
    std::condition_variable fWake;
    std::deque<TWork> fWork;
    bool fStopped = false;
};

} // namespace NSPlatform
