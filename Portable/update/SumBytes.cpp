#include "Portable/update/SumBytes.h"

// The vector path reads its 64-bit lanes with an instruction only 64-bit x86 has.
#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

uint32_t SumBytes(const uint8_t* data, size_t len, uint32_t sum)
{
#if defined(__SSE2__) && defined(__x86_64__)
    // Sums of absolute differences against zero add 16 bytes into two 64-bit lanes at once; four
    // accumulators keep the additions independent. A 64-bit lane cannot overflow, and its low 32
    // bits are the wrapping 32-bit sum.
    const __m128i zero = _mm_setzero_si128();
    __m128i acc[4] = {zero, zero, zero, zero};
    for (; len >= 64; data += 64, len -= 64)
    {
        for (int i = 0; i < 4; ++i)
        {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i));
            acc[i] = _mm_add_epi64(acc[i], _mm_sad_epu8(v, zero));
        }
    }
    for (; len >= 16; data += 16, len -= 16)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
        acc[0] = _mm_add_epi64(acc[0], _mm_sad_epu8(v, zero));
    }
    const __m128i total =
        _mm_add_epi64(_mm_add_epi64(acc[0], acc[1]), _mm_add_epi64(acc[2], acc[3]));
    sum += static_cast<uint32_t>(_mm_cvtsi128_si64(total)) +
           static_cast<uint32_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(total, total)));
#endif
    for (; len > 0; ++data, --len)
        sum += *data;
    return sum;
}
