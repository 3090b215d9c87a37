// The wire format between the updater and the instrument: message codes, sizes and
// field offsets. Every number is big-endian; every message ends in a CRC-16 of
// the bytes before it.
#pragma once

#include <cstddef>
#include <cstdint>

// Requests the updater sends (SUSBreq: code, CRC).
constexpr uint8_t kUSBReqVersion = 0x80;
constexpr uint8_t kUSBReqStatus = 0x81;
constexpr uint8_t kUSBReqReboot = 0x83;
constexpr int kUSBreqSize = 3;

// Messages the instrument sends, by their first byte.
constexpr uint8_t kUSBMsgVersion = 0x80;
constexpr uint8_t kUSBMsgStatus = 0x81;
constexpr uint8_t kUSBMsgProgress = 0x82;

// SUSBversion
constexpr int kUSBversionSize = 66;
constexpr int kVersionIDOffs = 1;
constexpr int kVersionTypeOffs = 2;
constexpr int kVersionModeOffs = 3;
constexpr int kVersionBootVersionOffs = 4;
constexpr int kVersionOSversionOffs = 6;
constexpr int kVersionProtocolOffs = 8;
constexpr int kVersionNameOffs = 10;
constexpr int kVersionSerialOffs = 26;
constexpr int kVersionFlashTypeOffs = 30;
constexpr int kVersionOSbuildOffs = 32;
// mMode values
constexpr uint8_t kVersionModeUpdater = 1;
constexpr uint8_t kVersionModeTest = 2;
// mOSversion when no OS is installed
constexpr uint16_t kVersionNoOS = 0xFFFF;

// SUSBstatus
constexpr int kUSBstatusSize = 52;
constexpr int kStatusErrorOffs = 1;
constexpr int kStatusStrOffs = 2;
constexpr int kStatusStrSize = 32;

// SUSBprogress
constexpr int kUSBprogressSize = 22;
constexpr int kProgressTypeOffs = 1;
constexpr int kProgressPercOffs = 2;

// Transfer messages (updater to instrument).
constexpr uint8_t kOSMsgBegin = 10;
constexpr uint8_t kOSMsgData = 11;
constexpr uint8_t kOSMsgEnd = 12;
constexpr uint8_t kOSMsgSave = 14;

constexpr int kOSbeginSize = 32;
constexpr int kBeginVersionOffs = 2;
constexpr int kBeginBuildOffs = 4;
constexpr int kBeginAddrOffs = 6;
constexpr int kBeginSizeOffs = 10;

constexpr int kOSdataPayload = 16384;
constexpr int kOSdataSize = 16408;
constexpr int kDataCountOffs = 18;
constexpr int kDataBufOffs = 22;

constexpr int kOSendSize = 24;
constexpr int kEndChksOffs = 2;

constexpr int kOSsaveSize = 20;
constexpr int kSaveModeOffs = 1;

// Every message travels behind a big-endian uint16 frame length that counts itself;
// a frame never exceeds this.
constexpr int kUSBMaxFrame = 65535;
constexpr int kUSBFrameHeader = 2;

// Reads from the bulk-in pipe, one message each.
constexpr int kUSBReadSize = 4096;
constexpr int kUSBReadsPerIdle = 16;

// How long the instrument has to come back after the reboot request.
constexpr int32_t kRebootTimeoutMS = 20000;
// The pause after opening the instrument before it is asked anything.
constexpr int32_t kSettleAfterOpenMS = 1000;
