// The framework's assertion-failure report.
#pragma once

namespace NSWayfarer
{

// Shows the report and returns the item the user chose (1 goes on). The
// window layer installs one that shows caution alert 10004; without it the
// report goes to standard error and the program goes on.
using TVerifyReporter = short (*)(const char* text);
void SetVerifyReporter(TVerifyReporter reporter);

// Reports "Verify failed: <text>, line <line>" with the application's resource
// file current; unless the answer is item 1, stops in the debugger (SIGTRAP).
void _Verify(const char* text, unsigned line);

} // namespace NSWayfarer
