// One interface of an open USB device: exclusive claim, its pipes, synchronous
// bulk transfers and asynchronous reads that complete on an event source.
#pragma once

#include "platform/usb/CUsbBus.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace NSPlatform
{

class CUsbEventSource;

struct SUsbPipeProperties
{
    enum EDirection : uint8_t
    {
        kOut = 0,
        kIn = 1
    };
    enum ETransferType : uint8_t
    {
        kControl = 0,
        kIsochronous = 1,
        kBulk = 2,
        kInterrupt = 3
    };
    uint8_t mDirection = 0;
    uint8_t mNumber = 0; // endpoint number without the direction bit
    uint8_t mTransferType = 0;
    uint16_t mMaxPacketSize = 0;
    uint8_t mInterval = 0;

    // Direction and number from an endpoint address (bit 7 set: in).
    void SetAddress(uint8_t address)
    {
        mDirection = (address & 0x80) ? kIn : kOut;
        mNumber = address & 0x0F;
    }
};

class CUsbInterface
{
public:
    // Runs on the thread that runs the event source: the result and the number of
    // bytes placed in the caller's buffer.
    using TAsyncDone = std::function<void(TUsbResult result, uint32_t length)>;

    virtual ~CUsbInterface() = default;

    // Claims the interface for this process (kUsbExclusiveAccess when another
    // program has it).
    virtual TUsbResult OpenSeize() = 0;
    virtual TUsbResult GetNumEndpoints(uint8_t& count) = 0;
    // Pipe references are 1-based endpoint indices of the interface.
    virtual TUsbResult GetPipeProperties(uint8_t pipeRef, SUsbPipeProperties& properties) = 0;

    // Synchronous bulk write of the whole buffer.
    virtual TUsbResult WritePipe(uint8_t pipeRef, const void* data, uint32_t size,
                                 uint32_t noDataTimeout, uint32_t completionTimeout) = 0;
    // Synchronous read of one transfer (at most size bytes; size receives the
    // count). A no-data time-out of 0 never waits: it hands out a transfer that
    // has completed, or answers kUsbSuccess with size 0. Pipes read this way keep
    // one read of size bytes pending at all times, so nothing the device sends
    // is lost between two calls.
    virtual TUsbResult ReadPipe(uint8_t pipeRef, void* buffer, uint32_t& size,
                                uint32_t noDataTimeout, uint32_t completionTimeout) = 0;
    // Blocks until a transfer read by ReadPipe has completed (true), the
    // device has left (true) or timeoutMs real milliseconds passed (false).
    virtual bool WaitForPipeData(uint8_t pipeRef, uint32_t timeoutMs) = 0;

    // Starts a read into buffer, which must stay valid until done has run or the
    // interface is gone. done runs on the event source's thread; requires
    // CreateAsyncEventSource first.
    virtual TUsbResult ReadPipeAsync(uint8_t pipeRef, void* buffer, uint32_t size,
                                     TAsyncDone done) = 0;
    // The source on which asynchronous completions are delivered.
    virtual std::shared_ptr<CUsbEventSource> CreateAsyncEventSource() = 0;
    // Ends every pending transfer on the pipe (they complete with kUsbAborted).
    virtual TUsbResult AbortPipe(uint8_t pipeRef) = 0;
    virtual TUsbResult Close() = 0;

protected:
    // The endpoint behind a 1-based pipe reference; null when there is none.
    template <typename TEndpoint>
    static const TEndpoint* PipeAt(const std::vector<TEndpoint>& endpoints, uint8_t pipeRef)
    {
        return pipeRef == 0 || pipeRef > endpoints.size() ? nullptr : &endpoints[pipeRef - 1];
    }

    // Hands a completed read to ReadPipe's caller: at most size bytes, size set to
    // the count; kUsbOverrun when the device sent more than the buffer holds.
    static TUsbResult HandOut(const std::vector<uint8_t>& message, void* buffer, uint32_t& size)
    {
        const uint32_t room = size;
        size = static_cast<uint32_t>(std::min<size_t>(message.size(), room));
        if (size > 0)
            std::memcpy(buffer, message.data(), size);
        return message.size() > room ? kUsbOverrun : kUsbSuccess;
    }
};

} // namespace NSPlatform
