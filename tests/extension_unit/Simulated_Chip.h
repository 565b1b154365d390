#pragma once
// A simulated camera as identification leaves one: its chip unit answering on node 2 and on
// node 3, and a camera device object whose first binding is on node 2 and second on node 3,
// all on a simulated backend installed for the test's scope.
#include <memory>
#include <vector>

#include "Extension_Unit_Class/Extension_Unit_Base_Class.h"
#include "platform/simulated/Simulated_Backend.h"

namespace test {

using platform::simulated::Event;
using platform::simulated::Request_Code;

inline constexpr platform::GUID First_Unit_Guid =
    platform::Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47579D95FC}");
inline constexpr platform::GUID Second_Unit_Guid =
    platform::Guid_Literal("{63610682-5070-49AB-B8CC-B3855E8D221D}");

inline platform::simulated::Chip_Model Test_Chip_Model() {
    using namespace platform::simulated;
    return {"test chip", Chip_Identity(0xC9, 0x01, 0x00), {Restart_By_Sequence_A, Restart_By_Sequence_B}};
}

// One request as the camera saw it, in the fields the tests compare.
struct Sent {
    std::uint32_t Node;
    std::uint32_t Selector;
    Request_Code Code;
    std::vector<std::uint8_t> Data;
    friend bool operator==(const Sent&, const Sent&) = default;
};

inline void PrintTo(const Sent& sent, std::ostream* out) {
    *out << "{node " << sent.Node << ", sel " << sent.Selector << ", code 0x" << std::hex
         << static_cast<int>(sent.Code) << ", [";
    for (std::uint8_t byte : sent.Data)
        *out << " " << static_cast<int>(byte);
    *out << std::dec << " ]}";
}

struct Simulated_Chip {
    std::shared_ptr<platform::simulated::Simulated_Backend> backend =
        std::make_shared<platform::simulated::Simulated_Backend>();
    platform::Scoped_Backend installed{backend};
    std::shared_ptr<platform::simulated::Simulated_Camera> camera =
        backend->Add_Camera("cam0", Test_Chip_Model());

    Simulated_Chip() {
        camera->Bind_Chip_Unit(2, First_Unit_Guid);
        camera->Bind_Chip_Unit(3, Second_Unit_Guid);
    }

    // A new device object on this camera, bound as identification binds it; the caller owns it.
    Extension_Unit_Base_Class* New_Device() const {
        auto* device = new Extension_Unit_Base_Class(camera->Open_Control());
        device->Bind_Units(First_Unit_Guid, 2, Second_Unit_Guid, 3);
        return device;
    }

    std::vector<Sent> Requests() const {
        std::vector<Sent> sent;
        for (const Event& event : backend->Log().Requests())
            sent.push_back({event.Node_Id, event.Selector, event.Code, event.Data});
        return sent;
    }
    void Forget_Requests() const { backend->Log().Clear(); }
    platform::simulated::Register_Bus& Registers() const { return camera->Registers(); }
};

// The two requests of one 8-bit register access as the camera sees them: the address set on
// selector 2, then the data set or get on selector 3.
inline std::vector<Sent> Register_Access(std::uint32_t node, std::uint16_t address, Request_Code data_code,
                                         std::vector<std::uint8_t> data) {
    return {{node,
             2,
             Request_Code::Set_Cur,
             {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)}},
            {node, 3, data_code, std::move(data)}};
}

inline std::vector<Sent> operator+(std::vector<Sent> first, const std::vector<Sent>& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

} // namespace test
