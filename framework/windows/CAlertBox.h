// A modal alert laid out from dialog resource 10005 and described by one alert
// script: an icon, one or two messages and up to three buttons. DoDefaultAlert
// runs one to its end and says which button was chosen.
#pragma once

#include "framework/windows/CAlertStringVariable.h"
#include "framework/windows/CModalDialog.h"

namespace NSWayfarer
{

class CIconView;
class CPushButtonView;
class CStaticTextView;

class CAlertBox : public CModalDialog
{
public:
    enum EResult
    {
        kItem1 = 33, // the script's last button name, the default button
        kItem2 = 34,
        kItem3 = 35,
        kNoButton = 36
    };

    static constexpr short kDialogID = 10005;
    static constexpr int kMaxScriptLength = 255;
    static constexpr int kMaxVariables = 4;

    // result must outlive the alert; it is written when a button is chosen.
    CAlertBox(const char* script, EResult* result);
    // The script from the alert texts (at most 255 characters).
    CAlertBox(long scriptID, EResult* result);
    ~CAlertBox() override;

    // The next of at most four variables; more are ignored.
    void AddStringVariable(const char* text);
    // The number of "^" in the script.
    static unsigned short CountVariablesInScript(const char* script);

    void PrimeAtPos(const CGlobalRect* frame) override;
    void HandleChangeRequests() override;
    // Deletes the views built so far.
    void Dispose();

    // Opens the alert, runs it modally and returns the chosen button (kNoButton when
    // it was closed another way). The alert deletes itself.
    static EResult DoDefaultAlert(const char* script);
    static EResult DoDefaultAlert(long scriptID);
    static EResult DoDefaultAlert(long scriptID, const char* variable);

private:
    static EResult Run(CAlertBox* alert, EResult* result);
    void Choose(CPushButtonView* button, EResult value);

    char fScript[kMaxScriptLength + 1] = {};
    unsigned short fVariableCount = 0;
    CAlertStringVariable fVariables[kMaxVariables];
    CPushButtonView* fButtons[3] = {};
    CStaticTextView* fTexts[2] = {};
    EResult* fResult;
    CIconView* fIconView = nullptr;
};

} // namespace NSWayfarer
