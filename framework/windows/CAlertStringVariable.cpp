#include "framework/windows/CAlertStringVariable.h"

#include <cstring>

namespace NSWayfarer
{

void CAlertStringVariable::Set(const char* text)
{
    const std::size_t length = text == nullptr ? 0 : strnlen(text, kMaxLength);
    for (std::size_t i = 0; i < length; ++i)
    {
        char c = text[i];
        if (c == '[')
            c = '(';
        else if (c == ']')
            c = ')';
        else if (c == '^')
            c = '~';
        fString[i] = c;
    }
    fString[length] = 0;
}

} // namespace NSWayfarer
