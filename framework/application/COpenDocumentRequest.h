// One request from the desktop to open the application, a document or a folder,
// queued until the running loop's idle pass turns it into an open call.
#pragma once

#include <memory>
#include <string>
#include <vector>

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

    // What the desktop names by path (the command line, files dropped on a window):
    // a folder request for a folder, else a file request; symbolic links are
    // followed. XFileNotFound when nothing is there.
    static std::unique_ptr<COpenDocumentRequest> NewFromPath(const std::string& path);
    // One request per path that names something, in order; the others are skipped
    // and counted in `skipped` when given.
    static std::vector<std::unique_ptr<COpenDocumentRequest>>
    NewFromPaths(const std::vector<std::string>& paths, size_t* skipped = nullptr);

    EType GetType() const;
    // New copies; the caller deletes them. Null when the request holds none.
    CFileSpec* GetFile() const;
    CDirSpec* GetDirectory() const;

private:
    std::unique_ptr<CFileSpec> fFile;
    std::unique_ptr<CDirSpec> fDirectory;
};

} // namespace NSWayfarer
