#include "Portable/update/USBSender.h"

#include "Portable/update/ByteOrder.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/SwapAndCheckOSdata.h"
#include "Portable/update/USBProtocol.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace
{

// One static data message: the transfer allocates nothing per message, and bytes
// past mCount keep what the previous data message left.
uint8_t gDataMessage[kOSdataSize];

EUSBSendResult Fail(int* length)
{
    *length = -1;
    return kSendError;
}

// Reads and checks the header, then makes the whole image file one section, so the
// instrument receives the complete file, header included.
bool Prepare(SFileDesc* fdp)
{
    if (fdp->mType != 0)
        return false;
    if (fdp->mFilePtr == nullptr && (fdp->mFileData == nullptr || fdp->mFileLen < kOSHeaderSize))
        return false;

    auto* header = reinterpret_cast<uint8_t*>(&fdp->mOSData);
    if (dread(header, 3, fdp) != 3)
        return false;
    if (fdp->mOSData.mType != kOSImageTypeInstallable)
        return false;
    if (dread(header + 3, kOSHeaderSize - 3, fdp) != kOSHeaderSize - 3)
        return false;
    if (SwapAndCheckOSdata(fdp) == kOSCheckFailed)
        return false;

    std::memset(fdp->mOSData.mSect, 0, sizeof fdp->mOSData.mSect);
    fdp->mOSData.mSectCnt = 1;
    SSectData& whole = fdp->mOSData.mSect[0];
    std::memcpy(whole.mName, "----", 4);
    whole.mOffs = 0;
    whole.mSize = static_cast<uint32_t>(fdp->mFileLen);
    whole.mAddr = 0xFFFFFFFF;

    fdp->mStartAddr = 0;
    fdp->mCurSect = 0;
    fdp->mNextSect = 0;
    fdp->mCurLen = 0;
    return true;
}

} // namespace

bool IsImageSendable(uint8_t* data, uint32_t size)
{
    if (size > static_cast<uint32_t>(INT32_MAX))
        return false;
    SFileDesc fd = {};
    fd.mFileData = data;
    fd.mFileLen = static_cast<int32_t>(size);
    return Prepare(&fd);
}

const uint8_t* GetUSBSenderDataMessage()
{
    return gDataMessage;
}

EUSBSendResult SendNextUSBsect(SFileDesc* fdp, int* length)
{
    if (fdp->mBlock == 0 && !Prepare(fdp))
        return Fail(length);

    EUSBSendResult result;
    if (fdp->mCurSect >= fdp->mOSData.mSectCnt)
    {
        if (fdp->mStartAddr == -1)
        {
            *length = 0;
            return kSendDone;
        }
        uint8_t save[kOSsaveSize] = {};
        save[0] = kOSMsgSave;
        save[kSaveModeOffs] = 0;
        CUSBHandler::SendUSBdata(save, kOSsaveSize);
        fdp->mStartAddr = -1;
        *length = kOSsaveSize;
        result = kSendSavedOS;
    }
    else
    {
        const SSectData& s = fdp->mOSData.mSect[fdp->mCurSect];
        if (fdp->mCurSect == fdp->mNextSect)
        {
            uint8_t begin[kOSbeginSize] = {};
            begin[0] = kOSMsgBegin;
            StoreBig16(begin + kBeginVersionOffs, fdp->mOSData.mVersion);
            StoreBig16(begin + kBeginBuildOffs, fdp->mOSData.mBuild);
            StoreBig32(begin + kBeginAddrOffs, s.mAddr);
            StoreBig32(begin + kBeginSizeOffs, s.mSize);
            fdp->mCurLen = static_cast<int32_t>(s.mSize);
            fdp->mNextSect = fdp->mCurSect + 1;
            fdp->mCurChks = 0;
            if (s.mComprSize == 0 && !dseek(fdp, s.mOffs))
                return Fail(length);
            CUSBHandler::SendUSBdata(begin, kOSbeginSize);
            *length = kOSbeginSize;
            result = kSendBegin;
        }
        else if (fdp->mCurLen > 0)
        {
            const int n = std::min<int32_t>(fdp->mCurLen, kOSdataPayload);
            uint8_t* buf = gDataMessage + kDataBufOffs;
            if (s.mComprSize == 0)
                dread(buf, n, fdp);
            for (int i = 0; i < n; ++i)
                fdp->mCurChks += buf[i];
            fdp->mCurLen -= n;
            gDataMessage[0] = kOSMsgData;
            gDataMessage[1] = 0;
            std::memset(gDataMessage + 2, 0, 16);
            StoreBig32(gDataMessage + kDataCountOffs, static_cast<uint32_t>(n));
            CUSBHandler::SendUSBdata(gDataMessage, kOSdataSize);
            *length = kOSdataSize;
            result = kSendData;
        }
        else
        {
            uint8_t end[kOSendSize] = {};
            end[0] = kOSMsgEnd;
            StoreBig32(end + kEndChksOffs, fdp->mCurChks);
            CUSBHandler::SendUSBdata(end, kOSendSize);
            ++fdp->mCurSect;
            *length = kOSendSize;
            result = kSendEnd;
        }
    }
    ++fdp->mBlock;
    return result;
}
