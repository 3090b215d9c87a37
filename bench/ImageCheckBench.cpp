// Throughput of the protocol CRC-16 and of the OS image check, each beside a plain byte sum over
// the same bytes as the baseline.
#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/Crc16.h"
#include "Portable/update/SFileDesc.h"
#include "Portable/update/SwapAndCheckOSdata.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

constexpr size_t kCrcBufferSize = 1 << 20;
constexpr size_t kImageSize = 16 << 20;

std::vector<uint8_t> Noise(size_t size)
{
    std::vector<uint8_t> data(size);
    uint32_t x = 0x12345678;
    for (uint8_t& b : data)
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return data;
}

const std::vector<uint8_t>& CrcBuffer()
{
    static const std::vector<uint8_t> buffer = Noise(kCrcBufferSize);
    return buffer;
}

// A 16 MiB image: one CODE section filling everything after the header.
std::vector<uint8_t>& Image()
{
    static std::vector<uint8_t> image = []
    {
        COSImageBuilder builder(120, 7);
        builder.AddSection("CODE", 0x10000, Noise(kImageSize - kOSHeaderSize));
        return builder.Build();
    }();
    return image;
}

uint32_t PlainByteSum(const std::vector<uint8_t>& data)
{
    uint32_t sum = 0;
    for (uint8_t b : data)
        sum += b;
    return sum;
}

void BM_Crc16(benchmark::State& state)
{
    CRCinit();
    const std::vector<uint8_t>& buffer = CrcBuffer();
    for (auto _ : state)
        benchmark::DoNotOptimize(CalcCrc16(buffer.data(), buffer.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(buffer.size()));
}

void BM_ByteSum1MiB(benchmark::State& state)
{
    const std::vector<uint8_t>& buffer = CrcBuffer();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainByteSum(buffer));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(buffer.size()));
}

void BM_ImageCheck(benchmark::State& state)
{
    std::vector<uint8_t>& image = Image();
    SFileDesc desc;
    for (auto _ : state)
    {
        std::memset(&desc, 0, sizeof(desc));
        desc.mFileData = image.data();
        desc.mFileLen = static_cast<int32_t>(image.size());
        dread(&desc.mOSData, kOSHeaderSize, &desc);
        const uint32_t start = SwapAndCheckOSdata(&desc);
        if (start != 0x10000)
            state.SkipWithError("the image check failed");
        benchmark::DoNotOptimize(start);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(image.size()));
}

void BM_ByteSum16MiB(benchmark::State& state)
{
    const std::vector<uint8_t>& image = Image();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainByteSum(image));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(image.size()));
}

} // namespace

BENCHMARK(BM_Crc16);
BENCHMARK(BM_ByteSum1MiB);
BENCHMARK(BM_ImageCheck);
BENCHMARK(BM_ByteSum16MiB);

BENCHMARK_MAIN();
