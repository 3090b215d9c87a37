#include "platform/display/CDisplayClipboard.h"

#include "platform/display/CDisplay.h"
#include "platform/display/DisplayGdk.h"

#include <map>
#include <string>

namespace NSPlatform
{

namespace
{

std::map<uint32_t, CDisplayClipboard::TBytes>& Kept()
{
    static std::map<uint32_t, CDisplayClipboard::TBytes> gKept;
    return gKept;
}

GtkClipboard* Desktop()
{
    return CDisplay::IsOpen() ? gtk_clipboard_get(GDK_SELECTION_CLIPBOARD) : nullptr;
}

std::string Utf8FromLatin1(const CDisplayClipboard::TBytes& bytes)
{
    std::string out;
    for (uint8_t c : bytes)
    {
        if (c == 0)
            break;
        if (c < 0x80)
            out += static_cast<char>(c);
        else
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Characters beyond Latin-1 become '?': the framework's strings are 8-bit.
CDisplayClipboard::TBytes Latin1FromUtf8(const char* text)
{
    CDisplayClipboard::TBytes out;
    const char* p = text;
    while (*p)
    {
        const gunichar c = g_utf8_get_char_validated(p, -1);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2))
        {
            // A broken sequence: one byte at a time, so the end is never overrun.
            out.push_back('?');
            ++p;
            continue;
        }
        out.push_back(c < 0x100 ? static_cast<uint8_t>(c) : '?');
        p = g_utf8_next_char(p);
    }
    return out;
}

} // namespace

bool CDisplayClipboard::Has(uint32_t kind)
{
    if (kind == kTextKind)
    {
        if (GtkClipboard* clipboard = Desktop())
            return gtk_clipboard_wait_is_text_available(clipboard);
    }
    return Kept().count(kind) != 0;
}

std::optional<CDisplayClipboard::TBytes> CDisplayClipboard::Get(uint32_t kind)
{
    if (kind == kTextKind)
    {
        if (GtkClipboard* clipboard = Desktop())
        {
            gchar* text = gtk_clipboard_wait_for_text(clipboard);
            if (!text)
                return std::nullopt;
            TBytes bytes = Latin1FromUtf8(text);
            g_free(text);
            return bytes;
        }
    }
    auto it = Kept().find(kind);
    if (it == Kept().end())
        return std::nullopt;
    return it->second;
}

void CDisplayClipboard::Put(uint32_t kind, const TBytes& bytes)
{
    if (kind == kTextKind)
    {
        if (GtkClipboard* clipboard = Desktop())
        {
            const std::string text = Utf8FromLatin1(bytes);
            gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<gint>(text.size()));
            gtk_clipboard_store(clipboard);
            return;
        }
    }
    Kept()[kind] = bytes;
}

} // namespace NSPlatform
