// Discovery of the cameras: the video-input devices the platform lists, each identified and
// given the protocol class its chip code selects.
#include <cstdio>
#include <new>
#include <string>

#include "Extension_Unit_Class/Device_Discovery.h"
#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2085_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2092_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2282_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2620_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2650_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_Soc_M5_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_UNKNOW_Protocol.h"
#include "platform/Backend.h"

namespace {

constexpr const char* Discovery_Source = Log_Source_Path(__FILE__);

template <typename Protocol>
Extension_Unit_Base_Protocol* Create_Chip_Protocol(std::unique_ptr<Extension_Unit_Base_Class>& device) {
    auto* protocol = new (std::nothrow) Protocol(device.get());
    if (protocol)
        device.release(); // the protocol owns it now
    return protocol;
}

constexpr Protocol_Choice Choices[] = {
    {0x100, Create_Chip_Protocol<Extension_Unit_SPCA2620_Protocol>},
    {0x101, Create_Chip_Protocol<Extension_Unit_SPCA2281_Protocol>},
    {0x102, Create_Chip_Protocol<Extension_Unit_SPCA2085_Protocol>},
    {0x103, Create_Chip_Protocol<Extension_Unit_SPCA2092_Protocol>},
    {0x105, Create_Chip_Protocol<Extension_Unit_SPCA2650_Protocol>},
    {0x106, Create_Chip_Protocol<Extension_Unit_SPCA2282_Protocol>},
    {0x200, Create_Chip_Protocol<Extension_Unit_Soc_M5_Protocol>},
};

// Appends a camera's record and protocol together, or neither.
bool Append_Camera(List_Normal_Single_Point_Container<Extension_Unit_Base_Protocol*>& protocols,
                   std::list<Device_Info_Record>& records, const Device_Info_Record& record,
                   std::unique_ptr<Extension_Unit_Base_Protocol> protocol) {
    try {
        records.push_back(record);
    } catch (const std::bad_alloc&) {
        return false;
    }
    try {
        protocols.List.push_back(protocol.get());
    } catch (const std::bad_alloc&) {
        records.pop_back();
        return false;
    }
    protocol.release();
    return true;
}

} // namespace

Extension_Unit_Base_Protocol* Create_Protocol_For(std::uint32_t chip_code,
                                                  std::unique_ptr<Extension_Unit_Base_Class> device) {
    for (const Protocol_Choice& choice : Choices) {
        if (choice.Chip_Code == chip_code)
            return choice.Create(device);
    }
    return new (std::nothrow) Extension_Unit_UNKNOW_Protocol();
}

platform::HRESULT EnumerateDevices(std::vector<std::unique_ptr<platform::Video_Input_Device>>& devices) {
    Log_Location(Discovery_Source, 346, "EnumerateDevices");
    const platform::HRESULT result = platform::Current_Backend()->Enumerate_Video_Inputs(devices);
    Log_Location(Discovery_Source, 380, "EnumerateDevices");
    return result;
}

void Read_Device_Properties(platform::Video_Input_Device& device,
                            char (&device_path)[Device_Info_Text_Size]) {
    // The names and the wave-in id are read as the system's own tools read them; nothing here
    // keeps them, and nothing is ever written back to the device.
    std::string text;
    if (device.Read_Property(platform::Property_Description, text) < 0)
        device.Read_Property(platform::Property_Friendly_Name, text);
    device.Read_Property(platform::Property_Wave_In_Id, text);
    std::string path;
    if (device.Read_Property(platform::Property_Device_Path, path) >= 0)
        Copy_Record_Text(device_path, path);
}

void GetDeviceList(List_Normal_Single_Point_Container<Extension_Unit_Base_Protocol*>& protocols,
                   std::list<Device_Info_Record>& records) {
    Log_Location(Discovery_Source, 454, "GetDeviceList");
    std::vector<std::unique_ptr<platform::Video_Input_Device>> handles;
    if (EnumerateDevices(handles) >= 0)
        Log_Location(Discovery_Source, 468, "GetDeviceList");
    else
        handles.clear();
    Log_Printf("\r\n Moniker Count is %d\r\n", static_cast<int>(handles.size()));

    for (std::unique_ptr<platform::Video_Input_Device>& handle : handles) {
        Device_Info_Record record{};
        Read_Device_Properties(*handle, record.Device_Path);
        record.Device_Path_Id = Parse_Device_Path_Id(record.Device_Path);

        std::unique_ptr<Extension_Unit_Base_Class> device(new (std::nothrow)
                                                              Extension_Unit_Base_Class(std::move(handle)));
        if (!device) {
            std::fputs("pExtUnit = NULL\n", stderr);
            continue;
        }
        device->Init();
        if (device->Identify() != 0) {
            Log_Protocol_Mate("unknown error");
            continue;
        }
        const std::uint32_t chip_code = device->Get_Chip_Code();
        std::unique_ptr<Extension_Unit_Base_Protocol> protocol(
            Create_Protocol_For(chip_code, std::move(device)));
        // A camera without its protocol is left out whole: the lists stay paired.
        if (!protocol)
            continue;
        const char* product_name = protocol->Get_Product_Name();
        if (Append_Camera(protocols, records, record, std::move(protocol)))
            Log_Protocol_Mate(product_name);
    }

    // The flash operations of every chip rely on the command set chosen here.
    for (Extension_Unit_Base_Protocol* protocol : protocols.List)
        protocol->Get_Flash_Type(nullptr);
}
