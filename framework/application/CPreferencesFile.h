// One preference file of the application, kept under $XDG_CONFIG_HOME/<application
// name>/ (~/.config when that is not set). Written to a temporary file that is then
// renamed, so a crash never leaves half a file; a damaged file reads as none.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace NSWayfarer
{

class CMedia;
class CMemoryMedia;
class CWayfarerApplicationPreferences;

class CPreferencesFile
{
public:
    // Preference files larger than this are not read (a record is a few kilobytes).
    static constexpr long kMaxFileSize = 1 << 20;
    static constexpr const char* kApplicationPreferencesName = "Preferences";

    CPreferencesFile(const std::string& applicationName, const std::string& fileName);

    // The folder: $XDG_CONFIG_HOME (when absolute), else $HOME/.config, then the
    // application's name with '/' and leading dots made harmless. Empty when neither
    // variable tells where.
    static std::string GetFolder(const std::string& applicationName);
    const std::string& GetPath() const { return fPath; }

    // The file's bytes; null when it does not exist, cannot be read or is too large.
    std::unique_ptr<CMemoryMedia> Read() const;
    // Makes the folder when needed and replaces the file with what pack writes.
    // XCreateFailed when the folder or file cannot be made, XDiskFull, XWrite.
    void Write(const std::function<void(CMedia*)>& pack) const;

    // The framework's record: false (and preferences left empty) when there is no
    // file or it cannot be read as one.
    bool Load(CWayfarerApplicationPreferences* preferences) const;
    void Save(const CWayfarerApplicationPreferences& preferences) const;

private:
    std::string fPath;
};

} // namespace NSWayfarer
