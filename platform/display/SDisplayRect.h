// A rectangle of display pixels, global or window-client: left and top inside,
// right and bottom outside.
#pragma once

namespace NSPlatform
{

struct SDisplayRect
{
    int mLeft = 0;
    int mTop = 0;
    int mRight = 0;
    int mBottom = 0;
    int Width() const { return mRight - mLeft; }
    int Height() const { return mBottom - mTop; }
    bool operator==(const SDisplayRect&) const = default;
};

} // namespace NSPlatform
