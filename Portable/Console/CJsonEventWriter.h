// The machine-readable account of a console run: one JSON object per line, each
// naming its "event", written and flushed the moment it happens.
#pragma once

#include "Portable/update/UpdaterRunState.h"

#include <cstdint>
#include <cstdio>
#include <string>

class CJsonObject;
struct SInstrumentIdentity;

class CJsonEventWriter
{
public:
    explicit CJsonEventWriter(std::FILE* out) : fOut(out) {}

    // What the program installs: its own version, the image's version text and
    // header numbers (imageText null without an image; negative numbers unknown)
    // and the resource file it came from.
    void WriteStart(const std::string& programVersion, const char* imageText, int32_t imageVersion,
                    int32_t imageBuild, const std::string& resourceFile);
    void WriteStatus(const char* text);
    void WriteState(EUpdaterRunState state);
    void WriteProgress(int32_t percent);
    void WriteInstrument(const SInstrumentIdentity& identity);
    // kind is "update" or "quit".
    void WriteQuestion(const char* kind, const char* text);
    void WriteAnswer(const char* kind, bool yes);
    // message: why it ended, when there is more to say than the status line; may be empty.
    void WriteEnd(int exitCode, bool identifying, const std::string& message);

    // "unknown", "connected", "update", "os", "reboot", "rebooted", "sending",
    // "working", "finish".
    static const char* GetStateName(EUpdaterRunState state);
    // One word for an exit status: "updated" (or "identified"), "failed", "usage",
    // "no-instrument", "declined", "interrupted".
    static const char* GetOutcome(int exitCode, bool identifying);

private:
    void Write(const CJsonObject& event);

    std::FILE* fOut;
};
