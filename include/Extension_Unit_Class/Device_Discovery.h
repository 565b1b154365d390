#pragma once
// Discovery: from the host's video-input devices to the device manager's two lists, one
// record and one protocol per identified camera, appended together so that index i of both
// is one camera. The protocol class follows from the chip code identification gives, by a
// table with one row per code.
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "Extension_Unit_Class/Device_Info_Record.h"
#include "Extension_Unit_Class/Extension_Unit_Base_Class.h"
#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"
#include "Extension_Unit_Class/List_Normal_Single_Point_Container.h"
#include "platform/Result_Code.h"
#include "platform/Video_Input.h"

// One row: a chip code and the protocol class built for it. The creator takes the device
// object over when it succeeds and leaves it with the caller (null result) when it cannot.
struct Protocol_Choice {
    std::uint32_t Chip_Code;
    Extension_Unit_Base_Protocol* (*Create)(std::unique_ptr<Extension_Unit_Base_Class>& device);
};

// The protocol for `chip_code` on `device`: its row's class, or, for a code no row has, the
// refusing protocol (the device object is then destroyed: that protocol holds none). Null only
// when the protocol cannot be made; the device is destroyed then too.
Extension_Unit_Base_Protocol* Create_Protocol_For(std::uint32_t chip_code,
                                                  std::unique_ptr<Extension_Unit_Base_Class> device);

// The current backend's video-input devices (the backend's result: S_OK, VFW_E_NOT_FOUND for
// none, or another failure), with the entry and exit location lines.
platform::HRESULT EnumerateDevices(std::vector<std::unique_ptr<platform::Video_Input_Device>>& devices);

// Reads "Description" (or, without one, "FriendlyName") and "WaveInID", which nothing keeps,
// and "DevicePath" into `device_path`: at most 255 characters, always NUL-terminated. A
// property that cannot be read leaves the field empty. Nothing is written to the device.
void Read_Device_Properties(platform::Video_Input_Device& device, char (&device_path)[Device_Info_Text_Size]);

// Appends, for every video-input device that a probe recognises, its record and its protocol;
// a device that is not recognised, or whose device object or protocol cannot be made, adds
// neither. Then every protocol chooses its flash command set (Get_Flash_Type).
void GetDeviceList(List_Normal_Single_Point_Container<Extension_Unit_Base_Protocol*>& protocols,
                   std::list<Device_Info_Record>& records);
