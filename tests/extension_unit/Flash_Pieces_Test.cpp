#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "Chip_Classes.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2085_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2650_Protocol.h"
#include "Flash_Camera.h"

namespace {

using platform::Failure_Result;
using platform::simulated::Event;
using platform::simulated::Request_Code;
using test::Bytes;
using test::Flash_Camera;

struct Piece_Case {
    const char* Family;
    std::uint32_t Chunk;
    std::size_t Slot_Loads;          // Set_Flash_type calls per transfer
    std::size_t Write_Chunk_Pauses;  // 10 ms: after each chunk, and after the erase on some
    std::size_t Write_Script_Pauses; // 5 ms: one per register access of the status script
    std::size_t Read_Script_Pauses;
};

const Piece_Case Piece_Cases[] = {
    {"SPCA2620", 1024, 2, 4, 0, 0}, {"SPCA2281", 4096, 1, 1, 28, 0},  {"SPCA2085", 1024, 2, 4, 0, 0},
    {"SPCA2092", 1024, 2, 4, 0, 0}, {"SPCA2650", 1024, 1, 5, 27, 27}, {"SPCA2282", 1024, 1, 5, 27, 27},
};

Bytes Data_Of(const std::vector<Event>& requests, std::uint32_t selector, Request_Code code) {
    Bytes data;
    for (const Event& event : requests) {
        if (event.Selector == selector && event.Code == code)
            data.insert(data.end(), event.Data.begin(), event.Data.end());
    }
    return data;
}

std::size_t Count(const std::vector<std::uint32_t>& pauses, std::uint32_t ms) {
    return static_cast<std::size_t>(std::count(pauses.begin(), pauses.end(), ms));
}

TEST(Flash_Pieces, EveryFamilyErasesWritesAndReadsOneSectorInItsChunks) {
    for (const Piece_Case& expected : Piece_Cases) {
        SCOPED_TRACE(expected.Family);
        Flash_Camera rig(expected.Family);
        const Bytes piece = test::Code_Bytes(ISP_Piece_Size, 99);
        EXPECT_EQ(Protocol_Write_ISP_Mem_Piece(rig.protocol, 5, piece.data()), 0);
        EXPECT_EQ(rig.Flash(5 * 4096, 4096), piece);
        EXPECT_EQ(rig.Flash(4 * 4096, 4096),
                  Bytes(rig.old_contents.begin() + 4 * 4096, rig.old_contents.begin() + 5 * 4096));
        auto requests = rig.Requests();
        Bytes addresses;
        for (std::uint32_t at = 5 * 4096; at < 6 * 4096; at += expected.Chunk)
            addresses.insert(addresses.end(), {std::uint8_t(at), std::uint8_t(at >> 8), 0, 0});
        EXPECT_EQ(Data_Of(requests, 13, Request_Code::Set_Cur), (Bytes{0x00, 0x50, 0x00, 0x00}));
        EXPECT_EQ(Data_Of(requests, 14, Request_Code::Set_Cur), addresses);
        EXPECT_EQ(Data_Of(requests, 15, Request_Code::Set_Cur), piece);
        EXPECT_EQ(Data_Of(requests, 7, Request_Code::Set_Cur).size(), 12 * expected.Slot_Loads);
        EXPECT_EQ(Count(rig.Pauses(), 10), expected.Write_Chunk_Pauses);
        EXPECT_EQ(Count(rig.Pauses(), 5), expected.Write_Script_Pauses);

        rig.host.Forget_Events();
        Bytes read(ISP_Piece_Size, 0x55);
        EXPECT_EQ(Protocol_Read_ISP_Mem_Piece(rig.protocol, 5, read.data()), 0);
        EXPECT_EQ(read, piece);
        requests = rig.Requests();
        EXPECT_EQ(Data_Of(requests, 14, Request_Code::Set_Cur), addresses);
        EXPECT_EQ(Data_Of(requests, 13, Request_Code::Set_Cur).size(),
                  rig.protocol->Family().Flash.Mode_Selector == 13 ? 1u : 0u)
            << "a read erases nothing";
        EXPECT_EQ(Data_Of(requests, 7, Request_Code::Set_Cur).size(), 12 * expected.Slot_Loads);
        EXPECT_EQ(Count(rig.Pauses(), 5), expected.Read_Script_Pauses);
        EXPECT_EQ(rig.Pauses().size(), expected.Read_Script_Pauses) << "reads never wait for the chunks";
    }
}

TEST(Flash_Pieces, StopOnlyOnMinusOneAndRefuseUnusableChunkLengths) {
    const Bytes piece = test::Code_Bytes(ISP_Piece_Size, 5);
    Bytes read(ISP_Piece_Size);
    // A part that cannot be driven: nothing at all is sent.
    for (const char* family : {"SPCA2281", "SPCA2650"}) {
        Flash_Camera unknown(family);
        unknown.protocol->SF_Type = SF_UNKNOW;
        EXPECT_EQ(unknown.protocol->Write_ISP_Mem_Piece(1, piece.data()), -1);
        EXPECT_EQ(unknown.protocol->Read_ISP_Mem_Piece(1, read.data()), -1);
        EXPECT_EQ(unknown.Requests().size(), 0u) << family;
    }
    // The erase failing with -1: no data goes out.
    Flash_Camera erase_fails("SPCA2620");
    erase_fails.camera->Faults().Fail_Selector(13, -1, Request_Code::Set_Cur);
    EXPECT_EQ(erase_fails.protocol->Write_ISP_Mem_Piece(1, piece.data()), -1);
    EXPECT_EQ(Data_Of(erase_fails.Requests(), 14, Request_Code::Set_Cur).size(), 0u);
    // Another failure in chunk 0: the other chunks still go, and that value comes back.
    Flash_Camera chunk_fails("SPCA2620");
    chunk_fails.camera->Faults().Fail_Request(chunk_fails.Request_Number(2 * 51 + 2 + 4),
                                              Failure_Result(4, 4));
    EXPECT_EQ(chunk_fails.protocol->Write_ISP_Mem_Piece(1, piece.data()), Failure_Result(4, 4));
    EXPECT_EQ(chunk_fails.Flash(4096 + 1024, 3072), Bytes(piece.begin() + 1024, piece.end()));
    EXPECT_EQ(chunk_fails.protocol->Read_ISP_Mem_Piece(1, nullptr), -2);

    // Lengths that do not divide the sector end both transfers before the erase.
    for (std::uint32_t answer : {0u, 1000u, 8192u}) {
        Flash_Camera rig("SPCA2085", answer);
        EXPECT_EQ(rig.protocol->Write_ISP_Mem_Piece(1, piece.data()), -1) << answer;
        EXPECT_EQ(rig.protocol->Read_ISP_Mem_Piece(1, read.data()), -1) << answer;
        EXPECT_EQ(Data_Of(rig.Requests(), 13, Request_Code::Set_Cur).size(), 0u);
        EXPECT_EQ(rig.Flash(), rig.old_contents);
    }
    Flash_Camera halves("SPCA2281", 2048);
    EXPECT_EQ(halves.protocol->Write_ISP_Mem_Piece(1, piece.data()), 0);
    EXPECT_EQ(halves.protocol->Read_ISP_Mem_Piece(1, read.data()), 0);
    EXPECT_EQ(read, piece);
    // No bound on the piece number: the addresses follow it.
    halves.host.Forget_Events();
    halves.protocol->Read_ISP_Mem_Piece(0xFFFF, read.data());
    EXPECT_EQ(Data_Of(halves.Requests(), 14, Request_Code::Set_Cur),
              (Bytes{0x00, 0xF0, 0xFF, 0x0F, 0x00, 0xF8, 0xFF, 0x0F}));
}

TEST(Flash_Pieces, AFailedChunkReadIsReturnedAndNothingIsRewrittenFromIt) {
    const int failure = Failure_Result(6, 6);
    for (const Piece_Case& expected : Piece_Cases) {
        SCOPED_TRACE(expected.Family);
        Flash_Camera rig(expected.Family);
        Bytes read(ISP_Piece_Size);
        // Where a read's first data transfer comes, counted on a clean read.
        ASSERT_EQ(rig.protocol->Read_ISP_Mem_Piece(1, read.data()), 0);
        const auto clean = rig.Requests();
        const auto first_data = std::find_if(clean.begin(), clean.end(), [](const Event& event) {
            return event.Selector == 15 && event.Code == Request_Code::Get_Cur;
        });
        const std::uint64_t first_data_number = static_cast<std::uint64_t>(first_data - clean.begin()) + 1;

        rig.host.Forget_Events();
        rig.camera->Faults().Fail_Request(rig.Request_Number(first_data_number), failure);
        std::fill(read.begin(), read.end(), 0x55);
        EXPECT_EQ(rig.protocol->Read_ISP_Mem_Piece(1, read.data()), failure);
        EXPECT_EQ(Bytes(read.begin(), read.begin() + expected.Chunk), Bytes(expected.Chunk, 0x55));
        EXPECT_TRUE(std::equal(read.begin() + expected.Chunk, read.end(),
                               rig.old_contents.begin() + 4096 + expected.Chunk))
            << "the other chunks are still read";

        // The external ID's sector is read the same way before it is erased and rewritten: any
        // failure of that read ends the write.
        for (const int exid_failure : {failure, -1}) {
            rig.host.Forget_Events();
            rig.camera->Faults().Fail_Request(rig.Request_Number(first_data_number), exid_failure);
            const std::uint8_t exid[ExID_Size] = {'N', 'E', 'W'};
            EXPECT_EQ(rig.protocol->Write_ExID(exid), exid_failure);
            const auto requests = rig.Requests();
            EXPECT_TRUE(std::none_of(requests.begin(), requests.end(), [](const Event& event) {
                return event.Selector == 13 && event.Code == Request_Code::Set_Cur && event.Length == 4;
            })) << "no erase";
            EXPECT_EQ(rig.Flash(), rig.old_contents);
        }
    }
}

// Where each family keeps the external ID and its customer pieces, on the part itself; piece 0,
// the image header that closes the table, is read but never rewritten from a customer buffer.
TEST(Flash_Pieces, ExternalIdAndCustomerPiecesAtTheirFamilysPlaces) {
    const std::uint8_t exid[ExID_Size] = {'N', 'E', 'W', '-', 'E', 'X', 'I', 'D'};
    for (const test::Chip_Class& family : test::Chip_Classes) {
        SCOPED_TRACE(family.Name);
        Flash_Camera rig(family.Name);
        const std::uint32_t exid_sector = family.ExID_Piece * 4096u;
        Bytes expected = rig.Flash(exid_sector, 4096);
        std::copy_n(exid, ExID_Size, expected.begin() + family.ExID_Offset);
        EXPECT_EQ(rig.protocol->Write_ExID(exid), 0);
        EXPECT_EQ(rig.Flash(exid_sector, 4096), expected) << "the rest of the sector is kept";
        std::uint8_t exid_read[ExID_Size] = {};
        EXPECT_EQ(rig.protocol->Read_ExID(exid_read), 0);
        EXPECT_TRUE(std::equal(exid, exid + ExID_Size, exid_read));

        const auto& pieces = family.Customer_Pieces;
        const auto header = static_cast<std::uint16_t>(pieces.size() - 1);
        Bytes read(ISP_Piece_Size);
        for (std::uint16_t index = 0; index < header; ++index) {
            const Bytes piece = test::Code_Bytes(ISP_Piece_Size, index);
            EXPECT_EQ(rig.protocol->Write_Customer_Piece(index, piece.data()), 0);
            EXPECT_EQ(rig.Flash(pieces[index] * 4096u, 4096), piece) << index;
            EXPECT_EQ(rig.protocol->Read_Customer_Piece(index, read.data()), 0);
            EXPECT_EQ(read, piece) << index;
        }
        EXPECT_EQ(rig.protocol->Read_Customer_Piece(header, read.data()), 0);
        EXPECT_EQ(read, rig.Flash(0, 4096)) << "the image header";
        rig.host.Forget_Events();
        EXPECT_EQ(rig.protocol->Write_Customer_Piece(header, read.data()), -2);
        for (std::uint16_t past : {static_cast<std::uint16_t>(pieces.size()), std::uint16_t{0xFFFF}}) {
            EXPECT_EQ(rig.protocol->Read_Customer_Piece(past, read.data()), -2);
            EXPECT_EQ(rig.protocol->Write_Customer_Piece(past, read.data()), -2);
        }
        EXPECT_EQ(rig.Requests().size(), 0u) << "nothing sent for what is refused";
    }
}

// What each status-register script does to a part of each family, starting from `Before`.
struct Script_Case {
    const char* Family;
    std::function<int(Extension_Unit_Chip_Protocol&)> Run;
    std::uint8_t SF_Type;
    std::size_t Accesses;
    std::uint8_t Before;
    std::uint8_t After;
};

template <typename Protocol>
std::function<int(Extension_Unit_Chip_Protocol&)> Call(int (Protocol::*operation)()) {
    return [operation](Extension_Unit_Chip_Protocol& protocol) {
        return (dynamic_cast<Protocol&>(protocol).*operation)();
    };
}

TEST(Flash_Register_Scripts, EachOperationRunsItsFamilysScriptWithItsPauses) {
    using P2281 = Extension_Unit_SPCA2281_Protocol;
    using P2650 = Extension_Unit_SPCA2650_Protocol;
    const auto read_2281 = Call(&P2281::Read_Flash_Reg), write_2281 = Call(&P2281::Write_Flash_Reg);
    const auto read_2650 = Call(&P2650::Read_Flash_Reg), write_2650 = Call(&P2650::Write_Flash_Reg);
    const auto download_2650 = Call(&P2650::DownLoad_Flash_Reg);
    const auto prepare = Call(&Extension_Unit_SPCA2085_Protocol::Prepare_Flash_Regs);
    const Script_Case cases[] = {
        {"SPCA2281", write_2281, SF_MX, 28, 0x1C, 0x00},
        {"SPCA2281", write_2281, SF_PMC, 28, 0x1C, 0x00},
        {"SPCA2281", write_2281, SF_SST, 28, 0x1C, 0x00},
        {"SPCA2281", read_2281, SF_PMC, 23, 0x1C, 0x1C},
        {"SPCA2281", read_2281, SF_SST, 28, 0x00, 0x0C},
        {"SPCA2281", read_2281, SF_MX, 0, 0x1C, 0x1C},
        {"SPCA2281", read_2281, SF_MX32, 0, 0x1C, 0x1C},
        {"SPCA2650", write_2650, SF_MX32, 27, 0x1C, 0x00},
        {"SPCA2650", write_2650, SF_SST, 28, 0x1C, 0x00},
        {"SPCA2650", read_2650, SF_MX, 27, 0x1C, 0x00},
        {"SPCA2650", read_2650, SF_SST, 28, 0x00, 0x0C},
        {"SPCA2650", download_2650, SF_PMC, 27, 0x1C, 0x00},
        {"SPCA2282", download_2650, SF_SST, 34, 0x1C, 0x00},
        {"SPCA2085", prepare, SF_PMC, 6, 0x1C, 0x1C},
        {"SPCA2092", prepare, SF_MX, 6, 0x1C, 0x1C},
        {"SPCA2085", prepare, SF_MX32, 0, 0x1C, 0x1C},
        {"SPCA2085", prepare, SF_SST, 0, 0x1C, 0x1C},
    };
    for (const Script_Case& script : cases) {
        Flash_Camera rig(script.Family, std::nullopt, script.Before);
        rig.protocol->SF_Type = script.SF_Type;
        EXPECT_EQ(script.Run(*rig.protocol), 0);
        SCOPED_TRACE(std::string(script.Family) + " " + Put_Serial_Flash_Type_Name(script.SF_Type));
        EXPECT_EQ(rig.Requests().size(), 2 * script.Accesses);
        EXPECT_EQ(rig.Pauses(), std::vector<std::uint32_t>(script.Accesses, 5));
        EXPECT_EQ(rig.camera->Flash().Part()->Status(), script.After);
        EXPECT_EQ(rig.Flash(), rig.old_contents) << "no script writes the array";
    }
    // Families the scripts do not serve: nothing is sent, 0 all the same.
    for (std::uint8_t sf_type : {SF_EON, SF_AMIC, SF_UNKNOW}) {
        Flash_Camera rig("SPCA2650");
        rig.protocol->SF_Type = sf_type;
        EXPECT_EQ(read_2650(*rig.protocol) | write_2650(*rig.protocol) | download_2650(*rig.protocol), 0);
        EXPECT_EQ(rig.Requests().size(), 0u);
    }
}

} // namespace
