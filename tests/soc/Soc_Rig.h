#pragma once
// A simulated system-on-chip camera and the protocol bound to it as identification binds it,
// on a simulated backend installed for the test's scope, with the channel traffic in words.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Extension_Unit_Class/Extension_Unit_Soc_M5_Protocol.h"
#include "platform/simulated/Simulated_Soc_Camera.h"
#include "test_images/Bytes.h"

namespace test {

using test_images::Bytes;
using test_images::Get_U32_LE;

inline Bytes Bytes_Of(std::string_view text) {
    return {text.begin(), text.end()};
}

// A 4096-byte command block as the camera expects it, written from its documented layout.
inline Bytes Command_Block(std::uint32_t kind, std::uint32_t arg, std::uint32_t length,
                           const Bytes& payload) {
    Bytes block(4096);
    test_images::Put_U32_LE(block, 0, kind);
    test_images::Put_U32_LE(block, 4, arg);
    test_images::Put_U32_LE(block, 8, length);
    test_images::Put_Bytes(block, 12, payload);
    return block;
}

inline Bytes File_Operation_Block(std::string_view path, std::uint32_t value, std::uint32_t op) {
    Bytes block = Command_Block(133, 0, 520, Bytes_Of(path));
    test_images::Put_U32_LE(block, 524, value);
    test_images::Put_U32_LE(block, 528, op);
    return block;
}

struct Soc_Rig {
    std::shared_ptr<platform::simulated::Simulated_Backend> backend =
        std::make_shared<platform::simulated::Simulated_Backend>();
    platform::Scoped_Backend installed{backend};
    platform::simulated::Simulated_Soc_Camera soc;
    Extension_Unit_Soc_M5_Protocol protocol;

    explicit Soc_Rig(const platform::simulated::Soc_Camera_Scenario& scenario = {})
        : soc(platform::simulated::Add_Soc_Camera(*backend, "soc0", scenario)), protocol(New_Device()) {}

    Extension_Unit_Base_Class* New_Device() const {
        auto* device = new Extension_Unit_Base_Class(soc.Camera->Open_Control());
        device->Bind_Units(platform::simulated::Soc_Node_2_Unit_Guid, 2,
                           platform::simulated::Soc_Node_3_Unit_Guid, 3);
        return device;
    }

    // The traffic since the last call, as "len", "set", "get" and "sleep N"; the blocks sent go
    // to `blocks`. Requests that are not on the file channel (selector 8 of node 3) show as "other".
    std::vector<std::string> Steps(std::vector<Bytes>* blocks = nullptr) const {
        using platform::simulated::Request_Code;
        std::vector<std::string> steps;
        for (const auto& event : backend->Log().Events()) {
            if (event.Kind == platform::simulated::Event_Kind::Pause)
                steps.push_back("sleep " + std::to_string(event.Pause_Ms));
            else if (event.Node_Id != 3 || event.Selector != 8)
                steps.push_back("other");
            else
                steps.push_back(event.Code == Request_Code::Get_Len   ? "len"
                                : event.Code == Request_Code::Set_Cur ? "set"
                                                                      : "get");
            if (blocks && event.Code == Request_Code::Set_Cur)
                blocks->push_back(event.Data);
        }
        backend->Log().Clear();
        return steps;
    }

    const platform::simulated::Soc_File_System::Bytes* File(std::string_view path) const {
        return soc.Channel->Files().Find(path);
    }
};

} // namespace test
