#include "framework/application/CMacHelp.h"

#include "framework/application/CApplication.h"
#include "framework/files/XBase.h"
#include "platform/display/CDisplay.h"

#include <cctype>
#include <filesystem>

namespace NSWayfarer
{

namespace
{

std::string FileURI(const std::filesystem::path& path, const std::string& anchor = "")
{
    std::string uri = "file://";
    for (unsigned char c : path.string())
    {
        // Everything but the unreserved characters and '/' is escaped.
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~')
            uri += static_cast<char>(c);
        else
        {
            static const char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    if (!anchor.empty())
        uri += "#" + anchor;
    return uri;
}

void Open(const std::filesystem::path& page, const std::string& anchor)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(page, error))
        throw XFileNotFound();
    if (!NSPlatform::CDisplay::OpenURI(FileURI(page, anchor)))
        throw XInternalError();
}

} // namespace

std::string CMacHelp::GetHelpBookFolder()
{
    const std::filesystem::path program =
        CApplication::GetFileSpecForCurrentApplication().GetPath();
    return (program.parent_path().parent_path() / "share" / program.filename() / "help").string();
}

bool CMacHelp::RegisterHelpBook()
{
    try
    {
        std::error_code error;
        return std::filesystem::is_regular_file(
            std::filesystem::path(GetHelpBookFolder()) / "index.html", error);
    }
    catch (...)
    {
        return false;
    }
}

void CMacHelp::OpenPage(const char* path)
{
    const std::filesystem::path folder = GetHelpBookFolder();
    const std::string relative = path && *path ? path : "index.html";
    // A page outside the book is no page of it.
    const std::filesystem::path page = (folder / relative).lexically_normal();
    const std::string pageText = page.string();
    const std::string folderText = folder.lexically_normal().string();
    if (pageText.compare(0, folderText.size(), folderText) != 0 ||
        relative.find("..") != std::string::npos)
        throw XFileNotFound();
    Open(page, "");
}

void CMacHelp::OpenAnchor(const char* anchor)
{
    Open(std::filesystem::path(GetHelpBookFolder()) / "index.html", anchor ? anchor : "");
}

} // namespace NSWayfarer
