// Feeds arbitrary alert scripts and variables to the alert-script parser: every
// part it hands out must stay within its buffer and keep the script's rules.
//
// Input: the script, then up to five variables, separated by zero bytes (a
// fifth variable checks that a count past the usual four is handled).

#include "framework/windows/CAlertScript.h"
#include "framework/windows/CAlertStringVariable.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using NSWayfarer::CAlertScript;
using NSWayfarer::CAlertStringVariable;

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckMessage(const char* text)
{
    const std::size_t length = std::strlen(text);
    Check(length <= std::size_t(CAlertScript::kMaxMessageLength));
    if (length > 0)
    {
        for (char c : {text[0], text[length - 1]})
            Check(c != '\r' && c != '\n');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i)
    {
        if (data[i] == 0)
        {
            if (parts.size() == 6)
                break;
            parts.emplace_back();
        }
        else
            parts.back() += static_cast<char>(data[i]);
    }

    CAlertStringVariable variables[5];
    const unsigned short count = static_cast<unsigned short>(parts.size() - 1);
    for (unsigned short n = 0; n < count; ++n)
    {
        variables[n].Set(parts[n + 1].c_str());
        const char* text = variables[n].Get();
        Check(std::strlen(text) <= std::size_t(CAlertStringVariable::kMaxLength));
        Check(std::strpbrk(text, "[]^") == nullptr);
    }

    const CAlertScript script(parts[0].c_str(), variables, count);
    Check(script.GetIcon() >= CAlertScript::kStopIcon && script.GetIcon() <= CAlertScript::kNoIcon);
    CheckMessage(script.GetMessage());
    CheckMessage(script.GetSecondMessage());
    Check(script.GetButtonCount() <= CAlertScript::kMaxButtons);
    for (unsigned short slot = 0; slot < CAlertScript::kMaxButtons + 2; ++slot)
    {
        const std::size_t length = std::strlen(script.GetButtonName(slot));
        Check(length <= std::size_t(CAlertScript::kMaxButtonNameLength));
        if (slot >= script.GetButtonCount())
            Check(length == 0);
    }
    // Without a "[" after the tag there is nothing to make a button of (a
    // variable may move a "[" of the script out of the tag, so only without).
    if (count == 0 && (parts[0].size() <= std::size_t(CAlertScript::kTagLength) ||
                       parts[0].find('[', CAlertScript::kTagLength) == std::string::npos))
        Check(script.GetButtonCount() == 0);
    return 0;
}
