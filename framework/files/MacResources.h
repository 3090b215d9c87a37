// Memory handles and single resources with the framework's failure rules:
// thin wrappers over the platform's handle and resource calls.
#pragma once

namespace NSWayfarer
{

// A zero-filled block; XMacSystemOOM when none is available.
char** MacNewHandle(long size);
char** MacNewLockedHandle(long size);
bool MacIsHandleLocked(char** handle);
void MacLockHandle(char** handle);
void MacUnlockHandle(char** handle);
// XBase for a size of zero or less.
long MacGetHandleSize(char** handle);
void MacDeletePossiblyLockedHandle(char*** handle);

// From the current resource file only. XNotFound for a missing resource,
// XFileNotFound when there is no current file, XMacSystemOOM without memory.
char** MacGet1Resource(const char* type, short id);
// XInternalError when the platform reports an error afterwards.
void MacReleaseResource(char*** handle);
// Any failure to get the resource counts as absent.
bool MacDoesResourceExist(const char* type, short id);
long MacPreflightMemory(long size);

// The first four characters as a code, the first in the most significant byte.
unsigned long MacResourceTypeCode(const char* type);

} // namespace NSWayfarer
