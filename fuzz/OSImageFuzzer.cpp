// Feeds arbitrary bytes as an OS image to the three readers of an image: the
// updater's check (from memory and from a file stream), the report of the image
// tool, and the sender that turns an accepted image into transfer messages.
// They must agree on whether the image can be installed and where it starts,
// and the messages sent must carry the image byte for byte.

#include "Portable/update/ByteOrder.h"
#include "Portable/update/COSImageReport.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/SwapAndCheckOSdata.h"
#include "Portable/update/USBProtocol.h"
#include "Portable/update/USBSender.h"
#include "framework/media/CMemoryMedia.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace
{

// What the sender hands to the transport, kept instead of being sent.
std::vector<std::vector<uint8_t>> gSent;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

SFileDesc MemorySource(std::vector<uint8_t>& image)
{
    SFileDesc fd{};
    fd.mFileData = image.data();
    fd.mFileLen = static_cast<int32_t>(image.size());
    return fd;
}

// The check as the sender runs it: the header is read through the descriptor first.
uint32_t Check(SFileDesc& fd)
{
    dread(&fd.mOSData, kOSHeaderSize, &fd);
    return SwapAndCheckOSdata(&fd);
}

uint32_t CheckFromStream(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("os-image", 0);
    if (fd < 0)
        std::abort();
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    lseek(fd, 0, SEEK_SET);
    FILE* stream = fdopen(fd, "rb");
    if (stream == nullptr)
        std::abort();
    SFileDesc desc{};
    desc.mFilePtr = stream;
    const uint32_t start = Check(desc);
    std::fclose(stream);
    return start;
}

// Runs the sender to its end and checks what it sent against the image.
void Send(std::vector<uint8_t>& image)
{
    gSent.clear();
    SFileDesc fd = MemorySource(image);
    int length = 0;
    bool done = false;
    for (int step = 0; step < 4 + static_cast<int>(image.size() / kOSdataPayload) + 2; ++step)
    {
        const EUSBSendResult result = SendNextUSBsect(&fd, &length);
        Require(result != kSendError && length >= 0);
        if (result == kSendDone)
        {
            done = true;
            break;
        }
    }
    Require(done);

    // begin, data..., end, save
    Require(gSent.size() >= 3);
    const std::vector<uint8_t>& begin = gSent.front();
    Require(begin.size() == kOSbeginSize && begin[0] == kOSMsgBegin);
    Require(LoadBig32(begin.data() + kBeginAddrOffs) == 0xFFFFFFFF);
    Require(LoadBig32(begin.data() + kBeginSizeOffs) == image.size());
    Require(LoadBig16(begin.data() + kBeginVersionOffs) == LoadBig16(image.data()));
    std::vector<uint8_t> received;
    uint32_t sum = 0;
    for (size_t i = 1; i + 2 < gSent.size(); ++i)
    {
        const std::vector<uint8_t>& m = gSent[i];
        Require(m.size() == kOSdataSize && m[0] == kOSMsgData);
        const uint32_t count = LoadBig32(m.data() + kDataCountOffs);
        Require(count > 0 && count <= kOSdataPayload);
        received.insert(received.end(), m.begin() + kDataBufOffs, m.begin() + kDataBufOffs + count);
        for (uint32_t k = 0; k < count; ++k)
            sum += m[kDataBufOffs + k];
    }
    Require(received == image);
    const std::vector<uint8_t>& end = gSent[gSent.size() - 2];
    Require(end.size() == kOSendSize && end[0] == kOSMsgEnd);
    Require(LoadBig32(end.data() + kEndChksOffs) == sum);
    const std::vector<uint8_t>& save = gSent.back();
    Require(save.size() == kOSsaveSize && save[0] == kOSMsgSave && save[kSaveModeOffs] == 0);
}

} // namespace

// The transport seam of the sender: messages are collected here (CRC included,
// as the handler would seal them) instead of travelling over a bus.
void CUSBHandler::SendUSBdata(void* message, int length)
{
    Require(length >= 2);
    const auto* bytes = static_cast<const uint8_t*>(message);
    gSent.emplace_back(bytes, bytes + length);
}

namespace
{

// The checksums a mutated image would almost never get right, put right: every
// section that lies inside the image, then the header.
void Repair(std::vector<uint8_t>& image)
{
    if (image.size() < kOSHeaderSize)
        return;
    const int count = image[offsetof(SOSData, mSectCnt)] < kOSMaxSections
                          ? image[offsetof(SOSData, mSectCnt)]
                          : kOSMaxSections;
    for (int i = 0; i < count; ++i)
    {
        uint8_t* entry = image.data() + offsetof(SOSData, mSect) + i * sizeof(SSectData);
        const uint32_t offs = LoadBig32(entry + offsetof(SSectData, mOffs));
        const uint32_t comprSize = LoadBig32(entry + offsetof(SSectData, mComprSize));
        const uint32_t stored =
            comprSize != 0 ? comprSize : LoadBig32(entry + offsetof(SSectData, mSize));
        if (uint64_t{offs} + stored > image.size())
            continue;
        uint32_t sum = 0;
        for (uint32_t k = 0; k < stored; ++k)
            sum += image[offs + k];
        StoreBig32(
            entry + (comprSize != 0 ? offsetof(SSectData, mComprChks) : offsetof(SSectData, mChks)),
            ~sum);
    }
    StoreBig16(image.data() + offsetof(SOSData, mChks), CalcOSHeaderChecksum(image.data()));
}

// Every reader over one image; they must agree, and the sender must carry it whole.
void Exercise(const std::vector<uint8_t>& original)
{
    std::vector<uint8_t> image = original;
    const uint8_t* data = original.data();
    const size_t size = original.size();

    NSWayfarer::CMemoryMedia media(static_cast<NSWayfarer::TMediaPos>(image.size()), image.data());
    const COSImageReport report(media);
    Require(!report.GetVerdictText().empty() && !report.GetVersionText().empty());
    Require(report.GetSections().size() <= kOSMaxSections);
    for (const SOSSectionReport& section : report.GetSections())
        Require(section.mName.size() <= 4);

    SFileDesc fd = MemorySource(image);
    const uint32_t start = Check(fd);
    Require(CheckFromStream(data, size) == start);

    // The sender refuses an image of the wrong kind before checking it; the report
    // says so first; otherwise the check and the report agree.
    const bool installable =
        size >= kOSHeaderSize && data[2] == kOSImageTypeInstallable && start != kOSCheckFailed;
    Require(report.IsInstallable() == installable);
    if (installable)
    {
        Require(report.GetStartAddress() == start);
        Send(image);
    }
    else
    {
        SFileDesc refused = MemorySource(image);
        int length = 0;
        Require(SendNextUSBsect(&refused, &length) == kSendError && length == -1);
    }
    Require(image == original); // nobody writes into the image
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<uint8_t> image(data, data + size);
    Exercise(image);
    Repair(image);
    Exercise(image);
    return 0;
}
