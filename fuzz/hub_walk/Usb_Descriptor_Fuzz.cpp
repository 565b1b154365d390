// Bytes from USB devices and texts from the host, through every reader of the hub-port walk
// and through the whole walk over a simulated device that sends them: the readers stay inside
// the bytes, the walk ends, and every record text stays NUL-terminated inside its field.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"
#include "Extension_Unit_Class/Usb_Hub_Walk.h"
#include "platform/simulated/Simulated_Backend.h"

namespace {

using namespace platform::simulated;

void Require(bool condition) {
    if (!condition)
        std::abort();
}

void Require_Terminated(const char (&field)[Device_Info_Text_Size]) {
    Require(std::memchr(field, 0, sizeof field) != nullptr);
}

// Two cameras send the bytes: one as its configuration exactly, one with the total length
// patched to the bytes' size (so the walk reads on into them) and the bytes as its product
// string, as sent.
void Walk_Devices_Sending(const Descriptor_Bytes& bytes) {
    auto backend = std::make_shared<Simulated_Backend>();
    platform::Scoped_Backend installed(backend);
    Simulated_Usb_Hub& root = backend->Usb_Tree().Add_Host_Controller(2).Root_Hub();
    Usb_Device_Description raw = Camera_Device();
    raw.Configurations = {bytes};
    Usb_Camera_Description second;
    second.Pid = 0x2C3E;
    Usb_Device_Description patched = Camera_Device(second);
    patched.Configurations = {bytes};
    if (bytes.size() >= 4 && bytes.size() <= 0xFFFF) {
        patched.Configurations[0][2] = static_cast<std::uint8_t>(bytes.size());
        patched.Configurations[0][3] = static_cast<std::uint8_t>(bytes.size() >> 8);
    }
    patched.Strings[{2, Language_English_US}] =
        Descriptor_Bytes(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 255));
    std::list<Device_Info_Record> records;
    for (const auto* camera :
         {&backend->Usb_Tree().Add_Device(root, 1, raw), &backend->Usb_Tree().Add_Device(root, 2, patched)}) {
        Device_Info_Record& record = records.emplace_back();
        Copy_Record_Text(record.Device_Path, camera->Capture_Path());
        record.Device_Path_Id = Parse_Device_Path_Id(record.Device_Path);
    }
    Require(Assign_Hub_Ports(records) == 0);
    for (const Device_Info_Record& record : records)
        for (const auto* field : {&record.Hub_Port_Path, &record.Manufacturer, &record.Product,
                                  &record.Serial_Number, &record.Usb_Device_Path, &record.Hardware_Id})
            Require_Terminated(*field);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Descriptor_Bytes bytes(data, data + size);
    const auto strings = Find_Configuration_Strings(bytes);
    for (std::uint8_t index : strings.Indexes)
        Require(index != 0);
    Starts_With_Function(bytes, Usb_Video_Class, Usb_Video_Class);
    if (Is_Whole_String_Descriptor(bytes))
        Require(String_Descriptor_Text(bytes).size() <= 3 * 126);
    char field[Device_Info_Text_Size];
    Copy_Record_Text(field, String_Descriptor_Text(bytes));
    Require_Terminated(field);

    const std::string text(bytes.begin(), bytes.end());
    Parse_Four_Ids(text);
    Parse_Device_Path_Id(text.c_str());

    Walk_Devices_Sending(bytes);
    return 0;
}
