#include "Extension_Unit_Class/Device_List.h"

#include <iterator>

#include "Extension_Unit_Class/Device_Discovery.h"
#include "Extension_Unit_Class/Usb_Hub_Walk.h"

int Device_List::Refresh() {
    Clear();
    // Discovery appends one record and one protocol per identified camera, and the hub-port
    // walk completes the records.
    GetDeviceList(Protocols, Records);
    Assign_Hub_Ports(Records);
    return static_cast<int>(Count());
}

void Device_List::Clear() {
    Records.clear();
    Protocols.Release_All();
}

const Device_Info_Record* Device_List::Record_At(std::uint32_t index) const {
    if (index >= Count())
        return nullptr;
    return &*std::next(Records.begin(), index);
}

Extension_Unit_Base_Protocol* Device_List::Protocol_At(std::uint32_t index) const {
    if (index >= Count() || index >= Protocols.List.size())
        return nullptr;
    return *std::next(Protocols.List.begin(), index);
}
