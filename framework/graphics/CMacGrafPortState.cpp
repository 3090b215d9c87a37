#include "framework/graphics/CMacGrafPortState.h"

#include "framework/graphics/CDrawPort.h"

namespace NSWayfarer
{

CMacGrafPortState CMacGrafPortState::GetState()
{
    CMacGrafPortState state;
    const CDrawPort* port = CDrawPort::GetCurrent();
    if (port == nullptr)
        return state;
    state.fBackColor = port->GetBackColor();
    state.fForeColor = port->GetForeColor();
    state.fPenMode = port->GetPenMode();
    state.fTextMode = port->GetTextMode();
    state.fTextFont = port->GetTextFont();
    state.fTextFace = port->GetTextFace();
    state.fTextSize = port->GetTextSize();
    return state;
}

void CMacGrafPortState::SetState(const CMacGrafPortState& state)
{
    CDrawPort* port = CDrawPort::GetCurrent();
    if (port == nullptr)
        return;
    port->RGBBackColor(state.fBackColor);
    port->RGBForeColor(state.fForeColor);
    port->PenMode(state.fPenMode);
    port->TextMode(state.fTextMode);
    port->TextFont(state.fTextFont);
    port->TextFace(state.fTextFace);
    port->TextSize(state.fTextSize);
}

bool CMacGrafPortState::IsEqual(const CMacGrafPortState& other) const
{
    return fBackColor.IsEqual(other.fBackColor) && fForeColor.IsEqual(other.fForeColor) &&
           fPenMode == other.fPenMode && fTextMode == other.fTextMode &&
           fTextFont == other.fTextFont && fTextFace == other.fTextFace &&
           fTextSize == other.fTextSize;
}

} // namespace NSWayfarer
