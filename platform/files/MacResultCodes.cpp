#include "platform/files/MacResultCodes.h"

#include <cerrno>

namespace NSPlatform
{

TOSErr ResultFromErrno(int error)
{
    switch (error)
    {
    case 0:
        return kNoErr;
    case ENOENT:
        return kFileNotFoundErr;
    case ENOTDIR:
        return kDirNotFoundErr;
    case EACCES:
    case EPERM:
        return kPermissionErr;
    case EROFS:
        return kWritePermissionErr;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kDiskFullErr;
    case EEXIST:
    case ENOTEMPTY:
        return kDuplicateNameErr;
    case EMFILE:
    case ENFILE:
        return kTooManyFilesOpenErr;
    case ENAMETOOLONG:
    case EINVAL:
        return kBadNameErr;
    case EBUSY:
    case ETXTBSY:
        return kFileBusyErr;
    case ENOMEM:
        return kMemFullErr;
    case EBADF:
        return kRefNumErr;
    default:
        return kIOErr;
    }
}

} // namespace NSPlatform
