#include "framework/application/Verify.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/CMacResSaver.h"
#include "platform/resources/CResourceManager.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace NSWayfarer
{

namespace
{

std::atomic<TVerifyReporter> gReporter{nullptr};

} // namespace

void SetVerifyReporter(TVerifyReporter reporter)
{
    gReporter = reporter;
}

void _Verify(const char* text, unsigned line)
{
    char message[512];
    std::snprintf(message, sizeof(message), "Verify failed: %s, line %u", text, line);
    short answer = 1;
    {
        CMacResSaver saver;
        if (CLowLevelApplication* application = CLowLevelApplication::Get())
            NSPlatform::CResourceManager::UseResFile(application->MacGetResourceRefNum());
        if (TVerifyReporter reporter = gReporter.load())
            answer = reporter(message);
        else
            std::fprintf(stderr, "%s\n", message);
    }
    if (answer != 1)
        std::raise(SIGTRAP);
}

} // namespace NSWayfarer
