// The recently used documents the application keeps on behalf of its documents:
// oldest first, at most eight, each file once; handed to and taken from the
// framework's preference record.
#pragma once

#include "framework/files/CFileSpecList.h"

namespace NSWayfarer
{

class CFileSpec;
class CWayfarerApplicationPreferences;

class CRecentlyUsedDocList
{
public:
    static constexpr unsigned short kMaxRecentlyUsedDocs = 8;

    CRecentlyUsedDocList() = default;
    CRecentlyUsedDocList(const CRecentlyUsedDocList&) = delete;
    CRecentlyUsedDocList& operator=(const CRecentlyUsedDocList&) = delete;

    // A copy goes to the end; an entry for the same file leaves first, and when the
    // list is full the oldest entry makes room.
    void AddDocumentToRecentlyUsed(const CFileSpec* document);
    unsigned short CountRecentlyUsedDocs() const;
    // The entry at the 0-based index (still the list's), null past the end.
    CFileSpec* GetRecentlyUsedDoc(unsigned short index) const;
    // The entry exists and so does its file.
    bool ValidateRecentlyUsedDoc(unsigned short index) const;
    void DeleteAllRecentlyUsedDocuments();
    // Drops the entries whose files are gone; true when any was dropped.
    bool CheckRecentlyUsedDocs();

    // First drops entries whose files are gone; the record holds copies.
    CWayfarerApplicationPreferences GetPreferences();
    // Copies of the record's documents replace the list (the newest eight kept).
    void SetPreferences(const CWayfarerApplicationPreferences& preferences);

private:
    CFileSpecList fRecentlyUsedDocList;
};

} // namespace NSWayfarer
