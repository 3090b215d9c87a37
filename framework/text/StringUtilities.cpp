#include "framework/text/StringUtilities.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace NSWayfarer
{

namespace
{

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsIn(char c, const char* set)
{
    return c != 0 && std::strchr(set, c) != nullptr;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int ToLower(char c)
{
    return std::tolower(static_cast<unsigned char>(c));
}

// Unicode of Mac Roman 0x80-0xFF.
constexpr std::array<uint16_t, 128> kMacRomanUnicode = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x00A4, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

struct SCharsetTables
{
    std::array<uint8_t, 128> mMacToWin{};
    std::array<uint8_t, 128> mWinToMac{};
};

// Same character where the other set has it, '?' where it lacks it, with the mappings
// that the two platforms have always used for the near-misses.
SCharsetTables BuildTables()
{
    SCharsetTables t;
    t.mMacToWin.fill('?');
    t.mWinToMac.fill('?');
    for (int mac = 0; mac < 128; ++mac)
    {
        const uint16_t u = kMacRomanUnicode[mac];
        if (u >= 0x80 && u <= 0xFF)
        {
            t.mMacToWin[mac] = static_cast<uint8_t>(u);
            t.mWinToMac[u - 0x80] = static_cast<uint8_t>(mac + 0x80);
        }
    }
    const uint8_t macToWin[][2] = {{0xA5, 0xB7}, {0xCA, 0x3F}, {0xD0, 0xAD}, {0xD1, 0xAF},
                                   {0xD8, 0x3F}, {0xDB, 0xA4}, {0xE1, 0x3F}, {0xF5, 0xB9},
                                   {0xF8, 0x3F}, {0xFC, 0x3F}};
    for (const auto& pair : macToWin)
        t.mMacToWin[pair[0] - 0x80] = pair[1];
    const uint8_t winToMac[][2] = {{0xA0, 0x3F}, {0xA4, 0xDB}, {0xAD, 0xD0}, {0xAF, 0xD1},
                                   {0xB7, 0xA5}, {0xB8, 0x3F}, {0xB9, 0xF5}, {0xFF, 0x3F}};
    for (const auto& pair : winToMac)
        t.mWinToMac[pair[0] - 0x80] = pair[1];
    return t;
}

const SCharsetTables& Tables()
{
    static const SCharsetTables tables = BuildTables();
    return tables;
}

char MapHigh(char c, const std::array<uint8_t, 128>& table)
{
    const auto b = static_cast<unsigned char>(c);
    return b < 0x80 ? c : static_cast<char>(table[b - 0x80]);
}

void MapBuffer(char* text, const std::array<uint8_t, 128>& table)
{
    for (; *text != 0; ++text)
        *text = MapHigh(*text, table);
}

void MapString(std::string& text, const std::array<uint8_t, 128>& table)
{
    for (char& c : text)
        c = MapHigh(c, table);
}

} // namespace

// --- Conversions between the three forms -------------------------------------------------

void PascalToC(const unsigned char* pascal, char* out)
{
    const size_t length = pascal[0];
    std::memmove(out, pascal + 1, length);
    out[length] = 0;
}

void CToPascal(const char* text, unsigned char* pascal)
{
    const size_t length = std::min<size_t>(std::strlen(text), 255);
    std::memmove(pascal + 1, text, length);
    pascal[0] = static_cast<unsigned char>(length);
}

std::string PascalToString(const unsigned char* pascal)
{
    return std::string(reinterpret_cast<const char*>(pascal + 1), pascal[0]);
}

void StringToPascal(const std::string& text, unsigned char* pascal)
{
    const size_t length = std::min<size_t>(text.size(), 255);
    std::memmove(pascal + 1, text.data(), length);
    pascal[0] = static_cast<unsigned char>(length);
}

long GetPascalStringMemSize(const unsigned char* pascal)
{
    return (long(pascal[0]) + 2) & ~1L;
}

void CopyPascalString(unsigned char* dst, const unsigned char* src)
{
    std::memmove(dst, src, size_t(src[0]) + 1);
}

unsigned long PackStringToLong(const char* text)
{
    unsigned long code = 0;
    bool ended = false;
    for (int i = 0; i < 4; ++i)
    {
        ended = ended || text[i] == 0;
        code = (code << 8) | (ended ? 0 : static_cast<unsigned char>(text[i]));
    }
    return code;
}

void ExpandLongToString(unsigned long code, char* out)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((code >> (8 * (3 - i))) & 0xFF);
    out[4] = 0;
}

std::string ToString(double value, int decimals)
{
    const int length = std::snprintf(nullptr, 0, "%.*lf", decimals, value);
    if (length <= 0)
        return std::string();
    std::string text(size_t(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*lf", decimals, value);
    text.resize(size_t(length));
    return text;
}

// --- Numbers -----------------------------------------------------------------------------

bool StringToLong(const char* text, long* value, long* count)
{
    long i = 0;
    while (text[i] == ' ' || text[i] == ',')
        ++i;
    int32_t sign = 1;
    while (text[i] == '+' || text[i] == '-')
    {
        if (text[i] == '-')
            sign = -sign;
        ++i;
    }
    if (!IsDigit(text[i]))
        return false;
    uint32_t accumulated = 0;
    while (IsDigit(text[i]))
        accumulated = accumulated * 10 + uint32_t(text[i++] - '0');
    *value = static_cast<int32_t>(sign < 0 ? 0u - accumulated : accumulated);
    if (count != nullptr)
        *count = i;
    return true;
}

bool StringToLong(const char* text, long* value)
{
    return StringToLong(text, value, nullptr);
}

bool StringToLong(const std::string& text, long& value, unsigned long& position)
{
    const size_t start = text.find_first_not_of(" ,");
    if (start == std::string::npos)
        return false;
    if (!IsDigit(text[start]) && text[start] != '+' && text[start] != '-')
        return false;
    const size_t digits = text.find_first_not_of("+-", start);
    if (digits == std::string::npos || !IsDigit(text[digits]))
        return false;
    value = std::strtol(text.c_str() + start, nullptr, 10);
    const size_t end = text.find_first_not_of("0123456789", digits);
    position = end == std::string::npos ? text.size() : end;
    return true;
}

bool StringToLong(const std::string& text, long& value)
{
    unsigned long position = 0;
    return StringToLong(text, value, position);
}

bool ExtractIntAndDecimal(const char* text, long* integerPart, long* decimalPart)
{
    *integerPart = 0;
    *decimalPart = 0;
    const std::string whole(text);
    StringToLong(whole.substr(0, whole.find_first_of(".,")).c_str(), integerPart);
    const char* dot = std::strchr(text, '.');
    if (dot == nullptr)
        return false;
    return StringToLong(dot + 1, decimalPart);
}

bool ExtractIntAndDecimal(const std::string& text, long& integerPart, long& decimalPart)
{
    integerPart = 0;
    decimalPart = 0;
    const size_t dot = text.find('.');
    if (dot != 0 && !StringToLong(text.substr(0, dot), integerPart))
        return false;
    if (dot == std::string::npos || dot + 1 == text.size())
        return true;
    return StringToLong(text.substr(dot + 1), decimalPart);
}

void KeepNDigits(char* number, unsigned char digits)
{
    char* p = number;
    while (*p == '0')
        ++p;
    int remaining = digits;
    char* dot = nullptr;
    for (;; ++p)
    {
        if (IsDigit(*p))
        {
            if (remaining > 0)
                --remaining;
        }
        else if (*p == '.')
            dot = p;
        else
            return;
        if (remaining == 0 && dot != nullptr)
            break;
    }
    p[1] = 0;
    char* last = p;
    while (last > dot && *last == '0')
        *last-- = 0;
    if (last == dot)
        *dot = 0;
}

void ValueToHexString(unsigned long value, char* out, unsigned short digits)
{
    const int count = std::min<int>(digits, 8);
    for (int i = 0; i < count; ++i)
        out[i] = kHexDigits[(value >> (4 * (count - 1 - i))) & 0xF];
    out[count] = 0;
}

std::string ValueToHexString(unsigned long value, unsigned short digits)
{
    char buffer[80];
    std::snprintf(buffer, sizeof(buffer), "%0*X", int(std::min<unsigned short>(digits, 64)),
                  static_cast<unsigned>(value & 0xFFFFFFFFul));
    std::string text(buffer);
    if (text.size() > digits)
        text.erase(0, text.size() - digits);
    return text;
}

void DataToHexString(char* out, const unsigned char* data, unsigned char group,
                     unsigned short count)
{
    char* o = out;
    for (unsigned i = 0; i < count; ++i)
    {
        *o++ = kHexDigits[data[i] >> 4];
        *o++ = kHexDigits[data[i] & 0xF];
        if (group != 0 && (i + 1) % group == 0)
            *o++ = ' ';
    }
    *o = 0;
}

std::string DataToHexString(const unsigned char* data, unsigned char group, unsigned short count)
{
    std::string text;
    for (unsigned i = 0; i < count; ++i)
    {
        char pair[3];
        std::snprintf(pair, sizeof(pair), "%02X", data[i]);
        text += pair;
        if (group != 0 && (i + 1) % group == 0)
            text += ' ';
    }
    return text;
}

namespace
{

char BinChar(unsigned char b)
{
    if (b == 0)
        return ' ';
    return std::isprint(b) ? static_cast<char>(b) : static_cast<char>(0xE0);
}

} // namespace

void BinToString(unsigned char* data, char* out, short count)
{
    short i = 0;
    for (; i < count; ++i)
        out[i] = BinChar(data[i]);
    out[i < 0 ? 0 : i] = 0;
}

std::string BinToString(unsigned char* data, short count)
{
    std::string text;
    for (short i = 0; i < count; ++i)
        text += BinChar(data[i]);
    return text;
}

void RemoveUntilDigit(char* text)
{
    const char* first = std::strpbrk(text, "123456789");
    if (first == nullptr)
        std::strcpy(text, "0");
    else
        std::memmove(text, first, std::strlen(first) + 1);
}

void RemoveUntilDigit(std::string& text)
{
    const size_t first = text.find_first_of("123456789");
    if (first == std::string::npos)
        text.assign(1, '0'); // assigning a literal trips a false -Wrestrict in GCC 12 at -O3
    else
        text.erase(0, first);
}

void SpacesToZeros(char* text)
{
    for (; *text != 0; ++text)
        if (*text == ' ')
            *text = '0';
}

void SpacesToZeros(std::string& text)
{
    std::replace(text.begin(), text.end(), ' ', '0');
}

// --- Character sets and line ends --------------------------------------------------------

void ConvertMacToWinString(char* text)
{
    MapBuffer(text, Tables().mMacToWin);
}

void ConvertWinToMacString(char* text)
{
    MapBuffer(text, Tables().mWinToMac);
}

void ConvertMacToWinString(std::string& text)
{
    MapString(text, Tables().mMacToWin);
}

void ConvertWinToMacString(std::string& text)
{
    MapString(text, Tables().mWinToMac);
}

void SuperConvertMacToWinString(char* out, const char* in, long outputSize, long inputCount)
{
    long written = 0;
    for (long i = 0; i < inputCount && in[i] != 0 && written < outputSize; ++i)
    {
        if (in[i] != '\r')
            out[written++] = in[i];
        else if (written + 2 <= outputSize)
        {
            out[written++] = '\r';
            out[written++] = '\n';
        }
    }
    out[written] = 0;
    ConvertMacToWinString(out);
}

void SuperConvertWinToMacString(char* out, const char* in, long outputSize, long inputCount)
{
    long written = 0;
    for (long i = 0; i < inputCount && in[i] != 0 && written < outputSize; ++i)
        if (in[i] != '\n')
            out[written++] = in[i];
    out[written] = 0;
    ConvertWinToMacString(out);
}

std::string SuperConvertMacToWinString(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
    {
        out += c;
        if (c == '\r')
            out += '\n';
    }
    ConvertMacToWinString(out);
    return out;
}

std::string SuperConvertWinToMacString(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\n')
            out += c;
    ConvertWinToMacString(out);
    return out;
}

long IsPCOrMacString(const char* text, long length)
{
    bool sawCR = false;
    for (long i = 0; i < length && text[i] != 0; ++i)
    {
        if (text[i] == '\n')
            return kPCLineEnds;
        sawCR = sawCR || text[i] == '\r';
    }
    return sawCR ? kMacLineEnds : kNoLineEnds;
}

long IsPCOrMacString(const std::string& text)
{
    if (text.find('\n') != std::string::npos)
        return kPCLineEnds;
    return text.find('\r') != std::string::npos ? kMacLineEnds : kNoLineEnds;
}

// --- Character-buffer editing ------------------------------------------------------------

char CopyChars(char* dst, const char* src, long count)
{
    char last = 0;
    long i = 0;
    for (; i < count && src[i] != 0; ++i)
        last = dst[i] = src[i];
    dst[i] = 0;
    return last;
}

void ExtractString(char* dst, char* src, long count)
{
    CopyChars(dst, src, count);
}

void LimitStringSize(char* dst, const char* src, short count)
{
    CopyChars(dst, src, count);
}

void ExtractSubString(const char* src, long start, long end, char* dst)
{
    const long length = long(std::strlen(src));
    start = std::clamp(start, 0L, length);
    end = std::clamp(end, start, length);
    std::memmove(dst, src + start, size_t(end - start));
    dst[end - start] = 0;
}

void ExtractUntil(const char* src, char* dst, const char* stopSet)
{
    const size_t length = std::strcspn(src, stopSet);
    std::memmove(dst, src, length);
    dst[length] = 0;
}

void MakeFixedSizeString(char* dst, const char* src, short count)
{
    if (count < 0)
        count = 0;
    short i = 0;
    for (; i < count && src[i] != 0; ++i)
        dst[i] = src[i];
    for (; i < count; ++i)
        dst[i] = ' ';
    dst[count] = 0;
}

void PadStringToSize(char* text, short size, char pad)
{
    long length = long(std::strlen(text));
    while (length < size)
        text[length++] = pad;
    text[length] = 0;
}

void FillStringWithChar(char* text, char fill, long count)
{
    if (count < 0)
        count = 0;
    std::memset(text, fill, size_t(count));
    text[count] = 0;
}

void InsertIntoString(char* text, long index, char* insert)
{
    const long length = long(std::strlen(text));
    index = std::clamp(index, 0L, length);
    const size_t add = std::strlen(insert);
    std::memmove(text + index + add, text + index, size_t(length - index) + 1);
    std::memmove(text + index, insert, add);
}

void DeleteFromString(char* text, long count)
{
    const long length = long(std::strlen(text));
    count = std::clamp(count, 0L, length);
    std::memmove(text, text + count, size_t(length - count) + 1);
}

void DeleteLeading(char* text, char* set)
{
    DeleteFromString(text, long(std::strspn(text, set)));
}

void DeleteTrailing(char* text, char* set)
{
    size_t length = std::strlen(text);
    while (length > 0 && IsIn(text[length - 1], set))
        text[--length] = 0;
}

void DeleteCharsInTemplate(char* text, char* set)
{
    char* out = text;
    for (const char* in = text; *in != 0; ++in)
        if (!IsIn(*in, set))
            *out++ = *in;
    *out = 0;
}

void ConvertCharsInString(char* text, const char* set, char replacement)
{
    for (; *text != 0; ++text)
        if (IsIn(*text, set))
            *text = replacement;
}

void ReplaceCharsNotInArray(char* text, const char* set, char replacement)
{
    for (; *text != 0; ++text)
        if (!IsIn(*text, set))
            *text = replacement;
}

void RemoveDoubleSpaces(char* dst, char* src)
{
    while (*src == ' ')
        ++src;
    char* out = dst;
    for (; *src != 0; ++src)
        if (*src != ' ' || out == dst || out[-1] != ' ')
            *out++ = *src;
    *out = 0;
}

void StringToUpperCase(char* text)
{
    for (; *text != 0; ++text)
        *text = static_cast<char>(std::toupper(static_cast<unsigned char>(*text)));
}

void GetLineNumber(const char* text, short line, char* out)
{
    const char* p = line < 0 ? nullptr : text;
    if (p == nullptr)
    {
        out[0] = 0;
        return;
    }
    for (short i = 0; i < line; ++i)
    {
        p = std::strchr(p, '\r');
        if (p == nullptr)
        {
            out[0] = 0;
            return;
        }
        ++p;
    }
    ExtractUntil(p, out, "\r");
}

// --- Character-buffer queries ------------------------------------------------------------

bool GetCharPos(const char* text, char c, long* position)
{
    const char* found = c == 0 ? nullptr : std::strchr(text, c);
    if (found == nullptr)
        return false;
    *position = found - text;
    return true;
}

bool IsCharInString(char c, const char* text)
{
    return IsIn(c, text);
}

bool FindSubString(const char* text, const char* sub, long* position)
{
    const char* found = std::strstr(text, sub);
    if (found == nullptr)
    {
        *position = kNotFoundPosition;
        return false;
    }
    *position = found - text;
    return true;
}

short CountCharsOfTemplate(const char* text, const char* set)
{
    short count = 0;
    for (; *text != 0; ++text)
        if (IsIn(*text, set))
            ++count;
    return count;
}

long CountTextLinesInString(const char* text)
{
    return 1 + long(std::count(text, text + std::strlen(text), '\r'));
}

bool AreStringsEqual(char* a, char* b, long count)
{
    return count <= 0 || std::strncmp(a, b, size_t(count)) == 0;
}

bool AreLowerCaseStringsEqual(const char* a, const char* b)
{
    for (; *a != 0 && *b != 0; ++a, ++b)
        if (ToLower(*a) != ToLower(*b))
            return false;
    return *a == 0 && *b == 0;
}

short _CompareTwoIntStrings(char* a, char* b)
{
    const int result = std::strcmp(a, b);
    return short(result < 0 ? -1 : result > 0 ? 1 : 0);
}

// --- Standard-string editing and queries -------------------------------------------------

std::string ExtractUntil(const std::string& text, unsigned long position,
                         const std::string& stopSet)
{
    if (position >= text.size())
        return std::string();
    const size_t end = text.find_first_of(stopSet, position);
    return text.substr(position, end == std::string::npos ? std::string::npos : end - position);
}

void RemoveLeading(std::string& text, const std::string& set)
{
    const size_t first = text.find_first_not_of(set);
    text.erase(0, first == std::string::npos ? text.size() : first);
}

void RemoveTrailing(std::string& text, const std::string& set)
{
    const size_t last = text.find_last_not_of(set);
    text.erase(last == std::string::npos ? 0 : last + 1);
}

void ReplaceCharsOf(std::string& text, const std::string& set, char replacement)
{
    for (char& c : text)
        if (set.find(c) != std::string::npos)
            c = replacement;
}

void ReplaceCharsNotOf(std::string& text, const std::string& set, char replacement)
{
    for (char& c : text)
        if (set.find(c) == std::string::npos)
            c = replacement;
}

void RemoveCharsOf(std::string& text, const std::string& set)
{
    text.erase(std::remove_if(text.begin(), text.end(),
                              [&set](char c) { return set.find(c) != std::string::npos; }),
               text.end());
}

long CountCharsOf(const std::string& text, const std::string& set)
{
    return long(std::count_if(text.begin(), text.end(),
                              [&set](char c) { return set.find(c) != std::string::npos; }));
}

short CountTextLinesInString(const std::string& text)
{
    return short(1 + std::count(text.begin(), text.end(), '\r'));
}

std::string GetLineNumber(const std::string& text, short line)
{
    if (line < 0)
        return std::string();
    size_t start = 0;
    for (short i = 0; i < line; ++i)
    {
        const size_t cr = text.find('\r', start);
        if (cr == std::string::npos)
            return std::string();
        start = cr + 1;
    }
    const size_t end = text.find('\r', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void RemoveDoubleSpaces(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ')
            out += c;
    text.swap(out);
}

void StringToUpperCase(std::string& text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

void StringToLowerCase(std::string& text)
{
    for (char& c : text)
        c = static_cast<char>(ToLower(c));
}

void PadLeft(std::string& text, unsigned long size, char pad)
{
    if (text.size() < size)
        text.insert(0, size - text.size(), pad);
}

void PadRight(std::string& text, unsigned long size, char pad)
{
    if (text.size() < size)
        text.append(size - text.size(), pad);
}

void LimitStringSize(std::string& text, unsigned long size)
{
    if (text.size() > size)
        text.resize(size);
}

void MakeFixedSizeString(std::string& text, unsigned long size)
{
    text.resize(size, ' ');
}

int StringCompareIgnoreCase(const std::string& a, const std::string& b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i)
    {
        const auto ca = static_cast<signed char>(ToLower(a[i]));
        const auto cb = static_cast<signed char>(ToLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace NSWayfarer
