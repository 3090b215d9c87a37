// A piece of work the application runs once when it shuts down (after CleanUp),
// for modules that hold something the process must give back on the way out.
#pragma once

namespace NSWayfarer
{

class CExitTask
{
public:
    virtual ~CExitTask() = default;
    virtual void DoCleanup() = 0;
};

} // namespace NSWayfarer
