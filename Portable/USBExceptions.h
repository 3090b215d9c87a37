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

class XUSBNotFound : public XVantorBase
{
public:
    XUSBNotFound() : XVantorBase("USB Error: Unable to find Kelt Vektor Two/Kelt Vektor Two Core")
    {
    }
    virtual ~XUSBNotFound() = default;
};
