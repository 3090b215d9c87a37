#include "framework/application/COpenDocumentRequest.h"

#include "framework/files/CDirSpec.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/XBase.h"

#include <filesystem>

namespace NSWayfarer
{

COpenDocumentRequest::COpenDocumentRequest() = default;

COpenDocumentRequest::COpenDocumentRequest(const CFileSpec* file)
    : fFile(file ? file->Clone() : nullptr)
{
}

COpenDocumentRequest::COpenDocumentRequest(const CDirSpec* directory)
    : fDirectory(directory ? new CDirSpec(*directory) : nullptr)
{
}

COpenDocumentRequest::~COpenDocumentRequest() = default;

std::unique_ptr<COpenDocumentRequest> COpenDocumentRequest::NewFromPath(const std::string& path)
{
    if (path.empty())
        throw XFileNotFound();
    CFileSpec file = CFileSpec::FromPath(path);
    file.Resolve();
    std::error_code error;
    const auto status = std::filesystem::status(file.GetPath(), error);
    if (error || !std::filesystem::exists(status))
        throw XFileNotFound();
    if (std::filesystem::is_directory(status))
    {
        NSPlatform::SNativeFileSpec native;
        file.MacGetFSSpec(&native);
        const CDirSpec directory(native);
        return std::make_unique<COpenDocumentRequest>(&directory);
    }
    return std::make_unique<COpenDocumentRequest>(&file);
}

std::vector<std::unique_ptr<COpenDocumentRequest>>
COpenDocumentRequest::NewFromPaths(const std::vector<std::string>& paths, size_t* skipped)
{
    std::vector<std::unique_ptr<COpenDocumentRequest>> requests;
    size_t missing = 0;
    for (const std::string& path : paths)
    {
        try
        {
            requests.push_back(NewFromPath(path));
        }
        catch (const XBase&)
        {
            ++missing;
        }
    }
    if (skipped)
        *skipped = missing;
    return requests;
}

COpenDocumentRequest::EType COpenDocumentRequest::GetType() const
{
    return fFile ? kFile : fDirectory ? kDirectory : kNone;
}

CFileSpec* COpenDocumentRequest::GetFile() const
{
    return fFile ? fFile->Clone() : nullptr;
}

CDirSpec* COpenDocumentRequest::GetDirectory() const
{
    return fDirectory ? new CDirSpec(*fDirectory) : nullptr;
}

} // namespace NSWayfarer
