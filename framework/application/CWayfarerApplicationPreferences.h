// The framework's own preference record: the recently used documents, carried to
// and from a byte stream behind a version.
#pragma once

#include "framework/files/CFileSpecList.h"
#include "framework/graphics/CABCFormat.h"
#include "framework/media/CVersion.h"

namespace NSWayfarer
{

class CMedia;

class CWayfarerApplicationPreferences : public CABCFormat
{
public:
    static const CVersion kApplicationPreferencesVersion;
    // The count is one byte: a record holds at most this many documents.
    static constexpr unsigned long kMaxDocuments = 255;

    CWayfarerApplicationPreferences() = default;
    // Reads a record: XBadFormat for another major version or a record that is not
    // one; a document that cannot be read throws its own error.
    explicit CWayfarerApplicationPreferences(CMedia* media);
    CWayfarerApplicationPreferences(const CWayfarerApplicationPreferences& other) = default;
    CWayfarerApplicationPreferences&
    operator=(const CWayfarerApplicationPreferences& other) = default;
    ~CWayfarerApplicationPreferences() override = default;

    // Version, count byte, then each document packed (the first kMaxDocuments).
    virtual void Pack(CMedia* media) const;

    CFileSpecList fRecentlyUsedDocs;
};

} // namespace NSWayfarer
