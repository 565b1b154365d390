#pragma once
// A host with simulated cameras of the chip families, installed for the test's scope, and
// the ways a test reaches them: as discovery finds them, or one device object at a time.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Extension_Unit_Class/Device_List.h"
#include "Extension_Unit_Class/Extension_Unit_Base_Class.h"
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Simulated_Backend.h"
#include "platform/simulated/Simulated_Video_Input.h"

namespace test {

using platform::simulated::Flash_Part_Identity;
using platform::simulated::Simulated_Camera;

struct Device_List_Release_Deleter {
    void operator()(Device_List* list) const { Device_List_Release(list); }
};
using Owned_Device_List = std::unique_ptr<Device_List, Device_List_Release_Deleter>;

// A flash part answering the three identification opcodes with these bytes (empty: not at all).
inline Flash_Part_Identity Flash_Part(std::array<std::uint8_t, 3> jedec, std::vector<std::uint8_t> id_90 = {},
                                      std::vector<std::uint8_t> id_ab = {}) {
    Flash_Part_Identity part;
    part.Jedec_Id = jedec;
    part.Manufacturer_Device_Id = std::move(id_90);
    part.Electronic_Signature = std::move(id_ab);
    return part;
}

struct Simulated_Host {
    std::shared_ptr<platform::simulated::Simulated_Backend> backend =
        std::make_shared<platform::simulated::Simulated_Backend>();
    platform::Scoped_Backend installed{backend};

    // A camera of `family` in `layout`; `identity` replaces the family's identity registers.
    std::shared_ptr<Simulated_Camera> Add(const std::string& family, const std::string& layout,
                                          std::optional<std::array<std::uint8_t, 3>> identity = std::nullopt,
                                          std::optional<Flash_Part_Identity> flash = std::nullopt) {
        auto desc = platform::simulated::Chip_Camera("cam" + std::to_string(backend->Cameras().size()),
                                                     family, layout);
        desc.Identity = identity;
        desc.Flash = std::move(flash);
        auto camera = platform::simulated::Add_Chip_Camera(*backend, desc);
        EXPECT_NE(camera, nullptr) << family << " in " << layout;
        return camera;
    }

    // The camera's device object as discovery makes it, bound (Init) and not yet identified.
    static std::unique_ptr<Extension_Unit_Base_Class>
    Device_Of(const std::shared_ptr<Simulated_Camera>& camera) {
        auto device =
            std::make_unique<Extension_Unit_Base_Class>(platform::simulated::Open_Video_Input(camera));
        device->Init();
        return device;
    }

    // A refreshed device manager over every camera added so far.
    static Owned_Device_List Discover() {
        Owned_Device_List list(Device_List_Create());
        Device_List_Refresh(list.get());
        return list;
    }

    void Forget_Events() const { backend->Log().Clear(); }
};

// One camera of `family` in `layout` on a host of its own, and its device object as
// discovery makes it, bound and not yet identified.
struct Probed_Camera {
    Simulated_Host host;
    std::shared_ptr<Simulated_Camera> camera;
    std::unique_ptr<Extension_Unit_Base_Class> device;

    Probed_Camera(const std::string& family, const std::string& layout,
                  std::optional<std::array<std::uint8_t, 3>> identity = std::nullopt)
        : camera(host.Add(family, layout, identity)), device(Simulated_Host::Device_Of(camera)) {}
    Extension_Unit_Base_Class* operator->() const { return device.get(); }
};

} // namespace test

namespace test {

// One camera of `family` (the SPCA2092, which has no pair of its own, in a layout its
// registers decide) with flash `part` as discovery leaves it: identified, its protocol built,
// its command set chosen. `chunk_length` replaces the chip's answer to the transfer-length query.
struct Discovered_Camera {
    Simulated_Host host;
    std::shared_ptr<Simulated_Camera> camera;
    Owned_Device_List list;
    Extension_Unit_Chip_Protocol* protocol = nullptr;

    Discovered_Camera(const std::string& family, std::optional<Flash_Part_Identity> part,
                      std::optional<std::uint32_t> chunk_length = std::nullopt) {
        auto desc =
            platform::simulated::Chip_Camera("cam0", family, family == "SPCA2092" ? "G3@2+G10@3" : "direct");
        desc.Flash = std::move(part);
        desc.Chunk_Length = chunk_length;
        camera = platform::simulated::Add_Chip_Camera(*host.backend, desc);
        list = host.Discover();
        protocol = dynamic_cast<Extension_Unit_Chip_Protocol*>(Device_List_Get_Protocol(list.get(), 0));
        EXPECT_NE(protocol, nullptr) << family;
        host.Forget_Events();
    }

    // The opcodes loaded into slots 1 to 12.
    std::array<std::uint8_t, 12> Slots() const {
        std::array<std::uint8_t, 12> slots{};
        for (std::uint8_t slot = 1; slot <= 12; ++slot)
            slots[slot - 1] = camera->Flash().Opcode(slot);
        return slots;
    }
};

} // namespace test
