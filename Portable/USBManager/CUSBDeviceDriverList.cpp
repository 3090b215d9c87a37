#include "Portable/USBManager/CUSBDeviceDriverList.h"

#include <algorithm>

using NSPlatform::TUsbServiceId;

CUSBDeviceDriverList::~CUSBDeviceDriverList()
{
    Clear();
}

void CUSBDeviceDriverList::Add(TUsbServiceId id)
{
    fList.push_back(std::make_unique<CUSBDeviceDriver>(id));
}

void CUSBDeviceDriverList::Remove(TUsbServiceId id)
{
    auto it = std::find_if(fList.begin(), fList.end(),
                           [id](const auto& entry) { return entry->fDeviceId == id; });
    if (it != fList.end())
        fList.erase(it);
}

bool CUSBDeviceDriverList::IsMember(TUsbServiceId id) const
{
    return std::any_of(fList.begin(), fList.end(),
                       [id](const auto& entry) { return entry->fDeviceId == id; });
}

void CUSBDeviceDriverList::Clear()
{
    fList.clear();
}

uint16_t CUSBDeviceDriverList::GetCount() const
{
    return static_cast<uint16_t>(std::min<size_t>(fList.size(), UINT16_MAX));
}

TUsbServiceId CUSBDeviceDriverList::GetNativeId(uint16_t index) const
{
    return index < fList.size() ? fList[index]->fDeviceId : 0;
}

uint16_t CUSBDeviceDriverList::GetIndex(TUsbServiceId id) const
{
    for (size_t i = 0; i < fList.size(); ++i)
        if (fList[i]->fDeviceId == id)
            return static_cast<uint16_t>(i);
    return 0;
}
