// Loading shared libraries (the host's code fragments) and finding their
// symbols, with the outcome as a platform result code.
#pragma once

#include "platform/files/MacResultCodes.h"

#include <string>

namespace NSPlatform
{

class CSharedLibrary
{
public:
    // A library already loaded is shared (reference counted by the loader).
    static TOSErr Load(const std::string& path, void** connection, std::string* why = nullptr);
    // kFragNoSymbolErr when the library exports no such symbol.
    static TOSErr FindSymbol(void* connection, const std::string& name, void** address);
    static void Close(void* connection);
};

} // namespace NSPlatform
