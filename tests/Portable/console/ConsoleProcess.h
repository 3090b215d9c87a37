// Runs the built updater as a child process with given arguments and input,
// collecting its output and exit status; can signal it when a line appears.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace ConsoleProcess
{

struct SResult
{
    int mExitCode = -1; // -1: killed by the time limit or a signal
    std::string mOut;
    std::string mErr;
    double mSeconds = 0;

    bool HasLine(const std::string& line) const
    {
        size_t at = 0;
        while (at <= mOut.size())
        {
            size_t end = mOut.find('\n', at);
            if (end == std::string::npos)
                end = mOut.size();
            if (mOut.compare(at, end - at, line) == 0)
                return true;
            at = end + 1;
        }
        return false;
    }
};

inline double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

inline std::string Program()
{
    return std::string(KELT_BINARY_DIR) + "/Portable/kelt-podium-update";
}

// onOutput sees the whole standard output so far after each read and may send
// signals to pid; input is written to the child's standard input, which is then
// closed unless keepInputOpen. inChild runs in the child just before the program
// starts (closing a descriptor, ignoring a signal, setting a limit).
inline SResult Run(const std::vector<std::string>& args, const std::string& input = "",
                   double limitSeconds = 60,
                   const std::function<void(const std::string&, pid_t)>& onOutput = nullptr,
                   bool keepInputOpen = false, const std::function<void()>& inChild = nullptr)
{
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        return {};
    const double start = Now();
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        // The program keeps signals it was started with ignored; a test runner started
        // in the background may ignore these, and the tests send them.
        for (int caught : {SIGINT, SIGTERM, SIGHUP})
            signal(caught, SIG_DFL);
        if (inChild)
            inChild();
        std::vector<char*> argv;
        std::string program = Program();
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (auto& a : copies)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (!input.empty())
    {
        ssize_t written = write(in[1], input.data(), input.size());
        (void)written;
    }
    if (!keepInputOpen)
        close(in[1]);

    SResult result;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen)
    {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        const double left = limitSeconds - (Now() - start);
        if (left <= 0)
        {
            kill(pid, SIGKILL);
            break;
        }
        const int ready = poll(fds, 2, int(left * 1000) + 1);
        if (ready < 0 && errno != EINTR)
            break;
        char buffer[4096];
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP)))
        {
            const ssize_t got = read(out[0], buffer, sizeof buffer);
            if (got <= 0)
                outOpen = false;
            else
            {
                result.mOut.append(buffer, size_t(got));
                if (onOutput)
                    onOutput(result.mOut, pid);
            }
        }
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP)))
        {
            const ssize_t got = read(err[0], buffer, sizeof buffer);
            if (got <= 0)
                errOpen = false;
            else
                result.mErr.append(buffer, size_t(got));
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (keepInputOpen)
        close(in[1]);
    close(out[0]);
    close(err[0]);
    result.mSeconds = Now() - start;
    result.mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace ConsoleProcess
