// The Linux file layer's native file specification: the absolute path of the
// parent directory plus the leaf name, copied by value.
#pragma once

#include <string>

namespace NSPlatform
{

struct SNativeFileSpec
{
    std::string mDirectory = "/"; // absolute, no trailing '/' except for the root itself
    std::string mName;            // empty only when it names the root

    // The full path this names.
    std::string Path() const
    {
        if (mName.empty())
            return mDirectory;
        if (mDirectory == "/")
            return "/" + mName;
        return mDirectory + "/" + mName;
    }

    bool operator==(const SNativeFileSpec&) const = default;
};

} // namespace NSPlatform
