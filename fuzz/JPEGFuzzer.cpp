// Feeds arbitrary bytes to the JPEG decoder at all three bitmap depths: each input ends in a
// bitmap of the size the header gave or in XBadFormat, never in a crash, a leak or a hang.

#include "framework/files/XBase.h"
#include "framework/graphics/CABCBitmap.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/media/CMemoryMedia.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace NSWayfarer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const CBitmapDest dest8(8, nullptr);
    static const CBitmapDest dest16(16, nullptr);
    static const CBitmapDest dest32(32, nullptr);
    // A copy of the input's exact size, so reading past its end is caught.
    std::vector<std::uint8_t> copy(data, data + size);
    for (const CBitmapDest* dest : {&dest8, &dest16, &dest32})
    {
        CMemoryMedia media(static_cast<TMediaPos>(size), copy.data());
        try
        {
            const std::unique_ptr<CABCBitmap> bitmap(CBitmapUtils::UnpackJPEG(dest, &media));
            if (!bitmap || bitmap->GetBitDepth() != dest->GetBitDepth() ||
                bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0)
                std::abort();
            // Every pixel can be read back.
            volatile uint32_t sink = 0;
            for (int y = 0; y < bitmap->GetHeight(); y += 7)
                sink = sink + bitmap->GetPixel32(static_cast<short>(bitmap->GetWidth() - 1),
                                                 static_cast<short>(y));
        }
        catch (const XBadFormat&)
        {
        }
    }
    return 0;
}
