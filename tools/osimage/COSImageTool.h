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
    // Flushes the output; when it could not be written, says so and turns the result into 2.
    int FinishOutput(int exitCode) const;

    // Reads a whole file; on failure puts a message in error and returns false.
    static bool ReadFile(const std::string& path, std::vector<uint8_t>& data, std::string& error);

    FILE* fOut;
    FILE* fErr;
};
