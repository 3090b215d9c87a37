// A snapshot of the current port's colours, modes and text settings, so that native
// controls can draw with the platform's state and leave the framework's as it was.
#pragma once

#include "framework/graphics/CRGBColor.h"

namespace NSWayfarer
{

class CMacGrafPortState
{
public:
    static constexpr short kNotRead = 666;

    // Reads the current port; with none current, the unread state.
    static CMacGrafPortState GetState();
    // Applies every field to the current port (nothing when none is current).
    static void SetState(const CMacGrafPortState& state);
    bool IsEqual(const CMacGrafPortState& other) const;

    CRGBColor fBackColor;
    CRGBColor fForeColor;
    short fPenMode = kNotRead;
    short fTextMode = kNotRead;
    short fTextFont = kNotRead;
    short fTextFace = kNotRead;
    short fTextSize = kNotRead;
};

} // namespace NSWayfarer
