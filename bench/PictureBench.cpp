// Decoding a 1024 x 768 JPEG into a 32-bit bitmap beside the library's own decode of the same
// data into a plain buffer, and the copy of a 32-bit bitmap onto a window-sized surface beside a
// memcpy of the same bytes. Each pair is timed in turn in the same loop; "ratio" is ours over
// the baseline.
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CBitmapUtils.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace
{

using namespace NSWayfarer;
using TClock = std::chrono::steady_clock;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A photograph-like picture: smooth gradients with some noise, quality 85.
std::vector<uint8_t> MakeJPEG()
{
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    uint32_t x32 = 0x9E3779B9;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            x32 ^= x32 << 13;
            x32 ^= x32 >> 17;
            x32 ^= x32 << 5;
            uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            p[0] = static_cast<uint8_t>(x / 4 + (x32 & 15));
            p[1] = static_cast<uint8_t>(y / 3 + ((x32 >> 4) & 15));
            p[2] = static_cast<uint8_t>((x + y) / 7 + ((x32 >> 8) & 15));
        }
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < kHeight; ++y)
    {
        JSAMPROW row = &rgb[static_cast<size_t>(y) * kWidth * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> data(out, out + size);
    std::free(out);
    return data;
}

// The library alone: its default red, green, blue output into one plain buffer.
void PlainDecode(const std::vector<uint8_t>& data, std::vector<uint8_t>& buffer)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), data.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const size_t stride = static_cast<size_t>(info.output_width) * info.output_components;
    buffer.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = &buffer[info.output_scanline * stride];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

double Seconds(TClock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void JPEGTo32BitsVersusPlainDecode(benchmark::State& state)
{
    const std::vector<uint8_t> data = MakeJPEG();
    const CBitmapDest dest(32, nullptr);
    std::vector<uint8_t> buffer;
    TClock::duration ours{};
    TClock::duration plain{};
    for (auto _ : state)
    {
        auto start = TClock::now();
        std::unique_ptr<CABCBitmap> bitmap(
            CBitmapUtils::UnpackJPEG(&dest, data.data(), data.size()));
        benchmark::DoNotOptimize(bitmap->GetPixelPtr());
        ours += TClock::now() - start;
        bitmap.reset();
        start = TClock::now();
        PlainDecode(data, buffer);
        benchmark::DoNotOptimize(buffer.data());
        plain += TClock::now() - start;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = Seconds(ours) * 1000 / n;
    state.counters["libjpeg_ms"] = Seconds(plain) * 1000 / n;
    state.counters["ratio"] = Seconds(ours) / Seconds(plain);
    state.counters["jpeg_bytes"] = static_cast<double>(data.size());
}
BENCHMARK(JPEGTo32BitsVersusPlainDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BitmapToWindowSurfaceVersusMemcpy(benchmark::State& state)
{
    CBitmap32 picture(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            picture.GetRow(y)[x] = static_cast<uint32_t>(x * 2654435761u + y) & 0xFFFFFF;
    // The window's backing store is a surface of the same format.
    CBitmap32 window(kWidth, kHeight);
    const size_t bytes = static_cast<size_t>(picture.GetRowBytes()) * kHeight;
    std::vector<uint8_t> target(bytes);
    TClock::duration ours{};
    TClock::duration plain{};
    for (auto _ : state)
    {
        auto start = TClock::now();
        picture.DrawBitmapToCanvas(&window, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::DoNotOptimize(window.GetPixelPtr());
        ours += TClock::now() - start;
        start = TClock::now();
        std::memcpy(target.data(), picture.GetPixelPtr(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        plain += TClock::now() - start;
    }
    if (window.GetPixel32(kWidth - 1, kHeight - 1) != picture.GetPixel32(kWidth - 1, kHeight - 1))
        state.SkipWithError("the copy did not arrive");
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = Seconds(ours) * 1000 / n;
    state.counters["memcpy_ms"] = Seconds(plain) * 1000 / n;
    state.counters["ratio"] = Seconds(ours) / Seconds(plain);
}
BENCHMARK(BitmapToWindowSurfaceVersusMemcpy)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
