// What a camera answers is outside input: a USB device can answer anything, and lose or refuse
// anything it is sent. A simulated camera of one family takes every answer to a get from the
// fuzz input (probe registers, flash identification bytes, transfer lengths, read-backs, the
// system-on-chip camera's file sizes, echoes and result file), and the fate of every set
// (register writes, opcodes, erases, transfer addresses, flash data, command blocks), while
// discovery identifies it and a download burns it. Nothing may crash or break a sanitizer
// rule, and a download reports success only when the flash holds the image (the
// system-on-chip camera: when it stores the archive).
//
// Input: a byte choosing the family, then for each request the camera receives, in order, a
// mode byte and its bytes. A get: 0 the chip's answer, 1 a failure (which one: the mode's upper
// bits), 2 the answer with the next bytes XORed into it, 3 the answer replaced by the next
// bytes (a length query's by four). A set: 1 a failure as for a get, with no effect on the
// chip; 2 answered as done but lost; anything else carried. Flash data read back are only ever
// XORed, so an answer can alter what the flash holds but not spell the image out. When the
// input ends the chip answers and carries everything.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_Soc_M5_Protocol.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Flash_Selectors.h"
#include "platform/simulated/Simulated_Soc_Camera.h"
#include "soc/Ustar_Writer.h"

namespace {

using namespace platform::simulated;
using Bytes = std::vector<std::uint8_t>;

void Require(bool condition) {
    if (!condition)
        std::abort();
}

constexpr std::array<const char*, 7> Families{"SPCA2620", "SPCA2281", "SPCA2085", "SPCA2092",
                                              "SPCA2650", "SPCA2282", "SOC_M5"};
const std::array<platform::HRESULT, 5> Failures{
    -1, platform::Hresult_From_Win32(platform::Win32_Error::Gen_Failure),
    platform::Hresult_From_Win32(platform::Win32_Error::Device_Not_Connected),
    platform::Hresult_From_Win32(platform::Win32_Error::Sem_Timeout),
    platform::Hresult_From_Win32(platform::Win32_Error::Invalid_Data)};

// The fuzz input, read as the camera answers.
class Answers {
public:
    explicit Answers(std::span<const std::uint8_t> input) : input_(input) {}

    void Change(Camera_Answer& answer) {
        if (answer.Code != Request_Code::Get_Cur && answer.Code != Request_Code::Get_Len)
            return;
        if (input_.empty())
            return;
        const std::uint8_t mode = Take();
        const bool length = answer.Code == Request_Code::Get_Len;
        switch (mode % 4) {
        case 1:
            answer.Result = Failures[(mode >> 2) % Failures.size()];
            answer.Bytes_Returned = 0;
            break;
        case 3:
            if (length) {
                answer.Result = platform::E_MORE_DATA;
                answer.Bytes_Returned = Take_Little_Endian(4);
                break;
            }
            if (answer.Selector != Flash_Data_Selector) {
                for (std::uint8_t& byte : answer.Data)
                    byte = input_.empty() ? byte : Take();
                answer.Result = platform::S_OK;
                answer.Bytes_Returned = static_cast<std::uint32_t>(answer.Data.size());
                break;
            }
            [[fallthrough]]; // flash data read back: XORed only
        case 2:
            if (length)
                answer.Bytes_Returned ^= Take_Little_Endian(2);
            for (std::uint8_t& byte : answer.Data)
                byte ^= Take();
            break;
        default:
            break;
        }
    }

    // What becomes of a set, before the chip sees it.
    std::optional<Fault_Action> Decide(std::uint32_t, std::span<const std::uint8_t>) {
        if (input_.empty())
            return std::nullopt;
        const std::uint8_t mode = Take();
        switch (mode % 4) {
        case 1:
            return Fault_Action{Fault_Action::Kind::Fail, Failures[(mode >> 2) % Failures.size()], 0};
        case 2:
            return Fault_Action{Fault_Action::Kind::Ignore, platform::S_OK, 0};
        default:
            return std::nullopt;
        }
    }

private:
    std::uint32_t Take_Little_Endian(unsigned bytes) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value |= Take() << (8 * i);
        return value;
    }
    std::uint32_t Take() {
        if (input_.empty())
            return 0;
        const std::uint8_t byte = input_.front();
        input_ = input_.subspan(1);
        return byte;
    }

    std::span<const std::uint8_t> input_;
};

// Older code the part holds at first: a lost erase or write shows.
const Bytes& Older_Code() {
    static const Bytes code = [] {
        Bytes bytes(512 * 1024);
        std::uint32_t state = 11;
        for (std::uint8_t& byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        return bytes;
    }();
    return code;
}

// An image carrying `family`'s mark, shorter than its region (the rest is burnt as zeros).
const Bytes& Image_For(const Chip_Family& family) {
    static std::vector<std::pair<const Chip_Family*, Bytes>> images;
    for (const auto& [known, image] : images) {
        if (known == &family)
            return image;
    }
    const Image_Signature& mark = family.Download.Signature;
    Bytes image(family.Download.Region - 0x1234);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    image[mark.Offset] = mark.First[0];
    image[mark.Offset + 1] = mark.Second[0];
    return images.emplace_back(&family, std::move(image)).second;
}

// A small update archive: its directory and script.
const Bytes& Update_Archive() {
    static const Bytes archive =
        test::Write_Ustar({{"update/", "", '5'}, {"update/update.sh", "#!/bin/sh\n./flash app.bin\n"}});
    return archive;
}

// The library's console lines (a download's step, an identification's bytes) go nowhere; the
// sanitizers and the fuzzer write to the descriptors, not through these streams, so their
// reports still show.
struct Quiet_Console {
    std::FILE* saved_out = stdout;
    std::FILE* saved_error = stderr;
    std::FILE* null = std::fopen("/dev/null", "w");
    Quiet_Console() {
        if (null)
            stdout = stderr = null;
    }
    ~Quiet_Console() {
        stdout = saved_out;
        stderr = saved_error;
        if (null)
            std::fclose(null);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view family = Families[data[0] % Families.size()];
    auto backend = std::make_shared<Simulated_Backend>();
    const platform::Scoped_Backend installed(backend);
    auto desc = Chip_Camera("cam0", family, family == "SPCA2092" ? "G3@2+G10@3" : "direct");
    desc.Flash.emplace();
    desc.Flash->Jedec_Id = {0xC8, 0x40, 0x13};
    desc.Flash->Manufacturer_Device_Id = {0xC8, 0x12};
    desc.Flash->Electronic_Signature = {0x12};
    desc.Flash->Contents = Older_Code();
    const auto camera = Add_Chip_Camera(*backend, desc);
    Require(camera != nullptr);
    Answers answers({data + 1, size - 1});
    camera->Change_Answers([&answers](Camera_Answer& answer) { answers.Change(answer); });
    camera->Decide_Sets([&answers](std::uint32_t selector, std::span<const std::uint8_t> data) {
        return answers.Decide(selector, data);
    });

    const Quiet_Console quiet;
    Device_List* list = Device_List_Create();
    const int count = Device_List_Refresh(list);
    for (int i = 0; i < count; ++i) {
        Extension_Unit_Base_Protocol* protocol =
            Device_List_Get_Protocol(list, static_cast<std::uint32_t>(i));
        const auto* chip = dynamic_cast<Extension_Unit_Chip_Protocol*>(protocol);
        const bool soc = dynamic_cast<Extension_Unit_Soc_M5_Protocol*>(protocol) != nullptr;
        const Bytes& image = soc ? Update_Archive() : Image_For(chip ? chip->Family() : SPCA2620_Family);
        float progress = 0;
        Protocol_Get_Flash_Model(protocol);
        const int result = Protocol_Download_Firmware(protocol, image.data(),
                                                      static_cast<std::uint32_t>(image.size()), &progress);
        if (result != 0)
            continue;
        if (chip) {
            const Bytes& flash = camera->Flash().Part()->Contents();
            const std::size_t region = chip->Family().Download.Region;
            Require(std::equal(image.begin(), image.end(), flash.begin()));
            Require(std::all_of(flash.begin() + static_cast<std::ptrdiff_t>(image.size()),
                                flash.begin() + static_cast<std::ptrdiff_t>(region),
                                [](std::uint8_t byte) { return byte == 0; }));
        } else {
            Require(soc);
            auto* channel =
                dynamic_cast<Soc_File_Channel*>(camera->Units().Find(3, Soc_Node_3_Unit_Guid)->Find(8));
            Require(channel != nullptr);
            const Soc_File_System::Bytes* stored = channel->Files().Find("/tmp/update.tar");
            Require(stored != nullptr && *stored == image);
        }
    }
    Device_List_Release(list);
    return 0;
}
