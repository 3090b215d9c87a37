// Feeds arbitrary dialog descriptions and item lists to the dialog decoders.
// Each must be refused with XBadFormat or give a layout whose items are
// numbered in order and whose texts fit their fields.
//
// Input: one byte n, then n bytes of description, then the item list. Each part
// is copied into a block of its own size, so a read past either end is caught.

#include "framework/files/XBase.h"
#include "framework/windows/CDialogItemInfo.h"
#include "framework/windows/CDialogResource.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace NSWayfarer;

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::unique_ptr<unsigned char[]> Copy(const std::uint8_t* data, std::size_t size)
{
    auto block = std::make_unique<unsigned char[]>(size == 0 ? 1 : size);
    if (size > 0)
        std::memcpy(block.get(), data, size);
    return block;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t dialogSize = std::min<std::size_t>(data[0], size - 1);
    const std::size_t itemsSize = size - 1 - dialogSize;
    const auto dialog = Copy(data + 1, dialogSize);
    const auto items = Copy(data + 1 + dialogSize, itemsSize);
    try
    {
        const CDialogResource resource(dialog.get(), long(dialogSize), items.get(),
                                       long(itemsSize));
        char title[CDialogResource::kMaxTitleLength + 1];
        resource.GetTitle(title);
        Check(std::strlen(title) <= std::size_t(CDialogResource::kMaxTitleLength));

        const unsigned long count = resource.CountItems();
        Check(count >= 1 && count <= 65536);
        unsigned long number = 0;
        for (const CDialogItemInfo* item : resource.GetItemInfoList())
        {
            ++number;
            Check(item->fItemID == static_cast<unsigned short>(number));
            Check(std::strlen(item->fString) <= std::size_t(CDialogItemInfo::kMaxStringLength));
            Check(item->fType >= CDialogItemInfo::kUnknown &&
                  item->fType <= CDialogItemInfo::kUserItem);
            const bool hasID =
                item->fType == CDialogItemInfo::kPicture || item->fType == CDialogItemInfo::kIcon;
            if (!hasID)
                Check(item->fContentsResourceID == -1);
            if (number <= 40)
                Check(resource.GetDialogItemInfo(static_cast<short>(number)) == item);
        }
        Check(number == count);
        Check(resource.GetDialogItemInfo(0) == nullptr);
    }
    catch (const XBadFormat&)
    {
    }
    return 0;
}
