// One request from the desktop to open the application, a document or a folder,
// queued until the running loop's idle pass turns it into an open call.
#pragma once

#include <memory>

namespace NSWayfarer
{

class CDirSpec;
class CFileSpec;

class COpenDocumentRequest
{
public:
    enum EType
    {
        kNone = 23,
        kFile = 24,
        kDirectory = 25
    };

    COpenDocumentRequest();
    explicit COpenDocumentRequest(const CFileSpec* file);
    explicit COpenDocumentRequest(const CDirSpec* directory);
    ~COpenDocumentRequest();
    COpenDocumentRequest(const COpenDocumentRequest&) = delete;
    COpenDocumentRequest& operator=(const COpenDocumentRequest&) = delete;

    EType GetType() const;
    // New copies; the caller deletes them. Null when the request holds none.
    CFileSpec* GetFile() const;
    CDirSpec* GetDirectory() const;

private:
    std::unique_ptr<CFileSpec> fFile;
    std::unique_ptr<CDirSpec> fDirectory;
};

} // namespace NSWayfarer
