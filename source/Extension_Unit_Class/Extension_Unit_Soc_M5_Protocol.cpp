#include "Extension_Unit_Class/Extension_Unit_Soc_M5_Protocol.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Pacing_Clock.h"

namespace {

constexpr std::uint16_t File_Channel_Selector = 8;
constexpr std::uint16_t Soc_Unit_Field = 4;
// What a length query leaves when it fails: a length too small for a file-operation block.
constexpr std::uint32_t Unanswered_Control_Length = 512;

constexpr std::size_t Block_Size = 4096;
constexpr std::size_t Payload_Offset = 12;
constexpr std::size_t Payload_Size = Block_Size - Payload_Offset; // 4084
constexpr std::size_t Path_Field_Size = 512;
constexpr std::size_t Max_Path_Length = Path_Field_Size - 1; // the field keeps a NUL
constexpr std::size_t Value_Offset = Payload_Offset + Path_Field_Size;
constexpr std::size_t Op_Offset = Value_Offset + 4;
constexpr std::uint32_t File_Operation_Length = 520; // path, value and op

constexpr std::uint32_t Kind_File_Data = 8;
constexpr std::uint32_t Kind_Shell_Command = 128;
constexpr std::uint32_t Kind_File_Operation = 133;

constexpr std::uint32_t Op_Get_Size = 0x80;
constexpr std::uint32_t Op_Read = 0x100;
constexpr std::uint32_t Op_Create = 0x807;
constexpr std::uint32_t Op_Close = 0x407;

constexpr const char* Archive_Path = "/tmp/update.tar";
constexpr const char* Unpack_Command = "tar -xvf /tmp/update.tar -C /tmp/";
constexpr const char* Update_Command = "sh /tmp/update/update.sh";
constexpr const char* Result_Path = "/tmp/update/result.txt";
constexpr std::uint32_t Success_Result_Size = 5;
constexpr int Result_Polls = 21;
// The result file decides by its size alone; more of it than this is never read.
constexpr std::uint32_t Max_Result_Read = 4096;

using Block = std::array<std::uint8_t, Block_Size>;

void Put_U32(Block& block, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        block[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get_U32(const Block& block, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(block[offset + i]) << (8 * i);
    return value;
}

// A block of `kind` whose payload starts with `payload` (at most 4084 bytes).
Block Command_Block(std::uint32_t kind, std::uint32_t arg, std::uint32_t length,
                    std::span<const std::uint8_t> payload) {
    Block block{};
    Put_U32(block, 0, kind);
    Put_U32(block, 4, arg);
    Put_U32(block, 8, length);
    std::copy(payload.begin(), payload.end(), block.begin() + Payload_Offset);
    return block;
}

std::span<const std::uint8_t> Bytes_Of(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// `path` has passed Path_Fits.
Block File_Operation(std::string_view path, std::uint32_t value, std::uint32_t op) {
    Block block = Command_Block(Kind_File_Operation, 0, File_Operation_Length, Bytes_Of(path));
    Put_U32(block, Value_Offset, value);
    Put_U32(block, Op_Offset, op);
    return block;
}

// The length of `text`, counting no further than `limit`: the text may end nowhere near.
std::size_t Bounded_Length(const char* text, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && text[length] != '\0')
        ++length;
    return length;
}

// A path that fits its field with the NUL that ends it.
bool Path_Fits(const char* path) {
    return path && Bounded_Length(path, Max_Path_Length + 1) <= Max_Path_Length;
}

// The control's length; 512 when the query fails.
std::uint32_t Query_Length(ExtUnit& unit) {
    Ext_Unit_Request request =
        Ext_Unit_Request::Get_Len(File_Channel_Selector, Soc_Unit_Field, Unanswered_Control_Length);
    unit.Send_Request(&request);
    return request.Inline_Data;
}

int Send_Block(ExtUnit& unit, const Block& block) {
    Ext_Unit_Request request =
        Ext_Unit_Request::Set_Cur(File_Channel_Selector, Soc_Unit_Field, Block_Size, block.data());
    return unit.Send_Request(&request);
}

// The reply is zeroed first, so a failed read reads as zeros.
void Read_Reply(ExtUnit& unit, Block& reply) {
    reply.fill(0);
    Ext_Unit_Request request =
        Ext_Unit_Request::Get_Cur(File_Channel_Selector, Soc_Unit_Field, Block_Size, reply.data());
    unit.Send_Request(&request);
}

// A request the camera answers after looking the file up (size, create): it needs a second
// before it takes the block, and `answer_pause` before the answer is ready.
Block Ask(ExtUnit& unit, const Block& block, std::uint32_t answer_pause) {
    Query_Length(unit);
    platform::Sleep(1000);
    Query_Length(unit);
    platform::Sleep(1000);
    Send_Block(unit, block);
    platform::Sleep(answer_pause);
    Block reply;
    Read_Reply(unit, reply);
    return reply;
}

// A block whose transfer result is reported (close, shell command): sent only when the control
// is long enough for a file-operation block.
int Send_Checked_Block(ExtUnit& unit, const Block& block) {
    if (Query_Length(unit) < File_Operation_Length)
        return Result_Failed;
    Query_Length(unit);
    return Send_Block(unit, block);
}

} // namespace

Extension_Unit_Soc_M5_Protocol::Extension_Unit_Soc_M5_Protocol(Extension_Unit_Base_Class* device)
    : Refusing_Operations(device, "ZUNQ_SOC_550_0") {}

int Extension_Unit_Soc_M5_Protocol::Get_File_Size(const char* path, std::uint32_t* size) {
    if (!Path_Fits(path) || !size)
        return Result_Refused;
    if (!Device())
        return Result_Failed;
    *size = Get_U32(Ask(Device()->xu2, File_Operation(path, 0, Op_Get_Size), 500), 0);
    return static_cast<int>(*size);
}

int Extension_Unit_Soc_M5_Protocol::Read_File(const char* path, std::uint8_t* buffer, std::uint32_t length) {
    if (!Path_Fits(path) || (!buffer && length > 0))
        return Result_Refused;
    if (!Device())
        return Result_Failed;
    ExtUnit& unit = Device()->xu2;
    Query_Length(unit);
    Block block = File_Operation(path, 0, Op_Read);
    for (std::uint64_t offset = 0; offset < length; offset += Block_Size) {
        Put_U32(block, Value_Offset, static_cast<std::uint32_t>(offset));
        platform::Sleep(10);
        Query_Length(unit);
        platform::Sleep(10);
        Send_Block(unit, block);
        platform::Sleep(10);
        Block reply;
        Read_Reply(unit, reply);
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(Block_Size, length - offset));
        std::copy_n(reply.begin(), count, buffer + offset);
    }
    return 0;
}

int Extension_Unit_Soc_M5_Protocol::Create_File(const char* path, std::uint32_t size) {
    if (!Path_Fits(path))
        return Result_Refused;
    if (!Device())
        return Result_Failed;
    const Block reply = Ask(Device()->xu2, File_Operation(path, size, Op_Create), 50);
    // The camera echoes the request; the path it names is the file it opened.
    const auto* echoed = reinterpret_cast<const char*>(reply.data() + Payload_Offset);
    return std::string_view(echoed, Bounded_Length(echoed, Path_Field_Size)) == path ? 0 : Result_Failed;
}

int Extension_Unit_Soc_M5_Protocol::Write_File_Data(const std::uint8_t* data, std::uint32_t length) {
    if (!data && length > 0)
        return Result_Refused;
    if (!Device())
        return Result_Failed;
    ExtUnit& unit = Device()->xu2;
    Query_Length(unit);
    for (std::uint64_t offset = 0; offset < length; offset += Payload_Size) {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(Payload_Size, length - offset));
        const Block block = Command_Block(Kind_File_Data, static_cast<std::uint32_t>(offset), count,
                                          std::span(data + offset, count));
        Query_Length(unit);
        platform::Sleep(7);
        Send_Block(unit, block);
        platform::Sleep(15);
    }
    // The camera stores the last chunk before it takes the next request, also after none.
    platform::Sleep(50);
    return 0;
}

int Extension_Unit_Soc_M5_Protocol::Close_File(const char* path, std::uint32_t size) {
    if (!Path_Fits(path))
        return Result_Refused;
    if (!Device())
        return Result_Failed;
    return Send_Checked_Block(Device()->xu2, File_Operation(path, size, Op_Close));
}

int Extension_Unit_Soc_M5_Protocol::Run_Shell_Command(const char* command) {
    if (!command)
        return Result_Refused;
    const std::size_t length = Bounded_Length(command, Payload_Size + 1);
    if (length > Payload_Size)
        return Result_Refused;
    if (!Device())
        return Result_Failed;
    return Send_Checked_Block(Device()->xu2,
                              Command_Block(Kind_Shell_Command, 0, static_cast<std::uint32_t>(length),
                                            Bytes_Of(std::string_view(command, length))));
}

int Extension_Unit_Soc_M5_Protocol::Download_Firmware(const std::uint8_t* image, std::uint32_t length,
                                                      float* /*progress: the update reports none*/) {
    if (!image)
        return Result_Refused;
    if (!Device())
        return Result_Failed;
    // The transfer results are not judged one by one: the read-back below sees every failure.
    Create_File(Archive_Path, length);
    platform::Sleep(10);
    Write_File_Data(image, length);
    Close_File(Archive_Path, length);
    platform::Sleep(1000);

    // An update script run from a damaged archive can leave the camera unable to boot, so the
    // archive must read back as the image, byte for byte, before anything runs it.
    std::uint32_t stored_size = 0;
    Get_File_Size(Archive_Path, &stored_size);
    if (stored_size != length)
        return Result_Failed;
    std::vector<std::uint8_t> read_back(length);
    Read_File(Archive_Path, read_back.data(), length);
    if (!std::equal(read_back.begin(), read_back.end(), image))
        return Result_Failed;

    Run_Shell_Command(Unpack_Command);
    Run_Shell_Command(Update_Command);
    platform::Sleep(1000);

    // The update script leaves its result file when it is done; until then it has no size.
    std::uint32_t result_size = 0;
    for (int poll = 0; poll < Result_Polls && result_size < 1; ++poll) {
        Get_File_Size(Result_Path, &result_size);
        platform::Sleep(10);
    }
    if (result_size > 0) {
        std::vector<std::uint8_t> result(std::min(result_size, Max_Result_Read));
        Read_File(Result_Path, result.data(), static_cast<std::uint32_t>(result.size()));
    }
    return result_size == Success_Result_Size ? 0 : Result_Failed;
}
