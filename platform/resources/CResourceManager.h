// The resource calls of the host over resource files kept as plain files: open
// files by reference number, the current resource file, getting one resource
// from the current file only, indexed strings.
#pragma once

#include "platform/files/MacResultCodes.h"
#include "platform/files/SNativeFileSpec.h"
#include "platform/resources/CMemoryHandles.h"

#include <cstdint>
#include <string>

namespace NSPlatform
{

class CResourceFork;

class CResourceManager
{
public:
    static constexpr std::int16_t kNoFile = -1;
    // A resource file holds at most 16 MiB of resources (3-byte offsets) and a map of well under
    // a megabyte; a file of more than twice that is refused before anything is read.
    static constexpr std::uint64_t kMaxFileSize = 32u << 20;

    // Opens a resource file read-only and makes it current. Returns its
    // reference number, or kNoFile with ResError() set: kResFileNotFoundErr
    // for a missing file (or one that is not a regular file), kMapReadErr for
    // a malformed or oversized one, another code for other failures.
    // GetOpenFailure() then describes the failure in words. Only the map is
    // read now; a resource's bytes are read when it is asked for.
    static std::int16_t OpenResFile(const SNativeFileSpec& spec);
    static std::int16_t OpenResFile(const std::string& path);
    // Opens a file image already in memory (tests, fuzzing).
    static std::int16_t OpenResImage(const std::uint8_t* bytes, std::size_t size);
    static void CloseResFile(std::int16_t ref);
    // kNoFile leaves no file current.
    static void UseResFile(std::int16_t ref);
    static std::int16_t CurResFile();
    static TOSErr ResError();
    static std::string GetOpenFailure();
    static std::string GetPath(std::int16_t ref);

    // The resource from the current file only, as a new resource handle; null
    // with ResError() set when there is none. Dialog descriptions ("DLOG") and
    // item lists ("DITL") come with their numeric fields in host order.
    static THandle Get1Resource(std::uint32_t type, std::int16_t id);
    static void ReleaseResource(THandle handle);
    // Entry `index` (from 1) of string list `id` of the current file into a
    // length-prefixed string; an empty string when there is none.
    static void GetIndString(unsigned char* text, std::int16_t id, std::int16_t index);

    // Converts a dialog description or item list from file order (big-endian)
    // to host order in place; parts that run past the end are left alone.
    static void DialogToHostOrder(std::uint32_t type, std::uint8_t* bytes, std::size_t size);
};

} // namespace NSPlatform
