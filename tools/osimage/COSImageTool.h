// The kelt-osimage command line: checks an OS image as the updater would and builds images from
// section files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class COSImageTool
{
public:
    enum EExit
    {
        kExitInstallable = 0, // also: a build or --help that succeeded
        kExitNotInstallable = 1,
        kExitUsage = 2, // bad arguments, unreadable input, unwritable output
    };

    COSImageTool(FILE* out, FILE* err);

    int Run(int argc, char** argv);

    // Parses a decimal or 0x-prefixed hexadecimal number no greater than max.
    static bool ParseNumber(const std::string& text, uint32_t max, uint32_t& value);

private:
    int RunCheck(const std::vector<std::string>& args);
    int RunBuild(const std::vector<std::string>& args);
    void PrintHelp(FILE* to) const;
    int UsageError(const std::string& message) const;

    // Reads a whole file; on failure puts a message in error and returns false.
    static bool ReadFile(const std::string& path, std::vector<uint8_t>& data, std::string& error);
    // Writes through a temporary file in the same folder and renames it into place, so a failed
    // build never leaves a half-written image under the final name. A symbolic link keeps
    // pointing at the replaced file; a device or a pipe is written in place.
    static bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& data,
                                    std::string& error);

    FILE* fOut;
    FILE* fErr;
};
