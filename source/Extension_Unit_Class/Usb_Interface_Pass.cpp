// Pass 1 of the hub-port walk: the capture-device interfaces of the host, each paired with the
// record whose video-input device path names the same device instance.
#include <algorithm>

#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"
#include "Extension_Unit_Class/Usb_Hub_Walk.h"

namespace {

// Only capture devices on USB take part; the prefix is compared byte for byte.
constexpr char Usb_Capture_Path_Prefix[] = "\\\\?\\usb#vid_";
constexpr std::size_t Usb_Capture_Prefix_Length = 9;

// A path and an instance id name the same device when vendor, product and the four instance
// numbers agree.
bool Same_Device_Instance(const Device_Path_Id& first, const Device_Path_Id& second) {
    return first.Vid == second.Vid && first.Pid == second.Pid && first.Instance_1 == second.Instance_1 &&
           first.Instance_2 == second.Instance_2 && first.Instance_3 == second.Instance_3 &&
           first.Instance_4 == second.Instance_4;
}

// Lines whose key is the message itself in quotes, as the message's own source text.
void Log_Message_Line(const char* quoted_key, const char* message) {
    Log_Printf("\t\t[%s]=%s", quoted_key, message);
}

void Pair_Record(Device_Info_Record& record, const std::string& hardware_id, std::uint32_t port) {
    Copy_Record_Text(record.Hardware_Id, hardware_id);
    const auto ids = Parse_Four_Ids(record.Hardware_Id);
    std::copy(ids.begin(), ids.end(), record.Parent_Ids);
    record.Port_Number = port;
    Log_Printf("\t\t[%s]=HwId %s \r\n", "pinfo->Physical_ID", record.Hardware_Id);
    Log_Printf("\t\t[%s]=SPDRP_ADDRESS %x\r\n", "pinfo->PortNum", port);
}

} // namespace

void Enumerate_Usb_Interfaces(platform::Usb_Host& host, std::list<Device_Info_Record>& records,
                              Usb_Record_Pairing& pairing) {
    using platform::Device_Property;
    const auto set = host.Open_Device_Set(&platform::Capture_Interface_Class);
    if (!set)
        return;
    for (std::uint32_t index = 0; index < Usb_Set_Index_Limit; ++index) {
        platform::Device_Interface interface;
        if (set->Interface(index, interface) < 0)
            break;
        Log_Printf("\t\t[%s]=%d\r\n", "device_interface_data.Flags", static_cast<int>(interface.Flags));
        std::string path;
        if (set->Interface_Path(interface, path) < 0) {
            Log_Message_Line("\"Unable to call SetupDiGetDeviceInterfaceDetail\\r\\n\"",
                             "Unable to call SetupDiGetDeviceInterfaceDetail\r\n");
            continue;
        }
        if (path.compare(0, Usb_Capture_Prefix_Length, Usb_Capture_Path_Prefix, Usb_Capture_Prefix_Length) !=
            0)
            continue;
        const Device_Path_Id interface_id = Parse_Device_Path_Id(path.c_str());

        for (std::uint32_t element = 0; element < Usb_Set_Index_Limit; ++element) {
            platform::Device_Element found;
            if (set->Element(element, found) < 0)
                break;
            std::uint32_t port = 0;
            set->Address(element, port);
            std::string instance;
            set->Property(element, Device_Property::Instance_Id, instance);
            Log_Printf("\t\t[%s]=HDID %s\r\n", "szDIS", instance.c_str());
            if (!Same_Device_Instance(interface_id, Parse_Device_Path_Id(instance.c_str())))
                continue;
            std::string hardware_id;
            set->Property(element, Device_Property::Hardware_Id, hardware_id);
            std::string text;
            if (set->Property(element, Device_Property::Class, text) < 0)
                break;
            Log_Printf("\t\t[%s]=driver_name %s\r\n", "driver_name", text.c_str());
            const bool driver_read = set->Property(element, Device_Property::Driver_Key, text) >= 0;

            const auto record =
                std::find_if(records.begin(), records.end(), [&](const Device_Info_Record& r) {
                    return Same_Device_Instance(r.Device_Path_Id, interface_id);
                });
            if (record != records.end()) {
                Pair_Record(*record, hardware_id, port);
                std::string usb_device;
                if (set->Property(element, Device_Property::Parent_Instance_Id, usb_device) >= 0)
                    pairing.Usb_Device_Instance[&*record] = usb_device;
            }
            if (driver_read)
                break;
        }
    }
    Log_Message_Line("\"there are no more devices\\r\\n\"", "there are no more devices\r\n");
}
