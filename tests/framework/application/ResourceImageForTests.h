// Builds resource files in the classic layout in memory, so tests can give an
// application exactly the resources they want (or none).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ResourceImageForTests
{

// type (four characters) and id -> bytes
using TResources = std::map<std::pair<std::string, int16_t>, std::vector<uint8_t>>;

inline void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    out[at] = uint8_t(v >> 8);
    out[at + 1] = uint8_t(v);
}

inline void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    Put16(out, at, v >> 16);
    Put16(out, at + 2, v & 0xFFFF);
}

inline std::vector<uint8_t> Build(const TResources& resources)
{
    // Group by type, in type order.
    std::map<std::string, std::vector<std::pair<int16_t, const std::vector<uint8_t>*>>> byType;
    for (const auto& [key, bytes] : resources)
        byType[key.first].push_back({key.second, &bytes});

    const uint32_t dataOffset = 256;
    std::vector<uint8_t> data;
    std::vector<uint32_t> offsets;
    for (const auto& [type, list] : byType)
        for (const auto& [id, bytes] : list)
        {
            offsets.push_back(static_cast<uint32_t>(data.size()));
            const size_t at = data.size();
            data.resize(at + 4 + bytes->size());
            Put32(data, at, static_cast<uint32_t>(bytes->size()));
            std::copy(bytes->begin(), bytes->end(), data.begin() + long(at) + 4);
        }

    const size_t typeCount = byType.size();
    size_t refCount = 0;
    for (const auto& entry : byType)
        refCount += entry.second.size();
    const size_t typeListOffset = 28;
    const size_t typeListSize = 2 + 8 * typeCount;
    const size_t mapSize = typeListOffset + typeListSize + 12 * refCount;
    std::vector<uint8_t> map(mapSize, 0);
    Put16(map, 24, typeListOffset);
    Put16(map, 26, static_cast<uint32_t>(mapSize)); // empty name list at the end
    Put16(map, typeListOffset, static_cast<uint32_t>(typeCount - 1) & 0xFFFF);
    size_t refAt = typeListSize; // from the type list's start
    size_t t = 0, r = 0;
    for (const auto& [type, list] : byType)
    {
        const size_t entry = typeListOffset + 2 + 8 * t;
        for (int i = 0; i < 4; ++i)
            map[entry + i] = static_cast<uint8_t>(i < int(type.size()) ? type[i] : ' ');
        Put16(map, entry + 4, static_cast<uint32_t>(list.size() - 1));
        Put16(map, entry + 6, static_cast<uint32_t>(refAt));
        for (const auto& item : list)
        {
            const size_t ref = typeListOffset + refAt;
            Put16(map, ref, static_cast<uint16_t>(item.first));
            Put16(map, ref + 2, 0xFFFF);
            Put32(map, ref + 4, offsets[r] & 0x00FFFFFF);
            refAt += 12;
            ++r;
        }
        ++t;
    }

    const uint32_t mapOffset = dataOffset + static_cast<uint32_t>(data.size());
    std::vector<uint8_t> file(mapOffset + map.size(), 0);
    if (!data.empty())
        std::memcpy(file.data() + dataOffset, data.data(), data.size());
    std::memcpy(file.data() + mapOffset, map.data(), map.size());
    Put32(file, 0, dataOffset);
    Put32(file, 4, mapOffset);
    Put32(file, 8, static_cast<uint32_t>(data.size()));
    Put32(file, 12, static_cast<uint32_t>(map.size()));
    for (int i = 0; i < 16; ++i)
        file[mapOffset + i] = file[i];
    return file;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace ResourceImageForTests
