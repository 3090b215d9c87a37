#include "framework/text/CStringResource.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/files/CPosixFiles.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace NSWayfarer
{

namespace
{

constexpr int kMaxIndexDigits = 10;

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// The application's own file, as the resource files know it.
CFileSpec ApplicationFileSpec()
{
    if (CLowLevelApplication* application = CLowLevelApplication::Get())
        return application->GetFileSpec();
    NSPlatform::SNativeFileSpec self;
    NSPlatform::CPosixFiles::GetExecutableSpec(&self);
    return CFileSpec(self);
}

} // namespace

CStringResource::CStringResource(const char* type, short id) : fID(id)
{
    const std::size_t length = strnlen(type, 5);
    std::memcpy(fType, type, length);
    fType[length] = 0;
    LoadAndParse();
}

CStringResource::CStringResource(const char* type, short id, const unsigned char* bytes, long size)
    : fID(id)
{
    const std::size_t length = strnlen(type, 5);
    std::memcpy(fType, type, length);
    fType[length] = 0;
    Parse(bytes, size);
}

CStringResource::~CStringResource()
{
    Dispose();
}

void CStringResource::Dispose()
{
    for (auto& entry : fStrings)
        entry.reset();
}

bool CStringResource::Identify(const char* type, short id) const
{
    if (id != fID || std::strlen(type) != std::strlen(fType))
        return false;
    for (std::size_t i = 0; fType[i] != 0; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(fType[i])) !=
            std::tolower(static_cast<unsigned char>(type[i])))
            return false;
    }
    return true;
}

void CStringResource::GetString(unsigned short index, char* out, long max) const
{
    out[0] = 0;
    if (index >= kStringCount || !fStrings[index] || max <= 0)
        return;
    const long limit = std::min(max, kMaxStringLength);
    const long length = std::min(static_cast<long>(std::strlen(fStrings[index].get())), limit);
    std::memcpy(out, fStrings[index].get(), static_cast<std::size_t>(length));
    out[length] = 0;
}

void CStringResource::LoadAndParse()
{
    const CFileSpec own = ApplicationFileSpec();
    COpenResourceFile file(&own);
    std::unique_ptr<CMemoryMedia> media(file.Read(fType, fID));
    try
    {
        Parse(media->GetBufferPtr(), media->GetSize());
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

void CStringResource::Parse(const unsigned char* bytes, long size)
{
    enum EState
    {
        kSeeking,
        kReadingIndex,
        kAfterBrace,
        kSkipping,
        kReadingText
    };
    EState state = kSeeking;
    std::string indexText; // digits of the current index; kept until the next one starts
    std::string text;
    bool textFull = false;

    for (long i = 0; i < size; ++i)
    {
        const unsigned char c = bytes[i];
        switch (state)
        {
        case kSeeking:
            if (IsDigit(c))
            {
                indexText.assign(1, static_cast<char>(c));
                state = kReadingIndex;
            }
            else if (c == '{')
                state = kAfterBrace;
            break;

        case kReadingIndex:
            if (IsDigit(c))
            {
                if (static_cast<int>(indexText.size()) == kMaxIndexDigits)
                {
                    indexText.clear();
                    state = kSeeking;
                }
                else
                    indexText += static_cast<char>(c);
            }
            else if (c == '{')
                state = kAfterBrace;
            else
                state = kSeeking;
            break;

        case kAfterBrace:
            if (c == '{' || indexText.empty())
            {
                // A comment, or a block before any index: skip it (this
                // character may already be its closing brace).
                state = c == '}' ? kSeeking : kSkipping;
            }
            else
            {
                text.assign(1, static_cast<char>(c));
                textFull = false;
                state = kReadingText;
            }
            break;

        case kSkipping:
            if (c == '}')
                state = kSeeking;
            break;

        case kReadingText:
            if (c == '}')
            {
                const unsigned long long index = std::stoull(indexText);
                if (index < kStringCount && !fStrings[index])
                {
                    auto copy = std::make_unique<char[]>(text.size() + 1);
                    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
                    fStrings[index] = std::move(copy);
                }
                state = kSeeking;
                break;
            }
            if (c == '\r' || c == '\n' || c == '\t')
                break;
            if (c == '\\')
            {
                // A backslash and the character after it are one unit: "\r"
                // is a carriage return, anything else is dropped.
                if (i + 1 < size && bytes[i + 1] == 'r' && !textFull)
                    text += '\r';
                ++i;
            }
            else if (!textFull)
                text += static_cast<char>(c);
            // Past the limit the rest of the text up to its closing brace is
            // dropped, so its tail is not read as further strings.
            if (static_cast<long>(text.size()) >= kMaxStringLength)
            {
                text.resize(static_cast<std::size_t>(kMaxStringLength));
                textFull = true;
            }
            break;
        }
    }
}

} // namespace NSWayfarer
