#include "Portable/Console/CJsonEventWriter.h"

#include "Portable/Console/CConsoleView.h"
#include "Portable/Console/CJsonObject.h"
#include "Portable/update/SInstrumentIdentity.h"

namespace
{

CJsonObject Event(const char* name)
{
    CJsonObject event;
    event.AddString("event", name);
    return event;
}

} // namespace

void CJsonEventWriter::Write(const CJsonObject& event)
{
    // One write per line, so a reader never sees half an event.
    const std::string line = event.GetText() + "\n";
    std::fwrite(line.data(), 1, line.size(), fOut);
    std::fflush(fOut);
}

void CJsonEventWriter::WriteStart(const std::string& programVersion, const char* imageText,
                                  int32_t imageVersion, int32_t imageBuild,
                                  const std::string& resourceFile)
{
    CJsonObject event = Event("start");
    event.AddString("program", programVersion);
    if (imageText)
        event.AddString("image", imageText);
    else
        event.AddNull("image");
    if (imageVersion >= 0)
        event.AddNumber("imageVersion", imageVersion);
    else
        event.AddNull("imageVersion");
    if (imageBuild >= 0)
        event.AddNumber("imageBuild", imageBuild);
    else
        event.AddNull("imageBuild");
    event.AddString("resources", resourceFile);
    Write(event);
}

void CJsonEventWriter::WriteStatus(const char* text)
{
    Write(Event("status").AddString("text", text));
}

void CJsonEventWriter::WriteState(EUpdaterRunState state)
{
    Write(Event("state").AddString("state", GetStateName(state)));
}

void CJsonEventWriter::WriteProgress(int32_t percent)
{
    Write(Event("progress").AddNumber("percent", percent));
}

void CJsonEventWriter::WriteInstrument(const SInstrumentIdentity& identity)
{
    CJsonObject event = Event("instrument");
    event.AddString("product", identity.mProduct);
    event.AddString("mode", identity.GetModeName());
    event.AddString("os", identity.GetOSVersionText());
    if (identity.HasOS())
    {
        event.AddNumber("osVersion", identity.mOSVersion);
        event.AddNumber("osBuild", identity.mOSBuild);
    }
    else
    {
        event.AddNull("osVersion");
        event.AddNull("osBuild");
    }
    event.AddNumber("bootVersion", identity.mBootVersion);
    event.AddNumber("serialNumber", identity.mSerialNumber);
    if (!identity.mRemark.empty())
        event.AddString("remark", identity.mRemark);
    Write(event);
}

void CJsonEventWriter::WriteQuestion(const char* kind, const char* text)
{
    Write(Event("question").AddString("question", kind).AddString("text", text));
}

void CJsonEventWriter::WriteAnswer(const char* kind, bool yes)
{
    Write(Event("answer").AddString("question", kind).AddString("answer", yes ? "yes" : "no"));
}

void CJsonEventWriter::WriteEnd(int exitCode, bool identifying, const std::string& message)
{
    CJsonObject event = Event("end");
    event.AddNumber("exit", exitCode);
    event.AddString("outcome", GetOutcome(exitCode, identifying));
    if (!message.empty())
        event.AddString("message", message);
    Write(event);
}

const char* CJsonEventWriter::GetStateName(EUpdaterRunState state)
{
    switch (state)
    {
    case kURSUnknown:
        return "unknown";
    case kURSConnected:
        return "connected";
    case kURSUpdate:
        return "update";
    case kURSOS:
        return "os";
    case kURSReboot:
        return "reboot";
    case kURSRebooted:
        return "rebooted";
    case kURSSending:
        return "sending";
    case kURSWorking:
        return "working";
    case kURSFinish:
        return "finish";
    }
    return "unknown";
}

const char* CJsonEventWriter::GetOutcome(int exitCode, bool identifying)
{
    switch (exitCode)
    {
    case CConsoleView::kExitUpdated:
        return identifying ? "identified" : "updated";
    case CConsoleView::kExitUsage:
        return "usage";
    case CConsoleView::kExitNoInstrument:
        return "no-instrument";
    case CConsoleView::kExitDeclined:
        return "declined";
    case CConsoleView::kExitInterrupted:
        return "interrupted";
    default:
        return "failed";
    }
}
