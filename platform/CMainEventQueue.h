// The main thread's wait for events: other threads post work to it and wake it,
// and file descriptors (USB, the system bus, signals) are watched while it waits.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <poll.h>
#include <vector>

namespace NSPlatform
{

class CMainEventQueue
{
public:
    using TWork = std::function<void()>;
    using TWatchHandler = std::function<void(short revents)>;

    // A second event source that joins the same wait (the window system's main
    // context), so one poll covers posted work, watches and the window system.
    class CJoinedSource
    {
    public:
        virtual ~CJoinedSource() = default;
        // Before the wait: appends the descriptors to watch and may shorten
        // timeoutMs (negative: no limit). True when something is ready already.
        virtual bool Prepare(std::vector<pollfd>& fds, int& timeoutMs) = 0;
        // After the wait, always, with the descriptors Prepare appended and their
        // results; returns how many events it delivered.
        virtual int Dispatch(pollfd* fds, size_t count) = 0;
    };

    CMainEventQueue();
    ~CMainEventQueue();
    CMainEventQueue(const CMainEventQueue&) = delete;
    CMainEventQueue& operator=(const CMainEventQueue&) = delete;

    // The process-wide queue of the main thread.
    static CMainEventQueue& Main();

    // Any thread: queues work for the waiting thread and wakes it.
    void Post(TWork work);

    // Async-signal-safe: only wakes the wait, so a signal handler that set a
    // flag gets the flag looked at promptly.
    void WakeFromSignal();

    // Waiting thread only. The handler runs when poll() reports any of
    // pollEvents (or an error) on fd. Returns an id for RemoveWatch.
    int AddWatch(int fd, short pollEvents, TWatchHandler onReady);

    // Waiting thread only; safe from inside any handler.
    void RemoveWatch(int id);

    // Waits at most timeoutMs (0: do not wait, negative: no limit) for posted
    // work or a ready watch, runs everything ready on the calling thread and
    // returns how many ran; 0 means nothing came. When posted work throws, the
    // exception comes out of here and the work posted after it stays queued.
    int WaitAndDispatch(int timeoutMs);

    // Waiting thread only; null detaches. The source must outlive its attachment.
    void SetJoinedSource(CJoinedSource* source) { fJoined = source; }
    CJoinedSource* GetJoinedSource() const { return fJoined; }

    // Drops all posted work and watches (tests start from a clean queue).
    void Clear();

private:
    struct SWatch
    {
        int mId;
        int mFD;
        short mEvents;
        std::shared_ptr<TWatchHandler> mHandler;
    };

    int RunPosted();
    void DrainWakeCounter();

    int fWakeFD = -1;
    std::mutex fLock;
    std::vector<TWork> fPosted;
    std::vector<SWatch> fWatches;
    int fNextWatchId = 1;
    CJoinedSource* fJoined = nullptr;
};

} // namespace NSPlatform
