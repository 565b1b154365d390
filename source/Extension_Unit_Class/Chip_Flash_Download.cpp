// The verified firmware download of the chip families: whole-region erase, then write and
// read-back of every chunk, with progress.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "platform/Pacing_Clock.h"

namespace {

constexpr std::uint32_t Sector_Size = 4096;
// A chunk written or read back needs this long before the chip takes the next request.
constexpr std::uint32_t Chunk_Pause_Ms = 10;

bool Carries_Signature(const Image_Signature& signature, const std::uint8_t* image, std::uint32_t length) {
    // An image too short to hold the marker does not carry it (and is not read past its end).
    if (length < signature.Offset + 2)
        return false;
    const auto one_of = [](const std::array<std::uint8_t, 2>& values, std::uint8_t byte) {
        return std::find(values.begin(), values.end(), byte) != values.end();
    };
    return one_of(signature.First, image[signature.Offset]) &&
           one_of(signature.Second, image[signature.Offset + 1]);
}

// `length` bytes of `from`, each inverted, into `to`: a read-back buffer filled with them fails
// its check wherever a read delivers nothing. A word at a time (the buffers never overlap).
void Fill_With_Complement(const std::uint8_t* from, std::uint8_t* to, std::size_t length) {
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, from + i, 8);
        word = ~word;
        std::memcpy(to + i, &word, 8);
    }
    for (; i < length; ++i)
        to[i] = static_cast<std::uint8_t>(~from[i]);
}

// What one download holds for its whole run.
struct Download_Buffers {
    std::vector<std::uint8_t> Chunk;     // what the chunk being checked carried
    std::vector<std::uint8_t> Read_Back; // what came back
    std::vector<std::uint8_t> Staging;   // the image, padded with zeros to the region
};

std::unique_ptr<Download_Buffers> Make_Buffers(std::uint32_t region) {
    try {
        return std::unique_ptr<Download_Buffers>(new Download_Buffers{
            std::vector<std::uint8_t>(ISP_Piece_Size), std::vector<std::uint8_t>(ISP_Piece_Size),
            std::vector<std::uint8_t>(region)});
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The bytes around a failed check, then every differing place of the chunk.
void Log_Mismatch(int first, const std::vector<std::uint8_t>& written, const std::vector<std::uint8_t>& read,
                  std::uint16_t length) {
    const std::size_t row = static_cast<std::size_t>(first) / 16;
    Log_Printf("StrCmp error index[%d]\r\n", static_cast<int>(row + 1));
    // The row after the differing byte when it ends a row of 16; never past the buffers.
    const std::size_t begin = std::min(row * 16, written.size());
    const std::size_t end = std::min(begin + 16, written.size());
    for (std::size_t i = begin; i < end; ++i)
        Log_Printf("%02x ", written[i]);
    Log_Printf("\n");
    for (std::size_t i = begin; i < end; ++i)
        Log_Printf("%02x ", read[i]);
    Log_Printf("\r\n");
    for (std::size_t i = 0; i < length; ++i) {
        if (written[i] != read[i])
            Log_Printf("index[%d]:W:%02x R:%02x\r\n", static_cast<int>(i), written[i], read[i]);
    }
}

} // namespace

int Byte_Compare(const std::uint8_t* a, const std::uint8_t* b, int n) {
    // Nearly every check passes: the block compare tells that at once.
    if (n <= 0 || std::memcmp(a, b, static_cast<std::size_t>(n)) == 0)
        return 0;
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return i + 1;
    }
    return 0;
}

Download_Schedule Download_Schedule_Percent(const Chip_Family& family, std::uint32_t step,
                                            std::uint32_t step_total) {
    const double divisor = Download_Step_Total(family, Usual_Chunk_Length(family)) == step_total
                               ? family.Download.Step_Divisor
                               : step_total / 100.0;
    auto percent = static_cast<Download_Schedule>(static_cast<Download_Schedule>(step) / divisor);
    // The tool takes exactly 100 as success: only the last step may show it.
    if (step < step_total && percent >= 100.0f)
        percent = std::nextafter(100.0f, 0.0f);
    return percent;
}

void Extension_Unit_Chip_Protocol::Take_Download_Step(Download_Schedule* progress, std::uint32_t step_total) {
    ++Schedule_Steps;
    Schedule_Percent = Download_Schedule_Percent(family_, Schedule_Steps, step_total);
    std::fprintf(stderr, "DownLoad Schedule %f %%\r\n", static_cast<double>(Schedule_Percent));
    // Other threads watch the value while the download runs: one whole 32-bit store.
    if (progress)
        std::atomic_ref<Download_Schedule>(*progress).store(Schedule_Percent, std::memory_order_relaxed);
    if (family_.Download.Prints_Progress_Target)
        std::fputs(progress ? "pf_SCH is Not NULL!\r\n" : "pf_SCH is NULL!\r\n", stderr);
}

Download_Result_Code Extension_Unit_Chip_Protocol::Download_Firmware(const std::uint8_t* image,
                                                                     std::uint32_t length,
                                                                     Download_Schedule* progress) {
    const Chip_Download_Traits& traits = family_.Download;
    const Chip_Transfer_Traits& transfer = family_.Transfer;
    // None of these sends anything. An image of another chip is a wrong image whatever its
    // size; one of this chip's must fit the region it is burnt into.
    if (length == 0 || !image)
        return Result_Refused;
    if (!Carries_Signature(traits.Signature, image, length))
        return Result_Wrong_Image;
    if (length > traits.Region)
        return Result_Refused;
    auto buffers = Make_Buffers(traits.Region);
    if (!buffers)
        return Result_Failed;
    // Named references: the failed check's lambda captures them, which not every compiler the
    // project builds with allows for a structured binding.
    std::vector<std::uint8_t>& chunk = buffers->Chunk;
    std::vector<std::uint8_t>& read_back = buffers->Read_Back;
    std::vector<std::uint8_t>& staging = buffers->Staging;

    const bool opens_with_script = transfer.Before_Download != Flash_Register_Operation::None;
    // Until the chunk length is known the percents assume the family's usual one.
    std::uint32_t step_total = Download_Step_Total(family_, Usual_Chunk_Length(family_));
    Schedule_Steps = 0;
    if (!opens_with_script)
        EXTENSION_UNIT_LOG_LOCATION();
    Take_Download_Step(progress, step_total);
    if (opens_with_script) {
        Run_Flash_Register_Script(transfer.Before_Download);
        Take_Download_Step(progress, step_total);
        EXTENSION_UNIT_LOG_LOCATION();
    } else if (traits.Reads_Piece_0_First) {
        const int read = Read_ISP_Mem_Piece(0, read_back.data()); // only whether it can be read counts
        EXTENSION_UNIT_LOG_LOCATION();
        if (read < 0)
            return read;
        Take_Download_Step(progress, step_total);
    } else if (traits.Opening_Step) {
        Take_Download_Step(progress, step_total);
    }

    std::uint16_t chunk_length = 0;
    const int prepared = Prepare_Transfer(1, transfer.Fixed_Chunk_Length == 0, chunk_length);
    // Any length but a divisor of the sector is refused here, before anything is erased.
    if (prepared == Result_Failed || !Chunk_Length_Accepted(chunk_length)) {
        EXTENSION_UNIT_LOG_LOCATION();
        return Result_Failed;
    }
    step_total = Download_Step_Total(family_, chunk_length);
    Take_Download_Step(progress, step_total);
    const std::uint32_t chunk_count = traits.Region / chunk_length;
    if (traits.Traces_Chunks)
        Log_Value("Exe_Count", static_cast<int>(chunk_count));

    // Only the last sector's erase can stop the download: a sector that stayed unerased shows
    // in the read-back of its chunks.
    int erased = 0;
    for (std::uint32_t sector = 0; sector < traits.Region / Sector_Size; ++sector) {
        erased = Send_Sector_Erase(sector * Sector_Size);
        Take_Download_Step(progress, step_total);
    }
    if (traits.Traces_Chunks)
        EXTENSION_UNIT_LOG_LOCATION();
    if (erased == Result_Failed) {
        EXTENSION_UNIT_LOG_LOCATION();
        return Result_Failed;
    }

    // A failed check leaves the mismatch lines where the family traces them and piece 0 wiped:
    // without its header the camera never starts the half-checked image.
    const auto fail_check = [&](int first_wrong) {
        if (traits.Traces_Chunks)
            Log_Mismatch(first_wrong, chunk, read_back, chunk_length);
        std::vector<std::uint8_t>& wipe = staging;
        std::fill_n(wipe.begin(), ISP_Piece_Size, 0xFF);
        Write_ISP_Mem_Piece(0, wipe.data());
    };
    std::copy_n(image, length, staging.begin());
    for (std::uint32_t index = 0; index < chunk_count; ++index) {
        const std::uint32_t address = index * chunk_length;
        std::copy_n(staging.begin() + address, chunk_length, chunk.begin());
        const int written = Send_Chunk(Chunk_Direction::Write, address, chunk.data(), chunk_length,
                                       traits.Traces_Failed_Chunk_Requests);
        platform::Sleep(Chunk_Pause_Ms);
        Take_Download_Step(progress, step_total);
        if (written == Result_Failed) {
            EXTENSION_UNIT_LOG_LOCATION();
            return Result_Failed;
        }
        // Every byte starts out different from what was written, so a read that fills nothing
        // (or only part of the chunk) fails the check instead of passing on stale bytes.
        Fill_With_Complement(chunk.data(), read_back.data(), chunk_length);
        const int read = Send_Chunk(Chunk_Direction::Read, address, read_back.data(), chunk_length,
                                    traits.Traces_Failed_Chunk_Requests);
        platform::Sleep(Chunk_Pause_Ms);
        Take_Download_Step(progress, step_total);
        if (read == Result_Failed) {
            EXTENSION_UNIT_LOG_LOCATION();
            return Result_Failed;
        }
        if (traits.Traces_Chunks)
            Log_Value("index", static_cast<int>(index));
        const int first_wrong = Byte_Compare(read_back.data(), chunk.data(), chunk_length);
        if (first_wrong != 0) {
            fail_check(first_wrong);
            EXTENSION_UNIT_LOG_LOCATION();
            return first_wrong;
        }
    }

    // A chip that loses a request without a word can write a chunk over another's place and
    // read it back from there (both of the chunk's transfer addresses lost): its check passes
    // while its own place stays erased. So the whole region is read back once more before the
    // last step, the one that reports success; reads only, no step and no pause of their own.
    // This pass writes no index line per chunk (the trace of a success stays as the chunk
    // checks left it), so a chunk that fails here is named, in the chunk check's form: its
    // lines would otherwise follow the last chunk's index line.
    const auto name_failed_chunk = [&](std::uint32_t index) {
        if (traits.Traces_Chunks)
            Log_Value("index", static_cast<int>(index));
    };
    for (std::uint32_t index = 0; index < chunk_count; ++index) {
        const std::uint32_t address = index * chunk_length;
        std::copy_n(staging.begin() + address, chunk_length, chunk.begin());
        Fill_With_Complement(chunk.data(), read_back.data(), chunk_length);
        const int read = Send_Chunk(Chunk_Direction::Read, address, read_back.data(), chunk_length,
                                    traits.Traces_Failed_Chunk_Requests);
        if (read == Result_Failed) {
            name_failed_chunk(index);
            EXTENSION_UNIT_LOG_LOCATION();
            return Result_Failed;
        }
        const int first_wrong = Byte_Compare(read_back.data(), chunk.data(), chunk_length);
        if (first_wrong != 0) {
            name_failed_chunk(index);
            fail_check(first_wrong);
            EXTENSION_UNIT_LOG_LOCATION();
            return first_wrong;
        }
    }
    if (!opens_with_script)
        EXTENSION_UNIT_LOG_LOCATION();
    Take_Download_Step(progress, step_total);
    if (opens_with_script)
        EXTENSION_UNIT_LOG_LOCATION();
    return 0;
}
