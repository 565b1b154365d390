#include <gtest/gtest.h>

#include "Chip_Classes.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_UNKNOW_Protocol.h"
#include "Protocol_Operations.h"
#include "Simulated_Chip.h"

namespace {

using namespace platform;
using test::Every_Operation;
using test::Expected;
using test::Register_Access;
using test::Request_Code;
using test::Results;
using test::Sent;

using Piece = std::array<std::uint8_t, ISP_Piece_Size>;

// A chip protocol whose flash piece transfers are recorded instead of sent: reads fill the
// buffer with a pattern that tells piece and position apart.
struct Piece_Recording_Protocol final : Extension_Unit_Chip_Protocol {
    using Extension_Unit_Chip_Protocol::Extension_Unit_Chip_Protocol;
    std::vector<std::string> calls;
    int read_result = 0;
    Piece written{};

    static std::uint8_t Pattern(std::uint16_t piece, std::size_t at) {
        return static_cast<std::uint8_t>(at * 7 + piece);
    }
    int Read_ISP_Mem_Piece(std::uint16_t piece, std::uint8_t* buffer) override {
        calls.push_back("read " + std::to_string(piece));
        for (std::size_t at = 0; at < ISP_Piece_Size; ++at)
            buffer[at] = Pattern(piece, at);
        return read_result;
    }
    int Write_ISP_Mem_Piece(std::uint16_t piece, const std::uint8_t* buffer) override {
        calls.push_back("write " + std::to_string(piece));
        std::copy_n(buffer, ISP_Piece_Size, written.begin());
        return 0;
    }
};

class Chip_Protocol : public testing::TestWithParam<test::Chip_Class> {
protected:
    test::Simulated_Chip chip;
    std::unique_ptr<Extension_Unit_Chip_Protocol> protocol{GetParam().Create(chip.New_Device())};
    Piece_Recording_Protocol recording{nullptr, "recording", protocol->Family()};
};

TEST_P(Chip_Protocol, NamesItsProductAndDetachesItsDeviceOnce) {
    EXPECT_STREQ(protocol->Get_Product_Name(), GetParam().Product_Id);
    Extension_Unit_Base_Class* device = protocol->Detach_Device();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(protocol->Detach_Device(), nullptr);
    protocol.reset();
    std::unique_ptr<Extension_Unit_Chip_Protocol> next(GetParam().Create(device));
    std::uint8_t value = 0;
    EXPECT_EQ(next->Read_Reg(0x20FF, &value), 0) << "the device outlived its first protocol";
    EXPECT_EQ(value, 0xC9);
}

TEST_P(Chip_Protocol, RestartsTheChipWithItsFamilysSequence) {
    EXPECT_EQ(protocol->Reset_Device(), 0);
    const auto write = [&](std::uint16_t address, std::uint8_t value) {
        return Register_Access(GetParam().Node, address, Request_Code::Set_Cur, {value});
    };
    EXPECT_EQ(chip.Requests(), GetParam().Restarts_By_Sequence_B
                                   ? write(0x20D8, 0xA5)
                                   : write(0x2030, 0xFF) + write(0x2031, 0x00) + write(0x2032, 0x00) +
                                         write(0x2033, 0x02) + write(0x2034, 0x01));
    EXPECT_EQ(chip.camera->Restart_Count(), 1u);
}

TEST_P(Chip_Protocol, KeepsTheExternalIdAtItsFamilysPieceAndOffset) {
    const auto& expected = GetParam();
    std::uint8_t exid[ExID_Size] = {};
    recording.read_result = Failure_Result(1, 2);
    EXPECT_EQ(recording.Read_ExID(exid), Failure_Result(1, 2)) << "copied out all the same";
    for (std::size_t i = 0; i < ExID_Size; ++i)
        EXPECT_EQ(exid[i], recording.Pattern(expected.ExID_Piece, expected.ExID_Offset + i));

    recording.read_result = 0;
    const std::uint8_t new_exid[ExID_Size] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(recording.Write_ExID(new_exid), 0);
    for (std::size_t at = 0; at < ISP_Piece_Size; ++at) {
        const bool in_exid = at >= expected.ExID_Offset && at < expected.ExID_Offset + ExID_Size;
        ASSERT_EQ(recording.written[at],
                  in_exid ? new_exid[at - expected.ExID_Offset] : recording.Pattern(expected.ExID_Piece, at));
    }
    // A failed read must not let the sector be rewritten from a buffer it did not fill.
    for (int failure : {-1, Failure_Result(5, 6)}) {
        recording.read_result = failure;
        EXPECT_EQ(recording.Write_ExID(new_exid), failure);
    }
    EXPECT_EQ(recording.calls.size(), 5u) << "three reads and one write so far";
    EXPECT_EQ(recording.calls[2], "write " + std::to_string(expected.ExID_Piece));
}

TEST_P(Chip_Protocol, ReadsCustomerPiecesByTableAndNeverRewritesTheImageHeader) {
    const auto& pieces = GetParam().Customer_Pieces;
    ASSERT_EQ(pieces.back(), 0) << "the table closes with the image header";
    Piece buffer{};
    std::vector<std::string> expected_calls;
    for (std::uint16_t index = 0; index < pieces.size(); ++index) {
        EXPECT_EQ(recording.Read_Customer_Piece(index, buffer.data()), 0);
        expected_calls.push_back("read " + std::to_string(pieces[index]));
    }
    for (std::uint16_t index = 0; index < pieces.size(); ++index) {
        const bool header = index + 1u == pieces.size();
        EXPECT_EQ(recording.Write_Customer_Piece(index, buffer.data()), header ? -2 : 0);
        if (!header)
            expected_calls.push_back("write " + std::to_string(pieces[index]));
    }
    for (std::uint16_t past : {static_cast<std::uint16_t>(pieces.size()), std::uint16_t{0xFFFF}}) {
        EXPECT_EQ(recording.Read_Customer_Piece(past, buffer.data()), -2);
        EXPECT_EQ(recording.Write_Customer_Piece(past, buffer.data()), -2);
    }
    EXPECT_EQ(recording.calls, expected_calls);
}

INSTANTIATE_TEST_SUITE_P(Every_Chip_Class, Chip_Protocol, testing::ValuesIn(test::Chip_Classes),
                         test::Chip_Class_Name);

TEST(Reset_Device, StopsOnlyOnExactMinusOne) {
    test::Simulated_Chip chip;
    Extension_Unit_SPCA2620_Protocol sequence_a(chip.New_Device());
    Extension_Unit_SPCA2282_Protocol sequence_b(chip.New_Device());
    auto& faults = chip.camera->Faults();
    faults.Fail_Request(4, Hresult_From_Win32(Win32_Error::Gen_Failure)); // data of the second write
    EXPECT_EQ(sequence_a.Reset_Device(), 0);
    EXPECT_EQ(chip.camera->Request_Count(), 10u) << "every write went out";
    faults.Fail_Request(10 + 5, -1); // address of the third write
    EXPECT_EQ(sequence_a.Reset_Device(), -1);
    EXPECT_EQ(chip.camera->Request_Count(), 16u) << "that write's data pair still went out, then it stopped";

    faults.Fail_Request(18, Failure_Result(7, 7));
    EXPECT_EQ(sequence_b.Reset_Device(), 0);
    faults.Fail_Request(20, -1);
    EXPECT_EQ(sequence_b.Reset_Device(), -1);
    EXPECT_EQ(chip.camera->Restart_Count(), 1u) << "only the first sequence reached its trigger";
}

TEST(Refusing_Protocols, AnswerWithTheirCodesAndTouchNoCamera) {
    Extension_Unit_UNKNOW_Protocol refusing;
    const Results refused = Every_Operation(refusing);
    EXPECT_EQ(refused, Expected(refused, -2, {{"Get_Flash_Model", 0}, {"Gpio_Set_Bit", 2}}));
    EXPECT_STREQ(refusing.Get_Product_Name(), "UNKNOW");

    test::Simulated_Chip chip;
    Extension_Unit_SPCA_Protocol generic(chip.New_Device());
    const Results failed = Every_Operation(generic);
    EXPECT_EQ(failed, Expected(failed, -1, {{"Get_Flash_Model", 0}, {"Read_Reg", 0}, {"Write_Reg", 0}}));
    EXPECT_EQ(chip.Requests(), Register_Access(3, 0x20FF, Request_Code::Get_Cur, {0xC9}) +
                                   Register_Access(3, 0x20FF, Request_Code::Set_Cur, {0x01}))
        << "only the two register accesses went out, on the second unit";
    EXPECT_STREQ(generic.Get_Product_Name(), "UNKNOW");
}

} // namespace
