#include "platform/files/CSharedLibrary.h"

#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>

namespace NSPlatform
{

TOSErr CSharedLibrary::Load(const std::string& path, void** connection, std::string* why)
{
    *connection = nullptr;
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? kFragNoLibraryErr : ResultFromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return kFragNoLibraryErr;
    // An absolute or relative path with a '/' keeps the loader from searching
    // its own folders for a library of the same name.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr)
    {
        *connection = handle;
        return kNoErr;
    }
    const char* message = dlerror();
    const std::string text = message != nullptr ? message : "";
    if (why != nullptr)
        *why = text;
    if (text.find("undefined symbol") != std::string::npos)
        return kFragUnresolvedErr;
    if (text.find("cannot open shared object file") != std::string::npos)
        return kFragLibConnErr;
    if (text.find("invalid ELF header") != std::string::npos ||
        text.find("file too short") != std::string::npos ||
        text.find("wrong ELF class") != std::string::npos || text.find("ELF") != std::string::npos)
        return kFragFormatErr;
    return kIOErr;
}

TOSErr CSharedLibrary::FindSymbol(void* connection, const std::string& name, void** address)
{
    *address = nullptr;
    if (connection == nullptr)
        return kParamErr;
    dlerror();
    void* symbol = dlsym(connection, name.c_str());
    if (dlerror() != nullptr)
        return kFragNoSymbolErr;
    *address = symbol;
    return kNoErr;
}

void CSharedLibrary::Close(void* connection)
{
    if (connection != nullptr)
        dlclose(connection);
}

} // namespace NSPlatform
