// A port receiver for tests: counts the data callbacks and notes the first byte
// and whether they ran off the main thread.
#pragma once

#include "Portable/USBManager/CUSBManager.h"

#include <atomic>
#include <cstdint>
#include <thread>

class CRecordingReceiver : public CUSBPortCallbackInterface
{
public:
    void USBDataReceivedCallback(uint8_t* data, uint32_t) override
    {
        fFirstByte = data[0];
        fOnWorker = std::this_thread::get_id() != fMainThread;
        fCalls.fetch_add(1);
    }
    std::atomic<int> fCalls{0};
    std::atomic<uint8_t> fFirstByte{0};
    std::atomic<bool> fOnWorker{false};
    std::thread::id fMainThread = std::this_thread::get_id();
};
