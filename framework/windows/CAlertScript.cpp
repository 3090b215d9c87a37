#include "framework/windows/CAlertScript.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace NSWayfarer
{

namespace
{

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

std::string_view TrimLineBreaks(std::string_view text)
{
    while (!text.empty() && IsLineBreak(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsLineBreak(text.back()))
        text.remove_suffix(1);
    return text;
}

// Copies at most `max` characters and a terminating zero.
void CopyCut(std::string_view text, char* out, std::size_t max)
{
    const std::size_t length = std::min(text.size(), max);
    if (length > 0) // an empty view may have no storage at all
        std::memcpy(out, text.data(), length);
    out[length] = 0;
}

// The text from `from` up to the first `stop` (or the end); `next` becomes the
// position of that character, or npos when there is none.
std::string_view TextUpTo(std::string_view text, std::size_t from, char stop, std::size_t* next)
{
    *next = text.find(stop, from);
    const std::size_t end = *next == std::string_view::npos ? text.size() : *next;
    return text.substr(from, end - from);
}

} // namespace

CAlertScript::CAlertScript(const char* script, const CAlertStringVariable* variables,
                           unsigned short variableCount)
{
    std::string text = script == nullptr ? std::string() : std::string(script);
    for (unsigned short n = 0; n < variableCount && variables != nullptr; ++n)
    {
        char marker[8];
        std::snprintf(marker, sizeof marker, "^%u", unsigned(n));
        const std::size_t at = text.find(marker);
        if (at != std::string::npos)
            text.replace(at, std::strlen(marker), variables[n].Get());
    }
    if (text.size() > std::size_t(kMaxScriptLength))
        text.resize(std::size_t(kMaxScriptLength));
    Parse(text.c_str(), long(text.size()));
}

const char* CAlertScript::GetButtonName(unsigned short slot) const
{
    if (slot >= fButtonCount)
        return "";
    return fButtons[slot];
}

void CAlertScript::Parse(const char* chars, long length)
{
    const std::string_view text(chars, std::size_t(length));
    constexpr std::size_t npos = std::string_view::npos;

    fIcon = kNoIcon;
    std::size_t at = text.size();
    if (text.size() >= std::size_t(kTagLength))
    {
        const std::string_view tag = text.substr(0, kTagLength);
        if (tag == "[STOP]")
            fIcon = kStopIcon;
        else if (tag == "[NOTE]")
            fIcon = kNoteIcon;
        else if (tag == "[WARN]")
            fIcon = kCautionIcon;
        at = kTagLength;
    }

    std::string_view message;
    std::string_view second;
    std::size_t next = npos;
    if (at < text.size() && text[at] == '[')
    {
        message = TextUpTo(text, at + 1, ']', &next);
        if (next != npos)
            second = TextUpTo(text, next + 1, '[', &next);
    }
    else
        message = TextUpTo(text, at, '[', &next);
    CopyCut(TrimLineBreaks(message), fMessage, kMaxMessageLength);
    CopyCut(TrimLineBreaks(second), fSecondMessage, kMaxMessageLength);

    // `next` is at the first button's "[", or npos when there is none.
    std::vector<std::string_view> names;
    while (next != npos)
    {
        std::size_t close;
        names.push_back(TextUpTo(text, next + 1, ']', &close));
        next = close == npos ? npos : text.find('[', close + 1);
    }
    if (names.size() > std::size_t(kMaxButtons))
        names.erase(names.begin(), names.end() - kMaxButtons);
    fButtonCount = static_cast<unsigned short>(names.size());
    for (std::size_t slot = 0; slot < names.size(); ++slot)
        CopyCut(names[names.size() - 1 - slot], fButtons[slot], kMaxButtonNameLength);
}

} // namespace NSWayfarer
