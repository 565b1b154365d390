#include <gtest/gtest.h>

#include "Soc_Rig.h"
#include "Ustar_Writer.h"
#include "extension_unit/Simulated_Host.h"
#include "platform/simulated/Scenario.h"

namespace {

using namespace test;
using platform::simulated::Soc_Camera_Scenario;

const Bytes Update_Archive = Write_Ustar({{"update/", "", '5'},
                                          {"update/update.sh", "#!/bin/sh\n./flash app.bin\n"},
                                          {"update/app.bin", std::string(9000, 'a')}});

// How often the update asked for the size of `path`, and how often it read it.
std::pair<int, int> Size_And_Read_Requests(const std::vector<Bytes>& blocks, std::string_view path) {
    std::pair<int, int> counts;
    for (const Bytes& block : blocks) {
        if (Get_U32_LE(block, 0) != 133 ||
            std::string_view(reinterpret_cast<const char*>(&block[12])) != path)
            continue;
        counts.first += Get_U32_LE(block, 528) == 0x80;
        counts.second += Get_U32_LE(block, 528) == 0x100;
    }
    return counts;
}

struct Update_Case {
    const char* Name;
    Soc_Camera_Scenario Scenario;
    int Result;
    int Polls;
};

// The result file decides alone: 5 bytes, found within 21 polls. Only one block of it is read.
const Update_Case Update_Cases[] = {
    {"five_bytes", {.Result_Size = 5}, 0, 1},
    {"four_bytes", {.Result_Size = 4}, -1, 1},
    {"six_bytes", {.Result_Size = 6}, -1, 1},
    {"none", {.Result_Size = std::nullopt}, -1, 21},
    {"five_at_the_last_poll", {.Result_Size = 5, .Result_After_Polls = 20}, 0, 21},
    {"five_too_late", {.Result_Size = 5, .Result_After_Polls = 21}, -1, 21},
    {"a_megabyte", {.Result_Size = 1000000}, -1, 1},
};

class Soc_Update : public testing::TestWithParam<Update_Case> {};

TEST_P(Soc_Update, IsJudgedByTheResultFilesSize) {
    Soc_Rig rig(GetParam().Scenario);
    float progress = 12.5f;
    EXPECT_EQ(Protocol_Download_Firmware(&rig.protocol, Update_Archive.data(),
                                         static_cast<std::uint32_t>(Update_Archive.size()), &progress),
              GetParam().Result);
    EXPECT_EQ(progress, 12.5f) << "the update reports no progress";

    ASSERT_NE(rig.File("/tmp/update/app.bin"), nullptr);
    EXPECT_EQ(*rig.File("/tmp/update/app.bin"), Bytes(9000, 'a'));
    const auto& shell = rig.soc.Channel->Shell_History();
    ASSERT_EQ(shell.size(), 2u);
    EXPECT_EQ(shell[0].Command + ", " + shell[1].Command,
              "tar -xvf /tmp/update.tar -C /tmp/, sh /tmp/update/update.sh");
    EXPECT_EQ(shell[0].Status + shell[1].Status, 0) << shell[0].Output << shell[1].Output;

    std::vector<Bytes> blocks;
    rig.Steps(&blocks);
    EXPECT_EQ(Size_And_Read_Requests(blocks, "/tmp/update/result.txt"),
              std::make_pair(GetParam().Polls, rig.File("/tmp/update/result.txt") ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Result_Files, Soc_Update, testing::ValuesIn(Update_Cases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(Soc_Update_Edges, AnEmptyImageStillCreatesAndClosesTheArchiveAndRunsBothCommands) {
    Soc_Rig rig;
    const std::uint8_t none[1] = {};
    EXPECT_EQ(rig.protocol.Download_Firmware(none, 0, nullptr), -1) << "no script, so no result";
    std::vector<Bytes> blocks;
    rig.Steps(&blocks);
    EXPECT_EQ(blocks[0], File_Operation_Block("/tmp/update.tar", 0, 0x807));
    EXPECT_EQ(blocks[1], File_Operation_Block("/tmp/update.tar", 0, 0x407));
    EXPECT_EQ(*rig.File("/tmp/update.tar"), Bytes());
    EXPECT_EQ(rig.soc.Channel->Shell_History().size(), 2u);
}

TEST(Soc_Update_Edges, RunsNothingFromAnArchiveThatReadsBackWrong) {
    const auto expect_stopped = [](Soc_Rig& rig, const char* why) {
        EXPECT_EQ(rig.protocol.Download_Firmware(Update_Archive.data(),
                                                 static_cast<std::uint32_t>(Update_Archive.size()), nullptr),
                  -1)
            << why;
        EXPECT_TRUE(rig.soc.Channel->Shell_History().empty()) << why;
    };
    Soc_Rig corrupting({.Corrupt_Stored_Files = true});
    expect_stopped(corrupting, "a byte flipped on the camera");
    Soc_Rig misnaming({.Echo_Wrong_Path = true});
    expect_stopped(misnaming, "the archive went to another path");
    EXPECT_EQ(misnaming.File("/tmp/update.tar"), nullptr);
    EXPECT_NE(misnaming.File("/tmp/update.ta~"), nullptr);

    // Create takes requests 1 to 4 and the data phase opens with 5; each chunk is a length
    // query and a block. A lost last chunk leaves the archive short; a lost first chunk leaves
    // a hole of zeros in an archive of the right size.
    const std::uint64_t chunks = (Update_Archive.size() + 4083) / 4084;
    Soc_Rig short_archive;
    short_archive.soc.Camera->Faults().Fail_Request(5 + 2 * chunks, platform::Failure_Result(2, 2));
    expect_stopped(short_archive, "the last chunk was lost");
    EXPECT_LT(short_archive.File("/tmp/update.tar")->size(), Update_Archive.size());
    Soc_Rig holed_archive;
    holed_archive.soc.Camera->Faults().Fail_Request(7, platform::Failure_Result(2, 2));
    expect_stopped(holed_archive, "the first chunk was lost");
    EXPECT_EQ(holed_archive.File("/tmp/update.tar")->size(), Update_Archive.size());
}

// The camera as discovery binds it from a scenario file, updated through the entry points;
// what the file can make it do wrong ends the update before the archive is unpacked.
TEST(Soc_Update_Edges, ADiscoveredCameraIsUpdatedUnlessTheScenarioFileMakesItFail) {
    const struct {
        const char *why, *soc;
        int result;
    } cases[] = {
        {"nothing wrong", "", 0},
        {"a store cut short", R"("store_limit": 4096)", -1},
        {"a size reply that lies", R"("size_reply": 5)", -1},
        {"a failed create", R"("fail_create": true)", -1},
    };
    for (const auto& [why, soc, result] : cases) {
        test::Simulated_Host host;
        const auto load = platform::simulated::Parse_Scenario(
            R"({"cameras": [{"family": "SOC_M5", "usb": {"vid": 1, "pid": 2, "hub": "r", "port": 1}, "soc": {)" +
            std::string(soc) + "}}]}");
        ASSERT_TRUE(load.Loaded) << load.Error;
        const auto camera = platform::simulated::Build_Scenario(*host.backend, *load.Loaded).at(0);
        const auto list = host.Discover();
        ASSERT_EQ(list->Count(), 1u) << why;
        EXPECT_EQ(Protocol_Download_Firmware(Device_List_Get_Protocol(list.get(), 0), Update_Archive.data(),
                                             static_cast<std::uint32_t>(Update_Archive.size()), nullptr),
                  result)
            << why;
        const auto* channel = dynamic_cast<platform::simulated::Soc_File_Channel*>(
            camera->Units().Find(3, platform::simulated::Soc_Node_3_Unit_Guid)->Find(8));
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->Shell_History().size(), result == 0 ? 2u : 0u) << why;
    }
}

} // namespace
