#pragma once
// The file channel of the simulated system-on-chip camera: one control (selector 8) that takes
// 4096-byte command blocks (SET_CUR) and answers with 4096-byte replies (GET_CUR), over the
// camera's in-memory file system and shell. A block (little-endian):
//   0  u32 kind      133 file operation, 128 shell command, 8 file data
//   4  u32 arg       file data: the byte offset in the open file
//   8  u32 length    file operation: 520; shell command: the text's length; data: its bytes
//  12  payload       file operation: char[512] path, u32 value at 524, u32 op at 528
//                    (0x80 size, 0x100 read from offset `value`, 0x807 create, 0x407 close);
//                    shell command: the text; file data: the bytes
// Replies: the size in the first u32 (0 for no file), up to 4096 bytes of the file from the
// offset asked (zeros past its end), or for create the echo of the request. The camera keeps
// one open file: create opens it, data blocks write into it, close closes it. A block the
// camera cannot make sense of is refused as a device stalls a request, and changes nothing.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/simulated/Control_Selector.h"
#include "platform/simulated/Soc_File_System.h"
#include "platform/simulated/Soc_Shell.h"

namespace platform::simulated {

inline constexpr std::uint32_t Soc_File_Channel_Selector = 8;
inline constexpr std::uint32_t Soc_Block_Size = 4096;

// How a simulated system-on-chip camera behaves: its update script, and the faults of its file
// channel a scenario can ask for.
struct Soc_Camera_Scenario {
    // The size of the result file the update script leaves; none: it never leaves one.
    std::optional<std::uint32_t> Result_Size = 5;
    // How many size queries of the result file find nothing before it is there.
    std::uint32_t Result_After_Polls = 0;
    // What the file control's length query answers. Transfers must have this length, so a
    // camera reporting less than a block also refuses every block.
    std::uint32_t Control_Length = Soc_Block_Size;
    // Create mangles the path (its last character) and opens, and echoes, that other file.
    bool Echo_Wrong_Path = false;
    // Close flips a byte in the middle of the file written.
    bool Corrupt_Stored_Files = false;
    // The camera's store is full past this many bytes of a file: data beyond them is lost,
    // though its blocks are answered as taken (a store cut short).
    std::optional<std::uint32_t> Store_Limit = std::nullopt;
    // Every size query is answered with this, whatever the file holds (a size reply that lies).
    std::optional<std::uint32_t> Size_Reply = std::nullopt;
    // Create is refused: no file is opened and the reply is not changed.
    bool Fail_Create = false;
};

class Soc_File_Channel final : public Fixed_Width_Selector {
public:
    explicit Soc_File_Channel(const Soc_Camera_Scenario& scenario);

    Soc_File_System& Files() { return files_; }
    const std::vector<Shell_Run>& Shell_History() const { return shell_.History(); }

protected:
    HRESULT Get_Value(std::span<std::uint8_t> data) override;
    HRESULT Set_Value(std::span<const std::uint8_t> data) override;

private:
    HRESULT File_Operation(std::span<const std::uint8_t> block);
    HRESULT File_Data(std::uint32_t offset, std::uint32_t length, std::span<const std::uint8_t> payload);
    HRESULT Shell_Command(std::uint32_t length, std::span<const std::uint8_t> payload);

    bool echo_wrong_path_;
    bool corrupt_stored_files_;
    std::optional<std::uint32_t> store_limit_;
    std::optional<std::uint32_t> size_reply_;
    bool fail_create_;
    Soc_File_System files_;
    Soc_Shell shell_;
    std::optional<std::string> open_file_;
    std::vector<std::uint8_t> reply_;
};

} // namespace platform::simulated
