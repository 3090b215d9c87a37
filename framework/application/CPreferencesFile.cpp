#include "framework/application/CPreferencesFile.h"

#include "framework/application/CWayfarerApplicationPreferences.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/files/CFileReplacer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace NSWayfarer
{

namespace
{

// A media that grows as it is written: what a record packs before it goes to disk.
class CGrowingMedia : public CMedia
{
public:
    void Read(TMediaPos len, void* dst) override
    {
        if (len < 0 || fPos + static_cast<size_t>(len) > fBytes.size())
            throw XRead();
        std::memcpy(dst, fBytes.data() + fPos, static_cast<size_t>(len));
        fPos += static_cast<size_t>(len);
    }
    void Write(TMediaPos len, const void* src) override
    {
        if (len < 0 ||
            fPos + static_cast<size_t>(len) > static_cast<size_t>(CPreferencesFile::kMaxFileSize))
            throw XWrite();
        if (fPos + static_cast<size_t>(len) > fBytes.size())
            fBytes.resize(fPos + static_cast<size_t>(len));
        std::memcpy(fBytes.data() + fPos, src, static_cast<size_t>(len));
        fPos += static_cast<size_t>(len);
    }
    TMediaPos GetPos() const override { return static_cast<TMediaPos>(fPos); }
    void SetPos(TMediaPos pos) override
    {
        if (pos < 0 || static_cast<size_t>(pos) > fBytes.size())
            throw XPosition();
        fPos = static_cast<size_t>(pos);
    }
    TMediaPos GetSize() const override { return static_cast<TMediaPos>(fBytes.size()); }
    const std::vector<uint8_t>& Bytes() const { return fBytes; }

private:
    std::vector<uint8_t> fBytes;
    size_t fPos = 0;
};

// A name that stays one folder inside the configuration folder.
std::string FolderName(const std::string& applicationName)
{
    std::string name = applicationName;
    for (char& c : name)
    {
        if (c == '/' || c == 0)
            c = '_';
    }
    if (name.empty() || name[0] == '.')
        name.insert(name.begin(), '_');
    return name;
}

} // namespace

CPreferencesFile::CPreferencesFile(const std::string& applicationName, const std::string& fileName)
{
    const std::string folder = GetFolder(applicationName);
    if (!folder.empty())
        fPath = folder + "/" + FolderName(fileName);
}

std::string CPreferencesFile::GetFolder(const std::string& applicationName)
{
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        base = config;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        base = std::string(home) + "/.config";
    else
        return {};
    return base + "/" + FolderName(applicationName);
}

std::unique_ptr<CMemoryMedia> CPreferencesFile::Read() const
{
    if (fPath.empty())
        return nullptr;
    std::ifstream in(fPath, std::ios::binary);
    if (!in)
        return nullptr;
    std::vector<char> bytes;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > static_cast<size_t>(kMaxFileSize))
            return nullptr;
    }
    if (in.bad())
        return nullptr;
    auto media = std::make_unique<CMemoryMedia>(static_cast<TMediaPos>(bytes.size()));
    if (!bytes.empty())
        media->Write(static_cast<TMediaPos>(bytes.size()), bytes.data());
    media->SetPos(0);
    return media;
}

void CPreferencesFile::Write(const std::function<void(CMedia*)>& pack) const
{
    if (fPath.empty())
        throw XCreateFailed();
    CGrowingMedia media;
    pack(&media);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(fPath).parent_path(), error);
    if (error)
        throw XCreateFailed();
    NSPlatform::CFileReplacer::SOptions options;
    // A preference file is a regular file; anything else in its place is not written to.
    options.mWriteDevicesInPlace = false;
    NSPlatform::CFileReplacer::EStep step = NSPlatform::CFileReplacer::kStepNone;
    const int result = NSPlatform::CFileReplacer::Write(fPath, media.Bytes().data(),
                                                        media.Bytes().size(), options, &step);
    if (result == 0)
        return;
    if (result == ENOSPC || result == EDQUOT)
        throw XDiskFull();
    if (step == NSPlatform::CFileReplacer::kStepWrite)
        throw XWrite();
    throw XCreateFailed();
}

bool CPreferencesFile::Load(CWayfarerApplicationPreferences* preferences) const
{
    preferences->fRecentlyUsedDocs.DeleteAll();
    std::unique_ptr<CMemoryMedia> media = Read();
    if (!media)
        return false;
    try
    {
        *preferences = CWayfarerApplicationPreferences(media.get());
        return true;
    }
    catch (...)
    {
        // A damaged or foreign file: the defaults stand, the file is replaced on
        // the next save.
        return false;
    }
}

void CPreferencesFile::Save(const CWayfarerApplicationPreferences& preferences) const
{
    Write([&preferences](CMedia* media) { preferences.Pack(media); });
}

} // namespace NSWayfarer
