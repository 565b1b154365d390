#include "extension_unit_integrate/Extension_Unit_Integrate.h"

#include <new>

#include "Extension_Unit_Class/Device_List.h"
#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"

Device_List* Device_List_Create() {
    return new (std::nothrow) Device_List();
}

void Device_List_Release(Device_List* list) {
    if (!list)
        return;
    list->Clear();
    delete list;
}

int Device_List_Refresh(Device_List* list) {
    return list ? list->Refresh() : -1;
}

void Device_List_Clear(Device_List* list) {
    if (list)
        list->Clear();
}

Device_Info_Record Device_List_Get_Info(Device_List* list, std::uint32_t index) {
    Device_Info_Record record{};
    if (const Device_Info_Record* found = list ? list->Record_At(index) : nullptr)
        record = *found;
    return record;
}

Extension_Unit_Base_Protocol* Device_List_Get_Protocol(Device_List* list, std::uint32_t index) {
    return list ? list->Protocol_At(index) : nullptr;
}

int Protocol_Get_Flash_Model(Extension_Unit_Base_Protocol* protocol) {
    return protocol ? protocol->Get_Flash_Model() : -1;
}

int Protocol_Read_ISP_Mem_Piece(Extension_Unit_Base_Protocol* protocol, std::uint16_t piece,
                                std::uint8_t* buffer) {
    return protocol ? protocol->Read_ISP_Mem_Piece(piece, buffer) : -1;
}

int Protocol_Write_ISP_Mem_Piece(Extension_Unit_Base_Protocol* protocol, std::uint16_t piece,
                                 const std::uint8_t* buffer) {
    return protocol ? protocol->Write_ISP_Mem_Piece(piece, buffer) : -1;
}

int Protocol_Read_Reg(Extension_Unit_Base_Protocol* protocol, std::uint16_t address, std::uint8_t* value) {
    return protocol ? protocol->Read_Reg(address, value) : -1;
}

int Protocol_Write_Reg(Extension_Unit_Base_Protocol* protocol, std::uint16_t address, std::uint8_t value) {
    return protocol ? protocol->Write_Reg(address, value) : -1;
}

int Protocol_Reset_Device(Extension_Unit_Base_Protocol* protocol) {
    return protocol ? protocol->Reset_Device() : -1;
}

int Protocol_Download_Firmware(Extension_Unit_Base_Protocol* protocol, const std::uint8_t* image,
                               std::uint32_t length, float* progress) {
    return protocol ? protocol->Download_Firmware(image, length, progress) : -1;
}

const char* Protocol_Get_Product_Name(Extension_Unit_Base_Protocol* protocol) {
    return protocol ? protocol->Get_Product_Name() : "";
}
