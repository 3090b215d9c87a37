// The additive checksum of OS images: a wrapping 32-bit sum of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Adds every byte of data to sum (wrapping) and returns the total.
uint32_t SumBytes(const uint8_t* data, size_t len, uint32_t sum = 0);
