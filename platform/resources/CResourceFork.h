// The contents of one resource file in the classic resource-fork layout, kept
// as a plain file: parsing with every offset checked, and writing.
#pragma once

#include "platform/files/MacResultCodes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace NSPlatform
{

struct SResourceEntry
{
    std::uint32_t mType = 0; // four-character code
    std::int16_t mID = 0;
    bool mHasName = false;
    std::string mName; // at most 255 bytes
    std::uint8_t mAttributes = 0;
    std::vector<std::uint8_t> mData;
};

// What the map says about one resource, without its bytes.
struct SResourceInfo
{
    std::uint32_t mType = 0;
    std::int16_t mID = 0;
    bool mHasName = false;
    std::string mName;
    std::uint8_t mAttributes = 0;
    std::uint64_t mDataPos = 0; // where the resource's bytes start in the file
    std::uint32_t mSize = 0;
};

class CResourceFork
{
public:
    // Where the data area starts in files this class writes, as classic tools
    // leave room for system and application data after the header.
    static constexpr std::uint32_t kDataOffset = 256;
    static constexpr std::uint32_t kMaxDataArea = 0xFFFFFF; // 3-byte data offsets

    // Reads `size` bytes at `offset` of a file into `into`; false when they cannot be read.
    using TReadAt = std::function<bool(std::uint64_t offset, std::size_t size, std::uint8_t* into)>;

    // Parses a whole file. On failure returns kMapReadErr and tells why.
    static TOSErr Parse(const std::uint8_t* bytes, std::size_t size, CResourceFork* out,
                        std::string* why);
    // Reads only the header, the map and each resource's length word of a file of `fileSize`
    // bytes, and checks them as Parse does. kMapReadErr for a damaged file, kIOErr when
    // `read` fails; `why` tells which.
    static TOSErr ParseIndex(const TReadAt& read, std::uint64_t fileSize,
                             std::vector<SResourceInfo>* index, std::uint16_t* fileAttributes,
                             std::string* why);
    // The file image: header, data area, map. Fails (kParamErr, with the reason)
    // when the contents do not fit the format's offset fields.
    TOSErr Serialize(std::vector<std::uint8_t>* out, std::string* why) const;

    // Adds a resource; false when one of that type and id is already there.
    bool Add(SResourceEntry entry);
    const SResourceEntry* Find(std::uint32_t type, std::int16_t id) const;
    const std::vector<SResourceEntry>& GetEntries() const { return fEntries; }
    std::uint16_t GetFileAttributes() const { return fFileAttributes; }
    void SetFileAttributes(std::uint16_t attributes) { fFileAttributes = attributes; }

    // Four-character code helpers (first character in the most significant byte).
    static std::uint32_t PackCode(const char* text);
    static std::string CodeToString(std::uint32_t code);

private:
    static TOSErr ParseIndexInto(const TReadAt& read, std::uint64_t fileSize,
                                 std::vector<SResourceInfo>* index, std::uint16_t* fileAttributes,
                                 std::string* why);

    std::vector<SResourceEntry> fEntries;
    std::uint16_t fFileAttributes = 0;
};

} // namespace NSPlatform
