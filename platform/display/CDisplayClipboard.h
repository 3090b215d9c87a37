// The clipboard: text goes through the desktop's clipboard, so other programs see
// it; data of other kinds stays inside the process.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace NSPlatform
{

class CDisplayClipboard
{
public:
    using TBytes = std::vector<uint8_t>;

    // kind is a four-character code packed with the first character highest.
    static bool Has(uint32_t kind);
    static std::optional<TBytes> Get(uint32_t kind);
    static void Put(uint32_t kind, const TBytes& bytes);

    // Text kind ('TEXT'): 8-bit text here (Latin-1), UTF-8 on the desktop.
    static constexpr uint32_t kTextKind = 0x54455854;
};

} // namespace NSPlatform
