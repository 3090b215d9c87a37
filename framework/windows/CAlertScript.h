// An alert described by one line of text, parsed: the icon, one or two
// messages and up to three button names. For example
//     [WARN]The synth is not updated. Are you sure you want to quit?[Cancel][Yes]
// gives the caution icon, that message and the buttons "Yes" (slot 0, the
// default button) and "Cancel" (slot 1).
//
// Syntax: a six-character tag ("[STOP]", "[NOTE]", "[WARN]"; anything else
// shows no icon), then either the message up to the first "[" or a bracketed
// message followed by a second message up to the next "[", then the bracketed
// button names. The last name goes to slot 0, the one before it to slot 1, and
// so on. Line breaks at either end of a message are dropped. Before parsing, the
// first "^0" is replaced by variable 0, the first "^1" by variable 1, etc.
//
// Scripts that break these rules still make an alert; what the user sees:
// - shorter than the tag: no icon, no message and no button names;
// - a bracketed message without its "]": the message runs to the end of the
//   script; there is no second message and there are no button names;
// - a button name without its "]": the name runs to the end of the script;
// - more than three names: the last three are shown (the script's last name
//   stays the default button); the earlier ones are dropped;
// - no names at all: the button count is 0 and every slot is empty;
// - a variable whose marker is missing: the variable is not shown;
// - longer than 510 characters after substitution: the rest is dropped (so
//   button names at the end may be cut or missing); a button name longer than
//   255 characters keeps its first 255.
#pragma once

#include "framework/windows/CAlertStringVariable.h"

namespace NSWayfarer
{

class CAlertScript
{
public:
    // The values of the icon view's icons.
    enum EIcon
    {
        kStopIcon = 10,
        kNoteIcon = 11,
        kCautionIcon = 12,
        kNoIcon = 13
    };

    static constexpr int kTagLength = 6;
    static constexpr int kMaxScriptLength = 510;
    static constexpr int kMaxMessageLength = 510;
    static constexpr int kMaxButtons = 3;
    static constexpr int kMaxButtonNameLength = 255;

    // A null script is an empty one; variables may be null when the count is 0.
    CAlertScript(const char* script, const CAlertStringVariable* variables,
                 unsigned short variableCount);

    EIcon GetIcon() const { return fIcon; }
    const char* GetMessage() const { return fMessage; }
    // Empty when the script has only one message.
    const char* GetSecondMessage() const { return fSecondMessage; }
    bool HasSecondMessage() const { return fSecondMessage[0] != 0; }
    unsigned short GetButtonCount() const { return fButtonCount; }
    // Slot 0 is the script's last name; empty for slots at or past the count.
    const char* GetButtonName(unsigned short slot) const;

private:
    void Parse(const char* text, long length);

    EIcon fIcon = kNoIcon;
    char fMessage[kMaxMessageLength + 1] = {};
    char fSecondMessage[kMaxMessageLength + 1] = {};
    unsigned short fButtonCount = 0;
    char fButtons[kMaxButtons][kMaxButtonNameLength + 1] = {};
};

} // namespace NSWayfarer
