// The transport: extension-unit requests and their pairs, and register access without a device
// or a value. (Each chip class's register requests are the chip protocol tests'.)
#include "Extension_Unit_Class/ExtUnit.h"

#include <gtest/gtest.h>

#include <tuple>

#include "Extension_Unit_Class/Chip_Register_Access.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2620_Protocol.h"
#include "Simulated_Chip.h"

namespace {

using namespace platform;
using test::Request_Code;
using test::Sent;

// A control channel that records the property calls and answers as told.
struct Recording_Control final : Ks_Control {
    std::vector<std::tuple<KSP_NODE, std::uint32_t, void*, std::uint32_t>> calls;
    HRESULT answer = S_OK;
    std::uint32_t answer_length = 0;
    HRESULT Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                        std::uint32_t data_length, std::uint32_t* bytes_returned) override {
        calls.emplace_back(property, property_length, data, data_length);
        *bytes_returned = answer_length;
        return answer;
    }
};

TEST(ExtUnit, AnUnboundUnitAnswersEPointerAndABoundOneSendsNodeProperties) {
    ExtUnit unit;
    std::uint8_t data[2] = {};
    std::uint32_t length = 5;
    EXPECT_EQ(unit.Ks_Set_Property(2, 1, data), E_POINTER);
    EXPECT_EQ(unit.Ks_Get_Property(3, 1, data), E_POINTER);
    EXPECT_EQ(unit.Ks_Get_Length(0, &length), E_POINTER);
    EXPECT_EQ(unit.Send_Request(nullptr), E_POINTER);

    Recording_Control control;
    EXPECT_EQ(unit.set_KsControl(&control, test::Second_Unit_Guid, 0x0103), 0);
    EXPECT_EQ(unit.Ks_Get_Length(0, nullptr), E_POINTER);
    unit.Ks_Set_Property(2, 2, data);
    unit.Ks_Get_Property(3, 1, data);
    unit.Ks_Get_Length(15, &length);
    // Selector, flags, buffer and length of each call: a length query carries no buffer.
    using Call = std::tuple<std::uint32_t, std::uint32_t, void*, std::uint32_t>;
    const std::vector<Call> expected{
        {2, 0x10000002, data, 2}, {3, 0x10000001, data, 1}, {15, 0x10000001, nullptr, 0}};
    ASSERT_EQ(control.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [property, property_length, buffer, data_length] = control.calls[i];
        EXPECT_EQ(std::tuple(property.Property.Set, property.NodeId, property.Reserved, property_length),
                  std::tuple(test::Second_Unit_Guid, 0x0103u, 0u, 32u));
        EXPECT_EQ(Call(property.Property.Id, property.Property.Flags, buffer, data_length), expected[i]);
    }
}

TEST(ExtUnit, TheDirectionBitDecidesAndALengthAnswersOnlyThroughMoreData) {
    Recording_Control control;
    ExtUnit unit;
    unit.set_KsControl(&control, test::Second_Unit_Guid, 3);
    std::uint8_t byte = 0x42;
    Ext_Unit_Request set{0x21, Ext_Unit_Request::GET_CUR, 3, 4, 1, &byte, 0};
    unit.Send_Request(&set);
    EXPECT_EQ(std::get<0>(control.calls.at(0)).Property.Flags, 0x10000002u) << "host-to-device is a set";
    for (std::uint8_t code : {0x01, 0x00, 0x82, 0xFF}) {
        Ext_Unit_Request get{0xA1, code, 3, 4, 1, &byte, 0};
        EXPECT_EQ(unit.Send_Request(&get), -1);
    }
    EXPECT_EQ(control.calls.size(), 1u) << "an unknown get code makes no call";

    auto query = Ext_Unit_Request::Get_Len(15, 4, 1024);
    control.answer = E_MORE_DATA;
    control.answer_length = 4096;
    EXPECT_EQ(unit.Send_Request(&query), 0);
    EXPECT_EQ(query.Inline_Data, 4096u);
    for (HRESULT answer : {S_OK, Hresult_From_Win32(Win32_Error::Set_Not_Found)}) {
        control.answer = answer;
        query.Inline_Data = 1024;
        EXPECT_EQ(unit.Send_Request(&query), -1) << answer;
        EXPECT_EQ(query.Inline_Data, 1024u) << "a failed query leaves the preset";
    }
}

TEST(ExtUnit, APairSendsOnlyItsSecondRecordAndARebindingTakesTheNewKey) {
    test::Simulated_Chip chip;
    chip.Registers().Poke(0x20FF, 0x5A);
    std::unique_ptr<Extension_Unit_Base_Class> device(chip.New_Device());
    std::uint8_t address[2] = {0xFF, 0x20};
    std::uint8_t value = 0;
    Ext_Unit_Request set_address[2] = {Ext_Unit_Request::Get_Len(2, 4, 77),
                                       Ext_Unit_Request::Set_Cur(2, 4, 2, address)};
    Ext_Unit_Request get_value[2] = {Ext_Unit_Request::Get_Len(3, 4, 77),
                                     Ext_Unit_Request::Get_Cur(3, 4, 1, &value)};
    EXPECT_EQ(device->xu2.Send_Request_Pair(set_address), 0);
    EXPECT_EQ(device->xu2.Send_Request_Pair(get_value), 0);
    EXPECT_EQ(value, 0x5A);
    EXPECT_EQ(get_value[0].Inline_Data, 77u) << "the opening length query is not sent";
    EXPECT_EQ(chip.Requests(), (std::vector<Sent>{{3, 2, Request_Code::Set_Cur, {0xFF, 0x20}},
                                                  {3, 3, Request_Code::Get_Cur, {0x5A}}}));

    std::uint32_t length = 0;
    device->xu2.set_KsControl(device->pIKsControl.get(), test::First_Unit_Guid, 3);
    EXPECT_EQ(device->xu2.Ks_Get_Length(0, &length), -1) << "rebound: no unit with this GUID on node 3";
    EXPECT_EQ(chip.backend->Log().Requests().back().Node_Id, 3u);
}

using test::Register_Access;

TEST(Register_Access, MissingControlDeviceOrValuePointer) {
    auto* device = new Extension_Unit_Base_Class();
    device->Bind_Units(test::First_Unit_Guid, 2, test::Second_Unit_Guid, 3);
    Extension_Unit_SPCA2620_Protocol protocol(device);
    std::uint8_t value = 0;
    EXPECT_EQ(protocol.Read_Reg(0x20FF, &value), E_POINTER) << "the OR of two E_POINTERs";
    EXPECT_EQ(protocol.Read_Reg(0x20FF, nullptr), -2);
    EXPECT_EQ(protocol.Read_Reg16(0x20FF, nullptr), -2);
    delete protocol.Detach_Device();
    EXPECT_EQ(protocol.Write_Reg(0x20FF, 1), -1) << "without a device: a failed step";
}

} // namespace
