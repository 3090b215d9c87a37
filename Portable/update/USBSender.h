// Turns an armed image descriptor into the stream of transfer messages the
// instrument expects: begin, data messages, end, save; one message per call.
#pragma once

#include "Portable/update/SFileDesc.h"

// What one step of the sender produced.
enum EUSBSendResult
{
    kSendError = 0,
    kSendBegin = 1,
    kSendData = 2,
    kSendEnd = 3,
    kSendDone = 4,
    kSendStartedOS = 5,
    kSendSavedOS = 6
};

// Produces and sends the next transfer message for fdp. *length is the size sent,
// 0 when the transfer is complete (nothing sent), -1 when the image cannot be sent.
// Transport failures propagate as XUSBError.
EUSBSendResult SendNextUSBsect(SFileDesc* fdp, int* length);

// The check the first call of SendNextUSBsect makes, on its own: true when the image in
// data (size bytes, not changed) would be sent. Lets a damaged image be refused before
// anything is sent to the instrument.
bool IsImageSendable(uint8_t* data, uint32_t size);

// The data message's payload buffer, for tests that look at the stale tail.
const uint8_t* GetUSBSenderDataMessage();
