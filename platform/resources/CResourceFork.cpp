#include "platform/resources/CResourceFork.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace NSPlatform
{

namespace
{

std::uint32_t Get32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

std::uint32_t Get24(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | std::uint32_t(p[2]);
}

std::uint16_t Get16(const std::uint8_t* p)
{
    return std::uint16_t((p[0] << 8) | p[1]);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v >> 24));
    out.push_back(std::uint8_t(v >> 16));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

void Put24(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v >> 16));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

TOSErr Fail(std::string* why, const std::string& text)
{
    if (why != nullptr)
        *why = text;
    return kMapReadErr;
}

TOSErr ReadFailed(std::string* why)
{
    if (why != nullptr)
        *why = "read error";
    return kIOErr;
}

// Type list offset + its largest reference list offset + 65536 references of 12 bytes, the
// farthest a map's 16-bit offsets reach (names reach less far), rounded up.
constexpr std::uint64_t kMapReach = 0x100000;
static_assert(0xFFFF + 0xFFFF + 12 * 0x10000 <= kMapReach, "map reach");

} // namespace

std::uint32_t CResourceFork::PackCode(const char* text)
{
    std::uint32_t code = 0;
    bool ended = false;
    for (int i = 0; i < 4; ++i)
    {
        ended = ended || text[i] == '\0';
        code = (code << 8) | (ended ? 0x20u : std::uint8_t(text[i]));
    }
    return code;
}

std::string CResourceFork::CodeToString(std::uint32_t code)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += char((code >> shift) & 0xFF);
    return text;
}

TOSErr CResourceFork::Parse(const std::uint8_t* bytes, std::size_t size, CResourceFork* out,
                            std::string* why)
{
    *out = CResourceFork();
    const TReadAt read = [bytes, size](std::uint64_t offset, std::size_t length, std::uint8_t* into)
    {
        if (offset > size || length > size - offset)
            return false;
        std::copy(bytes + offset, bytes + offset + length, into);
        return true;
    };
    std::vector<SResourceInfo> index;
    std::uint16_t attributes = 0;
    const TOSErr result = ParseIndex(read, size, &index, &attributes, why);
    if (result != kNoErr)
        return result; // a refused file leaves nothing half-read behind
    out->fFileAttributes = attributes;
    out->fEntries.reserve(index.size());
    for (SResourceInfo& info : index)
    {
        SResourceEntry entry;
        entry.mType = info.mType;
        entry.mID = info.mID;
        entry.mHasName = info.mHasName;
        entry.mName = std::move(info.mName);
        entry.mAttributes = info.mAttributes;
        entry.mData.assign(bytes + info.mDataPos, bytes + info.mDataPos + info.mSize);
        out->fEntries.push_back(std::move(entry));
    }
    return kNoErr;
}

TOSErr CResourceFork::ParseIndex(const TReadAt& read, std::uint64_t fileSize,
                                 std::vector<SResourceInfo>* index, std::uint16_t* fileAttributes,
                                 std::string* why)
{
    const TOSErr result = ParseIndexInto(read, fileSize, index, fileAttributes, why);
    if (result != kNoErr)
    {
        index->clear();
        *fileAttributes = 0;
    }
    return result;
}

TOSErr CResourceFork::ParseIndexInto(const TReadAt& read, std::uint64_t size,
                                     std::vector<SResourceInfo>* index,
                                     std::uint16_t* fileAttributes, std::string* why)
{
    // All arithmetic on offsets is done in 64 bits, so no sum can wrap.
    using U = std::uint64_t;
    index->clear();
    *fileAttributes = 0;
    if (size < 16)
        return Fail(why,
                    "file too short for a resource header (" + std::to_string(size) + " bytes)");
    std::uint8_t header[16];
    if (!read(0, sizeof(header), header))
        return ReadFailed(why);
    const U dataOffset = Get32(header);
    const U mapOffset = Get32(header + 4);
    const U dataLength = Get32(header + 8);
    const U mapLength = Get32(header + 12);
    if (dataOffset + dataLength > size)
        return Fail(why, "data area runs past the end of the file");
    if (mapOffset + mapLength > size)
        return Fail(why, "resource map runs past the end of the file");
    if (mapLength < 30)
        return Fail(why, "resource map too short");
    // Every place the map's 16-bit offsets can name lies in its first megabyte, so a padded
    // map is never read further; each check below against mapLength stays within `mapBytes`.
    std::vector<std::uint8_t> mapBytes(std::size_t(std::min<U>(mapLength, kMapReach)));
    if (!read(mapOffset, mapBytes.size(), mapBytes.data()))
        return ReadFailed(why);
    const std::uint8_t* map = mapBytes.data();
    *fileAttributes = Get16(map + 22);
    const U typeListOffset = Get16(map + 24);
    const U nameListOffset = Get16(map + 26);
    if (typeListOffset + 2 > mapLength)
        return Fail(why, "type list outside the resource map");
    if (nameListOffset > mapLength)
        return Fail(why, "name list outside the resource map");
    const std::uint8_t* typeList = map + typeListOffset;
    const U typeCount = U(std::uint16_t(Get16(typeList) + 1));
    if (typeListOffset + 2 + 8 * typeCount > mapLength)
        return Fail(why, "type count " + std::to_string(typeCount) + " overflows the resource map");

    // Every reference and every resource's bytes have a place of their own in
    // a real file. Reference lists that overlap, or resources that share their
    // bytes, would let a small file stand for billions of copies (hours of work
    // and more memory than there is), so they count as damage, however much
    // padding the map or the data area carries.
    std::vector<std::pair<U, U>> refLists; // start, end in the map
    for (U t = 0; t < typeCount; ++t)
    {
        const std::uint8_t* typeEntry = typeList + 2 + 8 * t;
        const U refCount = U(Get16(typeEntry + 4)) + 1;
        const U refListOffset = typeListOffset + Get16(typeEntry + 6);
        if (refListOffset + 12 * refCount > mapLength)
            return Fail(why, "reference list of '" + CodeToString(Get32(typeEntry)) +
                                 "' runs past the end of the resource map");
        refLists.emplace_back(refListOffset, refListOffset + 12 * refCount);
    }
    std::sort(refLists.begin(), refLists.end());
    for (std::size_t k = 1; k < refLists.size(); ++k)
    {
        if (refLists[k].first < refLists[k - 1].second)
            return Fail(why, "reference lists overlap");
    }

    struct SItem
    {
        U mStart, mEnd; // in the data area
        std::size_t mIndex;
        bool operator<(const SItem& other) const { return mStart < other.mStart; }
    };
    std::vector<SItem> itemsUsed;
    std::set<std::pair<std::uint32_t, std::int16_t>> seen;
    for (U t = 0; t < typeCount; ++t)
    {
        const std::uint8_t* typeEntry = typeList + 2 + 8 * t;
        const std::uint32_t type = Get32(typeEntry);
        const U refCount = U(Get16(typeEntry + 4)) + 1;
        const U refListOffset = typeListOffset + Get16(typeEntry + 6);
        for (U r = 0; r < refCount; ++r)
        {
            const std::uint8_t* ref = map + refListOffset + 12 * r;
            SResourceInfo info;
            info.mType = type;
            info.mID = std::int16_t(Get16(ref));
            const std::uint16_t nameOffset = Get16(ref + 2);
            info.mAttributes = ref[4];
            const U itemOffset = Get24(ref + 5);
            const std::string label = "'" + CodeToString(type) + "' " + std::to_string(info.mID);
            if (nameOffset != 0xFFFF)
            {
                const U at = nameListOffset + nameOffset;
                if (at + 1 > mapLength || at + 1 + map[at] > mapLength)
                    return Fail(why, "name of " + label + " outside the resource map");
                info.mHasName = true;
                info.mName.assign(reinterpret_cast<const char*>(map + at + 1), map[at]);
            }
            if (itemOffset + 4 > dataLength)
                return Fail(why, label + " points outside the data area");
            std::uint8_t lengthWord[4];
            if (!read(dataOffset + itemOffset, sizeof(lengthWord), lengthWord))
                return ReadFailed(why);
            const U length = Get32(lengthWord);
            if (itemOffset + 4 + length > dataLength)
                return Fail(why, label + " runs past the end of the data area");
            // The first of two resources with the same type and id is the one
            // a lookup finds, so later copies are dropped.
            if (!seen.insert({type, info.mID}).second)
                continue;
            itemsUsed.push_back({itemOffset, itemOffset + 4 + length, index->size()});
            info.mDataPos = dataOffset + itemOffset + 4;
            info.mSize = std::uint32_t(length);
            index->push_back(std::move(info));
        }
    }
    std::sort(itemsUsed.begin(), itemsUsed.end());
    for (std::size_t k = 1; k < itemsUsed.size(); ++k)
    {
        if (itemsUsed[k].mStart < itemsUsed[k - 1].mEnd)
        {
            const SResourceInfo& info = (*index)[itemsUsed[k].mIndex];
            return Fail(why, "'" + CodeToString(info.mType) + "' " + std::to_string(info.mID) +
                                 " shares its bytes with another resource");
        }
    }
    return kNoErr;
}

TOSErr CResourceFork::Serialize(std::vector<std::uint8_t>* out, std::string* why) const
{
    // Types in code order, ids ascending, so the same contents always give the
    // same bytes.
    std::map<std::uint32_t, std::vector<const SResourceEntry*>> byType;
    for (const SResourceEntry& entry : fEntries)
        byType[entry.mType].push_back(&entry);
    for (auto& [type, list] : byType)
        std::sort(list.begin(), list.end(),
                  [](const SResourceEntry* a, const SResourceEntry* b) { return a->mID < b->mID; });

    std::vector<std::uint8_t> dataArea;
    std::vector<std::uint8_t> names;
    std::map<const SResourceEntry*, std::pair<std::uint32_t, int>>
        placed; // data offset, name offset
    for (const auto& [type, list] : byType)
    {
        for (const SResourceEntry* entry : list)
        {
            if (dataArea.size() + 4 + entry->mData.size() > kMaxDataArea ||
                entry->mData.size() > 0xFFFFFFFFu)
            {
                if (why != nullptr)
                    *why = "resources exceed the 16 MiB data area of a resource file";
                return kParamErr;
            }
            int nameOffset = -1;
            if (entry->mHasName)
            {
                if (entry->mName.size() > 255 || names.size() > 0x7FFF)
                {
                    if (why != nullptr)
                        *why = "resource name too long or too many names";
                    return kParamErr;
                }
                nameOffset = int(names.size());
                names.push_back(std::uint8_t(entry->mName.size()));
                names.insert(names.end(), entry->mName.begin(), entry->mName.end());
            }
            placed[entry] = {std::uint32_t(dataArea.size()), nameOffset};
            Put32(dataArea, std::uint32_t(entry->mData.size()));
            dataArea.insert(dataArea.end(), entry->mData.begin(), entry->mData.end());
        }
    }

    const std::size_t typeListOffset = 28;
    const std::size_t typeListSize = 2 + 8 * byType.size();
    const std::size_t refListSize = 12 * fEntries.size();
    const std::size_t nameListOffset = typeListOffset + typeListSize + refListSize;
    if (byType.size() > 0x10000 || nameListOffset > 0xFFFF)
    {
        if (why != nullptr)
            *why = "too many resources for one resource map";
        return kParamErr;
    }
    const std::uint32_t mapLength = std::uint32_t(nameListOffset + names.size());
    const std::uint32_t dataLength = std::uint32_t(dataArea.size());
    const std::uint32_t mapOffset = kDataOffset + dataLength;

    std::vector<std::uint8_t> header;
    Put32(header, kDataOffset);
    Put32(header, mapOffset);
    Put32(header, dataLength);
    Put32(header, mapLength);

    std::vector<std::uint8_t>& file = *out;
    file = header;
    file.resize(kDataOffset, 0);
    file.insert(file.end(), dataArea.begin(), dataArea.end());
    file.insert(file.end(), header.begin(), header.end());
    Put32(file, 0); // handle of the next map
    Put16(file, 0); // file reference
    Put16(file, fFileAttributes);
    Put16(file, std::uint16_t(typeListOffset));
    Put16(file, std::uint16_t(nameListOffset));
    Put16(file, std::uint16_t(byType.size() - 1));
    std::size_t refOffset = typeListSize; // from the start of the type list
    for (const auto& [type, list] : byType)
    {
        Put32(file, type);
        Put16(file, std::uint16_t(list.size() - 1));
        Put16(file, std::uint16_t(refOffset));
        refOffset += 12 * list.size();
    }
    for (const auto& [type, list] : byType)
    {
        for (const SResourceEntry* entry : list)
        {
            const auto& [dataOffset, nameOffset] = placed[entry];
            Put16(file, std::uint16_t(entry->mID));
            Put16(file, std::uint16_t(nameOffset < 0 ? 0xFFFF : nameOffset));
            file.push_back(entry->mAttributes);
            Put24(file, dataOffset);
            Put32(file, 0); // handle
        }
    }
    file.insert(file.end(), names.begin(), names.end());
    return kNoErr;
}

bool CResourceFork::Add(SResourceEntry entry)
{
    if (Find(entry.mType, entry.mID) != nullptr)
        return false;
    fEntries.push_back(std::move(entry));
    return true;
}

const SResourceEntry* CResourceFork::Find(std::uint32_t type, std::int16_t id) const
{
    for (const SResourceEntry& entry : fEntries)
    {
        if (entry.mType == type && entry.mID == id)
            return &entry;
    }
    return nullptr;
}

} // namespace NSPlatform
