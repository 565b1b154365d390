#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "Fault_Campaign.h"

namespace {

using platform::Failure_Result;
using platform::simulated::Event;
using platform::simulated::Request_Code;
using test::Bytes;
using test::Flash_Camera;

// What a whole download sends and pauses on each family, with a part of the MX kind.
struct Download_Case {
    const char* Family;
    std::uint32_t Region;
    std::uint32_t Steps;
    float First_Percent;
    std::size_t Requests;      // up to the last chunk's check
    std::uint32_t Chunks;      // then read back once more, four requests each
    std::size_t Chunk_Pauses;  // 10 ms each
    std::size_t Script_Pauses; // 5 ms each, one per register access of the script
};

const Download_Case Download_Cases[] = {
    {"SPCA2620", 0x10000, 147, 1 / 1.47f, 595, 64, 128, 0},
    {"SPCA2281", 0x10000, 52, 1 / 0.52f, 266, 16, 32, 0},
    {"SPCA2085", 0x10000, 148, 1 / 1.48f, 597, 64, 128, 0},
    {"SPCA2092", 0x10000, 148, 1 / 1.48f, 597, 64, 128, 0},
    {"SPCA2650", 0x40000, 580, 1 / 5.8f, 2278, 256, 512, 27},
    {"SPCA2282", 0x40000, 580, 1 / 5.8f, 2278, 256, 512, 27},
};

Bytes Padded(Bytes image, std::uint32_t region) {
    image.resize(region, 0x00);
    return image;
}

// A download through the entry point with the percents it printed on standard error.
std::vector<float> Percents_Of(Flash_Camera& rig, float* progress, int expected_result) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Protocol_Download_Firmware(rig.protocol, rig.image.data(), rig.image.size(), progress),
              expected_result);
    const std::string printed = testing::internal::GetCapturedStderr();
    std::vector<float> percents;
    const std::string mark = "DownLoad Schedule ";
    for (std::size_t at = printed.find(mark); at != std::string::npos; at = printed.find(mark, at + 1))
        percents.push_back(std::stof(printed.substr(at + mark.size())));
    return percents;
}

TEST(Flash_Download, EveryFamilyBurnsVerifiesAndReportsItsSteps) {
    for (const Download_Case& expected : Download_Cases) {
        SCOPED_TRACE(expected.Family);
        Flash_Camera rig(expected.Family);
        float progress = 0;
        const auto percents = Percents_Of(rig, &progress, 0);
        EXPECT_EQ(rig.Flash(0, expected.Region), Padded(rig.image, expected.Region));
        EXPECT_TRUE(std::equal(rig.Flash().begin() + expected.Region, rig.Flash().end(),
                               rig.old_contents.begin() + expected.Region))
            << "nothing past the region is touched";
        EXPECT_EQ(progress, 100.0f);
        ASSERT_EQ(percents.size(), expected.Steps);
        EXPECT_NEAR(percents.front(), expected.First_Percent, 1e-5);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        EXPECT_LT(percents[percents.size() - 2], 100.0f);

        // Then the whole region is read back once more, chunk by chunk in order, without a pause.
        const auto requests = rig.Requests();
        ASSERT_EQ(requests.size(), expected.Requests + 4 * expected.Chunks);
        const std::uint32_t length = expected.Region / expected.Chunks;
        for (std::uint32_t chunk = 0; chunk < expected.Chunks; ++chunk) {
            const Event* read = &requests[expected.Requests + 4 * chunk];
            const std::uint32_t address = chunk * length;
            EXPECT_EQ(read[1].Selector, 14u);
            EXPECT_EQ(read[1].Data,
                      (Bytes{static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                             static_cast<std::uint8_t>(address >> 16), 0}));
            EXPECT_EQ(read[3].Code, Request_Code::Get_Cur);
            EXPECT_EQ(read[3].Length, length);
        }
        const auto pauses = rig.Pauses();
        EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 10u), static_cast<long>(expected.Chunk_Pauses));
        EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 5u), static_cast<long>(expected.Script_Pauses));
        EXPECT_EQ(pauses.size(), expected.Chunk_Pauses + expected.Script_Pauses);
        // The engine script ran first: identification, write enable, status write and its poll.
        const Bytes script = expected.Script_Pauses ? Bytes{0x9F, 0x06, 0x01, 0x05} : Bytes{};
        EXPECT_TRUE(std::equal(script.begin(), script.end(), rig.Opcodes().begin()));
    }
}

TEST(Flash_Download, ProtectionIsClearedOnlyWhereAScriptRuns) {
    // The SPCA2650's download script clears a protected part's status first; the SPCA2620 runs
    // none, so nothing is written and the check fails loudly.
    Flash_Camera engine("SPCA2650", std::nullopt, 0x1C);
    EXPECT_EQ(engine.Download(), 0);
    EXPECT_EQ(engine.camera->Flash().Part()->Status(), 0x00);
    Flash_Camera slots("SPCA2620", std::nullopt, 0x1C);
    float progress = 0;
    EXPECT_GT(slots.Download(&progress), 0);
    EXPECT_LT(progress, 100.0f);
    EXPECT_EQ(slots.Flash(), slots.old_contents);
}

TEST(Flash_Download, RefusesImagesBeforeSendingAnything) {
    const Bytes big = test::Firmware_Image("SPCA2650");
    Bytes no_y = big;
    no_y[0x101] = 0x00;
    // The signature decides first: an image of another chip is a wrong image whatever its
    // size; one of the chip's own that does not fit its region is refused.
    const std::tuple<const char*, Bytes, int> refusals[] = {
        {"SPCA2620", {}, -2},
        {"SPCA2620", test::Firmware_Image("SPCA2281"), -3},
        {"SPCA2620", Padded(big, 0x40000), -3},
        {"SPCA2281", Padded(big, 0x40000), -3},
        {"SPCA2281", Padded(test::Firmware_Image("SPCA2281"), 0x10001), -2},
        {"SPCA2085", {0x89}, -3},
        {"SPCA2650", Padded(big, 0x40001), -2},
        {"SPCA2650", Padded(no_y, 0x40001), -3},
        {"SPCA2650", Bytes(big.begin(), big.begin() + 257), -3},
        {"SPCA2282", no_y, -3},
    };
    for (const auto& [family, image, result] : refusals) {
        Flash_Camera rig(family);
        float progress = 0.5f;
        EXPECT_EQ(rig.Download(image, &progress), result) << family << " " << image.size();
        EXPECT_EQ(progress, 0.5f);
        EXPECT_EQ(rig.host.backend->Log().Size(), 0u);
    }
    // The SPCA2650 family's mark has two spellings per byte; bytes 0 and 1 do not count.
    for (auto [c, y] : {std::pair{0x95, 0x59}, std::pair{0x43, 0x27}}) {
        Flash_Camera rig("SPCA2650");
        rig.image[0] = 0x00;
        rig.image[0x100] = static_cast<std::uint8_t>(c);
        rig.image[0x101] = static_cast<std::uint8_t>(y);
        EXPECT_EQ(rig.Download(), 0);
    }
}

TEST(Flash_Download, StopsOnMinusOneAndWipesTheHeaderAfterABadCheck) {
    // Chunk 5's write: 51 preparation and 32 erase requests, then eight per chunk.
    Flash_Camera write_fails("SPCA2620");
    write_fails.camera->Faults().Fail_Request(write_fails.Request_Number(51 + 32 + 5 * 8 + 4), -1);
    float progress = 0;
    EXPECT_EQ(write_fails.Download(&progress), -1);
    EXPECT_EQ(write_fails.protocol->Schedule_Steps, 2 + 16 + 2 * 5 + 1u) << "ends after the write's step";
    EXPECT_FLOAT_EQ(progress, 29 / 1.47f);
    EXPECT_EQ(write_fails.Requests().size(), 51 + 32 + 5 * 8 + 4u) << "chunk 5 is not read back";
    EXPECT_EQ(write_fails.Flash(0, 0x1000),
              Bytes(write_fails.image.begin(), write_fails.image.begin() + 0x1000))
        << "nor piece 0 wiped";

    // A read failing with -1 ends the download at once, with no check and no wipe: chunk 5's
    // read-back after its step, and the region's last read of chunk 10 before the last step.
    // This family traces no chunk, so neither names one.
    for (const auto& [request, steps] : {std::pair{51 + 32 + 5 * 8 + 8, 2 + 16 + 2 * 5 + 2},
                                         std::pair{51 + 32 + 64 * 8 + 10 * 4 + 4, 146}}) {
        Flash_Camera read_fails("SPCA2620");
        read_fails.camera->Faults().Fail_Request(read_fails.Request_Number(request), -1);
        test::Log_Capture log;
        EXPECT_EQ(read_fails.Download(&progress), -1) << request;
        EXPECT_EQ(log.Text().find("[index]="), std::string::npos) << request;
        EXPECT_EQ(read_fails.protocol->Schedule_Steps, static_cast<std::uint32_t>(steps));
        EXPECT_EQ(read_fails.Requests().size(), static_cast<std::size_t>(request)) << "nothing sent after it";
        EXPECT_EQ(read_fails.Flash(0, 0x1000),
                  Bytes(read_fails.image.begin(), read_fails.image.begin() + 0x1000))
            << "piece 0 kept";
    }

    // The last sector's erase failing with -1 stops the download before any chunk is sent.
    Flash_Camera erase_fails("SPCA2620");
    erase_fails.camera->Faults().Fail_Request(erase_fails.Request_Number(51 + 32), -1);
    EXPECT_EQ(erase_fails.Download(), -1);
    EXPECT_EQ(erase_fails.Requests().size(), 51 + 32u);

    // A first byte that reads back wrong: result 1 and piece 0 all 0xFF. A second download on
    // the same object reports its percents from the start again.
    Flash_Camera flipped("SPCA2620");
    flipped.camera->Faults().Flip_Byte(flipped.Request_Number(51 + 32 + 9 * 8), 0);
    EXPECT_EQ(flipped.Download(&progress), 1);
    EXPECT_EQ(flipped.Flash(0, 0x1000), Bytes(0x1000, 0xFF));
    EXPECT_NEAR(Percents_Of(flipped, nullptr, 0).front(), 1 / 1.47f, 1e-5);

    // The SPCA2281 compares the whole 4096-byte chunk: byte 2000 now counts, in chunk 2's
    // read-back and in the region's last read of it alike (which ends below 100).
    for (const int request : {55 + 51 + 32 + 3 * 8, 55 + 51 + 32 + 16 * 8 + 2 * 4 + 4}) {
        Flash_Camera late_byte("SPCA2281");
        late_byte.camera->Faults().Flip_Byte(late_byte.Request_Number(request), 1999);
        test::Log_Capture log;
        EXPECT_EQ(late_byte.Download(&progress), 2000) << request;
        EXPECT_LT(progress, 100.0f);
        // Its mismatch lines follow the index line of the chunk they are about.
        EXPECT_NE(log.Text().find("[index]=2\r\nStrCmp error index[126]\r\n"), std::string::npos);
        EXPECT_NE(log.Text().find("index[1999]:W:"), std::string::npos);
        EXPECT_EQ(late_byte.Flash(0, 0x1000), Bytes(0x1000, 0xFF));
    }
    // A read that fails in the region's last read names its chunk too, before its location.
    Flash_Camera late_read("SPCA2281");
    late_read.camera->Faults().Fail_Request(late_read.Request_Number(55 + 51 + 32 + 16 * 8 + 2 * 4 + 4), -1);
    {
        test::Log_Capture log;
        EXPECT_EQ(late_read.Download(), -1);
        const std::string trace = log.Text();
        const std::size_t last = trace.rfind("[index]=");
        ASSERT_NE(last, std::string::npos) << "no chunk named";
        EXPECT_EQ(trace.substr(last, 14), "[index]=2\r\n\r\n ");
    }
    // A download that passes names each chunk once, in its check: the region's last read adds
    // no line.
    Flash_Camera passes("SPCA2281");
    test::Log_Capture log;
    EXPECT_EQ(passes.Download(), 0);
    const std::string trace = log.Text();
    std::size_t index_lines = 0;
    for (std::size_t at = trace.find("[index]="); at != std::string::npos;
         at = trace.find("[index]=", at + 1))
        ++index_lines;
    EXPECT_EQ(index_lines, 16u);
}

TEST(Flash_Download, OnlyExactlyMinusOneStopsAtAChunkAndTheSpca2281StopsOnAnyFailedPiece0Read) {
    // Chunk 5's data write failing with another result: its read-back still goes out and the
    // check reports the first byte that stayed erased.
    Flash_Camera write_fails("SPCA2620");
    const std::uint64_t chunk_5 = 51 + 32 + 5 * 8;
    write_fails.camera->Faults().Fail_Request(write_fails.Request_Number(chunk_5 + 4), Failure_Result(3, 3));
    const auto first_not_ff = std::find_if(write_fails.image.begin() + 5 * 1024, write_fails.image.end(),
                                           [](std::uint8_t byte) { return byte != 0xFF; });
    EXPECT_EQ(write_fails.Download(), first_not_ff - (write_fails.image.begin() + 5 * 1024) + 1);
    const auto requests = write_fails.Requests();
    ASSERT_GE(requests.size(), chunk_5 + 8);
    EXPECT_EQ(requests[chunk_5 + 7].Selector, 15u);
    EXPECT_EQ(requests[chunk_5 + 7].Code, Request_Code::Get_Cur) << "chunk 5 was read back";
    EXPECT_EQ(write_fails.Flash(0, 0x1000), Bytes(0x1000, 0xFF));

    // The SPCA2281 reads piece 0 first (51 preparation requests, then its one chunk): any
    // failure of that read ends the download with it, before anything is erased.
    for (int failure : {-1, Failure_Result(9, 9)}) {
        Flash_Camera piece_0_fails("SPCA2281");
        piece_0_fails.camera->Faults().Fail_Request(piece_0_fails.Request_Number(51 + 4), failure);
        float progress = 0;
        EXPECT_EQ(piece_0_fails.Download(&progress), failure);
        EXPECT_EQ(piece_0_fails.Requests().size(), 51 + 4u) << "no erase";
        EXPECT_FLOAT_EQ(progress, 1 / 0.52f);
        EXPECT_EQ(piece_0_fails.Flash(), piece_0_fails.old_contents);
    }
}

TEST(Flash_Download, APauseDroppedOrCutShortFailsTheReadBack) {
    const auto pauses_changed = [](Flash_Camera& rig, std::uint32_t from, std::uint32_t to) {
        rig.host.backend->Virtual_Time().Change_Pauses(
            [=](std::uint32_t ms) { return ms == from ? to : ms; });
    };
    // Chunk pauses a millisecond short: the first read-back meets a chip still programming.
    for (const Download_Case& expected : Download_Cases) {
        Flash_Camera rig(expected.Family);
        pauses_changed(rig, 10, 9);
        EXPECT_EQ(rig.Download(), 1) << expected.Family;
    }
    // The engine's status script without its pauses: the opcodes and erases that follow it
    // reach a chip whose part is still writing its status.
    for (const char* family : {"SPCA2650", "SPCA2282"}) {
        Flash_Camera rig(family);
        pauses_changed(rig, 5, 0);
        EXPECT_GT(rig.Download(), 0) << family;
    }
    // The SPCA2281's piece write, likewise after master A's status write: nothing notices, but
    // the sector reads back as it was.
    Flash_Camera rig("SPCA2281");
    pauses_changed(rig, 5, 0);
    const Bytes piece = test::Code_Bytes(ISP_Piece_Size, 8);
    EXPECT_EQ(rig.protocol->Write_ISP_Mem_Piece(1, piece.data()), 0);
    EXPECT_EQ(rig.Flash(0, 2 * 4096), Bytes(rig.old_contents.begin(), rig.old_contents.begin() + 2 * 4096));
}

TEST(Flash_Download, AReadBackThatDeliversNothingNeverPasses) {
    // The last chunks carry the zero padding, like the chunk before them: a write and a
    // read-back that are both silently lost must not pass on the bytes still in the buffer.
    Flash_Camera lost("SPCA2620");
    const std::uint64_t last_chunk = lost.Request_Number(51 + 32 + 63 * 8);
    lost.camera->Faults().Ignore_Request(last_chunk + 4);
    lost.camera->Faults().Ignore_Request(last_chunk + 8);
    EXPECT_EQ(lost.Download(), 1);
    // Nor does the region's last read of the last chunk, right after that of the one before;
    // a family that traces no chunk names none for it.
    Flash_Camera lost_last_read("SPCA2620");
    lost_last_read.camera->Faults().Ignore_Request(
        lost_last_read.Request_Number(51 + 32 + 64 * 8 + 63 * 4 + 4));
    {
        test::Log_Capture log;
        EXPECT_EQ(lost_last_read.Download(), 1);
        EXPECT_EQ(log.Text().find("[index]="), std::string::npos);
    }
    // Both transfer addresses of a chunk of zeros lost, after a chunk of zeros: the chunk is
    // written over the one before and read back from there, and passes its check; its own
    // place stays erased, which the region's last read finds.
    Flash_Camera misplaced("SPCA2620");
    const std::uint64_t chunk_62 = misplaced.Request_Number(51 + 32 + 62 * 8);
    misplaced.camera->Faults().Ignore_Request(chunk_62 + 2);
    misplaced.camera->Faults().Ignore_Request(chunk_62 + 6);
    float progress = 0;
    EXPECT_EQ(misplaced.Download(&progress), 1);
    EXPECT_LT(progress, 100.0f);
    EXPECT_EQ(misplaced.Flash(62 * 1024, 1024), Bytes(1024, 0xFF));
    EXPECT_EQ(misplaced.Flash(0, 0x1000), Bytes(0x1000, 0xFF));
    // A read-back failing with a transport error is judged by its check as well.
    Flash_Camera failed("SPCA2085");
    failed.camera->Faults().Fail_Request(failed.Request_Number(53 + 32 + 8), Failure_Result(7, 7));
    EXPECT_EQ(failed.Download(), 1);
}

TEST(Flash_Download, TakesOnlyChunkLengthsThatDivideTheSectorAndEndsAtExactly100) {
    for (std::uint32_t answer : {0u, 1000u, 8192u, 3u}) {
        Flash_Camera rig("SPCA2620", answer);
        EXPECT_EQ(rig.Download(), -1) << answer;
        const auto requests = rig.Requests();
        EXPECT_TRUE(
            std::none_of(requests.begin(), requests.end(), [](const auto& r) { return r.Selector == 13; }));
        EXPECT_EQ(rig.Flash(), rig.old_contents);
    }
    Flash_Camera halves("SPCA2620", 2048);
    float progress = 0;
    EXPECT_EQ(halves.Download(&progress), 0);
    EXPECT_EQ(halves.protocol->Schedule_Steps, 2 + 16 + 2 * 32 + 1u);
    EXPECT_EQ(progress, 100.0f);
    EXPECT_EQ(halves.Flash(0, 0x10000), Padded(halves.image, 0x10000));
    // A length answered past 16 bits: the host moves its low 16 bits, and the chip takes them.
    Flash_Camera wide("SPCA2620", 0x10400);
    EXPECT_EQ(wide.Download(), 0);
    EXPECT_EQ(wide.Flash(0, 0x10000), Padded(wide.image, 0x10000));
    // Every accepted length on every family: only the last step shows 100.
    for (const Chip_Family* family : Chip_Families) {
        for (std::uint32_t length = 1; length <= 4096; length *= 2) {
            const std::uint32_t total = Download_Step_Total(*family, length);
            float before = 0;
            for (std::uint32_t step = 3; step < total; ++step) {
                const float percent = Download_Schedule_Percent(*family, step, total);
                ASSERT_TRUE(percent < 100.0f && percent >= before)
                    << family->Name << " " << length << " " << step;
                before = percent;
            }
            EXPECT_EQ(Download_Schedule_Percent(*family, total, total), 100.0f)
                << family->Name << " " << length;
        }
    }
}

// The request of `campaign`'s clean download that read chunk `chunk` back: in its check, or
// in the region's last read.
std::uint64_t Data_Read(const test::Campaign_Camera& campaign, std::uint32_t chunk, bool last_read) {
    std::vector<std::uint64_t> reads;
    const auto& clean = campaign.Clean();
    for (std::uint64_t number = 1; number <= clean.size(); ++number) {
        if (clean[number - 1].Selector == 15 && clean[number - 1].Code == Request_Code::Get_Cur)
            reads.push_back(number);
    }
    const std::uint32_t chunks = campaign.Region() / clean[reads.back() - 1].Length;
    return reads[reads.size() - (last_read ? 1 : 2) * chunks + chunk];
}

platform::simulated::Planned_Fault At(std::uint64_t number, platform::simulated::Fault_Action action) {
    return {platform::simulated::Planned_Fault::Match::Request, number, 0, std::nullopt, action};
}

using Fault_Kind = platform::simulated::Fault_Action::Kind;

// Chunk 2 read back wrong in its check or in the region's last read, by its last byte only or
// by a failure other than -1 that left the buffer as it was filled: either way the check fails
// at the first wrong byte (1-based) and piece 0 is wiped.
TEST(Flash_Download, AChunkReadBackWrongOnlyAtItsLastByteOrByAFailureFailsItsCheck) {
    const test::Silenced_Stderr quiet;
    for (const Download_Case& family : Download_Cases) {
        test::Campaign_Camera campaign(family.Family);
        const std::uint32_t length = family.Region / family.Chunks;
        const std::tuple<bool, platform::simulated::Fault_Action, int> cases[] = {
            {false, {Fault_Kind::Flip_Byte, 0, length - 1}, static_cast<int>(length)},
            {true, {Fault_Kind::Flip_Byte, 0, length - 1}, static_cast<int>(length)},
            {true, {Fault_Kind::Fail, Failure_Result(3, 3), 0}, 1},
        };
        for (const auto& [last_read, action, result] : cases) {
            const auto outcome = campaign.Run({At(Data_Read(campaign, 2, last_read), action)});
            EXPECT_EQ(outcome.Result, result) << family.Family << " " << last_read;
            EXPECT_LT(outcome.Progress, 100.0f);
            EXPECT_EQ(campaign.Rig().Flash(0, 0x1000), Bytes(0x1000, 0xFF));
        }
    }
}

// Every accepted chunk length shorter than a word: a read-back that delivers nothing fails, in
// the chunk's check and in the region's last read, even right after a chunk of the same bytes
// (whose bytes the buffer still holds).
TEST(Flash_Download, AReadBackThatDeliversNothingFailsAtEveryShortChunkLength) {
    const test::Silenced_Stderr quiet;
    for (std::uint32_t length = 1; length < 8; ++length) {
        if (!Chunk_Length_Accepted(length))
            continue;
        const Bytes image = Padded(test::Firmware_Image("SPCA2620"), 0x10000);
        std::uint32_t chunk = 1;
        while (!std::equal(image.begin() + chunk * length, image.begin() + (chunk + 1) * length,
                           image.begin() + (chunk - 1) * length))
            ++chunk;
        // 51 preparation and 32 erase requests, eight per chunk, then four per chunk again.
        const std::uint32_t chunks = 0x10000 / length;
        for (const std::uint64_t read : {51 + 32 + chunk * 8 + 8u, 51 + 32 + chunks * 8 + chunk * 4 + 4u}) {
            Flash_Camera rig("SPCA2620", length);
            rig.host.backend->Log().Keep_Request_Data(false);
            rig.camera->Faults().Ignore_Request(rig.Request_Number(read));
            EXPECT_EQ(rig.Download(), 1) << length << " " << read;
            EXPECT_EQ(rig.Flash(0, 0x1000), Bytes(0x1000, 0xFF));
        }
    }
}

// The sanitizer builds run many times slower: they take every Nth position of the sweep, a
// different one for each fault, so that together the faults still reach every kind of request.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::uint64_t Position_Stride = 17;
#else
constexpr std::uint64_t Position_Stride = 1;
#endif

class Fault_Campaign : public testing::TestWithParam<const char*> {};

// Every request of a whole download meets every single fault in turn; no such run ends in
// success (or a final 100) unless the flash holds the image, a lost data write or an unplug
// never does, and no run changes the flash past the image's region.
TEST_P(Fault_Campaign, NoSingleFaultEndsInSuccessUnlessTheFlashHoldsTheImage) {
    test::Campaign_Camera campaign(GetParam());
    const test::Silenced_Stderr quiet;
    const auto& clean = campaign.Clean();
    std::size_t runs = 0;
    std::size_t failures = 0;
    for (std::uint64_t number = 1; number <= clean.size(); ++number) {
        const Event& request = clean[number - 1];
        const bool data_write = request.Selector == 15 && request.Code == Request_Code::Set_Cur;
        const auto faults = test::Faults_For(request, number);
        for (std::size_t which = 0; which < faults.size(); ++which) {
            if ((number + which) % Position_Stride != 0)
                continue;
            const test::Campaign_Outcome outcome = campaign.Run({faults[which]});
            ++runs;
            const bool lost = data_write || test::Unplugs(faults[which]);
            if (outcome.Kept() && !(outcome.Result == 0 && lost))
                continue;
            if (++failures > 10)
                continue; // the first ones tell the story
            ADD_FAILURE() << GetParam() << ": request " << number << " (" << Describe(request) << "), fault "
                          << which << ": " << test::Describe_Outcome(outcome);
        }
    }
    EXPECT_EQ(failures, 0u) << "downloads that broke a rule";
    std::printf("%s: %zu downloads, each with one fault\n", GetParam(), runs);
}

INSTANTIATE_TEST_SUITE_P(Every_Family, Fault_Campaign,
                         testing::Values("SPCA2620", "SPCA2281", "SPCA2085", "SPCA2092", "SPCA2650",
                                         "SPCA2282"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
