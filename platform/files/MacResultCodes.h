// Result codes of the platform's file, resource, memory and code-loading calls.
// The Linux layer reports failures with these values so the framework above
// can keep choosing its exception types from them.
#pragma once

#include <cstdint>

namespace NSPlatform
{

using TOSErr = std::int16_t;

constexpr TOSErr kNoErr = 0;
constexpr TOSErr kDiskFullErr = -34;
constexpr TOSErr kNoSuchVolumeErr = -35;
constexpr TOSErr kIOErr = -36;
constexpr TOSErr kBadNameErr = -37;
constexpr TOSErr kFileNotOpenErr = -38;
constexpr TOSErr kEOFErr = -39;
constexpr TOSErr kPositionErr = -40;
constexpr TOSErr kTooManyFilesOpenErr = -42;
constexpr TOSErr kFileNotFoundErr = -43;
constexpr TOSErr kWritePermissionErr = -44; // volume is read-only
constexpr TOSErr kFileLockedErr = -45;
constexpr TOSErr kVolumeLockedErr = -46;
constexpr TOSErr kFileBusyErr = -47;
constexpr TOSErr kDuplicateNameErr = -48;
constexpr TOSErr kParamErr = -50;
constexpr TOSErr kRefNumErr = -51;
constexpr TOSErr kPermissionErr = -54;
constexpr TOSErr kWrongPermissionErr = -61;
constexpr TOSErr kDirNotFoundErr = -120;
constexpr TOSErr kMemFullErr = -108;
constexpr TOSErr kNilHandleErr = -109;
constexpr TOSErr kMemWrongZoneErr = -111; // handle not known to the memory layer
constexpr TOSErr kResNotFoundErr = -192;
constexpr TOSErr kResFileNotFoundErr = -193;
constexpr TOSErr kMapReadErr = -199; // the resource file is malformed
constexpr TOSErr kResNotAResourceErr = -194;

// Code fragments (shared libraries).
constexpr TOSErr kFragNoSymbolErr = -2802;
constexpr TOSErr kFragNoLibraryErr = -2804;
constexpr TOSErr kFragUnresolvedErr = -2807;
constexpr TOSErr kFragLibConnErr = -2817; // a library it needs is missing
constexpr TOSErr kFragFormatErr = -2814;
constexpr TOSErr kFragInitFailedErr = -2821;

// Maps an errno value to the closest result code.
TOSErr ResultFromErrno(int error);

} // namespace NSPlatform
