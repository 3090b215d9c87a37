// Failures of the USB transport: opening the instrument, moving bytes, the
// interrupt pipe.
#pragma once

#include "Portable/VantorExeption.h"

class XUSBError : public XVantorBase
{
public:
    XUSBError() : XVantorBase("USB Error") {}
    explicit XUSBError(const char* message) : XVantorBase(message) {}
    virtual ~XUSBError() = default;
};

// The instrument's device node may not be opened by this user (no udev rule);
// nobody else holds it. Caught as XUSBError by code that does not care.
class XUSBNoPermission : public XUSBError
{
public:
    XUSBNoPermission() : XUSBError("USB Error: No permission") {}
    virtual ~XUSBNoPermission() = default;
};

// The device left the bus under a transfer (its removal may not have been reported
// yet). Caught as XUSBError by code that does not care.
class XUSBNoDevice : public XUSBError
{
public:
    XUSBNoDevice() : XUSBError("USB Error: No device") {}
    virtual ~XUSBNoDevice() = default;
};

class XUSBNotFound : public XVantorBase
{
public:
    XUSBNotFound() : XVantorBase("USB Error: Unable to find Kelt Vektor Two/Kelt Vektor Two Core")
    {
    }
    virtual ~XUSBNotFound() = default;
};
