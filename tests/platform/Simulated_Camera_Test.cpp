#include "platform/simulated/Simulated_Camera.h"

#include <gtest/gtest.h>

#include "platform/simulated/Register_Selectors.h"
#include "platform/simulated/Virtual_Clock.h"

namespace {

using namespace platform;
using namespace platform::simulated;
using Bytes = std::vector<std::uint8_t>;

constexpr GUID Unit_Guid = Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47579D95FC}");
constexpr GUID Other_Guid = Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B46A336CA}");
constexpr std::uint32_t Node = 3;
const HRESULT No_Unit = Hresult_From_Win32(Win32_Error::Set_Not_Found);
const HRESULT Bad_Length = Hresult_From_Win32(Win32_Error::Invalid_Parameter);

// One camera whose chip unit answers at (Node, Unit_Guid), driven with raw node properties.
struct Camera_Rig {
    std::shared_ptr<Event_Log> log = std::make_shared<Event_Log>();
    std::shared_ptr<Simulated_Camera> camera = Simulated_Camera::Create(
        "cam0",
        {"test chip", Chip_Identity(0xC9, 0x01, 0x00), {Restart_By_Sequence_A, Restart_By_Sequence_B}}, log);
    std::unique_ptr<Ks_Control> control = camera->Open_Control();

    Camera_Rig() { camera->Bind_Chip_Unit(Node, Unit_Guid); }

    HRESULT Call(std::uint32_t flags, std::uint32_t selector, Bytes& data, std::uint32_t* returned = nullptr,
                 std::uint32_t node = Node, const GUID& guid = Unit_Guid) {
        KSP_NODE property;
        property.Property = {guid, selector, flags | KSPROPERTY_TYPE_TOPOLOGY};
        property.NodeId = node;
        return control->Ks_Property(property, sizeof property, data.empty() ? nullptr : data.data(),
                                    static_cast<std::uint32_t>(data.size()), returned);
    }
    HRESULT Length(std::uint32_t selector, std::uint32_t& length, std::uint32_t node = Node,
                   const GUID& guid = Unit_Guid) {
        Bytes none;
        return Call(KSPROPERTY_TYPE_GET, selector, none, &length, node, guid);
    }
    HRESULT Set(std::uint32_t selector, Bytes bytes) { return Call(KSPROPERTY_TYPE_SET, selector, bytes); }
    HRESULT Get(std::uint32_t selector, Bytes& bytes) { return Call(KSPROPERTY_TYPE_GET, selector, bytes); }
    void Write_8(std::uint16_t address, std::uint8_t value) {
        Set(2, {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)});
        Set(3, {value});
    }
    std::uint8_t Read_8(std::uint16_t address) {
        Bytes value(1);
        Set(2, {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)});
        Get(3, value);
        return value[0];
    }
};

TEST(Simulated_Camera, UnitsAnswerAtTheirNodeAndGuidWithTheSelectorTablesLengths) {
    Camera_Rig rig;
    std::uint32_t length = 77;
    EXPECT_EQ(rig.Length(0, length), E_MORE_DATA);
    EXPECT_EQ(length, Presence_Length);
    EXPECT_EQ(rig.Length(0, length, 2, Unit_Guid), No_Unit);
    EXPECT_EQ(rig.Length(0, length, Node, Other_Guid), No_Unit);
    EXPECT_EQ(length, 0u) << "a failed query answers no length";
    Bytes byte(1);
    EXPECT_EQ(rig.Call(KSPROPERTY_TYPE_GET, 3, byte, nullptr, 2), No_Unit);
    EXPECT_EQ(rig.Length(9, length), Hresult_From_Win32(Win32_Error::Not_Found));

    for (const Register_Selector_Row& row : Register_Selector_Rows) {
        EXPECT_EQ(rig.Length(row.Selector, length), E_MORE_DATA);
        EXPECT_EQ(length, row.Width) << "selector " << row.Selector;
        Bytes wrong(row.Width + 1);
        EXPECT_EQ(rig.Set(row.Selector, wrong), Bad_Length);
        EXPECT_EQ(rig.Get(row.Selector, wrong), Bad_Length);
    }

    rig.camera->Bind_Chip_Unit(2, Other_Guid); // one unit under a second key
    EXPECT_EQ(rig.Length(0, length, 2, Other_Guid), E_MORE_DATA);
    rig.camera->Units().Unbind(Node, Unit_Guid);
    EXPECT_EQ(rig.Length(0, length), No_Unit);

    KSP_NODE property;
    property.Property = {Other_Guid, 0, KSPROPERTY_TYPE_GET}; // no topology flag: not a node property
    property.NodeId = 2;
    EXPECT_EQ(rig.control->Ks_Property(property, sizeof property, nullptr, 0, &length), Bad_Length);
}

TEST(Simulated_Camera, RegistersArePlainMemoryUnlessBehaviourIsAttached) {
    struct Spi_Like : Register_Behaviour {
        Bytes sent;
        std::uint8_t Read(Register_Bus&, std::uint16_t address) override {
            return static_cast<std::uint8_t>(address);
        }
        void Write(Register_Bus&, std::uint16_t, std::uint8_t value) override { sent.push_back(value); }
    };
    Camera_Rig rig;
    const Bytes identity{0xC9, 0x01, 0x00};
    for (std::size_t i = 0; i < Chip_Identity_Registers.size(); ++i)
        EXPECT_EQ(rig.Read_8(Chip_Identity_Registers[i]), identity[i]);

    // 16-bit access: the bytes of address and address + 1, low byte first.
    rig.Set(4, {0x00, 0x30});
    rig.Set(5, {0x34, 0x12});
    EXPECT_EQ(rig.camera->Registers().Peek(0x3000), 0x34);
    EXPECT_EQ(rig.camera->Registers().Peek(0x3001), 0x12);

    auto spi = std::make_shared<Spi_Like>();
    rig.camera->Registers().Attach(0x2020, 0x2025, spi);
    rig.Write_8(0x2022, 0x9F);
    EXPECT_EQ(rig.Read_8(0x2024), 0x24);
    rig.Write_8(0x2026, 0x11);
    EXPECT_EQ(spi->sent, (Bytes{0x9F}));
    EXPECT_EQ(rig.camera->Registers().Peek(0x2022), 0) << "the behaviour kept the write out of memory";
    EXPECT_EQ(rig.camera->Registers().Peek(0x2026), 0x11);
}

TEST(Simulated_Camera, RestartTriggersPowerTheChipOnAgainAfterTheirRequest) {
    Camera_Rig rig;
    rig.Write_8(0x1234, 0x77);
    rig.Write_8(Restart_By_Sequence_A.Address, 0x02); // not the trigger value
    EXPECT_EQ(rig.camera->Restart_Count(), 0u);
    rig.Write_8(Restart_By_Sequence_A.Address, Restart_By_Sequence_A.Value);
    EXPECT_EQ(rig.camera->Restart_Count(), 1u);
    EXPECT_EQ(rig.Read_8(0x1234), 0x00) << "power-on forgets what was written";
    EXPECT_EQ(rig.Read_8(Chip_Identity_Registers[0]), 0xC9) << "and restores the identity";
    const auto events = rig.log->Events();
    EXPECT_EQ(events[6].Kind, Event_Kind::Restart);
    EXPECT_EQ(events[5].Data, (Bytes{Restart_By_Sequence_A.Value})) << "right after the triggering write";
    rig.Write_8(Restart_By_Sequence_B.Address, Restart_By_Sequence_B.Value);
    EXPECT_EQ(rig.camera->Restart_Count(), 2u);
}

TEST(Event_Log, KeepsRequestsAndPausesInOneTimeline) {
    Camera_Rig rig;
    Virtual_Clock clock(rig.log);
    rig.Write_8(0x2041, 0x01);
    clock.Sleep(10);
    std::uint32_t length = 0;
    rig.Length(5, length);
    const auto events = rig.log->Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(Describe(events[0]),
              "#1 cam0 node 3 {0FB885C3-68C2-4547-90F7-8F47579D95FC} sel 2 SET_CUR len 2 [41 20] -> 0x0");
    EXPECT_EQ(Describe(events[2]), "#3 pause 10 ms");
    EXPECT_EQ(events[3].Code, Request_Code::Get_Len);
    EXPECT_EQ(events[3].Bytes_Returned, 2u);
    EXPECT_EQ(events[3].Time_Ms, 10u);
    rig.log->Clear();
    clock.Sleep(5);
    EXPECT_EQ(rig.log->Events().at(0).Time_Ms, 10u) << "clearing forgets events, not time";
    EXPECT_EQ(clock.Now_Ms(), 15u);
}

} // namespace
