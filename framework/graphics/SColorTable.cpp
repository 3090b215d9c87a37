#include "framework/graphics/SColorTable.h"

#include <atomic>

namespace NSWayfarer
{

int32_t SColorTable::NewSeed()
{
    // Low seeds are left to the fixed system tables.
    static std::atomic<int32_t> gNext{1024};
    return gNext.fetch_add(1, std::memory_order_relaxed);
}

} // namespace NSWayfarer
