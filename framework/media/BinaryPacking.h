// Host-independent layout of numbers, strings, nibbles, 7-bit frames and 80-bit floats in
// caller-owned byte buffers.
#pragma once

// Nothing allocates and nothing checks sizes: callers size the buffers as each function states.

#include <cstdint>

namespace NSWayfarer
{

// --- Byte order --------------------------------------------------------------------------

void Pack16BitUnsignedBig(uint8_t* out, uint16_t value);
uint16_t Unpack16BitUnsignedBig(const uint8_t* in);
// The low 24 bits in 3 bytes.
void Pack24BitUnsignedBig(uint8_t* out, uint32_t value);
uint32_t Unpack24BitUnsignedBig(const uint8_t* in);
void Pack32BitUnsignedBig(uint8_t* out, uint32_t value);
uint32_t Unpack32BitUnsignedBig(const uint8_t* in);
void Pack16BitUnsignedLittle(uint8_t* out, uint16_t value);
uint16_t Unpack16BitUnsignedLittle(const uint8_t* in);
void Pack32BitUnsignedLittle(uint8_t* out, uint32_t value);
uint32_t Unpack32BitUnsignedLittle(const uint8_t* in);
uint8_t PackBool(bool value);
bool UnpackBool(uint8_t value);
void ClearBinary(uint8_t* out, long count);
// Four characters, no terminator; a shorter text is padded with zero bytes.
void Pack4Chars(uint8_t* out, const char* chars);
// Four characters and a terminator (5 bytes).
void Unpack4Chars(const uint8_t* in, char* out);

// --- Strings -----------------------------------------------------------------------------

// Zeroes len + 1 bytes, then stores up to len characters of src without its line feeds.
void PackStringWithZero(uint8_t* dst, long len, const char* src);
// Up to len characters, stopping at a zero byte, then a terminator (len + 1 bytes).
void UnpackStringWithZero(const uint8_t* src, long len, char* dst);
// Exactly len bytes, then a terminator.
void UnpackFixedSizeStringNoZero(const uint8_t* src, char* dst, uint16_t len);
// Platform (Mac Roman) text to the portable set and back; len is the room in dst,
// terminator included.
void PackString(const char* src, uint8_t* dst, long len);
void UnpackString(char* dst, const uint8_t* src, long len);

// --- Nibbles and small fields ------------------------------------------------------------

// Each input byte becomes two output bytes (2n in all): low nibble first / high first.
void NibbleizeLittleEndian(uint8_t* out, const uint8_t* in, long n);
void NibbleizeBigEndian(uint8_t* out, const uint8_t* in, long n);
// n bytes from 2n nibble bytes.
void UnnibbleizeLittleEndian(uint8_t* out, const uint8_t* in, long n);
void UnnibbleizeBigEndian(uint8_t* out, const uint8_t* in, long n);
uint8_t* big4encode(uint8_t* out, long n, const uint8_t* in);
const uint8_t* big4decode(const uint8_t* in, long n, uint8_t* out);
// n bytes of 7-bit groups, the most significant group first.
void big7split(uint32_t value, long n, uint8_t* out);
// value = value * 128 + (byte & 127) for each of the n bytes, from the caller's value.
void big7join(long n, const uint8_t* in, uint32_t* value);
void big4split(uint32_t value, long n, uint8_t* out);
void big4join(long n, const uint8_t* in, uint32_t* value);

uint8_t GetHiNybble(uint8_t value);
uint8_t GetLoNybble(uint8_t value);
uint8_t NybblesToByte(uint8_t hi, uint8_t lo);
uint8_t GetLoByte(uint16_t value);
uint8_t GetHiByte(uint16_t value);
uint16_t GetLoWord(uint32_t value);
uint16_t GetHiWord(uint32_t value);
uint32_t WordsToLong(uint16_t hi, uint16_t lo);
uint32_t AssembleLong(uint16_t hi, uint16_t lo);
uint32_t BytesToLong(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
uint16_t SwapWord(uint16_t value);
void SwapWordBytes(uint8_t* bytes);
void SwapLongBytes(uint8_t* bytes);
void SwapWordArray(uint16_t* words, uint32_t count);
// The wrapping 32-bit sum of the bytes.
uint32_t Calc32BitChecksum(const uint8_t* data, uint32_t len);

// --- 7-bit frames: 7 data bytes travel as 8 bytes with bit 7 clear ---------------------

namespace MAX_PACKED_7BIT
{

void PackFrame(uint8_t* out8, const uint8_t* in7);
void UnpackFrame(const uint8_t* in8, uint8_t* out7);
// ceil(n / 7) * 8.
long EightBitSizeTo7Bit(long n);
// Frames of 7 input bytes; the last group is padded with zeros.
void Pack(uint8_t* out, const uint8_t* in, long n);
// Unpacks frame after frame and stores exactly n bytes.
void Unpack(const uint8_t* in, uint8_t* out, long n);

} // namespace MAX_PACKED_7BIT

// --- 80-bit extended floats, big-endian --------------------------------------------------

void PackIEEE80Big(uint8_t* out, double value);
double UnpackIEEE80Big(const uint8_t* in);
void PackIEEE80BigFromLong(uint8_t* out, long value);
// Truncates toward zero; values outside long are clamped, NaN gives 0.
long UnpackIEEE80BigToLong(const uint8_t* in);

} // namespace NSWayfarer
