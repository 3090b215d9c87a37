#include "platform/CMainEventQueue.h"

#include "platform/CMeasureTrace.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace NSPlatform
{

CMainEventQueue::CMainEventQueue()
{
    fWakeFD = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fWakeFD < 0)
        throw std::runtime_error("cannot create the main event queue's wake-up descriptor");
}

CMainEventQueue::~CMainEventQueue()
{
    if (fWakeFD >= 0)
        ::close(fWakeFD);
}

CMainEventQueue& CMainEventQueue::Main()
{
    static CMainEventQueue gMain;
    return gMain;
}

void CMainEventQueue::Post(TWork work)
{
    {
        std::lock_guard<std::mutex> guard(fLock);
        fPosted.push_back(std::move(work));
    }
    WakeFromSignal();
}

void CMainEventQueue::WakeFromSignal()
{
    const uint64_t one = 1;
    // A signal handler must leave errno as it found it: the interrupted thread may be
    // about to look at it (the wait's own EINTR check, for one).
    const int savedErrno = errno;
    // A full counter (EAGAIN) already means "wake up", so the result needs no check.
    ssize_t written = ::write(fWakeFD, &one, sizeof one);
    (void)written;
    errno = savedErrno;
}

int CMainEventQueue::AddWatch(int fd, short pollEvents, TWatchHandler onReady)
{
    std::lock_guard<std::mutex> guard(fLock);
    const int id = fNextWatchId++;
    fWatches.push_back({id, fd, pollEvents, std::make_shared<TWatchHandler>(std::move(onReady))});
    return id;
}

void CMainEventQueue::RemoveWatch(int id)
{
    std::lock_guard<std::mutex> guard(fLock);
    std::erase_if(fWatches, [id](const SWatch& w) { return w.mId == id; });
}

void CMainEventQueue::Clear()
{
    std::lock_guard<std::mutex> guard(fLock);
    fPosted.clear();
    fWatches.clear();
    DrainWakeCounter();
}

void CMainEventQueue::DrainWakeCounter()
{
    uint64_t count = 0;
    ssize_t got = ::read(fWakeFD, &count, sizeof count);
    (void)got;
}

int CMainEventQueue::RunPosted()
{
    std::vector<TWork> batch;
    {
        std::lock_guard<std::mutex> guard(fLock);
        batch.swap(fPosted);
    }
    // Work posted while this batch runs waits for the next pass, so a handler
    // that posts again cannot starve the caller.
    size_t next = 0;
    try
    {
        while (next < batch.size())
            batch[next++]();
    }
    catch (...)
    {
        // The failure ends this piece of work only: what the batch still held goes
        // back to the front of the queue, ahead of anything posted meanwhile.
        {
            std::lock_guard<std::mutex> guard(fLock);
            fPosted.insert(fPosted.begin(), std::make_move_iterator(batch.begin() + next),
                           std::make_move_iterator(batch.end()));
        }
        if (next < batch.size())
            WakeFromSignal();
        throw;
    }
    return static_cast<int>(batch.size());
}

int CMainEventQueue::WaitAndDispatch(int timeoutMs)
{
    std::vector<pollfd> fds;
    std::vector<std::pair<int, std::shared_ptr<TWatchHandler>>> handlers;
    bool havePosted;
    {
        std::lock_guard<std::mutex> guard(fLock);
        havePosted = !fPosted.empty();
        fds.push_back({fWakeFD, POLLIN, 0});
        for (const auto& w : fWatches)
        {
            fds.push_back({w.mFD, w.mEvents, 0});
            handlers.emplace_back(w.mId, w.mHandler);
        }
    }

    const size_t ownCount = fds.size();
    CJoinedSource* joined = fJoined;
    if (joined && joined->Prepare(fds, timeoutMs))
        havePosted = true;

    const bool traced = this == &Main() && CMeasureTrace::IsOn();
    if (traced)
        CMeasureTrace::WaitBegins();
    int ready = ::poll(fds.data(), fds.size(), havePosted ? 0 : timeoutMs);
    if (traced)
        CMeasureTrace::WaitEnds();
    const bool failed = ready < 0 && errno != EINTR;
    // The joined source hears about every wait it prepared, also a failed or empty one.
    int ran = joined ? joined->Dispatch(fds.data() + ownCount, fds.size() - ownCount) : 0;
    if (failed)
        throw std::runtime_error("waiting for events failed");

    if (ready > 0 && (fds[0].revents & POLLIN))
        DrainWakeCounter();

    ran += RunPosted();
    if (ready <= 0)
        return ran;

    for (size_t i = 1; i < ownCount; ++i)
    {
        if (fds[i].revents == 0)
            continue;
        // A handler may have removed this watch (or others) meanwhile.
        bool stillWatched;
        {
            std::lock_guard<std::mutex> guard(fLock);
            const int id = handlers[i - 1].first;
            stillWatched = std::any_of(fWatches.begin(), fWatches.end(),
                                       [id](const SWatch& w) { return w.mId == id; });
        }
        if (!stillWatched)
            continue;
        (*handlers[i - 1].second)(fds[i].revents);
        ++ran;
    }
    return ran;
}

} // namespace NSPlatform
