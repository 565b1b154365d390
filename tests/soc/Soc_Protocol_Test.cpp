#include <gtest/gtest.h>

#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"
#include "Soc_Rig.h"
#include "extension_unit/Protocol_Operations.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"

namespace {

using namespace test;
using platform::simulated::Request_Code;

const std::vector<std::string> Open = {"len"};
const std::vector<std::string> Size_Or_Create_Head = {"len", "sleep 1000", "len", "sleep 1000", "set"};
const std::vector<std::string> Read_Block = {"sleep 10", "len", "sleep 10", "set", "sleep 10", "get"};
const std::vector<std::string> Data_Chunk = {"len", "sleep 7", "set", "sleep 15"};
const std::vector<std::string> Checked_Block = {"len", "len", "set"};

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

TEST(Soc_Protocol, RefusesTheBaseOperationsAndReportsNoFlash) {
    Soc_Rig rig;
    const Results results = Every_Operation(rig.protocol);
    EXPECT_EQ(results, Expected(results, -1, {{"Get_Flash_Model", 0}}));
    for (const std::string& step : rig.Steps())
        ASSERT_TRUE(step.find("node") == std::string::npos) << "only the update used the camera: " << step;
    EXPECT_EQ(Protocol_Get_Flash_Model(&rig.protocol), 0);
    EXPECT_STREQ(Protocol_Get_Product_Name(&rig.protocol), "ZUNQ_SOC_550_0");

    std::unique_ptr<Extension_Unit_Base_Class> device(rig.protocol.Detach_Device());
    ASSERT_NE(device, nullptr);
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
    EXPECT_EQ(rig.Steps(&blocks), (Size_Or_Create_Head + std::vector<std::string>{"sleep 50", "get"}));
    EXPECT_EQ(blocks.back(), File_Operation_Block(path, 0x01020304, 0x807));

    // 4085 bytes: a full chunk and one byte, each with its offset.
    const Bytes data = Pattern(4085);
    blocks.clear();
    EXPECT_EQ(rig.protocol.Write_File_Data(data.data(), 4085), 0);
    EXPECT_EQ(rig.Steps(&blocks), (Open + Repeat(Data_Chunk, 2) + std::vector<std::string>{"sleep 50"}));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], Command_Block(8, 0, 4084, Bytes(data.begin(), data.begin() + 4084)));
    EXPECT_EQ(blocks[1], Command_Block(8, 4084, 1, {data.back()}));

    EXPECT_EQ(rig.protocol.Close_File(path.c_str(), 4085), 0);
    EXPECT_EQ(rig.Steps(&blocks), Checked_Block);
    EXPECT_EQ(blocks.back(), File_Operation_Block(path, 4085, 0x407));

    std::uint32_t size = 0;
    EXPECT_EQ(rig.protocol.Get_File_Size(path.c_str(), &size), 4085);
    EXPECT_EQ(size, 4085u);
    EXPECT_EQ(rig.Steps(&blocks), (Size_Or_Create_Head + std::vector<std::string>{"sleep 500", "get"}));
    EXPECT_EQ(blocks.back(), File_Operation_Block(path, 0, 0x80));

    // Reading past the end of the file reads zeros; the blocks ask for offsets 0 and 4096.
    Bytes read(4097, 0xEE);
    blocks.clear();
    EXPECT_EQ(rig.protocol.Read_File(path.c_str(), read.data(), 4097), 0);
    EXPECT_EQ(rig.Steps(&blocks), Open + Repeat(Read_Block, 2));
    EXPECT_EQ(blocks,
              (std::vector{File_Operation_Block(path, 0, 0x100), File_Operation_Block(path, 4096, 0x100)}));
    Bytes expected = data;
    expected.resize(4097);
    EXPECT_EQ(read, expected);

    // A 4084-byte file is one chunk.
    blocks.clear();
    EXPECT_EQ(rig.protocol.Write_File_Data(data.data(), 4084), 0);
    EXPECT_EQ(rig.Steps(&blocks), (Open + Data_Chunk + std::vector<std::string>{"sleep 50"}));
    EXPECT_EQ(blocks.size(), 1u);

    EXPECT_EQ(rig.protocol.Run_Shell_Command("echo hi"), 0);
    EXPECT_EQ(rig.Steps(&blocks), Checked_Block);
    EXPECT_EQ(blocks.back(), Command_Block(128, 0, 7, Bytes_Of("echo hi")));
    EXPECT_EQ(rig.soc.Channel->Shell_History().back().Command, "echo hi");
}

TEST(Soc_Protocol, RefusesWhatDoesNotFitItsFieldWithoutARequest) {
    Soc_Rig rig;
    const std::string longest_path = "/" + std::string(510, 'p');
    const std::string longest_command = "echo " + std::string(4079, 'c');
    EXPECT_EQ(rig.protocol.Create_File(longest_path.c_str(), 0), 0);
    EXPECT_NE(rig.File(longest_path), nullptr);
    EXPECT_EQ(rig.protocol.Run_Shell_Command(longest_command.c_str()), 0);
    EXPECT_EQ(rig.soc.Channel->Shell_History().back().Command, longest_command);
    rig.Steps();

    const std::string too_long_path = longest_path + "p";
    const std::string too_long_command = longest_command + "c";
    std::uint32_t size = 0;
    std::uint8_t byte = 0;
    EXPECT_EQ(rig.protocol.Create_File(too_long_path.c_str(), 0), -2);
    EXPECT_EQ(rig.protocol.Close_File(too_long_path.c_str(), 0), -2);
    EXPECT_EQ(rig.protocol.Get_File_Size(too_long_path.c_str(), &size), -2);
    EXPECT_EQ(rig.protocol.Read_File(too_long_path.c_str(), &byte, 1), -2);
    EXPECT_EQ(rig.protocol.Run_Shell_Command(too_long_command.c_str()), -2);
    EXPECT_EQ(rig.protocol.Create_File(nullptr, 0), -2);
    EXPECT_EQ(rig.protocol.Run_Shell_Command(nullptr), -2);
    EXPECT_EQ(rig.protocol.Get_File_Size("/a", nullptr), -2);
    EXPECT_EQ(rig.protocol.Read_File("/a", nullptr, 1), -2);
    EXPECT_EQ(rig.protocol.Write_File_Data(nullptr, 1), -2);
    EXPECT_EQ(Protocol_Download_Firmware(&rig.protocol, nullptr, 4096, nullptr), -2);
    EXPECT_TRUE(rig.Steps().empty());
}

TEST(Soc_Protocol, SendsNoCheckedBlockWhenTheControlIsTooShortForIt) {
    Soc_Rig short_control({.Control_Length = 512});
    EXPECT_EQ(short_control.protocol.Run_Shell_Command("sh /tmp/update/update.sh"), -1);
    EXPECT_EQ(short_control.protocol.Close_File("/tmp/a", 0), -1);
    EXPECT_EQ(short_control.Steps(), (std::vector<std::string>{"len", "len"}));

    // A length query that fails leaves 512 as well.
    Soc_Rig unanswered;
    unanswered.soc.Camera->Faults().Fail_Selector(8, platform::Failure_Result(1, 1), Request_Code::Get_Len);
    EXPECT_EQ(unanswered.protocol.Run_Shell_Command("true"), -1);
    EXPECT_EQ(unanswered.Steps(), std::vector<std::string>{"len"});

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
    // The register probe of another family pairs node 2 as well, and must not take the camera.
    Extension_Unit_SPCA2281_Protocol probe(device);
    std::uint8_t value = 0;
    EXPECT_NE(probe.Read_Reg(0x20FF, &value), 0);
    EXPECT_NE(value, 0xA8);
}

} // namespace
