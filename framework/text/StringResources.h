// Texts by their nine-digit identifier DRRRRRIII: category D, resource id
// RRRRR, index III. The accessor chooses the resource type.
#pragma once

namespace NSWayfarer
{

void SplitID(long id, unsigned char* category, unsigned short* resourceID, unsigned short* index);
// Each copies at most `max` characters into out (max + 1 bytes).
void GetMenuScriptString(long id, char* out, long max);    // "SMNU"
void GetAlertString(long id, char* out, long max);         // "SALR"
void GetMaxedResourceString(long id, char* out, long max); // "SSTR"

} // namespace NSWayfarer
