#include <gtest/gtest.h>

#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Flash_Selectors.h"

namespace {

using namespace platform;
using namespace platform::simulated;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t Node = 3;

// A camera of `family` whose chip unit is driven with raw node properties at node 3.
struct Chip_Rig {
    Simulated_Backend backend;
    std::shared_ptr<Simulated_Camera> camera;
    std::unique_ptr<Ks_Control> control;
    GUID guid;

    Chip_Rig(std::string_view family, Flash_Part_Identity part) {
        auto spec = Chip_Camera("cam", family, "direct");
        spec.Flash = std::move(part);
        camera = Add_Chip_Camera(backend, spec);
        control = camera->Open_Control();
        guid = (*spec.Family->Own_Units)[1];
    }
    HRESULT Call(std::uint32_t flags, std::uint32_t selector, Bytes& data) {
        KSP_NODE property;
        property.Property = {guid, selector, flags | KSPROPERTY_TYPE_TOPOLOGY};
        property.NodeId = Node;
        return control->Ks_Property(property, sizeof property, data.data(),
                                    static_cast<std::uint32_t>(data.size()), nullptr);
    }
    HRESULT Set(std::uint32_t selector, Bytes bytes) { return Call(KSPROPERTY_TYPE_SET, selector, bytes); }
    Bytes Get(std::uint32_t selector, std::size_t length) {
        Bytes bytes(length);
        EXPECT_EQ(Call(KSPROPERTY_TYPE_GET, selector, bytes), S_OK);
        return bytes;
    }
    void Write(std::uint16_t address, std::uint8_t value) {
        Set(2, {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)});
        Set(3, {value});
    }
    std::uint8_t Read(std::uint16_t address) {
        Set(2, {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)});
        return Get(3, 1)[0];
    }
    Simulated_Flash_Part& Part() { return *camera->Flash().Part(); }
};

Flash_Part_Identity Gd25q40c() {
    Flash_Part_Identity part;
    part.Jedec_Id = {0xC8, 0x40, 0x13};
    part.Manufacturer_Device_Id = {0xC8, 0x12};
    return part;
}

TEST(Simulated_Flash, OpcodeSlotsKeepWhatIsLoadedAndSlot13Identifies) {
    Chip_Rig rig("SPCA2620", Gd25q40c());
    const HRESULT stall = Hresult_From_Win32(Win32_Error::Gen_Failure);
    EXPECT_EQ(rig.Set(Opcode_Selector, {0x9F}), stall) << "no slot chosen";
    EXPECT_EQ(rig.Set(Opcode_Slot_Selector, {0}), stall);
    EXPECT_EQ(rig.Set(Opcode_Slot_Selector, {14}), stall);
    for (std::uint8_t slot = 1; slot <= 13; ++slot) {
        EXPECT_EQ(rig.Set(Opcode_Slot_Selector, {slot}), S_OK);
        EXPECT_EQ(rig.Set(Opcode_Selector, {static_cast<std::uint8_t>(0xA0 + slot)}), S_OK);
    }
    for (std::uint8_t slot = 1; slot <= 13; ++slot)
        EXPECT_EQ(rig.camera->Flash().Opcode(slot), 0xA0 + slot);

    const std::pair<std::uint8_t, Bytes> answers[] = {
        {0x9F, {0xC8, 0x40, 0x13}}, {0x90, {0xC8, 0x12, 0xC8}}, {0xAB, {0xFF, 0xFF, 0xFF}}};
    for (const auto& [opcode, answer] : answers) {
        rig.Set(Opcode_Slot_Selector, {Identification_Slot});
        rig.Set(Opcode_Selector, {opcode});
        EXPECT_EQ(rig.Get(Flash_Id_Selector, 3), answer) << int(opcode);
    }
    rig.Set(16, {2});
    EXPECT_EQ(rig.camera->Flash().Program_Mode(), 2);

    rig.Write(0x2034, 0x01); // a restart: the chip forgets what the host loaded
    EXPECT_EQ(rig.camera->Flash().Opcode(1), 0);
    EXPECT_EQ(rig.camera->Flash().Program_Mode(), 0);
}

TEST(Simulated_Flash, MasterAClocksBytesAndLatchesTheLastOne) {
    Chip_Rig rig("SPCA2281", Gd25q40c());
    // Two identification runs: the latch read first holds the byte of the run before.
    for (const Bytes& expected :
         {Bytes{0x00, 0xC8, 0xC8, 0x40, 0x40, 0x13}, Bytes{0x13, 0xC8, 0xC8, 0x40, 0x40, 0x13}}) {
        rig.Write(0x2025, 0x00);
        rig.Write(0x2022, 0x9F);
        Bytes got;
        for (int i = 0; i < 6; ++i) {
            got.push_back(rig.Read(i % 2 == 0 ? 0x2023 : 0x2024));
            EXPECT_EQ(rig.Read(0x2021), 0x00) << "always ready";
        }
        rig.Write(0x2025, 0x02);
        EXPECT_EQ(got, expected);
    }
    EXPECT_EQ(rig.Read(0x2024), 0xFF) << "nothing answers while the flash is released";

    // Status writes need the write-enable latch, which every write clears.
    const auto transaction = [&](Bytes bytes) {
        rig.Write(0x2025, 0x00);
        for (std::uint8_t byte : bytes)
            rig.Write(0x2022, byte);
        rig.Write(0x2025, 0x02);
    };
    rig.Part().Set_Status(0x1C);
    transaction({0x01, 0x00});
    EXPECT_EQ(rig.Part().Status(), 0x1C);
    transaction({0x06});
    EXPECT_EQ(rig.Part().Status(), 0x1C | Flash_Status_Write_Enable);
    transaction({0x01, 0x00});
    EXPECT_EQ(rig.Part().Status(), 0x00);
    transaction({0x50}); // the SST way
    transaction({0x01, 0x0C});
    EXPECT_EQ(rig.Part().Status(), 0x0C);
    rig.Write(0x2025, 0x00);
    rig.Write(0x2022, 0x05);
    EXPECT_EQ(rig.Read(0x2024), 0x0C);
    rig.Write(0x2025, 0x02);
    EXPECT_EQ(rig.Part().Opcodes(), (Bytes{0x9F, 0x9F, 0x01, 0x06, 0x01, 0x50, 0x01, 0x05}));
}

TEST(Simulated_Flash, EngineBRunsLoadedCommandsAndPollsTheStatus) {
    Chip_Rig rig("SPCA2650", Gd25q40c());
    const auto run = [&](Bytes queue, std::uint8_t length, std::uint8_t mode) {
        rig.Write(0x2C25, 0x10);
        for (std::uint8_t byte : queue)
            rig.Write(0x2C24, byte);
        rig.Write(0x2C26, length);
        rig.Write(0x2C27, 0x00);
        rig.Write(0x2C2B, 0x01);
        rig.Write(0x2C2C, 0x00);
        rig.Write(0x2C2A, mode);
        rig.Write(0x2C25, 0x01);
        EXPECT_EQ(rig.Read(0x2C25), 0x00) << "done";
    };
    run({0x9F}, 3, 0);
    EXPECT_EQ((Bytes{rig.Read(0x2C24), rig.Read(0x2C24), rig.Read(0x2C24), rig.Read(0x2C24)}),
              (Bytes{0xC8, 0x40, 0x13, 0xFF}));
    rig.Part().Set_Status(0x1C);
    run({0x06}, 0, 0);
    run({0x01, 0x00, 0x05}, 1, 1);
    EXPECT_EQ(rig.Part().Status(), 0x00);
    EXPECT_EQ(rig.Part().Opcodes(), (Bytes{0x9F, 0x06, 0x01, 0x05})) << "the write, then one status poll";
}

TEST(Simulated_Flash, EachFamilyHasItsMechanismsAndTransferLength) {
    for (const Simulated_Chip_Family& family : Simulated_Chip_Families) {
        if (!family.Own_Units || family.File_Channel) // no chip unit: the file-channel camera
            continue;
        Chip_Rig rig(family.Name, Gd25q40c());
        Simulated_Unit& unit = *rig.camera->Chip_Unit();
        EXPECT_EQ(unit.Find(Flash_Id_Selector) != nullptr, family.Flash_Id_Selector) << family.Name;
        EXPECT_EQ(unit.Find(Opcode_Selector) != nullptr, family.Has_Flash()) << family.Name;
        if (family.Has_Flash()) {
            EXPECT_EQ(unit.Find(Flash_Data_Selector)->Length(), family.Chunk_Length) << family.Name;
        }
        rig.Write(0x2C25, 0x10);
        rig.Write(0x2C24, 0x9F);
        rig.Write(0x2C26, 0x03);
        rig.Write(0x2C25, 0x01);
        EXPECT_EQ(rig.Part().Opcodes().size(), family.Spi_Engine_B ? 1u : 0u) << family.Name;
        rig.Write(0x2025, 0x00);
        rig.Write(0x2022, 0x9F);
        EXPECT_EQ(rig.Part().Opcodes().size(),
                  (family.Spi_Engine_B ? 1u : 0u) + (family.Spi_Master_A ? 1u : 0u))
            << family.Name;
    }
}

Bytes Le(std::uint32_t value) {
    return {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
            std::uint8_t(value >> 24)};
}

// The opcodes the chip's transfers use, as the host loads them.
void Load_Slots(Chip_Rig& rig) {
    for (auto [slot, opcode] : {std::pair{1, 0x03}, {4, 0x06}, {6, 0x20}, {9, 0x02}}) {
        rig.Set(Opcode_Slot_Selector, {std::uint8_t(slot)});
        rig.Set(Opcode_Selector, {std::uint8_t(opcode)});
    }
}

TEST(Simulated_Flash, TransfersKeepNorSemanticsWriteEnableAndProtection) {
    Chip_Rig rig("SPCA2620", Gd25q40c());
    auto& flash = rig.Part().Contents();
    const HRESULT refused = Hresult_From_Win32(Win32_Error::Invalid_Parameter);
    EXPECT_EQ(rig.Set(Transfer_Address_Selector, Le(0x1000)), S_OK);
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(1024, 0x00)), S_OK);
    EXPECT_EQ(flash[0x1000], 0xFF) << "slots never loaded: opcode 0 does nothing";

    Load_Slots(rig);
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(1024, 0x0F)), S_OK);
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(1024, 0x3C)), S_OK);
    EXPECT_EQ(rig.Get(Flash_Data_Selector, 1024), Bytes(1024, 0x0C)) << "programming only clears bits";
    EXPECT_EQ(rig.Set(Erase_Selector, Le(0x1FFF)), S_OK);
    EXPECT_EQ(rig.Get(Flash_Data_Selector, 1024), Bytes(1024, 0xFF)) << "the whole sector of the address";
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(512, 0x00)), refused) << "only the transfer length moves";
    EXPECT_EQ(rig.Set(Erase_Selector, {0x01}), refused) << "no mode on this chip's selector 13";

    rig.Part().Set_Status(0x04);
    rig.Set(Flash_Data_Selector, Bytes(1024, 0x00));
    rig.Set(Erase_Selector, Le(0));
    EXPECT_EQ(flash[0x1000], 0xFF) << "a protected part takes no program";
    EXPECT_EQ(flash[0], 0xFF);
    EXPECT_EQ(rig.Part().Status(), 0x04) << "and every attempt used up its write enable";

    Chip_Rig engine("SPCA2650", Gd25q40c());
    EXPECT_EQ(engine.Set(Erase_Selector, {0x02}), S_OK);
    EXPECT_EQ(engine.camera->Flash().Program_Mode(), 2) << "one byte on selector 13 is the mode";
    EXPECT_EQ(engine.camera->Chip_Unit()->Find(Flash_Data_Selector)->Length(), 1024u);
}

} // namespace
