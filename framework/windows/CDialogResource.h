// A window layout read from the application's resource file: the client size and
// title of a dialog description ("DLOG") and the items of its item list ("DITL").
#pragma once

#include "framework/graphics/CGlobalRect.h"
#include "framework/text/CLinkedListTemplate.h"
#include "framework/windows/CDialogItemInfo.h"

namespace NSWayfarer
{

class CABCWindow;

class CDialogResource
{
public:
    static constexpr int kMaxTitleLength = 128;

    // Reads description `id` and its item list from the application's resource
    // file. The window is not used. Failures of the resource layer propagate;
    // XBadFormat for a record that runs past its resource's end.
    CDialogResource(const CABCWindow* window, short id);
    // Decodes a description and an item list from the given bytes.
    CDialogResource(const unsigned char* dialog, long dialogSize, const unsigned char* items,
                    long itemsSize);
    ~CDialogResource();
    CDialogResource(const CDialogResource&) = delete;
    CDialogResource& operator=(const CDialogResource&) = delete;

    // Only the width and height mean anything.
    CGlobalRect GetClientRect() const { return fClientRect; }
    // title needs kMaxTitleLength + 1 bytes; empty when the description has none.
    void GetTitle(char* title) const;
    // The item with that 1-based number, or null.
    CDialogItemInfo* GetDialogItemInfo(short itemID) const;
    unsigned long CountItems() const { return fItemInfoList.CountItems(); }
    const CLinkedListTemplate<CDialogItemInfo*>& GetItemInfoList() const { return fItemInfoList; }

private:
    // The item list id of the description.
    short DecodeDialog(const unsigned char* bytes, long size);
    void DecodeItems(const unsigned char* bytes, long size);
    void DeleteItems();

    CGlobalRect fClientRect;
    char fTitle[kMaxTitleLength + 1] = {};
    CLinkedListTemplate<CDialogItemInfo*> fItemInfoList; // owns the items
};

} // namespace NSWayfarer
