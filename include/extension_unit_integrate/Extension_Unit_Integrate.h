#pragma once
// The camera library's plain entry points: everything the tool calls. They hand out one
// device manager handle and, per camera, a protocol handle, valid until the next refresh,
// clear or release of its manager. A null manager or protocol is never an error: each entry
// point answers it as noted, and nothing is logged.
#include <cstdint>
#include <cstdio>

#include "Extension_Unit_Class/Device_Info_Record.h"

class Device_List;
class Extension_Unit_Base_Protocol;

// A new, empty device manager; null when it cannot be allocated.
Device_List* Device_List_Create();
// Deletes every protocol and record, then the manager. Null: nothing.
void Device_List_Release(Device_List* list);
// Replaces the lists with the cameras present now; the number of cameras. Null: -1.
int Device_List_Refresh(Device_List* list);
// Empties the lists (every protocol deleted); the manager can be refreshed again. Null: nothing.
void Device_List_Clear(Device_List* list);
// A copy of camera `index`'s record; all zero for a null manager or an index past the end.
Device_Info_Record Device_List_Get_Info(Device_List* list, std::uint32_t index);
// Camera `index`'s protocol; null for a null manager or an index past the end.
Extension_Unit_Base_Protocol* Device_List_Get_Protocol(Device_List* list, std::uint32_t index);

// The protocol operation's result, unchanged; -1 for a null protocol.
int Protocol_Get_Flash_Model(Extension_Unit_Base_Protocol* protocol);
int Protocol_Read_ISP_Mem_Piece(Extension_Unit_Base_Protocol* protocol, std::uint16_t piece,
                                std::uint8_t* buffer);
int Protocol_Write_ISP_Mem_Piece(Extension_Unit_Base_Protocol* protocol, std::uint16_t piece,
                                 const std::uint8_t* buffer);
int Protocol_Read_Reg(Extension_Unit_Base_Protocol* protocol, std::uint16_t address, std::uint8_t* value);
int Protocol_Write_Reg(Extension_Unit_Base_Protocol* protocol, std::uint16_t address, std::uint8_t value);
int Protocol_Reset_Device(Extension_Unit_Base_Protocol* protocol);
int Protocol_Download_Firmware(Extension_Unit_Base_Protocol* protocol, const std::uint8_t* image,
                               std::uint32_t length, float* progress);
// The product name, owned by the protocol; "" (never null) for a null protocol.
const char* Protocol_Get_Product_Name(Extension_Unit_Base_Protocol* protocol);

// The library's log stream (null: no trace lines). The tool owns the stream.
void Set_Log_File(std::FILE* stream);
