#include "framework/application/COpenDocumentRequest.h"

#include "framework/files/CDirSpec.h"
#include "framework/files/CFileSpec.h"

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
