// Running the kelt-rsrc program from tests, and a fresh folder per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

struct SRun
{
    int mStatus;
    std::string mOut;
};

inline SRun RunToolIn(const std::string& folder, const std::string& arguments,
                      const std::string& redirections);

// `redirections` follow the arguments, as a shell reads them.
inline SRun RunTool(const std::string& arguments, const std::string& redirections = " 2>&1")
{
    return RunToolIn("", arguments, redirections);
}

// The same, run in `folder` (the current one when empty).
inline SRun RunToolIn(const std::string& folder, const std::string& arguments,
                      const std::string& redirections = " 2>&1")
{
    const std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") +
                                std::string(KELT_RSRC_TOOL) + " " + arguments + redirections;
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        out.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

inline std::string ReadWhole(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class ToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kelt-tool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fDir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(fDir); }
    std::string Put(const std::string& name, const std::string& text)
    {
        std::ofstream(fDir + "/" + name, std::ios::binary) << text;
        return fDir + "/" + name;
    }
    std::string fDir;
};
