// One caller-supplied text for an alert script's "^0".."^3" markers, made safe
// to insert: it cannot add brackets or further markers to the script.
#pragma once

namespace NSWayfarer
{

class CAlertStringVariable
{
public:
    static constexpr int kMaxLength = 64;

    CAlertStringVariable() = default;

    // Keeps the first 64 characters; "[" becomes "(", "]" becomes ")" and "^"
    // becomes "~". A null text is an empty one.
    void Set(const char* text);
    const char* Get() const { return fString; }

private:
    char fString[kMaxLength + 1] = {};
};

} // namespace NSWayfarer
