// The framework's text functions over character buffers, length-prefixed platform strings
// and standard strings: conversion, number text, character sets and line ends, editing.
#pragma once

// Platform strings are one length byte and up to 255 characters. Buffer functions never
// allocate: the caller provides room for the result plus its NUL. Where a source buffer is
// read, reading stops at its NUL even when a count says more. The platform's character set
// is Mac Roman with CR line ends, the portable one ISO 8859-1 with CR LF.

#include <string>

namespace NSWayfarer
{

// Position reported by a search that found nothing.
constexpr long kNotFoundPosition = 666;

// Line-end classes of IsPCOrMacString.
constexpr long kNoLineEnds = 12;
constexpr long kPCLineEnds = 13;
constexpr long kMacLineEnds = 14;

// --- Conversions between the three forms -------------------------------------------------

void PascalToC(const unsigned char* pascal, char* out);
// At most 255 characters are taken; pascal may be the same buffer as text.
void CToPascal(const char* text, unsigned char* pascal);
std::string PascalToString(const unsigned char* pascal);
void StringToPascal(const std::string& text, unsigned char* pascal);
// Length + 1, rounded up to an even number.
long GetPascalStringMemSize(const unsigned char* pascal);
void CopyPascalString(unsigned char* dst, const unsigned char* src);
// The first four characters as a four-character code, first character most significant;
// a shorter text contributes zero bytes for what it lacks.
unsigned long PackStringToLong(const char* text);
// The four characters of a code plus NUL (5 bytes).
void ExpandLongToString(unsigned long code, char* out);
std::string ToString(double value, int decimals);

// --- Numbers -----------------------------------------------------------------------------

// Skips ' ' and ',', reads any run of signs ('-' flips), then decimal digits (32-bit,
// wrapping). False, nothing written, when no digit follows. count gets the characters used.
bool StringToLong(const char* text, long* value, long* count);
bool StringToLong(const char* text, long* value);
// The standard-string form converts with atol semantics (one sign only) and gives the
// position after the digits.
bool StringToLong(const std::string& text, long& value, unsigned long& position);
bool StringToLong(const std::string& text, long& value);
bool ExtractIntAndDecimal(const char* text, long* integerPart, long* decimalPart);
bool ExtractIntAndDecimal(const std::string& text, long& integerPart, long& decimalPart);
// Shortens a decimal number to n significant digits without touching its integer part.
void KeepNDigits(char* number, unsigned char digits);
// Exactly digits (at most 8) upper-case hex digits of the value's low bits, then NUL.
void ValueToHexString(unsigned long value, char* out, unsigned short digits);
// At least digits hex digits; a longer result keeps only its last digits characters.
std::string ValueToHexString(unsigned long value, unsigned short digits);
// Two hex digits per byte, a space after every complete group (group 0: no spaces).
// out needs 3 * count + 1 bytes.
void DataToHexString(char* out, const unsigned char* data, unsigned char group,
                     unsigned short count);
std::string DataToHexString(const unsigned char* data, unsigned char group, unsigned short count);
// One character per byte: 0 becomes a space, printable bytes stay, others become 0xE0.
void BinToString(unsigned char* data, char* out, short count);
std::string BinToString(unsigned char* data, short count);
// Removes everything before the first digit 1-9; "0" when nothing remains.
void RemoveUntilDigit(char* text);
void RemoveUntilDigit(std::string& text);
void SpacesToZeros(char* text);
void SpacesToZeros(std::string& text);

// --- Character sets and line ends --------------------------------------------------------

void ConvertMacToWinString(char* text);
void ConvertWinToMacString(char* text);
void ConvertMacToWinString(std::string& text);
void ConvertWinToMacString(std::string& text);
// Copies at most inputCount characters while fewer than outputSize have been written,
// turning each CR into CR LF when both fit (a CR that does not fit is dropped), then
// converts the character set. out must hold outputSize + 1 bytes.
void SuperConvertMacToWinString(char* out, const char* in, long outputSize, long inputCount);
// The same copy, dropping every LF, then converts the character set.
void SuperConvertWinToMacString(char* out, const char* in, long outputSize, long inputCount);
std::string SuperConvertMacToWinString(const std::string& text);
std::string SuperConvertWinToMacString(const std::string& text);
// kPCLineEnds when a LF occurs, else kMacLineEnds when a CR occurs, else kNoLineEnds.
long IsPCOrMacString(const char* text, long length);
long IsPCOrMacString(const std::string& text);

// --- Character-buffer editing (results stay NUL-terminated) ------------------------------

// Copies up to count characters; returns the last one copied (0 when none).
char CopyChars(char* dst, const char* src, long count);
// The first count characters of src (all of it when shorter).
void ExtractString(char* dst, char* src, long count);
void LimitStringSize(char* dst, const char* src, short count);
// Characters from start up to, not including, end.
void ExtractSubString(const char* src, long start, long end, char* dst);
void ExtractUntil(const char* src, char* dst, const char* stopSet);
// Exactly count characters: src cut to count, padded with spaces.
void MakeFixedSizeString(char* dst, const char* src, short count);
void PadStringToSize(char* text, short size, char pad);
void FillStringWithChar(char* text, char fill, long count);
void InsertIntoString(char* text, long index, char* insert);
void DeleteFromString(char* text, long count);
void DeleteLeading(char* text, char* set);
void DeleteTrailing(char* text, char* set);
void DeleteCharsInTemplate(char* text, char* set);
void ConvertCharsInString(char* text, const char* set, char replacement);
void ReplaceCharsNotInArray(char* text, const char* set, char replacement);
// dst = src without leading spaces and with every run of spaces reduced to one.
void RemoveDoubleSpaces(char* dst, char* src);
void StringToUpperCase(char* text);
// Line n (0-based, lines end at CR) without its CR; empty when there are fewer lines.
void GetLineNumber(const char* text, short line, char* out);

// --- Character-buffer queries ------------------------------------------------------------

bool GetCharPos(const char* text, char c, long* position);
bool IsCharInString(char c, const char* text);
// An empty sub text is found at 0; a failed search writes kNotFoundPosition.
bool FindSubString(const char* text, const char* sub, long* position);
short CountCharsOfTemplate(const char* text, const char* set);
long CountTextLinesInString(const char* text);
// The first count characters are equal (comparison ends at a common terminator).
bool AreStringsEqual(char* a, char* b, long count);
bool AreLowerCaseStringsEqual(const char* a, const char* b);
short _CompareTwoIntStrings(char* a, char* b);

// --- Standard-string editing and queries -------------------------------------------------

std::string ExtractUntil(const std::string& text, unsigned long position,
                         const std::string& stopSet);
void RemoveLeading(std::string& text, const std::string& set);
void RemoveTrailing(std::string& text, const std::string& set);
void ReplaceCharsOf(std::string& text, const std::string& set, char replacement);
void ReplaceCharsNotOf(std::string& text, const std::string& set, char replacement);
void RemoveCharsOf(std::string& text, const std::string& set);
long CountCharsOf(const std::string& text, const std::string& set);
short CountTextLinesInString(const std::string& text);
std::string GetLineNumber(const std::string& text, short line);
// Runs of spaces become one; a leading space stays.
void RemoveDoubleSpaces(std::string& text);
void StringToUpperCase(std::string& text);
void StringToLowerCase(std::string& text);
void PadLeft(std::string& text, unsigned long size, char pad);
void PadRight(std::string& text, unsigned long size, char pad);
void LimitStringSize(std::string& text, unsigned long size);
void MakeFixedSizeString(std::string& text, unsigned long size);
// -1, 0 or 1, comparing signed characters after tolower; a prefix is less.
int StringCompareIgnoreCase(const std::string& a, const std::string& b);

} // namespace NSWayfarer
