#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "Soc_Rig.h"
#include "Ustar_Writer.h"
#include "platform/simulated/Ustar_Reader.h"

namespace {

using namespace test;
using namespace platform::simulated;

std::string Text_Of(std::span<const std::uint8_t> data) {
    return {data.begin(), data.end()};
}

Bytes Seed(const char* name) {
    std::ifstream in(std::string(ZUNQ_SOURCE_DIR) + "/fuzz/simulated/corpus/ustar/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Ustar_Reader, ReadsFilesDirectoriesAndSplitNamesOfOursAndOfTar) {
    const Bytes ours =
        Write_Ustar({{"update/", "", '5'}, {"update.sh", "echo\n", '0', "update"}, {"empty", ""}});
    const Ustar_Archive archive = Read_Ustar(ours);
    EXPECT_EQ(archive.Error, "");
    ASSERT_EQ(archive.Entries.size(), 3u);
    EXPECT_EQ(archive.Entries[0].Type, Ustar_Type::Directory);
    EXPECT_EQ(archive.Entries[1].Name + ":" + Text_Of(archive.Entries[1].Data), "update/update.sh:echo\n");
    EXPECT_TRUE(archive.Entries[2].Data.empty());

    // Archives of the system's tar, in the POSIX and the GNU form, one with a split long name.
    const std::string long_name = std::string(60, 'd') + "/" + std::string(60, 'd') + "/file.txt";
    for (const char* seed : {"update-posix.tar", "update-gnu.tar", "long-name.tar"}) {
        const Bytes bytes = Seed(seed);
        const Ustar_Archive read = Read_Ustar(bytes);
        EXPECT_EQ(read.Error, "") << seed;
        ASSERT_FALSE(read.Entries.empty()) << seed;
        const Ustar_Entry& last = read.Entries.back();
        EXPECT_TRUE(last.Name == long_name || Text_Of(last.Data).starts_with("#!/bin/sh\n")) << seed;
    }
}

TEST(Ustar_Reader, StopsAtTheFirstBadMemberAndKeepsTheOnesBefore) {
    const Bytes good = Write_Ustar({{"first", "1"}, {"second", "22"}});
    const auto second_after = [&](auto damage) {
        Bytes bytes = good;
        damage(bytes, std::size_t{1024});
        const Ustar_Archive archive = Read_Ustar(bytes);
        EXPECT_EQ(archive.Entries.size(), 1u);
        return archive.Error;
    };
    EXPECT_EQ(second_after([](Bytes& b, std::size_t at) { b[at] ^= 1; }), "header checksum mismatch");
    EXPECT_EQ(second_after([](Bytes& b, std::size_t at) { b.resize(at + 100); }),
              "the archive ends inside a header");
    EXPECT_EQ(second_after([](Bytes& b, std::size_t at) { b.resize(at + 513); }), "member data cut short");
    EXPECT_EQ(second_after([](Bytes& b, std::size_t at) { b[at + 257] = 'X'; }), "not a ustar header");
    EXPECT_EQ(Read_Ustar(Write_Ustar({{"link", "", '2'}})).Error, "unsupported member type '2'");
    Bytes huge = Write_Ustar({{"huge", ""}});
    huge[124] = 0x80; // the base-256 form of a size: not read
    EXPECT_EQ(Read_Ustar(huge).Error, "header checksum mismatch");
    EXPECT_EQ(Read_Ustar({}).Error, "");
}

TEST(Soc_Shell, UnpacksBelowTheDirectoryAndRunsOnlyAScriptThatExists) {
    Soc_File_System files;
    Soc_Shell shell(files, {.Result_Size = 3, .Result_After_Polls = 1});
    files.Write("/tmp/a.tar", Write_Ustar({{"./x/run.sh", "sh"}, {"../escape", "no"}, {"/abs", "yes"}}));
    const Shell_Run& unpack = shell.Run("tar -xvf /tmp/a.tar -C /tmp/");
    EXPECT_EQ(unpack.Status, 2) << "a member climbed out";
    EXPECT_EQ(files.Paths(), (std::vector<std::string>{"/tmp/a.tar", "/tmp/abs", "/tmp/x/run.sh"}));
    EXPECT_EQ(shell.Run("tar -xvf /tmp/none.tar -C /tmp/").Status, 2);
    EXPECT_EQ(shell.Run("reboot").Status, 127);
    EXPECT_EQ(shell.Run("sh /tmp/missing.sh").Status, 2);

    EXPECT_EQ(shell.Run("sh /tmp/x/run.sh").Status, 0);
    EXPECT_EQ(files.Look_Up("/tmp/x/result.txt"), nullptr) << "the first poll is too early";
    ASSERT_NE(files.Look_Up("/tmp/x/result.txt"), nullptr);
    EXPECT_EQ(files.Find("/tmp/x/result.txt")->size(), 3u);
}

TEST(Soc_File_Channel, RefusesBlocksItCannotMakeSenseOfAndChangesNothing) {
    Soc_File_Channel channel({});
    Bytes no_nul = File_Operation_Block("/a", 0, 0x807);
    std::fill(no_nul.begin() + 12, no_nul.begin() + 524, 'a');
    const Bytes nonsense[] = {Command_Block(9, 0, 0, {}),
                              Command_Block(133, 0, 519, Bytes_Of("/a")),
                              no_nul,
                              File_Operation_Block("", 0, 0x807),
                              File_Operation_Block("/a", 0, 1),
                              File_Operation_Block("/a", 0, 0x407),
                              Command_Block(8, 0, 1, {1}),
                              Command_Block(128, 0, 4085, {})};
    for (const Bytes& block : nonsense)
        EXPECT_EQ(channel.Set(block), platform::Hresult_From_Win32(platform::Win32_Error::Gen_Failure));
    EXPECT_TRUE(channel.Files().Paths().empty());
    EXPECT_TRUE(channel.Shell_History().empty());

    // Once a file is open: data longer than a block carries, or past the camera's memory.
    EXPECT_EQ(channel.Set(File_Operation_Block("/a", 0, 0x807)), 0);
    EXPECT_NE(channel.Set(Command_Block(8, 0, 4085, {})), 0);
    EXPECT_NE(channel.Set(Command_Block(8, Soc_Max_File_Size, 1, {1})), 0);
    EXPECT_EQ(*channel.Files().Find("/a"), Bytes());
    EXPECT_EQ(channel.Set(Bytes(4095)),
              platform::Hresult_From_Win32(platform::Win32_Error::Invalid_Parameter));
}

} // namespace
