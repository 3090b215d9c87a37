#include "Portable/Console/CJsonObject.h"

namespace
{

constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

void AppendUnicodeEscape(std::string& out, unsigned code)
{
    static const char kHex[] = "0123456789abcdef";
    out += "\\u00";
    out += kHex[(code >> 4) & 0xF];
    out += kHex[code & 0xF];
}

// The length of the well-formed UTF-8 sequence at text[at] (lead byte at or above
// 0x80), or 0 when it is not one. consumed receives how many bytes belong to the
// broken sequence (its maximal valid prefix), which then stands for one U+FFFD.
size_t SequenceLength(std::string_view text, size_t at, size_t& consumed)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t need;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        need = 1;
    else if (lead == 0xE0)
        need = 2, low = 0xA0; // no overlong forms
    else if (lead == 0xED)
        need = 2, high = 0x9F; // no surrogates
    else if (lead >= 0xE1 && lead <= 0xEF)
        need = 2;
    else if (lead == 0xF0)
        need = 3, low = 0x90;
    else if (lead == 0xF4)
        need = 3, high = 0x8F; // nothing above U+10FFFF
    else if (lead >= 0xF1 && lead <= 0xF3)
        need = 3;
    else
    {
        consumed = 1;
        return 0;
    }
    size_t got = 0;
    size_t next = at + 1;
    while (got < need && next < text.size())
    {
        const auto c = static_cast<unsigned char>(text[next]);
        if (c < low || c > high)
            break;
        low = 0x80;
        high = 0xBF;
        ++got;
        ++next;
    }
    consumed = next - at;
    return got == need ? consumed : 0;
}

} // namespace

void CJsonObject::AppendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    size_t at = 0;
    while (at < text.size())
    {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c < 0x80)
        {
            if (c == '"' || c == '\\')
            {
                out += '\\';
                out += static_cast<char>(c);
            }
            else if (c < 0x20 || c == 0x7F)
                AppendUnicodeEscape(out, c);
            else
                out += static_cast<char>(c);
            ++at;
            continue;
        }
        size_t consumed = 0;
        const size_t length = SequenceLength(text, at, consumed);
        if (length == 0)
            out += kReplacement;
        else if (c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0)
            // The C1 controls: allowed raw in JSON, but a terminal acts on them.
            AppendUnicodeEscape(out, static_cast<unsigned char>(text[at + 1]));
        else
            out.append(text.substr(at, length));
        at += consumed;
    }
    out += '"';
}

void CJsonObject::AppendKey(std::string_view key)
{
    if (!fMembers.empty())
        fMembers += ',';
    AppendQuoted(fMembers, key);
    fMembers += ':';
}

CJsonObject& CJsonObject::AddString(std::string_view key, std::string_view text)
{
    AppendKey(key);
    AppendQuoted(fMembers, text);
    return *this;
}

CJsonObject& CJsonObject::AddNumber(std::string_view key, int64_t number)
{
    AppendKey(key);
    fMembers += std::to_string(number);
    return *this;
}

CJsonObject& CJsonObject::AddBool(std::string_view key, bool value)
{
    AppendKey(key);
    fMembers += value ? "true" : "false";
    return *this;
}

CJsonObject& CJsonObject::AddNull(std::string_view key)
{
    AppendKey(key);
    fMembers += "null";
    return *this;
}

std::string CJsonObject::GetText() const
{
    return "{" + fMembers + "}";
}
