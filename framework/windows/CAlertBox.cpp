#include "framework/windows/CAlertBox.h"

#include "framework/graphics/CABCCanvas.h"
#include "framework/text/StringResources.h"
#include "framework/windows/CAlertScript.h"
#include "framework/windows/CDialogItemInfo.h"
#include "framework/windows/CIconView.h"
#include "framework/windows/CPushButtonView.h"
#include "framework/windows/CStaticTextView.h"

#include <cstring>
#include <string>

namespace NSWayfarer
{

namespace
{

// Item numbers of the alert layout.
constexpr short kButtonItems[3] = {1, 2, 3};
constexpr short kMessageItem = 4;
constexpr short kIconItem = 5;
constexpr short kSecondMessageItem = 6;

void CopyScript(char* out, const char* script)
{
    const char* from = script ? script : "";
    const size_t n = strnlen(from, CAlertBox::kMaxScriptLength);
    std::memcpy(out, from, n);
    out[n] = 0;
}

} // namespace

CAlertBox::CAlertBox(const char* script, EResult* result)
    : CModalDialog(static_cast<CApplication*>(nullptr), 0, kDialogID), fResult(result)
{
    CopyScript(fScript, script);
}

CAlertBox::CAlertBox(long scriptID, EResult* result)
    : CModalDialog(static_cast<CApplication*>(nullptr), 0, kDialogID), fResult(result)
{
    GetAlertString(scriptID, fScript, kMaxScriptLength);
}

CAlertBox::~CAlertBox()
{
    Dispose();
}

void CAlertBox::Dispose()
{
    delete fIconView;
    fIconView = nullptr;
    for (CStaticTextView*& text : fTexts)
    {
        delete text;
        text = nullptr;
    }
    SetDefaultItem(nullptr);
    for (CPushButtonView*& button : fButtons)
    {
        if (button && GetFocusViewPtr() == button)
            SetFocusViewPtr(nullptr);
        delete button;
        button = nullptr;
    }
}

void CAlertBox::AddStringVariable(const char* text)
{
    if (fVariableCount >= kMaxVariables)
        return;
    fVariables[fVariableCount++].Set(text);
}

unsigned short CAlertBox::CountVariablesInScript(const char* script)
{
    unsigned short count = 0;
    for (const char* c = script; c && *c; ++c)
        count += *c == '^';
    return count;
}

void CAlertBox::PrimeAtPos(const CGlobalRect* frame)
{
    try
    {
        const CAlertScript script(fScript, fVariables, fVariableCount);
        CGroupView* root = GetRootView();
        const CDialogItemInfo* message = GetDialogItemInfo(kMessageItem);
        const CDialogItemInfo* second = GetDialogItemInfo(kSecondMessageItem);
        if (!message || !second)
            throw std::bad_alloc();
        if (script.HasSecondMessage())
        {
            fTexts[0] = new CStaticTextView(root, message, CABCCanvas::GetDefaultFontSpec());
            fTexts[0]->SetString(script.GetMessage());
            fTexts[1] = new CStaticTextView(root, second, CABCCanvas::GetDefaultTinyFontSpec());
            fTexts[1]->SetString(script.GetSecondMessage());
        }
        else
        {
            // One message uses the room of both texts.
            fTexts[0] = new CStaticTextView(root, message, CABCCanvas::GetDefaultFontSpec());
            CLocalRect both = message->fRect;
            both.Add(second->fRect);
            fTexts[0]->Position(&both);
            fTexts[0]->SetString(script.GetMessage());
        }
        for (int slot = 0; slot < 3; ++slot)
        {
            if (slot > 0 && script.GetButtonCount() <= slot)
                break;
            const CDialogItemInfo* item = GetDialogItemInfo(kButtonItems[slot]);
            if (!item)
                break;
            fButtons[slot] = new CPushButtonView(root, item);
            fButtons[slot]->SetTitle(script.GetButtonName(static_cast<unsigned short>(slot)));
            fButtons[slot]->AddToEndOfTabOrder();
        }
        fIconView = new CIconView(root, GetDialogItemInfo(kIconItem));
        fIconView->SetIcon(static_cast<CIconView::EIcon>(script.GetIcon()));
        SetDefaultItem(fButtons[0]);
        CModalDialog::PrimeAtPos(frame);
        if (fButtons[0])
            SetFocusView(fButtons[0]);
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

void CAlertBox::Choose(CPushButtonView* button, EResult value)
{
    if (button && button->IsActionRequested())
    {
        if (fResult)
            *fResult = value;
        TryClosing();
    }
}

void CAlertBox::HandleChangeRequests()
{
    Choose(fButtons[0], kItem1);
    Choose(fButtons[1], kItem2);
    Choose(fButtons[2], kItem3);
    CModalDialog::HandleChangeRequests();
}

CAlertBox::EResult CAlertBox::Run(CAlertBox* alert, EResult* result)
{
    try
    {
        alert->Prime();
    }
    catch (...)
    {
        delete alert;
        throw;
    }
    DoModalDialog(alert);
    return *result;
}

CAlertBox::EResult CAlertBox::DoDefaultAlert(const char* script)
{
    EResult result = kNoButton;
    return Run(new CAlertBox(script, &result), &result);
}

CAlertBox::EResult CAlertBox::DoDefaultAlert(long scriptID)
{
    EResult result = kNoButton;
    return Run(new CAlertBox(scriptID, &result), &result);
}

CAlertBox::EResult CAlertBox::DoDefaultAlert(long scriptID, const char* variable)
{
    EResult result = kNoButton;
    auto* alert = new CAlertBox(scriptID, &result);
    alert->AddStringVariable(variable);
    return Run(alert, &result);
}

} // namespace NSWayfarer
