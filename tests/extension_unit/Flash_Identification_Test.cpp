#include <gtest/gtest.h>

#include "Extension_Unit_Class/Chip_Probes.h"
#include "Extension_Unit_Class/Device_Discovery.h"
#include "Simulated_Host.h"

namespace {

using platform::simulated::Flash_Part_Identity;
using test::Flash_Part;
using Jedec = std::array<std::uint8_t, 3>;

using Discovered = test::Discovered_Camera;

TEST(Flash_Identification, EveryIdWordRowThroughTheOpcodeSlot) {
    for (const char* family : {"SPCA2620", "SPCA2085"}) {
        for (const Id_Word_Row& row : Id_Word_Rows) {
            // A part that answers only the row's opcode.
            const std::vector<std::uint8_t> bytes(row.Bytes.begin(), row.Bytes.end());
            Flash_Part_Identity part;
            if (row.Word == 0)
                part.Jedec_Id = row.Bytes;
            else
                (row.Word == 1 ? part.Manufacturer_Device_Id : part.Electronic_Signature) = bytes;
            Discovered camera(family, part);
            EXPECT_EQ(Protocol_Get_Flash_Model(camera.protocol), static_cast<int>(row.Model))
                << family << " model " << row.Model;
        }
        EXPECT_EQ(Protocol_Get_Flash_Model(Discovered(family, std::nullopt).protocol), 0) << "no part";
    }
}

TEST(Flash_Identification, EveryJedecRowThroughTheEngineOrTheMaster) {
    for (const Jedec_Id_Row& row : Jedec_Id_Rows) {
        const auto at = [&](std::size_t place) {
            return static_cast<std::uint8_t>(std::max<int>(row.Id[place], 0));
        };
        const bool first_three_only = row.Id[3] == Any_Byte && row.Id[4] == Any_Byte && row.Id[5] == Any_Byte;
        // The engine hands over manufacturer, type and capacity in order; the master's second
        // run gives capacity, manufacturer, manufacturer, type, type, capacity.
        Discovered camera(
            first_three_only ? "SPCA2650" : "SPCA2281",
            Flash_Part(first_three_only ? Jedec{at(0), at(1), at(2)} : Jedec{at(1), at(3), at(5)}));
        EXPECT_EQ(Protocol_Get_Flash_Model(camera.protocol), static_cast<int>(row.Model))
            << "model " << row.Model;
    }
    // The same parts on every way of reading them.
    const std::pair<Jedec, std::array<int, 3>> parts[] = {
        {{0xC8, 0x40, 0x13}, {38, 38, 38}}, // one part, three ways, one model
        {{0x1C, 0x31, 0x13}, {0, 76, 75}},
        {{0x1C, 0x30, 0x13}, {76, 76, 76}},
        {{0xC8, 0x40, 0x11}, {0, 0, 38}}, // the master's C8 with any other capacity ends the search
    };
    for (const auto& [jedec, models] : parts) {
        const char* families[] = {"SPCA2620", "SPCA2281", "SPCA2650"};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(Protocol_Get_Flash_Model(Discovered(families[i], Flash_Part(jedec)).protocol),
                      models[i])
                << families[i] << " " << int(jedec[0]) << " " << int(jedec[1]) << " " << int(jedec[2]);
        }
    }
}

TEST(Flash_Identification, EveryModelRangeGivesItsCommandSetOnEveryFamily) {
    for (const Chip_Family* family : Chip_Families) {
        for (const Flash_Model_Range& range : Flash_Model_Ranges) {
            const bool eon_as_mx = range.Family == SF_EON && family->Flash.Eon_Parts_As_Mx;
            const std::uint8_t expected = eon_as_mx ? SF_MX : range.Family;
            for (std::uint32_t model : {range.First, range.Last}) {
                Flash_Command_Set set{};
                set.Family = 0x77;
                EXPECT_EQ(Command_Set_For_Model(*family, model, &set), expected)
                    << family->Name << " " << model;
                EXPECT_EQ(set.Family, expected == SF_UNKNOW ? 0x77 : expected) << "no record for SF_UNKNOW";
            }
        }
        for (std::uint32_t unlisted : {0u, 78u, 0xFFFFFFFFu})
            EXPECT_EQ(Command_Set_For_Model(*family, unlisted, nullptr), SF_MX);
    }
    EXPECT_EQ(Command_Set_For_Model(SPCA2620_Family, 74, nullptr), SF_EON);
    EXPECT_EQ(Command_Set_For_Model(SPCA2650_Family, 74, nullptr), SF_MX);
    for (int sf_type = 0; sf_type < 6; ++sf_type)
        EXPECT_EQ(Flash_Command_Sets[sf_type].Family, sf_type) << "records are indexed by their family";
    EXPECT_STREQ(Put_Serial_Flash_Type_Name(SF_MX32), "SF_MX32");
    EXPECT_STREQ(Put_Serial_Flash_Type_Name(SF_UNKNOW), "SF_UNKNOW");
    EXPECT_STREQ(Put_Serial_Flash_Type_Name(200), "SF_UNKNOW");
}

struct Loading_Case {
    const char* Family;
    std::optional<Flash_Part_Identity> Part;
    std::uint8_t Detected;
    std::uint8_t Download;
};

TEST(Flash_Identification, SetFlashTypeLoadsTheKeptSetsAndNeverTheChipErase) {
    const Flash_Part_Identity pmc = Flash_Part({0x7F, 0x9D, 0x20});
    const Loading_Case cases[] = {
        {"SPCA2620", pmc, SF_PMC, SF_PMC},
        {"SPCA2281", pmc, SF_PMC, SF_MX}, // the chip downloads PMC parts with the MX set
        {"SPCA2085", Flash_Part({0xFF, 0xFF, 0xFF}, {0xBF, 0x48}), SF_SST, SF_SST},
        {"SPCA2092", Flash_Part({0x1C, 0x30, 0x13}), SF_EON, SF_EON},
        {"SPCA2650", Flash_Part({0xC8, 0x40, 0x13}), SF_MX, SF_MX},
        {"SPCA2282", std::nullopt, SF_MX, SF_MX}, // nothing recognised is driven as MX
    };
    for (const Loading_Case& loading : cases) {
        Discovered camera(loading.Family, loading.Part);
        std::uint8_t family = 0x77;
        EXPECT_EQ(camera.protocol->Get_Flash_Type(&family), Flash_Command_Sets[loading.Detected]);
        EXPECT_EQ(family, loading.Detected) << loading.Family;
        EXPECT_EQ(camera.protocol->Set_Flash_type(1), 0);
        EXPECT_EQ(camera.Slots(), Flash_Command_Sets[loading.Detected].Opcode) << loading.Family;
        EXPECT_EQ(camera.Slots()[7], loading.Detected == SF_SST ? 0x60 : 0xC7);
        EXPECT_EQ(camera.protocol->Set_Flash_type(0), 0);
        auto download = Flash_Command_Sets[loading.Download].Opcode;
        download[7] = 0xFF;
        EXPECT_EQ(camera.Slots(), download) << loading.Family;
    }
    Discovered pmc_on_2281("SPCA2281", pmc);
    pmc_on_2281.protocol->Set_Flash_type(0);
    EXPECT_EQ(pmc_on_2281.Slots()[5], 0x20);
    pmc_on_2281.protocol->Set_Flash_type(1);
    EXPECT_EQ(pmc_on_2281.Slots()[5], 0xD7);
    EXPECT_EQ(pmc_on_2281.host.backend->Log().Requests().size(), 2u * 48) << "every record is sent";

    Discovered unknown("SPCA2620", Flash_Part({0x1F, 0x84, 0x01}));
    EXPECT_EQ(Protocol_Get_Flash_Model(unknown.protocol), 71) << "named";
    const std::uint64_t sent = unknown.camera->Request_Count();
    EXPECT_EQ(unknown.protocol->Set_Flash_type(0), -1) << "but never driven";
    EXPECT_EQ(unknown.camera->Request_Count(), sent);
}

TEST(Flash_Identification, AProtocolThatNeverChoseLoadsZerosAndModeZero) {
    test::Simulated_Host host;
    const auto camera =
        host.Add("SPCA2620", "direct", std::nullopt, Flash_Part({0xBF, 0x25, 0x8D}, {0xBF, 0x48}));
    camera->Flash().Set_Program_Mode(9);
    auto device = host.Device_Of(camera);
    ASSERT_EQ(device->Identify(), 0);
    Extension_Unit_SPCA2620_Protocol protocol(device.release());
    EXPECT_EQ(protocol.SF_Type, SF_PMC);
    for (std::uint8_t slot = 1; slot <= 12; ++slot)
        camera->Flash().Set_Opcode(slot, 0x55);
    EXPECT_EQ(protocol.Set_Flash_type(0), 0);
    for (std::uint8_t slot = 1; slot <= 12; ++slot)
        EXPECT_EQ(camera->Flash().Opcode(slot), 0) << "slot " << int(slot);
    std::uint16_t length = 0;
    EXPECT_EQ(protocol.Get_Flash_Length_Mes(&length), 0);
    EXPECT_EQ(camera->Flash().Program_Mode(), 0);
    protocol.Get_Flash_Type(nullptr);
    EXPECT_EQ(protocol.SF_Type, SF_SST) << "kept without an out pointer";
    EXPECT_EQ(protocol.Download_Command_Set.Program_Mode, 1);
}

TEST(Flash_Identification, TransferLengthByFamilyWithItsPresetsAndModes) {
    // The length each family answers, which is also its preset when the query fails.
    const std::pair<const char*, std::uint16_t> cases[] = {{"SPCA2620", 1024}, {"SPCA2281", 4096},
                                                           {"SPCA2085", 1024}, {"SPCA2092", 1024},
                                                           {"SPCA2650", 4096}, {"SPCA2282", 4096}};
    const platform::HRESULT stall = platform::Hresult_From_Win32(platform::Win32_Error::Gen_Failure);
    for (const auto& [family, answered] : cases) {
        SCOPED_TRACE(family);
        Discovered camera(family, Flash_Part({0xFF, 0xFF, 0xFF}, {0xBF, 0x48}));
        const Chip_Flash_Traits& traits = camera.protocol->Family().Flash;
        camera.camera->Registers().Poke(0x2501, 0x55);
        camera.camera->Flash().Set_Program_Mode(9);
        std::uint16_t length = 0;
        EXPECT_EQ(camera.protocol->Get_Flash_Length_Mes(&length), 0);
        EXPECT_EQ(length, answered);
        EXPECT_EQ(camera.camera->Flash().Program_Mode(), camera.protocol->Download_Command_Set.Program_Mode);
        EXPECT_EQ(camera.camera->Registers().Peek(0x2501), traits.Clears_2501_First ? 0 : 0x55);
        const auto requests = camera.host.backend->Log().Requests();
        EXPECT_EQ(requests[requests.size() - 2].Selector, traits.Mode_Selector);

        camera.camera->Faults().Fail_Selector(traits.Mode_Selector, stall,
                                              platform::simulated::Request_Code::Set_Cur);
        EXPECT_EQ(camera.protocol->Get_Flash_Length_Mes(&length), traits.Length_Always_4096 ? 0 : stall);
        camera.camera->Faults().Fail_Selector(15, stall);
        EXPECT_EQ(camera.protocol->Get_Flash_Length_Mes(&length), traits.Length_Always_4096 ? 0 : -1)
            << "a later failure replaces an earlier one";
        EXPECT_EQ(length, answered);
    }
    Discovered camera("SPCA2620", std::nullopt);
    EXPECT_EQ(camera.protocol->Get_Flash_Length_Mes(nullptr), Result_Refused);
}

TEST(Flash_Identification, TheMasterChipPrintsItsSixBytes) {
    testing::internal::CaptureStdout();
    Discovered camera("SPCA2281", Flash_Part({0xC2, 0x20, 0x10}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "10 c2 c2 20 20 10 \r\n");
    EXPECT_EQ(camera.protocol->SF_Type, SF_MX);
}

} // namespace
