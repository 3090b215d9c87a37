#include "platform/CMeasureTrace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace NSPlatform
{

namespace
{

struct STrace
{
    STrace()
    {
        const char* path = std::getenv("KELT_MEASURE_TRACE");
        if (!path || !*path)
            return;
        mFile = std::fopen(path, "w");
        if (mFile)
            std::setvbuf(mFile, nullptr, _IOFBF, 1 << 16);
    }
    ~STrace()
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (mFile)
            std::fclose(mFile);
        mFile = nullptr;
    }

    std::mutex mLock;
    std::FILE* mFile = nullptr;
    int64_t mWaitEnded = -1;
};

STrace& Trace()
{
    // Built on first use, so a line written during start-up finds it.
    static STrace trace;
    return trace;
}

} // namespace

bool CMeasureTrace::IsOn()
{
    static const bool on = Trace().mFile != nullptr;
    return on;
}

int64_t CMeasureTrace::NowUS()
{
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void CMeasureTrace::Write(const char* kind, const char* format, ...)
{
    if (!IsOn())
        return;
    STrace& trace = Trace();
    const int64_t now = NowUS();
    std::lock_guard<std::mutex> guard(trace.mLock);
    if (!trace.mFile)
        return;
    std::fprintf(trace.mFile, "%lld %s ", static_cast<long long>(now), kind);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(trace.mFile, format, arguments);
    va_end(arguments);
    std::fputc('\n', trace.mFile);
}

void CMeasureTrace::Flush()
{
    if (!IsOn())
        return;
    STrace& trace = Trace();
    std::lock_guard<std::mutex> guard(trace.mLock);
    if (trace.mFile)
        std::fflush(trace.mFile);
}

void CMeasureTrace::WaitBegins()
{
    if (!IsOn())
        return;
    STrace& trace = Trace();
    int64_t worked;
    {
        std::lock_guard<std::mutex> guard(trace.mLock);
        // A wait nested in a turn (a modal loop) ends that turn; its own turns count alone.
        worked = trace.mWaitEnded >= 0 ? NowUS() - trace.mWaitEnded : -1;
        trace.mWaitEnded = -1;
    }
    if (worked >= 0)
        Write("turn", "%lld", static_cast<long long>(worked));
}

void CMeasureTrace::WaitEnds()
{
    if (!IsOn())
        return;
    STrace& trace = Trace();
    std::lock_guard<std::mutex> guard(trace.mLock);
    trace.mWaitEnded = NowUS();
}

} // namespace NSPlatform
