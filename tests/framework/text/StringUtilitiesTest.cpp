#include "framework/text/StringUtilities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace NSWayfarer;

namespace
{

std::string Kept(const char* number, unsigned char digits)
{
    char buffer[64];
    std::strcpy(buffer, number);
    KeepNDigits(buffer, digits);
    return buffer;
}

struct SParsed
{
    bool mOk;
    long mValue;
    long mCount;
};

SParsed Parse(const char* text)
{
    SParsed p{false, -99, -99};
    p.mOk = StringToLong(text, &p.mValue, &p.mCount);
    return p;
}

} // namespace

TEST(StringForms, PascalStringsRoundTripAndAreCappedAt255)
{
    unsigned char pascal[300];
    CToPascal("abc", pascal);
    EXPECT_EQ(pascal[0], 3);
    EXPECT_EQ(GetPascalStringMemSize(pascal), 4);
    EXPECT_EQ(PascalToString(pascal), "abc");
    char text[300];
    PascalToC(pascal, text);
    EXPECT_STREQ(text, "abc");

    StringToPascal("abcd", pascal);
    EXPECT_EQ(GetPascalStringMemSize(pascal), 6);

    const std::string longText(400, 'x');
    StringToPascal(longText, pascal);
    EXPECT_EQ(pascal[0], 255);
    CToPascal(longText.c_str(), pascal);
    EXPECT_EQ(pascal[0], 255);

    // Same buffer in and out.
    char shared[16] = "hello";
    CToPascal(shared, reinterpret_cast<unsigned char*>(shared));
    EXPECT_EQ(shared[0], 5);
    EXPECT_EQ(std::string(shared + 1, 5), "hello");

    unsigned char copy[300];
    CopyPascalString(copy, pascal);
    EXPECT_EQ(PascalToString(copy), longText.substr(0, 255));
}

TEST(StringForms, FourCharacterCodes)
{
    EXPECT_EQ(PackStringToLong("BOOT"), 0x424F4F54ul);
    EXPECT_EQ(PackStringToLong("BMP "), 0x424D5020ul);
    EXPECT_EQ(PackStringToLong("AB"), 0x41420000ul); // nothing read past the terminator
    char out[5];
    ExpandLongToString(0x424F4F54ul, out);
    EXPECT_STREQ(out, "BOOT");
    EXPECT_EQ(ToString(3.14159, 2), "3.14");
    EXPECT_EQ(ToString(1e100, 2).size(), 104u);
}

TEST(StringToLong, BufferFormSkipsSeparatorsAndFoldsSigns)
{
    SParsed p = Parse(" ,-12abc");
    EXPECT_TRUE(p.mOk);
    EXPECT_EQ(p.mValue, -12);
    EXPECT_EQ(p.mCount, 5);
    EXPECT_EQ(Parse("--5").mValue, 5);
    EXPECT_EQ(Parse("+-+7").mValue, -7);
    p = Parse("007");
    EXPECT_EQ(p.mValue, 7);
    EXPECT_EQ(p.mCount, 3);
    EXPECT_EQ(Parse("4294967297").mValue, 1); // 32-bit accumulation wraps
    EXPECT_EQ(Parse("2147483648").mValue, -2147483648L);

    for (const char* bad : {"", "abc", " ", "-", "+ 5"})
    {
        p = Parse(bad);
        EXPECT_FALSE(p.mOk) << bad;
        EXPECT_EQ(p.mValue, -99) << bad;
    }
}

TEST(StringToLong, StandardFormAcceptsOneSignAndReportsTheEnd)
{
    long value = -1;
    unsigned long position = 0;
    EXPECT_TRUE(StringToLong(std::string(" ,42x"), value, position));
    EXPECT_EQ(value, 42);
    EXPECT_EQ(position, 4u);
    EXPECT_TRUE(StringToLong(std::string("--5"), value, position));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(position, 3u);
    EXPECT_TRUE(StringToLong(std::string("-17"), value));
    EXPECT_EQ(value, -17);
    EXPECT_FALSE(StringToLong(std::string(" , "), value));
    EXPECT_FALSE(StringToLong(std::string("x1"), value));
    EXPECT_FALSE(StringToLong(std::string("+-"), value));
}

TEST(StringToLong, IntegerAndDecimalParts)
{
    long i = -1, d = -1;
    EXPECT_TRUE(ExtractIntAndDecimal("1.05", &i, &d));
    EXPECT_EQ(i, 1);
    EXPECT_EQ(d, 5);
    EXPECT_FALSE(ExtractIntAndDecimal("12", &i, &d));
    EXPECT_EQ(i, 12);
    EXPECT_EQ(d, 0);
    EXPECT_FALSE(ExtractIntAndDecimal("3,5", &i, &d)); // cut at the comma, but no '.'
    EXPECT_EQ(i, 3);

    EXPECT_TRUE(ExtractIntAndDecimal(std::string("12"), i, d));
    EXPECT_EQ(i, 12);
    EXPECT_EQ(d, 0);
    EXPECT_TRUE(ExtractIntAndDecimal(std::string(".5"), i, d));
    EXPECT_EQ(i, 0);
    EXPECT_EQ(d, 5);
    EXPECT_TRUE(ExtractIntAndDecimal(std::string("7."), i, d));
    EXPECT_EQ(i, 7);
    EXPECT_FALSE(ExtractIntAndDecimal(std::string("x.5"), i, d));
    EXPECT_FALSE(ExtractIntAndDecimal(std::string("1.x"), i, d));
}

TEST(NumberText, KeepNDigitsShortensOnlyTheFraction)
{
    EXPECT_EQ(Kept("123.456", 4), "123.4");
    EXPECT_EQ(Kept("123.456", 2), "123");
    EXPECT_EQ(Kept("100.5", 1), "100");
    EXPECT_EQ(Kept("12345", 2), "12345");
    EXPECT_EQ(Kept("0.000123", 2), "0");
    EXPECT_EQ(Kept("1.2045", 3), "1.2");
    EXPECT_EQ(Kept("1.5x", 9), "1.5x");
}

TEST(NumberText, HexAndBinaryText)
{
    char out[64];
    ValueToHexString(255, out, 4);
    EXPECT_STREQ(out, "00FF");
    ValueToHexString(0x123456789Aul, out, 12);
    EXPECT_STREQ(out, "3456789A");
    EXPECT_EQ(ValueToHexString(255, 4), "00FF");
    EXPECT_EQ(ValueToHexString(0x12345, 4), "2345");
    EXPECT_EQ(ValueToHexString(0xABC, 1), "C");

    const unsigned char data[4] = {0x01, 0xAB, 0xFF, 0x00};
    DataToHexString(out, data, 2, 3);
    EXPECT_STREQ(out, "01AB FF");
    EXPECT_EQ(DataToHexString(data, 2, 3), "01AB FF");
    EXPECT_EQ(DataToHexString(data, 2, 4), "01AB FF00 ");
    EXPECT_EQ(DataToHexString(data, 0, 2), "01AB");

    unsigned char bytes[4] = {0, 'A', 0x07, 0xC8};
    BinToString(bytes, out, 4);
    EXPECT_EQ(std::string(out), std::string(" A\xE0\xE0"));
    EXPECT_EQ(BinToString(bytes, 2), " A");

    char digits[16] = "a007b";
    RemoveUntilDigit(digits);
    EXPECT_STREQ(digits, "7b");
    std::strcpy(digits, "x00");
    RemoveUntilDigit(digits);
    EXPECT_STREQ(digits, "0");
    std::string s = "--40";
    RemoveUntilDigit(s);
    EXPECT_EQ(s, "40");
    s = " 1 2";
    SpacesToZeros(s);
    EXPECT_EQ(s, "0102");
}

TEST(CharacterSets, HighBytesMapThroughTheTablesAndLowBytesStay)
{
    // Mac Roman e-acute, bullet, en dash, dotless i; then characters ISO lacks.
    char mac[] = "a\x8E\xA5\xD0\xF5\xCA\xD8\xAD";
    ConvertMacToWinString(mac);
    EXPECT_EQ(std::string(mac), std::string("a\xE9\xB7\xAD\xB9??"
                                            "?"));

    char win[] = "\xE9\xB7\xA4\xA0\xFF\x80z";
    ConvertWinToMacString(win);
    EXPECT_EQ(std::string(win), std::string("\x8E\xA5\xDB??"
                                            "?z"));

    // Every ISO letter that Mac Roman has survives the round trip.
    for (int c = 0xC0; c <= 0xFE; ++c)
    {
        if (c == 0xD0 || c == 0xDD || c == 0xDE || c == 0xF0 || c == 0xFD || c == 0xFE || c == 0xD7)
            continue;
        std::string text(1, char(c));
        ConvertWinToMacString(text);
        ConvertMacToWinString(text);
        EXPECT_EQ(text, std::string(1, char(c))) << c;
    }
}

TEST(CharacterSets, LineEndsAreConvertedWithinTheOutputSize)
{
    char out[16];
    SuperConvertMacToWinString(out, "ab\rx", 3, 4);
    EXPECT_STREQ(out, "abx");
    SuperConvertMacToWinString(out, "ab\rx", 10, 4);
    EXPECT_STREQ(out, "ab\r\nx");
    SuperConvertMacToWinString(out, "ab\rx", 10, 2);
    EXPECT_STREQ(out, "ab");
    SuperConvertWinToMacString(out, "a\r\nb\n\xE9", 10, 100);
    EXPECT_STREQ(out, "a\rb\x8E");

    EXPECT_EQ(SuperConvertMacToWinString(std::string("1\r2\r")), "1\r\n2\r\n");
    EXPECT_EQ(SuperConvertWinToMacString(std::string("1\r\n2\n")), "1\r2");

    EXPECT_EQ(IsPCOrMacString("abc", 3), kNoLineEnds);
    EXPECT_EQ(IsPCOrMacString("a\rb\n", 4), kPCLineEnds);
    EXPECT_EQ(IsPCOrMacString("a\rb\n", 3), kMacLineEnds);
    EXPECT_EQ(IsPCOrMacString(std::string("a\rb")), kMacLineEnds);
    EXPECT_EQ(IsPCOrMacString(std::string("\n")), kPCLineEnds);
}

TEST(BufferEditing, CopyingAndCutting)
{
    char out[32];
    EXPECT_EQ(CopyChars(out, "hello", 3), 'l');
    EXPECT_STREQ(out, "hel");
    EXPECT_EQ(CopyChars(out, "hi", 10), 'i');
    EXPECT_EQ(CopyChars(out, "", 10), 0);
    char src[] = "abcdef";
    ExtractString(out, src, 4);
    EXPECT_STREQ(out, "abcd");
    LimitStringSize(out, "xy", 4);
    EXPECT_STREQ(out, "xy");
    ExtractSubString("abcdef", 1, 4, out);
    EXPECT_STREQ(out, "bcd");
    ExtractSubString("abc", 2, 99, out);
    EXPECT_STREQ(out, "c");
    ExtractSubString("abc", 3, 1, out);
    EXPECT_STREQ(out, "");
    ExtractUntil("key=value;", out, "=;");
    EXPECT_STREQ(out, "key");
    MakeFixedSizeString(out, "abcdef", 3);
    EXPECT_STREQ(out, "abc");
    MakeFixedSizeString(out, "ab", 4);
    EXPECT_STREQ(out, "ab  ");
    PadStringToSize(out, 6, '.');
    EXPECT_STREQ(out, "ab  ..");
    FillStringWithChar(out, '*', 3);
    EXPECT_STREQ(out, "***");
}

TEST(BufferEditing, InsertingDeletingAndReplacing)
{
    char text[64] = "world";
    char hello[] = "hello ";
    InsertIntoString(text, 0, hello);
    EXPECT_STREQ(text, "hello world");
    char bang[] = "!";
    InsertIntoString(text, 999, bang);
    EXPECT_STREQ(text, "hello world!");
    DeleteFromString(text, 6);
    EXPECT_STREQ(text, "world!");
    DeleteFromString(text, 100);
    EXPECT_STREQ(text, "");

    char set[] = " -";
    std::strcpy(text, " - a-b - ");
    DeleteLeading(text, set);
    EXPECT_STREQ(text, "a-b - ");
    DeleteTrailing(text, set);
    EXPECT_STREQ(text, "a-b");
    DeleteCharsInTemplate(text, set);
    EXPECT_STREQ(text, "ab");

    std::strcpy(text, "a1b2");
    ConvertCharsInString(text, "0123456789", '#');
    EXPECT_STREQ(text, "a#b#");
    ReplaceCharsNotInArray(text, "#", '_');
    EXPECT_STREQ(text, "_#_#");

    char spaced[] = "   a   b c  ";
    char out[32];
    RemoveDoubleSpaces(out, spaced);
    EXPECT_STREQ(out, "a b c ");
    RemoveDoubleSpaces(spaced, spaced);
    EXPECT_STREQ(spaced, "a b c ");

    std::strcpy(text, "MiXed 1");
    StringToUpperCase(text);
    EXPECT_STREQ(text, "MIXED 1");
}

TEST(BufferEditing, LinesAreSeparatedByCR)
{
    char out[32];
    GetLineNumber("one\rtwo\rthree", 1, out);
    EXPECT_STREQ(out, "two");
    GetLineNumber("one\rtwo\rthree", 2, out);
    EXPECT_STREQ(out, "three");
    GetLineNumber("one\rtwo", 2, out);
    EXPECT_STREQ(out, "");
    GetLineNumber("one", -1, out);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(CountTextLinesInString("a\rb\r"), 3);
    EXPECT_EQ(CountTextLinesInString(std::string("")), 1);

    EXPECT_EQ(GetLineNumber(std::string("one\rtwo"), 1), "two");
    EXPECT_EQ(GetLineNumber(std::string("one\rtwo"), 0), "one");
    EXPECT_EQ(GetLineNumber(std::string("one\rtwo"), 2), "");
}

TEST(BufferQueries, SearchesAndComparisons)
{
    long position = -1;
    EXPECT_TRUE(GetCharPos("abcabc", 'c', &position));
    EXPECT_EQ(position, 2);
    position = 5;
    EXPECT_FALSE(GetCharPos("abc", 'z', &position));
    EXPECT_EQ(position, 5);
    EXPECT_FALSE(GetCharPos("abc", '\0', &position));
    EXPECT_TRUE(IsCharInString('b', "abc"));
    EXPECT_FALSE(IsCharInString('\0', "abc"));

    EXPECT_TRUE(FindSubString("hello world", "wor", &position));
    EXPECT_EQ(position, 6);
    EXPECT_TRUE(FindSubString("hello", "", &position));
    EXPECT_EQ(position, 0);
    EXPECT_FALSE(FindSubString("hello", "xyz", &position));
    EXPECT_EQ(position, 666);

    EXPECT_EQ(CountCharsOfTemplate("a,b;c,", ",;"), 3);
    char a[] = "abcdef", b[] = "abcxyz";
    EXPECT_TRUE(AreStringsEqual(a, b, 3));
    EXPECT_FALSE(AreStringsEqual(a, b, 4));
    EXPECT_TRUE(AreLowerCaseStringsEqual("HeLLo", "hello"));
    EXPECT_FALSE(AreLowerCaseStringsEqual("hello", "hell"));
    char one[] = "10", two[] = "9";
    EXPECT_EQ(_CompareTwoIntStrings(one, two), -1);
    EXPECT_EQ(_CompareTwoIntStrings(two, one), 1);
    EXPECT_EQ(_CompareTwoIntStrings(one, one), 0);
}

TEST(StandardStrings, EditingBySets)
{
    EXPECT_EQ(ExtractUntil(std::string("a=b;c"), 2, ";"), "b");
    EXPECT_EQ(ExtractUntil(std::string("abc"), 1, ";"), "bc");
    EXPECT_EQ(ExtractUntil(std::string("abc"), 10, ";"), "");

    std::string s = "   ";
    RemoveTrailing(s, " ");
    EXPECT_EQ(s, "");
    s = "  x  ";
    RemoveLeading(s, " ");
    EXPECT_EQ(s, "x  ");
    RemoveTrailing(s, " ");
    EXPECT_EQ(s, "x");
    s = "  ";
    RemoveLeading(s, " ");
    EXPECT_EQ(s, "");

    s = "a1b22";
    ReplaceCharsOf(s, "2", '#');
    EXPECT_EQ(s, "a1b##");
    ReplaceCharsNotOf(s, "#", '.');
    EXPECT_EQ(s, "...##");
    RemoveCharsOf(s, ".");
    EXPECT_EQ(s, "##");
    EXPECT_EQ(CountCharsOf("a,b,,c", ","), 3);

    s = " a  b   c";
    RemoveDoubleSpaces(s);
    EXPECT_EQ(s, " a b c");
    StringToUpperCase(s);
    EXPECT_EQ(s, " A B C");
    StringToLowerCase(s);
    EXPECT_EQ(s, " a b c");
}

TEST(StandardStrings, SizingAndComparing)
{
    std::string s = "7";
    PadLeft(s, 3, '0');
    EXPECT_EQ(s, "007");
    PadRight(s, 5, '-');
    EXPECT_EQ(s, "007--");
    PadLeft(s, 2, 'x');
    EXPECT_EQ(s, "007--");
    LimitStringSize(s, 2);
    EXPECT_EQ(s, "00");
    MakeFixedSizeString(s, 4);
    EXPECT_EQ(s, "00  ");
    MakeFixedSizeString(s, 1);
    EXPECT_EQ(s, "0");

    EXPECT_EQ(StringCompareIgnoreCase("Apple", "apple"), 0);
    EXPECT_EQ(StringCompareIgnoreCase("apple", "Banana"), -1);
    EXPECT_EQ(StringCompareIgnoreCase("b", "A"), 1);
    EXPECT_EQ(StringCompareIgnoreCase("app", "apple"), -1);
    EXPECT_EQ(StringCompareIgnoreCase("apple", "app"), 1);
    // High characters compare as signed: below every ASCII letter.
    EXPECT_EQ(StringCompareIgnoreCase("\xE9", "a"), -1);
}
