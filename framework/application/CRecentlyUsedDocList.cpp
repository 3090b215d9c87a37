#include "framework/application/CRecentlyUsedDocList.h"

#include "framework/application/CWayfarerApplicationPreferences.h"
#include "framework/files/CFileSpec.h"

#include <memory>

namespace NSWayfarer
{

void CRecentlyUsedDocList::AddDocumentToRecentlyUsed(const CFileSpec* document)
{
    if (!document)
        return;
    auto copy = std::make_unique<CFileSpec>(*document);
    for (auto it = fRecentlyUsedDocList.begin(); !it.IsEnd();)
    {
        if ((*it)->IsEqual(copy.get()))
        {
            CFileSpec* same = *it;
            fRecentlyUsedDocList.RemoveAt(it);
            delete same;
        }
        else
        {
            ++it;
        }
    }
    // A full list gives up its oldest entry: what was used last is what a user
    // looks for in it.
    while (fRecentlyUsedDocList.CountObjects() >= kMaxRecentlyUsedDocs)
        delete fRecentlyUsedDocList.RemoveHead();
    fRecentlyUsedDocList.InsertAtTail(copy.get());
    copy.release();
}

unsigned short CRecentlyUsedDocList::CountRecentlyUsedDocs() const
{
    return static_cast<unsigned short>(fRecentlyUsedDocList.CountObjects());
}

CFileSpec* CRecentlyUsedDocList::GetRecentlyUsedDoc(unsigned short index) const
{
    auto it = fRecentlyUsedDocList.GetIterator(index);
    return it.IsEnd() ? nullptr : *it;
}

bool CRecentlyUsedDocList::ValidateRecentlyUsedDoc(unsigned short index) const
{
    const CFileSpec* document = GetRecentlyUsedDoc(index);
    return document && document->DoesFileExist();
}

void CRecentlyUsedDocList::DeleteAllRecentlyUsedDocuments()
{
    fRecentlyUsedDocList.DeleteAll();
}

bool CRecentlyUsedDocList::CheckRecentlyUsedDocs()
{
    bool dropped = false;
    for (auto it = fRecentlyUsedDocList.begin(); !it.IsEnd();)
    {
        if (!(*it)->DoesFileExist())
        {
            CFileSpec* gone = *it;
            fRecentlyUsedDocList.RemoveAt(it);
            delete gone;
            dropped = true;
        }
        else
        {
            ++it;
        }
    }
    return dropped;
}

CWayfarerApplicationPreferences CRecentlyUsedDocList::GetPreferences()
{
    CheckRecentlyUsedDocs();
    CWayfarerApplicationPreferences preferences;
    preferences.fRecentlyUsedDocs = fRecentlyUsedDocList;
    return preferences;
}

void CRecentlyUsedDocList::SetPreferences(const CWayfarerApplicationPreferences& preferences)
{
    CFileSpecList copies = preferences.fRecentlyUsedDocs;
    fRecentlyUsedDocList.DeleteAll();
    // The list never holds more than it can show: a longer record keeps its newest.
    while (copies.CountObjects() > kMaxRecentlyUsedDocs)
        delete copies.RemoveHead();
    for (CFileSpec* document : copies)
        fRecentlyUsedDocList.InsertAtTail(document);
    copies.RemoveAll();
}

} // namespace NSWayfarer
