// Alert scripts: the tag, the one- and two-message forms, button slots,
// variables, and what scripts that break the rules give.

#include "framework/windows/CAlertScript.h"
#include "framework/windows/CAlertStringVariable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

std::vector<std::string> Buttons(const CAlertScript& s)
{
    std::vector<std::string> names;
    for (unsigned short slot = 0; slot < s.GetButtonCount(); ++slot)
        names.push_back(s.GetButtonName(slot));
    return names;
}

CAlertScript Parse(const std::string& script, const std::vector<std::string>& values = {})
{
    std::vector<CAlertStringVariable> variables(values.size());
    for (std::size_t n = 0; n < values.size(); ++n)
        variables[n].Set(values[n].c_str());
    return CAlertScript(script.c_str(), variables.data(),
                        static_cast<unsigned short>(variables.size()));
}

using Names = std::vector<std::string>;

} // namespace

TEST(AlertScript, OneAndTwoMessagesAndButtonSlots)
{
    const CAlertScript quit =
        Parse("[WARN]The synth is not updated. Are you sure you want to quit?[Cancel][Yes]");
    EXPECT_EQ(quit.GetIcon(), CAlertScript::kCautionIcon);
    EXPECT_STREQ(quit.GetMessage(), "The synth is not updated. Are you sure you want to quit?");
    EXPECT_FALSE(quit.HasSecondMessage());
    EXPECT_EQ(Buttons(quit), (Names{"Yes", "Cancel"}));
    EXPECT_STREQ(quit.GetButtonName(2), "");

    const CAlertScript note = Parse("[NOTE]Done[OK]");
    EXPECT_EQ(note.GetIcon(), CAlertScript::kNoteIcon);
    EXPECT_EQ(Buttons(note), Names{"OK"});

    const CAlertScript two = Parse("[STOP][Title]Details[One][Two][Three]");
    EXPECT_EQ(two.GetIcon(), CAlertScript::kStopIcon);
    EXPECT_STREQ(two.GetMessage(), "Title");
    EXPECT_STREQ(two.GetSecondMessage(), "Details");
    EXPECT_EQ(Buttons(two), (Names{"Three", "Two", "One"}));

    // Any other six characters are skipped and show no icon.
    for (const char* tag : {"[NONE]", "[stop]", "ABCDEF", "[NOTE "})
    {
        const CAlertScript s = Parse(std::string(tag) + "Text[OK]");
        EXPECT_EQ(s.GetIcon(), CAlertScript::kNoIcon) << tag;
        EXPECT_STREQ(s.GetMessage(), "Text") << tag;
    }
}

TEST(AlertScript, LineBreaksAtTheEndsOfMessagesAreDropped)
{
    const CAlertScript one = Parse("[NOTE]\r\n\rFirst line\rsecond line\n\r[OK]");
    EXPECT_STREQ(one.GetMessage(), "First line\rsecond line");
    const CAlertScript two = Parse("[NOTE][\nTitle\r]\r\nMore\n\n[OK]");
    EXPECT_STREQ(two.GetMessage(), "Title");
    EXPECT_STREQ(two.GetSecondMessage(), "More");
    EXPECT_STREQ(Parse("[NOTE]\r\n[OK]").GetMessage(), "");
}

TEST(AlertScript, VariablesAreSubstitutedOnceAndMadeHarmless)
{
    const CAlertScript s = Parse("[NOTE]^1 found ^0; ^0 again[OK]", {"[port] ^1", "Synth"});
    EXPECT_STREQ(s.GetMessage(), "Synth found (port) ~1; ^0 again");
    EXPECT_EQ(Buttons(s), Names{"OK"});

    // A variable cannot add a button, and its marker may be missing.
    const CAlertScript missing = Parse("[NOTE]Only ^1[OK]", {"x][Evil", "one"});
    EXPECT_STREQ(missing.GetMessage(), "Only one");
    EXPECT_EQ(Buttons(missing), Names{"OK"});

    CAlertStringVariable variable;
    EXPECT_STREQ(variable.Get(), "");
    variable.Set(std::string(100, 'v').c_str());
    EXPECT_EQ(std::string(variable.Get()), std::string(64, 'v'));
    variable.Set(nullptr);
    EXPECT_STREQ(variable.Get(), "");
}

TEST(AlertScript, BrokenScriptsStayInsideTheirBuffers)
{
    for (const char* shortScript : {"", "[NOT", "[WARN"})
    {
        const CAlertScript s = Parse(shortScript);
        EXPECT_EQ(s.GetIcon(), CAlertScript::kNoIcon);
        EXPECT_STREQ(s.GetMessage(), "");
        EXPECT_EQ(s.GetButtonCount(), 0);
    }
    EXPECT_EQ(CAlertScript(nullptr, nullptr, 0).GetButtonCount(), 0);

    const CAlertScript unclosed = Parse("[STOP][Title with no end[OK");
    EXPECT_STREQ(unclosed.GetMessage(), "Title with no end[OK");
    EXPECT_FALSE(unclosed.HasSecondMessage());
    EXPECT_EQ(unclosed.GetButtonCount(), 0);

    EXPECT_EQ(Buttons(Parse("[NOTE]Hi[Cancel][O")), (Names{"O", "Cancel"}));
    EXPECT_EQ(Buttons(Parse("[NOTE]Pick[A][B][C][D][E]")), (Names{"E", "D", "C"}));
    EXPECT_EQ(Buttons(Parse("[NOTE]No buttons")), Names{});

    const std::string name(300, 'n');
    const CAlertScript longName = Parse("[NOTE]Hi[" + name + "]");
    EXPECT_EQ(std::string(longName.GetButtonName(0)), name.substr(0, 255));

    // Cut at 510 characters after substitution: the button at the end is lost.
    const std::string message(500, 'm');
    const CAlertScript cut = Parse("[NOTE]" + message + "^0[OK]", {std::string(20, 'v')});
    EXPECT_EQ(std::string(cut.GetMessage()), message + std::string(4, 'v'));
    EXPECT_EQ(cut.GetButtonCount(), 0);
}
