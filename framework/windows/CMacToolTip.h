// A view's tooltip text: at most 79 characters, longer text is cut.
#pragma once

#include <cstring>

namespace NSWayfarer
{

class CMacToolTip
{
public:
    static constexpr size_t kMaxLength = 79;

    CMacToolTip() { fText[0] = 0; }
    explicit CMacToolTip(const char* text) { SetText(text); }

    void SetText(const char* text)
    {
        fText[0] = 0;
        if (!text)
            return;
        const size_t length = ::strnlen(text, kMaxLength);
        std::memcpy(fText, text, length);
        fText[length] = 0;
    }
    const char* GetText() const { return fText; }

private:
    char fText[kMaxLength + 1];
};

} // namespace NSWayfarer
