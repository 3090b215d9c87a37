// The updater's side of the wire, written out independently for the tests: frames
// of requests and OS stream messages.
#pragma once

#include "platform/usb/CVirtualInstrument.h"
#include "tests/platform/usb/VirtualImage.h"

#include <algorithm>
#include <vector>

namespace NSWireFrames
{

using NSVirtualImage::Put16;
using NSVirtualImage::Put32;

// Seals message (its last two bytes get the CRC) and puts the frame length first.
inline std::vector<uint8_t> Frame(std::vector<uint8_t> message)
{
    uint16_t crc = NSPlatform::CVirtualInstrument::Crc16(message.data(), message.size() - 2);
    Put16(&message[message.size() - 2], crc);
    std::vector<uint8_t> frame(message.size() + 2);
    Put16(frame.data(), uint16_t(message.size() + 2));
    std::copy(message.begin(), message.end(), frame.begin() + 2);
    return frame;
}

inline std::vector<uint8_t> Request(uint8_t code)
{
    return Frame({code, 0, 0});
}

inline std::vector<uint8_t> Begin(uint32_t size, uint16_t version = 120, uint16_t build = 7)
{
    std::vector<uint8_t> m(32, 0);
    m[0] = 10;
    Put16(&m[2], version);
    Put16(&m[4], build);
    Put32(&m[6], 0xFFFFFFFF);
    Put32(&m[10], size);
    return Frame(m);
}

inline std::vector<uint8_t> Data(const uint8_t* bytes, uint32_t count)
{
    std::vector<uint8_t> m(16408, 0);
    m[0] = 11;
    Put32(&m[18], count);
    std::copy(bytes, bytes + std::min<uint32_t>(count, 16384), m.begin() + 22);
    return Frame(m);
}

inline std::vector<uint8_t> End(uint32_t sum)
{
    std::vector<uint8_t> m(24, 0);
    m[0] = 12;
    Put32(&m[2], sum);
    return Frame(m);
}

inline std::vector<uint8_t> Save()
{
    std::vector<uint8_t> m(20, 0);
    m[0] = 14;
    return Frame(m);
}

// The whole stream for an image: begin, data messages, end, save.
inline std::vector<std::vector<uint8_t>> Stream(const std::vector<uint8_t>& image)
{
    std::vector<std::vector<uint8_t>> frames;
    // The begin message repeats the header's version and build.
    const uint16_t version = image.size() >= 6 ? uint16_t(image[0] << 8 | image[1]) : 0;
    const uint16_t build = image.size() >= 6 ? uint16_t(image[4] << 8 | image[5]) : 0;
    frames.push_back(Begin(uint32_t(image.size()), version, build));
    uint32_t sum = 0;
    for (size_t offset = 0; offset < image.size(); offset += 16384)
    {
        uint32_t n = uint32_t(std::min<size_t>(16384, image.size() - offset));
        frames.push_back(Data(&image[offset], n));
    }
    for (uint8_t b : image)
        sum += b;
    frames.push_back(End(sum));
    frames.push_back(Save());
    return frames;
}

} // namespace NSWireFrames
