// The application's help book: HTML pages installed under share/<name>/help/ next
// to the program's folder, shown in the desktop's web browser.
#pragma once

#include <string>

namespace NSWayfarer
{

class CMacHelp
{
public:
    // True when the help book is installed (its index.html exists).
    static bool RegisterHelpBook();
    // Opens a page of the book (a path inside it, "index.html" when empty), or the
    // book's index at an anchor. XFileNotFound when the book or the page is not
    // installed; XInternalError when no browser could be started.
    static void OpenPage(const char* path);
    static void OpenAnchor(const char* anchor);

    // The folder the book is looked for in: share/<name>/help/ beside the folder of
    // the running program, <name> its file name.
    static std::string GetHelpBookFolder();
};

} // namespace NSWayfarer
