// The simulated system-on-chip camera where the update tests do not reach it: archives of the
// system's tar, damaged archives, members that climb out of the directory, and blocks the
// file channel cannot make sense of.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "Soc_Rig.h"
#include "Ustar_Writer.h"
#include "platform/simulated/Ustar_Reader.h"

namespace {

using namespace test;
using namespace platform::simulated;

TEST(Ustar_Reader, ReadsArchivesOfTarInThePosixAndTheGnuFormWithSplitNames) {
    const std::string long_name = std::string(60, 'd') + "/" + std::string(60, 'd') + "/file.txt";
    for (const char* seed : {"update-posix.tar", "update-gnu.tar", "long-name.tar"}) {
        std::ifstream in(std::string(ZUNQ_SOURCE_DIR) + "/fuzz/simulated/corpus/ustar/" + seed,
                         std::ios::binary);
        const Bytes bytes{std::istreambuf_iterator<char>(in), {}}; // the entries point into it
        const Ustar_Archive read = Read_Ustar(bytes);
        EXPECT_EQ(read.Error, "") << seed;
        ASSERT_FALSE(read.Entries.empty()) << seed;
        const Ustar_Entry& last = read.Entries.back();
        EXPECT_TRUE(last.Name == long_name ||
                    std::string(last.Data.begin(), last.Data.end()).starts_with("#!/bin/sh\n"))
            << seed;
    }
    const Bytes archive = Write_Ustar({{"update.sh", "echo\n", '0', "update"}});
    const Ustar_Archive ours = Read_Ustar(archive);
    ASSERT_EQ(ours.Entries.size(), 1u);
    EXPECT_EQ(ours.Entries[0].Name, "update/update.sh");
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
}

TEST(Soc_Shell, UnpacksBelowTheDirectoryAndRunsOnlyAScriptThatExists) {
    Soc_File_System files;
    Soc_Shell shell(files, {.Result_Size = 3, .Result_After_Polls = 1});
    files.Write("/tmp/a.tar", Write_Ustar({{"./x/run.sh", "sh"}, {"../escape", "no"}, {"/abs", "yes"}}));
    EXPECT_EQ(shell.Run("tar -xvf /tmp/a.tar -C /tmp/").Status, 2) << "a member climbed out";
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
    for (const Bytes& block :
         {Command_Block(9, 0, 0, {}), Command_Block(133, 0, 519, Bytes_Of("/a")), no_nul,
          File_Operation_Block("", 0, 0x807), File_Operation_Block("/a", 0, 1),
          File_Operation_Block("/a", 0, 0x407), Command_Block(8, 0, 1, {1}), Command_Block(128, 0, 4085, {})})
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
