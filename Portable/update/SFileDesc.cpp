#include "Portable/update/SFileDesc.h"

#include <cstring>
#include <sys/stat.h>

int dread(void* dst, int size, SFileDesc* fdp)
{
    if (fdp == nullptr || dst == nullptr || size <= 0)
        return 0;
    auto* out = static_cast<uint8_t*>(dst);
    int got = 0;
    if (fdp->mFilePtr != nullptr)
    {
        got = static_cast<int>(std::fread(out, 1, static_cast<size_t>(size), fdp->mFilePtr));
    }
    else if (fdp->mFileData != nullptr)
    {
        const int64_t len = fdp->mFileLen > 0 ? fdp->mFileLen : 0;
        const int64_t offs = fdp->mFileOffs;
        if (offs >= 0 && offs < len)
        {
            const int64_t avail = len - offs;
            got = static_cast<int>(avail < size ? avail : size);
            std::memcpy(out, fdp->mFileData + offs, static_cast<size_t>(got));
        }
        // The position advances by the full request, as a caller stepping through the image
        // expects; a later read past the end then simply yields nothing.
        const int64_t next = offs + size;
        fdp->mFileOffs = next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
    }
    else
    {
        return 0;
    }
    if (got < size)
        std::memset(out + got, 0, static_cast<size_t>(size - got));
    return got;
}

bool dseek(SFileDesc* fdp, int64_t offset)
{
    if (fdp == nullptr || offset < 0)
        return false;
    if (fdp->mFilePtr != nullptr)
    {
        if (offset > INT32_MAX)
            return false;
        return std::fseek(fdp->mFilePtr, static_cast<long>(offset), SEEK_SET) == 0;
    }
    if (fdp->mFileData != nullptr)
    {
        if (offset > fdp->mFileLen)
            return false;
        fdp->mFileOffs = static_cast<int32_t>(offset);
        return true;
    }
    return false;
}

int64_t dlength(const SFileDesc* fdp)
{
    if (fdp == nullptr)
        return 0;
    if (fdp->mFilePtr != nullptr)
    {
        struct stat st = {};
        if (fstat(fileno(fdp->mFilePtr), &st) != 0 || !S_ISREG(st.st_mode))
            return -1;
        return st.st_size;
    }
    if (fdp->mFileData != nullptr)
        return fdp->mFileLen > 0 ? fdp->mFileLen : 0;
    return 0;
}
