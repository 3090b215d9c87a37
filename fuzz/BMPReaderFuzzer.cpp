// The BMP reader on any bytes: a picture it accepts must write out and read back pixel for
// pixel; anything else must end in one of the framework's exceptions.
#include "framework/files/XBase.h"
#include "framework/graphics/CBMPUtils.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/media/CMemoryMedia.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace NSWayfarer;

namespace
{

void CheckRoundTrip(CBitmap32* bitmap)
{
    const short width = bitmap->GetWidth();
    const short height = bitmap->GetHeight();
    std::vector<uint8_t> file(size_t(CBMPUtils::Calc24BitBMPSize(width, height)));
    CMemoryMedia out(TMediaPos(file.size()), file.data());
    CBMPUtils::PackTo24BitBMP(&out, bitmap);
    if (out.GetPos() != TMediaPos(file.size()))
        std::abort();
    out.SetPos(0);
    std::unique_ptr<CBitmap32> again(CBMPUtils::UnpackBMPTo32Bit(&out));
    if (again->GetWidth() != width || again->GetHeight() != height)
        std::abort();
    const unsigned char* a = bitmap->OpenRead();
    const unsigned char* b = again->OpenRead();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            uint32_t pa, pb;
            std::memcpy(&pa, a + long(y) * bitmap->GetRowBytes() + 4 * x, 4);
            std::memcpy(&pb, b + long(y) * again->GetRowBytes() + 4 * x, 4);
            if ((pa & 0xFFFFFF) != (pb & 0xFFFFFF))
                std::abort();
        }
    again->CloseRead(&b);
    bitmap->CloseRead(&a);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    // At the start of the stream and behind a first byte: the pixel offset counts from
    // the picture's own start.
    for (const TMediaPos start : {TMediaPos(0), TMediaPos(1)})
    {
        if (TMediaPos(size) < start)
            break;
        std::vector<uint8_t> stream(size_t(start), 0x42);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
        CMemoryMedia media(TMediaPos(stream.size()), stream.data());
        media.SetPos(start);
        try
        {
            std::unique_ptr<CBitmap32> bitmap(CBMPUtils::UnpackBMPTo32Bit(&media));
            if (bitmap == nullptr)
                std::abort();
            CheckRoundTrip(bitmap.get());
        }
        catch (const XBase&)
        {
        }
    }
    return 0;
}
