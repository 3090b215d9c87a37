// Helpers for tests that run on the fixture's X server: waiting on the main
// queue until a condition holds, and reading a window's pixels back from the server.
#pragma once

#include "platform/CMainEventQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace NSTestSupport
{

// Turns the main queue (and with it the window system) until done() or the time-out.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        NSPlatform::CMainEventQueue::Main().WaitAndDispatch(20);
    }
    return true;
}

// The window's pixels as the X server shows them, 3 bytes (R, G, B) per pixel,
// read with ImageMagick's import; empty when that fails.
inline std::vector<uint8_t> ReadWindowPixels(unsigned long xid, int width, int height)
{
    const std::string command =
        "import -window " + std::to_string(xid) + " -depth 8 rgb:- 2>/dev/null";
    std::vector<uint8_t> pixels;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        uint8_t buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            pixels.insert(pixels.end(), buffer, buffer + got);
        ::pclose(pipe);
    }
    if (pixels.size() != static_cast<size_t>(width) * height * 3)
        pixels.clear();
    return pixels;
}

inline uint32_t PixelAt(const std::vector<uint8_t>& rgb, int width, int x, int y)
{
    const size_t at = (static_cast<size_t>(y) * width + x) * 3;
    return (uint32_t(rgb[at]) << 16) | (uint32_t(rgb[at + 1]) << 8) | rgb[at + 2];
}

// An X server of one test's own (another depth, or a configuration the test
// changes), on a free display number; stopped when it goes out of scope.
class CPrivateXServer
{
public:
    explicit CPrivateXServer(const std::string& screen)
    {
        char fdFile[] = "/tmp/kelt-xserver-XXXXXX";
        const int fd = ::mkstemp(fdFile);
        if (fd < 0)
            return;
        fPid = ::fork();
        if (fPid == 0)
        {
            ::setsid();
            const std::string displayfd = std::to_string(fd);
            ::execlp("Xvfb", "Xvfb", "-displayfd", displayfd.c_str(), "-screen", "0", screen.c_str(),
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && fDisplay.empty() && fPid > 0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::string number;
            std::ifstream(fdFile) >> number;
            if (!number.empty())
                fDisplay = ":" + number;
        }
        ::close(fd);
        ::unlink(fdFile);
    }
    ~CPrivateXServer() { Stop(); }
    void Stop()
    {
        if (fPid > 0)
        {
            ::kill(fPid, SIGTERM);
            ::waitpid(fPid, nullptr, 0);
            fPid = -1;
        }
    }
    CPrivateXServer(const CPrivateXServer&) = delete;
    CPrivateXServer& operator=(const CPrivateXServer&) = delete;

    // ":N", empty when the server did not start.
    const std::string& GetDisplay() const { return fDisplay; }

private:
    pid_t fPid = -1;
    std::string fDisplay;
};

} // namespace NSTestSupport
