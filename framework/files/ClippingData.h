// What every kind of clipping keeps: its kind (cut to seven characters) and its
// own copy of the bytes.
#pragma once

namespace NSWayfarer
{

constexpr int kMaxClippingKindLength = 7;

// out holds kMaxClippingKindLength + 1 bytes; a null kind is "".
void CopyClippingKind(char* out, const char* kind);

// A new[] copy of size bytes; null when there is nothing to copy.
unsigned char* CopyClippingBytes(const unsigned char* bytes, long size);

} // namespace NSWayfarer
