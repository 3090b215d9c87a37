#include "framework/files/XBase.h"

#include <gtest/gtest.h>

using namespace NSWayfarer;

namespace
{

template <typename Thrown, typename Caught> bool Catches()
{
    try
    {
        throw Thrown();
    }
    catch (const Caught&)
    {
        return true;
    }
    catch (...)
    {
        return false;
    }
}

} // namespace

TEST(XBase, FileFamilyCatchesOnlyFileFailures)
{
    EXPECT_TRUE((Catches<XOpenFailed, XFile>()));
    EXPECT_TRUE((Catches<XFileNotFound, XFile>()));
    EXPECT_TRUE((Catches<XCreateFailed, XFile>()));
    EXPECT_TRUE((Catches<XFileLocked, XFile>()));
    EXPECT_TRUE((Catches<XDiskFull, XFile>()));
    EXPECT_FALSE((Catches<XRead, XFile>()));
    EXPECT_FALSE((Catches<XWrite, XFile>()));
    EXPECT_FALSE((Catches<XPosition, XFile>()));
    EXPECT_TRUE((Catches<XRead, XBase>()));
    EXPECT_TRUE((Catches<XNotFound, XBase>()));
}

TEST(XBase, OutOfMemoryIsNotAnXBase)
{
    EXPECT_FALSE((Catches<XMacSystemOOM, XBase>()));
    EXPECT_FALSE((Catches<std::bad_alloc, XBase>()));
    EXPECT_TRUE((Catches<XMacSystemOOM, std::bad_alloc>()));
}
