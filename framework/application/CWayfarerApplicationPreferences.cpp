#include "framework/application/CWayfarerApplicationPreferences.h"

#include "framework/files/CFileSpec.h"
#include "framework/files/XBase.h"
#include "framework/media/CMedia.h"

#include <algorithm>
#include <memory>

namespace NSWayfarer
{

const CVersion CWayfarerApplicationPreferences::kApplicationPreferencesVersion(1, 0, 0);

CWayfarerApplicationPreferences::CWayfarerApplicationPreferences(CMedia* media)
{
    const CVersion version(media);
    if (!version.IsCompatible(kApplicationPreferencesVersion))
        throw XBadFormat();
    const uint8_t count = media->ReadByte();
    for (uint8_t i = 0; i < count; ++i)
    {
        auto document = std::make_unique<CFileSpec>(media);
        fRecentlyUsedDocs.InsertAtTail(document.get());
        document.release();
    }
}

void CWayfarerApplicationPreferences::Pack(CMedia* media) const
{
    kApplicationPreferencesVersion.Write(media);
    // More than the count byte can say would make a record that reads back wrong.
    const unsigned long count = std::min(fRecentlyUsedDocs.CountObjects(), kMaxDocuments);
    media->WriteByte(static_cast<uint8_t>(count));
    unsigned long written = 0;
    for (CFileSpec* document : fRecentlyUsedDocs)
    {
        if (written++ == count)
            break;
        document->Write(media);
    }
}

} // namespace NSWayfarer
