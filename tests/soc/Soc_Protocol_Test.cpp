#include <gtest/gtest.h>

#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"
#include "Soc_Rig.h"
#include "extension_unit/Protocol_Operations.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"

namespace {

using namespace test;
using Steps = std::vector<std::string>;

TEST(Soc_Protocol, RefusesTheBaseOperationsAndReportsNoFlash) {
    Soc_Rig rig;
    const Results results = Every_Operation(rig.protocol);
    EXPECT_EQ(results, Expected(results, -1, {{"Get_Flash_Model", 0}})) << "the update found no script";
    for (const std::string& step : rig.Steps())
        ASSERT_NE(step, "other") << "only the update used the camera";

    std::unique_ptr<Extension_Unit_Base_Class> device(rig.protocol.Detach_Device());
    std::uint32_t size = 7;
    const std::uint8_t image[1] = {};
    EXPECT_EQ(rig.protocol.Get_File_Size("/a", &size), -1);
    EXPECT_EQ(rig.protocol.Run_Shell_Command("true"), -1);
    EXPECT_EQ(rig.protocol.Download_Firmware(image, 1, nullptr), -1);
    EXPECT_TRUE(rig.Steps().empty());
}

TEST(Soc_Protocol, SendsEachFileOperationAsItsBlocksAndPauses) {
    Soc_Rig rig;
    const std::string path = "/tmp/a.bin";
    std::vector<Bytes> blocks;
    EXPECT_EQ(rig.protocol.Create_File(path.c_str(), 0x01020304), 0);
    EXPECT_EQ(rig.Steps(&blocks),
              (Steps{"len", "sleep 1000", "len", "sleep 1000", "set", "sleep 50", "get"}));
    EXPECT_EQ(blocks.back(), File_Operation_Block(path, 0x01020304, 0x807));

    // 4085 bytes: a full chunk and one byte, each with its offset; 4084 bytes: one chunk.
    Bytes data(4085);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    blocks.clear();
    EXPECT_EQ(rig.protocol.Write_File_Data(data.data(), 4085), 0);
    EXPECT_EQ(rig.Steps(&blocks), (Steps{"len", "len", "sleep 7", "set", "sleep 15", "len", "sleep 7", "set",
                                         "sleep 15", "sleep 50"}));
    EXPECT_EQ(blocks, (std::vector{Command_Block(8, 0, 4084, Bytes(data.begin(), data.end() - 1)),
                                   Command_Block(8, 4084, 1, {data.back()})}));
    EXPECT_EQ(rig.protocol.Write_File_Data(data.data(), 4084), 0);
    EXPECT_EQ(rig.Steps(), (Steps{"len", "len", "sleep 7", "set", "sleep 15", "sleep 50"}));

    EXPECT_EQ(rig.protocol.Close_File(path.c_str(), 4085), 0);
    EXPECT_EQ(rig.Steps(&blocks), (Steps{"len", "len", "set"}));
    EXPECT_EQ(blocks.back(), File_Operation_Block(path, 4085, 0x407));

    std::uint32_t size = 0;
    EXPECT_EQ(rig.protocol.Get_File_Size(path.c_str(), &size), 4085);
    EXPECT_EQ(size, 4085u);
    EXPECT_EQ(rig.Steps(&blocks),
              (Steps{"len", "sleep 1000", "len", "sleep 1000", "set", "sleep 500", "get"}));
    EXPECT_EQ(blocks.back(), File_Operation_Block(path, 0, 0x80));

    // Reading past the end of the file reads zeros; the blocks ask for offsets 0 and 4096.
    Bytes read(4097, 0xEE);
    blocks.clear();
    EXPECT_EQ(rig.protocol.Read_File(path.c_str(), read.data(), 4097), 0);
    const Steps read_block = {"sleep 10", "len", "sleep 10", "set", "sleep 10", "get"};
    Steps expected_steps = {"len"};
    for (int i = 0; i < 2; ++i)
        expected_steps.insert(expected_steps.end(), read_block.begin(), read_block.end());
    EXPECT_EQ(rig.Steps(&blocks), expected_steps);
    EXPECT_EQ(blocks,
              (std::vector{File_Operation_Block(path, 0, 0x100), File_Operation_Block(path, 4096, 0x100)}));
    data.resize(4097);
    EXPECT_EQ(read, data);

    EXPECT_EQ(rig.protocol.Run_Shell_Command("echo hi"), 0);
    EXPECT_EQ(rig.Steps(&blocks), (Steps{"len", "len", "set"}));
    EXPECT_EQ(blocks.back(), Command_Block(128, 0, 7, Bytes_Of("echo hi")));
}

TEST(Soc_Protocol, RefusesWhatDoesNotFitItsFieldWithoutARequest) {
    Soc_Rig rig;
    const std::string longest_path = "/" + std::string(510, 'p');
    const std::string longest_command = "echo " + std::string(4079, 'c');
    EXPECT_EQ(rig.protocol.Create_File(longest_path.c_str(), 0), 0);
    EXPECT_EQ(rig.protocol.Run_Shell_Command(longest_command.c_str()), 0);
    EXPECT_EQ(rig.soc.Channel->Shell_History().back().Command, longest_command);
    rig.Steps();

    const std::string path = longest_path + "p";
    std::uint32_t size = 0;
    std::uint8_t byte = 0;
    EXPECT_EQ(rig.protocol.Create_File(path.c_str(), 0), -2);
    EXPECT_EQ(rig.protocol.Close_File(path.c_str(), 0), -2);
    EXPECT_EQ(rig.protocol.Get_File_Size(path.c_str(), &size), -2);
    EXPECT_EQ(rig.protocol.Read_File(path.c_str(), &byte, 1), -2);
    EXPECT_EQ(rig.protocol.Run_Shell_Command((longest_command + "c").c_str()), -2);
    EXPECT_EQ(rig.protocol.Run_Shell_Command(nullptr), -2);
    EXPECT_EQ(rig.protocol.Get_File_Size("/a", nullptr), -2);
    EXPECT_EQ(rig.protocol.Write_File_Data(nullptr, 1), -2);
    EXPECT_EQ(Protocol_Download_Firmware(&rig.protocol, nullptr, 4096, nullptr), -2);
    EXPECT_TRUE(rig.Steps().empty());
}

TEST(Soc_Protocol, SendsNoCheckedBlockWhenTheControlIsTooShortForIt) {
    Soc_Rig short_control({.Control_Length = 512});
    EXPECT_EQ(short_control.protocol.Run_Shell_Command("sh /tmp/update/update.sh"), -1);
    EXPECT_EQ(short_control.protocol.Close_File("/tmp/a", 0), -1);
    EXPECT_EQ(short_control.Steps(), (Steps{"len", "len"}));

    // A length query that fails leaves 512 as well.
    Soc_Rig unanswered;
    unanswered.soc.Camera->Faults().Fail_Selector(8, platform::Failure_Result(1, 1),
                                                  platform::simulated::Request_Code::Get_Len);
    EXPECT_EQ(unanswered.protocol.Run_Shell_Command("true"), -1);
    EXPECT_EQ(unanswered.Steps(), Steps{"len"});

    // Long enough for the check, but the camera takes no 4096-byte block: the transfer's result.
    Soc_Rig narrow({.Control_Length = 520});
    EXPECT_EQ(narrow.protocol.Run_Shell_Command("true"),
              platform::Hresult_From_Win32(platform::Win32_Error::Invalid_Parameter));
}

TEST(Soc_Camera, AnswersTheProbesUnitsButNoChipRegisters) {
    Soc_Rig rig;
    Extension_Unit_Base_Class* device = rig.New_Device();
    std::uint32_t length = 0;
    EXPECT_EQ(device->xu1.Ks_Get_Length(0, &length), 0);
    EXPECT_EQ(device->xu2.Ks_Get_Length(0, &length), 0);
    // Another family's register probe pairs node 2 as well; it must not take the camera.
    Extension_Unit_SPCA2281_Protocol probe(device);
    std::uint8_t value = 0;
    EXPECT_NE(probe.Read_Reg(0x20FF, &value), 0);
    EXPECT_NE(value, 0xA8);
}

} // namespace
