// The simulated chips where the library's own tests do not reach them: their units' answers,
// restarts, the event timeline, and the faithfulness of the flash part (NOR programming,
// write enable, protection) that makes a lost erase or write show up on read-back.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>

#include <optional>
#include <span>
#include <vector>

#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Flash_Selectors.h"
#include "platform/simulated/Register_Selectors.h"

namespace {

using namespace platform;
using namespace platform::simulated;
using Bytes = std::vector<std::uint8_t>;

constexpr GUID Other_Guid = Guid_Literal("{00112233-4455-6677-8899-AABBCCDDEEFF}");
constexpr std::uint32_t Node = 3;
const HRESULT No_Unit = Hresult_From_Win32(Win32_Error::Set_Not_Found);
const HRESULT Refused = Hresult_From_Win32(Win32_Error::Invalid_Parameter);

// A camera of `family` with a GD25Q40C part whose chip unit (on node 3) is driven with raw
// node properties.
struct Chip_Rig {
    Simulated_Backend backend;
    std::shared_ptr<Simulated_Camera> camera;
    std::unique_ptr<Ks_Control> control;
    GUID guid;

    explicit Chip_Rig(std::string_view family = "SPCA2620")
        : Chip_Rig(Chip_Camera("cam0", family, "direct")) {}
    explicit Chip_Rig(Chip_Camera_Description desc) {
        desc.Flash.emplace().Jedec_Id = {0xC8, 0x40, 0x13};
        camera = Add_Chip_Camera(backend, desc);
        control = camera->Open_Control();
        guid = (*desc.Family->Own_Units)[1];
    }
    HRESULT Call(std::uint32_t flags, std::uint32_t selector, Bytes& data, std::uint32_t* returned = nullptr,
                 std::uint32_t node = Node, const GUID* other = nullptr) {
        KSP_NODE property;
        property.Property = {other ? *other : guid, selector, flags | KSPROPERTY_TYPE_TOPOLOGY};
        property.NodeId = node;
        return control->Ks_Property(property, sizeof property, data.empty() ? nullptr : data.data(),
                                    static_cast<std::uint32_t>(data.size()), returned);
    }
    HRESULT Length(std::uint32_t selector, std::uint32_t& length, std::uint32_t node = Node,
                   const GUID* other = nullptr) {
        Bytes none;
        return Call(KSPROPERTY_TYPE_GET, selector, none, &length, node, other);
    }
    HRESULT Set(std::uint32_t selector, Bytes bytes) { return Call(KSPROPERTY_TYPE_SET, selector, bytes); }
    Bytes Get(std::uint32_t selector, std::size_t length) {
        Bytes bytes(length);
        EXPECT_EQ(Call(KSPROPERTY_TYPE_GET, selector, bytes), S_OK);
        return bytes;
    }
    // Time passes as the host's pauses make it pass.
    void Wait(std::uint32_t ms) { backend.Virtual_Time().Sleep(ms); }
    void Write(std::uint16_t address, std::uint8_t value) {
        Set(2, {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)});
        Set(3, {value});
    }
    std::uint8_t Read(std::uint16_t address) {
        Set(2, {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)});
        return Get(3, 1)[0];
    }
    Simulated_Flash_Part& Part() { return *camera->Flash().Part(); }
    // A transaction with the flash through master A, as the register scripts send it.
    void Master_A(const Bytes& bytes) {
        Write(0x2025, 0x00);
        for (std::uint8_t byte : bytes)
            Write(0x2022, byte);
        Write(0x2025, 0x02);
    }
    // The opcodes the chip's transfers use (read, write enable, erase, program), as the host
    // loads them.
    void Load_Opcodes() {
        for (auto [slot, opcode] : {std::pair{1, 0x03}, {4, 0x06}, {6, 0x20}, {9, 0x02}}) {
            Set(Opcode_Slot_Selector, {std::uint8_t(slot)});
            Set(Opcode_Selector, {std::uint8_t(opcode)});
        }
    }
};

TEST(Simulated_Camera, UnitsAnswerAtTheirNodeAndGuidWithTheSelectorTablesLengths) {
    Chip_Rig rig;
    std::uint32_t length = 77;
    EXPECT_EQ(rig.Length(0, length), E_MORE_DATA);
    EXPECT_EQ(length, Presence_Length);
    EXPECT_EQ(rig.Length(0, length, 1), No_Unit);
    EXPECT_EQ(rig.Length(0, length, Node, &Other_Guid), No_Unit);
    EXPECT_EQ(length, 0u) << "a failed query answers no length";
    Bytes byte(1);
    EXPECT_EQ(rig.Call(KSPROPERTY_TYPE_GET, 3, byte, nullptr, 1), No_Unit);
    EXPECT_EQ(rig.Length(9, length), Hresult_From_Win32(Win32_Error::Not_Found));
    for (const Register_Selector_Row& row : Register_Selector_Rows) {
        EXPECT_EQ(rig.Length(row.Selector, length), E_MORE_DATA);
        EXPECT_EQ(length, row.Width) << "selector " << row.Selector;
        Bytes wrong(row.Width + 1);
        EXPECT_EQ(rig.Call(KSPROPERTY_TYPE_SET, row.Selector, wrong), Refused);
        EXPECT_EQ(rig.Call(KSPROPERTY_TYPE_GET, row.Selector, wrong), Refused);
    }

    rig.camera->Bind_Chip_Unit(1, Other_Guid); // one unit under a second key
    EXPECT_EQ(rig.Length(0, length, 1, &Other_Guid), E_MORE_DATA);
    rig.camera->Units().Unbind(Node, rig.guid);
    EXPECT_EQ(rig.Length(0, length), No_Unit);
    KSP_NODE property;
    property.Property = {Other_Guid, 0, KSPROPERTY_TYPE_GET}; // no topology flag: not a node property
    property.NodeId = 1;
    EXPECT_EQ(rig.control->Ks_Property(property, sizeof property, nullptr, 0, &length), Refused);
}

TEST(Simulated_Camera, RestartTriggersPowerTheChipOnAgainAfterTheirRequest) {
    Chip_Rig rig;
    const std::uint8_t identity = rig.Read(Chip_Identity_Registers[0]);
    rig.Write(0x1234, 0x77);
    rig.Set(Opcode_Slot_Selector, {1});
    rig.Set(Opcode_Selector, {0x03});
    rig.Set(16, {2});
    rig.Write(0x20FF, 0x00);
    rig.Write(Restart_By_Sequence_A.Address, 0x02); // not the trigger value
    EXPECT_EQ(rig.camera->Restart_Count(), 0u);
    rig.backend.Log().Clear();
    rig.Write(Restart_By_Sequence_A.Address, Restart_By_Sequence_A.Value);
    EXPECT_EQ(rig.camera->Restart_Count(), 1u);
    const auto events = rig.backend.Log().Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].Data, (Bytes{Restart_By_Sequence_A.Value}));
    EXPECT_EQ(events[2].Kind, Event_Kind::Restart) << "right after the triggering write";
    // Power-on forgets what the host wrote and loaded, and restores the identity.
    EXPECT_EQ(rig.Read(0x1234), 0x00);
    EXPECT_EQ(rig.Read(Chip_Identity_Registers[0]), identity);
    EXPECT_EQ(rig.camera->Flash().Opcode(1), 0);
    EXPECT_EQ(rig.camera->Flash().Program_Mode(), 0);

    Chip_Rig sequence_b("SPCA2650");
    sequence_b.Write(Restart_By_Sequence_B.Address, Restart_By_Sequence_B.Value);
    EXPECT_EQ(sequence_b.camera->Restart_Count(), 1u);
}

// A device that loses or refuses what it is sent: each set the fault plan leaves alone is
// decided before the chip sees it; gets are not.
TEST(Simulated_Camera, DecidedSetsFailOrAreLostWithoutEffect) {
    Chip_Rig rig;
    const HRESULT stall = Hresult_From_Win32(Win32_Error::Gen_Failure);
    std::optional<Fault_Action> fate;
    std::vector<std::uint32_t> decided;
    rig.camera->Decide_Sets([&](std::uint32_t selector, std::span<const std::uint8_t> data) {
        decided.push_back(selector);
        return data.size() == 1 ? fate : std::nullopt; // the value of a register write only
    });
    rig.Set(2, {0x34, 0x12});
    fate = Fault_Action{Fault_Action::Kind::Fail, stall, 0};
    EXPECT_EQ(rig.Set(3, {0x77}), stall);
    fate = Fault_Action{Fault_Action::Kind::Ignore, S_OK, 0};
    EXPECT_EQ(rig.Set(3, {0x77}), S_OK);
    EXPECT_EQ(rig.Read(0x1234), 0x00) << "neither took effect";
    fate.reset();
    rig.Write(0x1234, 0x77);
    EXPECT_EQ(rig.Read(0x1234), 0x77);

    // A planned fault comes first and leaves nothing to decide.
    fate = Fault_Action{Fault_Action::Kind::Fail, stall, 0};
    rig.camera->Faults().Ignore_Request(rig.camera->Request_Count() + 1);
    decided.clear();
    EXPECT_EQ(rig.Set(3, {0x55}), S_OK);
    EXPECT_EQ(rig.Read(0x1234), 0x77);
    EXPECT_EQ(decided, (std::vector<std::uint32_t>{2})) << "the read's address only";
}

// Spends `amount` of the calling thread's processor time.
void Spin(std::chrono::nanoseconds amount) {
    const auto thread_cpu = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    };
    const auto end = thread_cpu() + amount;
    while (thread_cpu() < end) {
    }
}

// What a camera's answers cost is the device's work, counted apart from the host's: only when
// asked, and without what its leaving sets off on the host.
TEST(Simulated_Camera, CountsTheProcessorTimeOfItsAnswersOnlyWhenAsked) {
    using namespace std::chrono_literals;
    constexpr Restart_Trigger Leave{0x2400, 0x01};
    auto desc = Chip_Camera("cam0", "SPCA2620", "direct");
    desc.Leave_Writes.push_back({Leave, {}});
    Chip_Rig rig(desc);
    rig.camera->Change_Answers([](Camera_Answer&) { Spin(2ms); });
    rig.Read(0x1234);
    EXPECT_EQ(rig.camera->Cpu_Time(), 0ns) << "not asked";

    rig.camera->Count_Cpu_Time(true);
    rig.camera->Set_Leave_Handler([](Simulated_Camera&, const Reconnection&) { Spin(50ms); });
    rig.Write(Leave.Address, Leave.Value); // two requests, the second one leaves
    const auto counted = rig.camera->Cpu_Time();
    EXPECT_GE(counted, 4ms);
    EXPECT_LT(counted, 50ms) << "the host's handling of the leaving is not the device's";

    rig.camera->Count_Cpu_Time(false);
    rig.Read(0x1234);
    EXPECT_EQ(rig.camera->Cpu_Time(), counted);
}

TEST(Event_Log, KeepsRequestsAndPausesInOneTimeline) {
    Chip_Rig rig;
    rig.Write(0x2041, 0x01);
    rig.backend.Virtual_Time().Sleep(10);
    std::uint32_t length = 0;
    rig.Length(5, length);
    const auto events = rig.backend.Log().Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(Describe(events[0]),
              "#1 cam0 node 3 " + Format_Guid(rig.guid) + " sel 2 SET_CUR len 2 [41 20] -> 0x0");
    EXPECT_EQ(Describe(events[2]), "#3 pause 10 ms");
    EXPECT_EQ(events[3].Code, Request_Code::Get_Len);
    EXPECT_EQ(events[3].Bytes_Returned, 2u);
    EXPECT_EQ(events[3].Time_Ms, 10u);
    rig.backend.Log().Clear();
    rig.backend.Virtual_Time().Sleep(5);
    EXPECT_EQ(rig.backend.Log().Events().at(0).Time_Ms, 10u) << "clearing forgets events, not time";
    EXPECT_EQ(rig.backend.Virtual_Time().Now_Ms(), 15u);
}

TEST(Simulated_Flash, OpcodeSlotsOneTo13AreKept) {
    Chip_Rig rig;
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
}

TEST(Simulated_Flash, MasterAReleasesTheFlashAndWritesTheStatusOnlyWhenEnabled) {
    Chip_Rig rig("SPCA2281");
    EXPECT_EQ(rig.Read(0x2024), 0xFF) << "nothing answers while the flash is released";
    rig.Part().Set_Status(0x1C);
    rig.Master_A({0x01, 0x00});
    EXPECT_EQ(rig.Part().Status(), 0x1C);
    rig.Master_A({0x06});
    EXPECT_EQ(rig.Part().Status(), 0x1C | Flash_Status_Write_Enable);
    rig.Master_A({0x01, 0x00});
    EXPECT_EQ(rig.Part().Status(), 0x00) << "and every write clears the latch";

    // The status written, the next access only counts after the part's write time.
    rig.Write(0x1234, 0x77);
    EXPECT_EQ(rig.camera->Registers().Peek(0x1234), 0x00) << "lost while the part writes";
    rig.Wait(Status_Write_Busy_Ms);
    rig.Master_A({0x01, 0x1C});
    EXPECT_EQ(rig.Part().Status(), 0x00);
    rig.Write(0x1234, 0x77);
    EXPECT_EQ(rig.camera->Registers().Peek(0x1234), 0x77) << "a write the part refused takes no time";
    rig.Master_A({0x50}); // the SST way
    rig.Master_A({0x01, 0x0C});
    EXPECT_EQ(rig.Part().Status(), 0x0C);
}

TEST(Simulated_Flash, ProgramAndEraseNeedTheWriteEnableLatchAndUseItUp) {
    Flash_Part_Identity identity;
    identity.Size = 8192;
    Simulated_Flash_Part part(identity);
    const auto transaction = [&](Bytes bytes) {
        part.Select();
        for (std::uint8_t byte : bytes)
            part.Exchange(byte);
        part.Deselect();
    };
    const Bytes program{0x02, 0x00, 0x10, 0x00, 0x12, 0x34};
    const Bytes erase{0x20, 0x00, 0x00, 0x00};
    part.Contents()[0] = 0x00;
    transaction(program);
    transaction(erase);
    EXPECT_EQ(part.Contents()[0x1000], 0xFF) << "no program without 0x06";
    EXPECT_EQ(part.Contents()[0], 0x00) << "no erase without 0x06";
    transaction({0x06});
    transaction({0x04});
    transaction(program);
    EXPECT_EQ(part.Contents()[0x1000], 0xFF) << "0x04 takes the latch back";

    transaction({0x06});
    transaction(program);
    EXPECT_EQ(part.Contents()[0x1000], 0x12);
    EXPECT_EQ(part.Status() & Flash_Status_Write_Enable, 0);
    transaction(erase);
    EXPECT_EQ(part.Contents()[0], 0x00) << "the program used the latch up";
    transaction({0x06});
    transaction(erase);
    EXPECT_EQ(part.Contents()[0], 0xFF);
    EXPECT_EQ(part.Contents()[0x1000], 0x12) << "only the sector of the address";
}

Bytes Le(std::uint32_t value) {
    return {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
            std::uint8_t(value >> 24)};
}

TEST(Simulated_Flash, TransfersKeepNorSemanticsTheBusyTimeWriteEnableAndProtection) {
    Chip_Rig rig;
    auto& flash = rig.Part().Contents();
    EXPECT_EQ(rig.Set(Transfer_Address_Selector, Le(0x1000)), S_OK);
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(1024, 0x00)), S_OK);
    EXPECT_EQ(flash[0x1000], 0xFF) << "slots never loaded: opcode 0 does nothing";
    rig.Wait(Chunk_Program_Busy_Ms);

    rig.Load_Opcodes();
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(1024, 0x0F)), S_OK);
    rig.Wait(Chunk_Program_Busy_Ms);
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(1024, 0x3C)), S_OK);
    // While the chunk is programmed, reads are lost and length queries answered.
    std::uint32_t length = 0;
    EXPECT_EQ(rig.Length(Flash_Data_Selector, length), E_MORE_DATA);
    EXPECT_EQ(length, 1024u);
    Bytes read(1024, 0x55);
    EXPECT_EQ(rig.Call(KSPROPERTY_TYPE_GET, Flash_Data_Selector, read), S_OK);
    EXPECT_EQ(read, Bytes(1024, 0x55)) << "lost while the chip programs";
    rig.Wait(Chunk_Program_Busy_Ms - 1);
    EXPECT_EQ(rig.Call(KSPROPERTY_TYPE_GET, Flash_Data_Selector, read), S_OK);
    EXPECT_EQ(read, Bytes(1024, 0x55)) << "a pause cut short";
    rig.Wait(1);
    EXPECT_EQ(rig.Get(Flash_Data_Selector, 1024), Bytes(1024, 0x0C)) << "programming only clears bits";
    EXPECT_EQ(rig.Set(Erase_Selector, Le(0x1FFF)), S_OK);
    EXPECT_EQ(rig.Get(Flash_Data_Selector, 1024), Bytes(1024, 0xFF)) << "the whole sector of the address";
    EXPECT_EQ(rig.Set(Flash_Data_Selector, Bytes(512, 0x00)), Refused) << "only the transfer length moves";
    EXPECT_EQ(rig.Set(Erase_Selector, {0x01}), Refused) << "no mode on this chip's selector 13";

    rig.Part().Set_Status(0x04);
    rig.Set(Flash_Data_Selector, Bytes(1024, 0x00));
    rig.Wait(Chunk_Program_Busy_Ms);
    rig.Set(Erase_Selector, Le(0));
    EXPECT_EQ(flash[0x1000], 0xFF) << "a protected part takes no program";
    EXPECT_EQ(flash[0], 0xFF);
    EXPECT_EQ(rig.Part().Status(), 0x04) << "and every attempt used up its write enable";

    Chip_Rig engine("SPCA2650");
    EXPECT_EQ(engine.Set(Erase_Selector, {0x02}), S_OK);
    EXPECT_EQ(engine.camera->Flash().Program_Mode(), 2) << "one byte on selector 13 is the mode";
}

} // namespace
