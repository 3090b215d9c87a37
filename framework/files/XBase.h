// The framework's failure types. Each carries only its type: code that needs
// more detail finds it out before throwing.
#pragma once

#include <exception>
#include <new>

namespace NSWayfarer
{

class XBase : public std::exception
{
public:
    XBase() = default;
    virtual ~XBase() = default;
};

// An operating-system call that must not fail did fail.
class XInternalError : public XBase
{
public:
    XInternalError() = default;
    virtual ~XInternalError() = default;
};

// A file-system operation failed for a reason none of the subclasses names.
class XFile : public XBase
{
public:
    XFile() = default;
    virtual ~XFile() = default;
};

class XOpenFailed : public XFile
{
public:
    XOpenFailed() = default;
    virtual ~XOpenFailed() = default;
};

class XFileNotFound : public XFile
{
public:
    XFileNotFound() = default;
    virtual ~XFileNotFound() = default;
};

class XCreateFailed : public XFile
{
public:
    XCreateFailed() = default;
    virtual ~XCreateFailed() = default;
};

class XFileLocked : public XFile
{
public:
    XFileLocked() = default;
    virtual ~XFileLocked() = default;
};

class XDiskFull : public XFile
{
public:
    XDiskFull() = default;
    virtual ~XDiskFull() = default;
};

// Stored data does not have the expected form.
class XBadFormat : public XBase
{
public:
    XBadFormat() = default;
    virtual ~XBadFormat() = default;
};

// Streams throw these three too, so they hang off XBase rather than XFile.
class XPosition : public XBase
{
public:
    XPosition() = default;
    virtual ~XPosition() = default;
};

class XRead : public XBase
{
public:
    XRead() = default;
    virtual ~XRead() = default;
};

class XWrite : public XBase
{
public:
    XWrite() = default;
    virtual ~XWrite() = default;
};

// A named item inside a container (a resource, a picture, an exported symbol)
// does not exist.
class XNotFound : public XBase
{
public:
    XNotFound() = default;
    virtual ~XNotFound() = default;
};

class XFailedLoadingDLL : public XBase
{
public:
    XFailedLoadingDLL() = default;
    virtual ~XFailedLoadingDLL() = default;
};

// The loader ran out of memory; deliberately an allocation failure, not an XBase.
class XMacSystemOOM : public std::bad_alloc
{
public:
    XMacSystemOOM() = default;
    virtual ~XMacSystemOOM() = default;
};

} // namespace NSWayfarer
