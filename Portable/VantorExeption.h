// The root of the updater's own failures: unlike the framework's, they carry a
// message for the user or the log.
#pragma once

#include <exception>
#include <string>

class XVantorBase : public std::exception
{
public:
    XVantorBase() = default;
    explicit XVantorBase(const char* message) : fMessage(message ? message : "") {}
    explicit XVantorBase(const std::string& message) : fMessage(message) {}
    virtual ~XVantorBase() = default;

    const char* what() const noexcept override { return fMessage.c_str(); }

    std::string fMessage;
};
