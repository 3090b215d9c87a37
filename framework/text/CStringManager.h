// Loads text resources on first use and keeps them: the one process-wide
// source of menu, alert and other user-visible texts.
#pragma once

#include "framework/text/CLinkedListTemplate.h"

namespace NSWayfarer
{

class CStringResource;

class CStringManager
{
public:
    static CStringManager* gStringMgr;

    CStringManager() = default;
    ~CStringManager();
    CStringManager(const CStringManager&) = delete;
    CStringManager& operator=(const CStringManager&) = delete;

    // Text `index` of resource (type, id) into out (max + 1 bytes); the
    // resource's read errors propagate (nothing is kept then).
    void GetString(const char* type, short id, unsigned short index, char* out, long max);
    CStringResource* FindStringResource(const char* type, short id) const;
    CStringResource* LoadResource(const char* type, short id);
    void Flush();
    unsigned long CountLoaded() const;
    static bool DoesExist(const char* type, short id);

private:
    CLinkedListTemplate<CStringResource*> fResources;
};

} // namespace NSWayfarer
