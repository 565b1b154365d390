#pragma once
// The device manager: for every camera found, one protocol object and one device record, in
// the same order; the tool addresses cameras by that index. It owns both.
#include <cstdint>
#include <list>

#include "Extension_Unit_Class/Device_Info_Record.h"
#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"
#include "Extension_Unit_Class/List_Normal_Single_Point_Container.h"

class Device_List {
public:
    // Starts from empty lists and fills them with the cameras present now; the count.
    int Refresh();
    // Empties both lists; every protocol handed out before becomes invalid.
    void Clear();

    std::uint32_t Count() const { return static_cast<std::uint32_t>(Records.size()); }
    // Null, or the record of camera `index`.
    const Device_Info_Record* Record_At(std::uint32_t index) const;
    // Null, or the protocol of camera `index`.
    Extension_Unit_Base_Protocol* Protocol_At(std::uint32_t index) const;

    // Both lists always have the same length: discovery appends a record and its protocol
    // together.
    List_Normal_Single_Point_Container<Extension_Unit_Base_Protocol*> Protocols;
    std::list<Device_Info_Record> Records;
};
