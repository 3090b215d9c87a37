// One JSON object built member by member as text. Strings may hold any bytes:
// control characters are escaped and what is not UTF-8 becomes U+FFFD, so the
// result is always valid JSON in valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CJsonObject
{
public:
    // Distinct names: a string literal would otherwise pick a bool overload.
    CJsonObject& AddString(std::string_view key, std::string_view text);
    CJsonObject& AddNumber(std::string_view key, int64_t number);
    CJsonObject& AddBool(std::string_view key, bool value);
    CJsonObject& AddNull(std::string_view key);

    // The object, "{...}", without a line end.
    std::string GetText() const;

    // Appends text as a quoted JSON string.
    static void AppendQuoted(std::string& out, std::string_view text);

private:
    void AppendKey(std::string_view key);

    std::string fMembers;
};
