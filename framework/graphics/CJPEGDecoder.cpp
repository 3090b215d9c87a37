#include "framework/graphics/CJPEGDecoder.h"

#include "framework/files/XBase.h"

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace NSWayfarer
{

namespace
{

// The library reports a fatal error by calling error_exit, which must not return: it jumps
// back into the member function that called the library, which then throws. Only the
// library's own frames and the plain-C callbacks below lie in between.
struct SErrorManager
{
    jpeg_error_mgr mPublic;
    std::jmp_buf mJump;
    long mWarnings = 0;
};

void ErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<SErrorManager*>(info->err)->mJump, 1);
}

void EmitMessage(j_common_ptr info, int level)
{
    // A GUI program has no terminal to print to; corrupt data only counts.
    if (level < 0)
        ++reinterpret_cast<SErrorManager*>(info->err)->mWarnings;
}

void OutputMessage(j_common_ptr) {}

// The memory source. Running out of data supplies an end-of-image marker, as a truncated
// file on disk would be treated: the picture decodes what it has instead of being fed its
// own beginning again.
struct SMemorySource
{
    jpeg_source_mgr mPublic;
    const JOCTET* mData;
    size_t mLength;
    bool mSupplied;
};

const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<SMemorySource*>(info->src);
    if (!source->mSupplied && source->mLength > 0)
    {
        source->mSupplied = true;
        source->mPublic.next_input_byte = source->mData;
        source->mPublic.bytes_in_buffer = source->mLength;
        return TRUE;
    }
    source->mSupplied = true;
    WARNMS(info, JWRN_JPEG_EOF);
    source->mPublic.next_input_byte = kFakeEndOfImage;
    source->mPublic.bytes_in_buffer = sizeof kFakeEndOfImage;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    auto* source = reinterpret_cast<SMemorySource*>(info->src);
    if (static_cast<size_t>(count) > source->mPublic.bytes_in_buffer)
    {
        // Past the end: the next refill gives the end marker.
        source->mPublic.next_input_byte += source->mPublic.bytes_in_buffer;
        source->mPublic.bytes_in_buffer = 0;
        return;
    }
    source->mPublic.next_input_byte += count;
    source->mPublic.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void MemorySource(j_decompress_ptr info, const JOCTET* data, size_t length)
{
    if (info->src == nullptr)
        info->src = static_cast<jpeg_source_mgr*>((*info->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(SMemorySource)));
    auto* source = reinterpret_cast<SMemorySource*>(info->src);
    source->mPublic.init_source = InitSource;
    source->mPublic.fill_input_buffer = FillInputBuffer;
    source->mPublic.skip_input_data = SkipInputData;
    source->mPublic.resync_to_restart = jpeg_resync_to_restart;
    source->mPublic.term_source = TermSource;
    source->mPublic.next_input_byte = nullptr;
    source->mPublic.bytes_in_buffer = 0;
    source->mData = data;
    source->mLength = length;
    source->mSupplied = false;
}

// Each scan of a progressive picture is a pass over the whole image: a few bytes of
// hostile data must not buy thousands of them.
void LimitScans(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > CJPEGDecoder::kMaxScans)
        ERREXIT(info, JERR_NOT_COMPILED);
}

} // namespace

struct CJPEGDecoder::SState
{
    jpeg_decompress_struct mInfo{};
    SErrorManager mError{};
    jpeg_progress_mgr mProgress{};
    bool mCreated = false;
    SState() = default;
    SState(const SState&) = delete;
    SState& operator=(const SState&) = delete;
    // Also when the constructor threw: the decompressor goes with the state.
    ~SState()
    {
        if (mCreated)
            jpeg_destroy_decompress(&mInfo);
    }
};

CJPEGDecoder::CJPEGDecoder(const uint8_t* data, size_t length) : fState(std::make_unique<SState>())
{
    SState* s = fState.get();
    s->mInfo.err = jpeg_std_error(&s->mError.mPublic);
    s->mError.mPublic.error_exit = ErrorExit;
    s->mError.mPublic.emit_message = EmitMessage;
    s->mError.mPublic.output_message = OutputMessage;
    if (setjmp(s->mError.mJump) != 0)
        throw XBadFormat();
    jpeg_create_decompress(&s->mInfo);
    s->mCreated = true;
    s->mInfo.mem->max_memory_to_use = kMaxDecoderMemory;
    s->mProgress.progress_monitor = LimitScans;
    s->mInfo.progress = &s->mProgress;
    MemorySource(&s->mInfo, data, data != nullptr ? length : 0);
    jpeg_read_header(&s->mInfo, TRUE);
}

CJPEGDecoder::~CJPEGDecoder() = default;

long CJPEGDecoder::GetWidth() const
{
    return static_cast<long>(fState->mInfo.image_width);
}

long CJPEGDecoder::GetHeight() const
{
    return static_cast<long>(fState->mInfo.image_height);
}

long CJPEGDecoder::GetWarningCount() const
{
    return fState->mError.mWarnings;
}

void CJPEGDecoder::Start(EOutput output, unsigned char* const* colorMapRows)
{
    SState* s = fState.get();
    if (setjmp(s->mError.mJump) != 0)
        throw XBadFormat();
    switch (output)
    {
    case kRGB:
        s->mInfo.out_color_space = JCS_RGB;
        break;
    case kPixel32:
        // Bytes in memory that make the host-order word 0x..RRGGBB: the library writes the
        // pixels straight into the bitmap's rows.
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        s->mInfo.out_color_space = JCS_EXT_BGRX;
#else
        s->mInfo.out_color_space = JCS_EXT_XRGB;
#endif
        break;
    case kIndexed:
        s->mInfo.out_color_space = JCS_RGB;
        s->mInfo.quantize_colors = TRUE;
        s->mInfo.dither_mode = JDITHER_FS;
        s->mInfo.two_pass_quantize = TRUE;
        s->mInfo.colormap = const_cast<JSAMPARRAY>(colorMapRows);
        s->mInfo.actual_number_of_colors = 256;
        break;
    }
    jpeg_start_decompress(&s->mInfo);
}

void CJPEGDecoder::ReadRow(unsigned char* row)
{
    SState* s = fState.get();
    if (setjmp(s->mError.mJump) != 0)
        throw XBadFormat();
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(&s->mInfo, rows, 1) != 1)
        throw XBadFormat();
}

void CJPEGDecoder::Finish()
{
    SState* s = fState.get();
    if (setjmp(s->mError.mJump) != 0)
        throw XBadFormat();
    jpeg_finish_decompress(&s->mInfo);
}

std::vector<CRGBColor> CJPEGDecoder::PickColors(const uint8_t* data, size_t length, int count)
{
    CJPEGDecoder decoder(data, length);
    SState* s = decoder.fState.get();
    if (setjmp(s->mError.mJump) != 0)
        throw XBadFormat();
    s->mInfo.out_color_space = JCS_RGB;
    s->mInfo.quantize_colors = TRUE;
    s->mInfo.two_pass_quantize = TRUE;
    s->mInfo.dither_mode = JDITHER_NONE;
    s->mInfo.desired_number_of_colors = count;
    // The colours come from the first, counting pass, which runs inside the start.
    jpeg_start_decompress(&s->mInfo);
    std::vector<CRGBColor> colors;
    for (int i = 0; i < s->mInfo.actual_number_of_colors; ++i)
        colors.emplace_back(uint16_t(s->mInfo.colormap[0][i] << 8),
                            uint16_t(s->mInfo.colormap[1][i] << 8),
                            uint16_t(s->mInfo.colormap[2][i] << 8));
    jpeg_abort_decompress(&s->mInfo);
    return colors;
}

} // namespace NSWayfarer
