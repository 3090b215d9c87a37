#include "framework/windows/CDialogResource.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "framework/windows/CMacDialogImage.h"
#include "framework/windows/CMacDialogItemInfo.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace NSWayfarer
{

CDialogResource::CDialogResource(const CABCWindow* /*window*/, short id)
{
    CLowLevelApplication* application = CLowLevelApplication::Get();
    if (application == nullptr || application->GetResourceFile() == nullptr)
        throw XNotFound();
    COpenResourceFile* file = application->GetResourceFile();

    short itemListID;
    {
        std::unique_ptr<CMemoryMedia> dialog(file->Read("DLOG", id));
        itemListID = DecodeDialog(dialog->GetBufferPtr(), dialog->GetSize());
    }
    std::unique_ptr<CMemoryMedia> items(file->Read("DITL", itemListID));
    DecodeItems(items->GetBufferPtr(), items->GetSize());
}

CDialogResource::CDialogResource(const unsigned char* dialog, long dialogSize,
                                 const unsigned char* items, long itemsSize)
{
    DecodeDialog(dialog, dialogSize);
    DecodeItems(items, itemsSize);
}

CDialogResource::~CDialogResource()
{
    DeleteItems();
}

void CDialogResource::GetTitle(char* title) const
{
    std::memcpy(title, fTitle, std::strlen(fTitle) + 1);
}

CDialogItemInfo* CDialogResource::GetDialogItemInfo(short itemID) const
{
    for (CDialogItemInfo* item : fItemInfoList)
    {
        if (item->fItemID == static_cast<unsigned short>(itemID))
            return item;
    }
    return nullptr;
}

short CDialogResource::DecodeDialog(const unsigned char* bytes, long size)
{
    CMacDialogImage image;
    image.Unpack(bytes, size);
    fClientRect = image.fRect;
    static_assert(sizeof fTitle == sizeof image.fTitle);
    std::memcpy(fTitle, image.fTitle, sizeof fTitle);
    return image.fItemListID;
}

void CDialogResource::DecodeItems(const unsigned char* bytes, long size)
{
    try
    {
        if (bytes == nullptr || size < 2)
            throw XBadFormat();
        uint16_t lastIndex;
        std::memcpy(&lastIndex, bytes, sizeof lastIndex);
        // The count is one less than the number of items, so every list
        // holds at least one; each needs its fixed fields, which bounds a
        // count that lies long before the loop reaches the end.
        const long count = long(lastIndex) + 1;
        if (count > (size - 2) / CMacDialogItemInfo::kFixedSize)
            throw XBadFormat();
        long at = 2;
        for (long index = 0; index < count; ++index)
        {
            if (at > size)
                throw XBadFormat();
            CMacDialogItemInfo decoded;
            at += decoded.Unpack(bytes + at, size - at, static_cast<unsigned short>(index));
            std::unique_ptr<CDialogItemInfo> item(decoded.NewDialogItemInfo());
            fItemInfoList.TailInsert(item.get());
            item.release();
        }
    }
    catch (...)
    {
        DeleteItems();
        throw;
    }
}

void CDialogResource::DeleteItems()
{
    for (CDialogItemInfo* item : fItemInfoList)
        delete item;
    fItemInfoList.RemoveAll();
}

} // namespace NSWayfarer
