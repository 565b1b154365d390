#include "platform/simulated/Scenario.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <new>
#include <set>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/Regular_File.h"
#include "platform/simulated/Simulated_Usb_Tree.h"

namespace platform::simulated {

namespace {

using Json = nlohmann::json;

constexpr std::uint64_t Largest_Flash = 16u << 20;
// Every flash part is held in memory whole from the start: the parts of all cameras together
// stay within this.
constexpr std::uint64_t Largest_Total_Flash = 256u << 20;
constexpr std::uint64_t Smallest_Flash = 4096;
constexpr std::size_t Usb_String_Units = 126; // what a string descriptor can hold, in UTF-16 units
constexpr std::size_t Longest_Text = 4096;
constexpr std::size_t Largest_File = 1u << 20;
constexpr std::uint32_t Default_Root_Hub_Ports = 4;
constexpr std::uint64_t Longest_Absence_Ms = 3'600'000; // an hour

// The first error met, with the place in the file it belongs to, and the directory the
// files a scenario names are read from and written to (none: text not read from a file, which
// may name no file).
class Checker {
public:
    std::optional<std::filesystem::path> Directory;
    std::uint64_t Flash_Bytes = 0; // the flash parts read so far, together

    bool Fail(const std::string& where, const std::string& message) {
        if (error_.empty())
            error_ = where + ": " + message;
        return false;
    }
    const std::string& Error() const { return error_; }

private:
    std::string error_;
};

std::string At(const std::string& where, std::string_view key) {
    return where.empty() ? std::string(key) : where + "." + std::string(key);
}

std::string At(const std::string& where, std::size_t index) {
    return where + "[" + std::to_string(index) + "]";
}

bool Check_Keys(Checker& check, const Json& object, const std::string& where,
                std::initializer_list<std::string_view> allowed) {
    if (!object.is_object())
        return check.Fail(where, "expected an object");
    for (const auto& [key, value] : object.items()) {
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
            return check.Fail(At(where, key), "unknown key");
    }
    return true;
}

const Json* Member(const Json& object, std::string_view key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// A number written as a JSON whole number, or as text: "0x" and hex digits, or decimal digits.
std::optional<std::uint64_t> Number_Of(const Json& value) {
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>();
    if (value.is_number_integer() && value.get<std::int64_t>() >= 0)
        return static_cast<std::uint64_t>(value.get<std::int64_t>());
    if (!value.is_string())
        return std::nullopt;
    const std::string& text = value.get_ref<const std::string&>();
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? std::string_view(text).substr(2) : std::string_view(text);
    if (digits.empty() || digits.size() > (hex ? 8u : 10u))
        return std::nullopt;
    std::uint64_t number = 0;
    for (char c : digits) {
        const int digit = hex ? Hex_Digit_Value(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        number = number * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    }
    return number;
}

template <typename Number>
bool Read_Number(Checker& check, const Json& value, const std::string& where, std::uint64_t least,
                 std::uint64_t most, Number& out) {
    const auto number = Number_Of(value);
    if (!number || *number < least || *number > most) {
        return check.Fail(where, "expected a whole number from " + std::to_string(least) + " to " +
                                     std::to_string(most) + " (decimal, or text like \"0x1F\")");
    }
    out = static_cast<Number>(*number);
    return true;
}

template <typename Number>
bool Read_Optional_Number(Checker& check, const Json& object, const std::string& where, std::string_view key,
                          std::uint64_t least, std::uint64_t most, Number& out) {
    const Json* value = Member(object, key);
    return !value || Read_Number(check, *value, At(where, key), least, most, out);
}

// UTF-16 units the text takes (parsing has checked that it is UTF-8).
std::size_t Utf16_Units(std::string_view text) {
    std::size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

bool Read_Text(Checker& check, const Json& object, const std::string& where, std::string_view key,
               std::string& out, std::size_t most = Longest_Text) {
    const Json* value = Member(object, key);
    if (!value)
        return true;
    if (!value->is_string())
        return check.Fail(At(where, key), "expected text");
    const std::string& text = value->get_ref<const std::string&>();
    if (text.size() > most || text.find('\0') != std::string::npos)
        return check.Fail(At(where, key),
                          "expected text of at most " + std::to_string(most) + " bytes, no NUL");
    out = text;
    return true;
}

bool Read_Usb_String(Checker& check, const Json& object, const std::string& where, std::string_view key,
                     std::string& out) {
    if (!Read_Text(check, object, where, key, out))
        return false;
    if (Utf16_Units(out) > Usb_String_Units) {
        return check.Fail(At(where, key),
                          "a USB string holds at most " + std::to_string(Usb_String_Units) + " UTF-16 units");
    }
    return true;
}

// Bytes written as hex text, "C8 40 13".
bool Read_Bytes(Checker& check, const Json& value, const std::string& where, std::size_t least,
                std::size_t most, std::vector<std::uint8_t>& out) {
    const auto fail = [&] {
        return check.Fail(where, "expected " + std::to_string(least) + " to " + std::to_string(most) +
                                     " hex bytes separated by spaces, like \"C8 40 13\"");
    };
    if (!value.is_string())
        return fail();
    std::vector<std::uint8_t> bytes;
    const std::string& text = value.get_ref<const std::string&>();
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        const int high = Hex_Digit_Value(text[at]);
        const int low = at + 1 < text.size() ? Hex_Digit_Value(text[at + 1]) : -1;
        const bool ends = at + 2 >= text.size() || text[at + 2] == ' ';
        if (high < 0 || low < 0 || !ends || bytes.size() == most)
            return fail();
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
        at += 2;
    }
    if (bytes.size() < least)
        return fail();
    out = std::move(bytes);
    return true;
}

// A file the scenario names, relative to the scenario file's directory.
bool Read_Path(Checker& check, const Json& object, const std::string& where, std::string_view key,
               std::string& path) {
    if (!Member(object, key))
        return true;
    std::string text;
    if (!Read_Text(check, object, where, key, text))
        return false;
    if (text.empty())
        return check.Fail(At(where, key), "expected a file name");
    if (!check.Directory)
        return check.Fail(At(where, key), "files are named only in a scenario file");
    path = (*check.Directory / text).string();
    return true;
}

bool Read_Flash(Checker& check, const Json& object, const std::string& where, Flash_Part_Identity& flash) {
    if (!Check_Keys(check, object, where,
                    {"name", "jedec", "id_90", "id_ab", "size", "status", "contents", "save_to"}))
        return false;
    if (!Read_Text(check, object, where, "name", flash.Name))
        return false;
    if (const Json* jedec = Member(object, "jedec")) {
        std::vector<std::uint8_t> bytes;
        if (!Read_Bytes(check, *jedec, At(where, "jedec"), 3, 3, bytes))
            return false;
        std::copy(bytes.begin(), bytes.end(), flash.Jedec_Id.begin());
    }
    if (const Json* id = Member(object, "id_90");
        id && !Read_Bytes(check, *id, At(where, "id_90"), 1, 8, flash.Manufacturer_Device_Id))
        return false;
    if (const Json* id = Member(object, "id_ab");
        id && !Read_Bytes(check, *id, At(where, "id_ab"), 1, 8, flash.Electronic_Signature))
        return false;
    if (!Read_Optional_Number(check, object, where, "size", Smallest_Flash, Largest_Flash, flash.Size))
        return false;
    if ((flash.Size & (flash.Size - 1)) != 0)
        return check.Fail(At(where, "size"), "a flash part's size is a power of two");
    check.Flash_Bytes += flash.Size;
    if (check.Flash_Bytes > Largest_Total_Flash)
        return check.Fail(At(where, "size"), "the cameras' flash parts take more than " +
                                                 std::to_string(Largest_Total_Flash >> 20) +
                                                 " MiB together, more than a simulation holds");
    std::string contents;
    if (!Read_Optional_Number(check, object, where, "status", 0, 0xFF, flash.Status) ||
        !Read_Path(check, object, where, "contents", contents) ||
        !Read_Path(check, object, where, "save_to", flash.Save_Path))
        return false;
    std::string error;
    if (!contents.empty() && !Read_Flash_Contents_File(contents, flash.Size, flash.Contents, error))
        return check.Fail(At(where, "contents"), error);
    // Said now rather than when the simulation ends and nobody is left to hear it.
    if (const std::string refusal = Not_A_Regular_File(flash.Save_Path.c_str()); !refusal.empty())
        return check.Fail(At(where, "save_to"), flash.Save_Path + " " + refusal);
    return true;
}

// A failure result: a negative JSON number, or text of the result's 32 bits ("0x8007001F").
std::optional<HRESULT> Failure_Of(const Json& value) {
    if (value.is_number_integer()) {
        const std::int64_t number = value.get<std::int64_t>();
        if (number < 0 && number >= INT32_MIN)
            return static_cast<HRESULT>(number);
        return std::nullopt;
    }
    const auto bits = value.is_string() ? Number_Of(value) : std::nullopt;
    if (!bits || *bits > UINT32_MAX)
        return std::nullopt;
    const auto result = static_cast<HRESULT>(static_cast<std::uint32_t>(*bits));
    return result < 0 ? std::optional(result) : std::nullopt;
}

// A planned fault: which requests ("request", "selector" with an optional "code", or
// "unplug_after") and, but for an unplugged camera, what they meet ("fail", "ignore" or
// "flip_byte").
bool Read_Fault(Checker& check, const Json& object, const std::string& where, Planned_Fault& fault) {
    if (!Check_Keys(check, object, where,
                    {"request", "selector", "code", "unplug_after", "fail", "ignore", "flip_byte"}))
        return false;
    using Match = Planned_Fault::Match;
    using Kind = Fault_Action::Kind;
    const auto count = [&](std::initializer_list<std::string_view> keys) {
        return std::count_if(keys.begin(), keys.end(),
                             [&](std::string_view key) { return Member(object, key); });
    };
    if (count({"request", "selector", "unplug_after"}) != 1)
        return check.Fail(where, "expected one of \"request\", \"selector\" and \"unplug_after\"");
    const bool unplug = Member(object, "unplug_after") != nullptr;
    if (count({"fail", "ignore", "flip_byte"}) != (unplug ? 0 : 1))
        return check.Fail(where, unplug ? "an unplugged camera fails every later request"
                                        : "expected one of \"fail\", \"ignore\" and \"flip_byte\"");
    fault.Which = unplug                       ? Match::Unplug_After
                  : Member(object, "selector") ? Match::Selector
                                               : Match::Request;
    if (unplug)
        fault.Action = {Kind::Fail, Unplugged_Result, 0};
    if (!Read_Optional_Number(check, object, where, "request", 1, UINT32_MAX, fault.Number) ||
        !Read_Optional_Number(check, object, where, "unplug_after", 0, UINT32_MAX, fault.Number) ||
        !Read_Optional_Number(check, object, where, "selector", 0, 0xFFFF, fault.Selector))
        return false;
    if (const Json* code = Member(object, "code")) {
        static const std::map<std::string, Request_Code, std::less<>> codes{
            {"GET_CUR", Request_Code::Get_Cur},
            {"SET_CUR", Request_Code::Set_Cur},
            {"GET_LEN", Request_Code::Get_Len}};
        const auto found = code->is_string() ? codes.find(code->get<std::string>()) : codes.end();
        if (fault.Which != Match::Selector || found == codes.end())
            return check.Fail(At(where, "code"),
                              "a selector's faults take \"GET_CUR\", \"SET_CUR\" or \"GET_LEN\"");
        fault.Code = found->second;
    }
    if (const Json* fail = Member(object, "fail")) {
        const auto result = Failure_Of(*fail);
        if (!result)
            return check.Fail(At(where, "fail"),
                              "expected a failure result: a negative number, or text like \"0x8007001F\"");
        fault.Action = {Kind::Fail, *result, 0};
    }
    if (const Json* ignore = Member(object, "ignore")) {
        if (!ignore->is_boolean() || !ignore->get<bool>())
            return check.Fail(At(where, "ignore"), "expected true");
        fault.Action = {Kind::Ignore, S_OK, 0};
    }
    if (Member(object, "flip_byte")) {
        fault.Action.What = Kind::Flip_Byte;
        return Read_Optional_Number(check, object, where, "flip_byte", 0, 0xFFFF, fault.Action.Position);
    }
    return true;
}

bool Read_Faults(Checker& check, const Json& list, const std::string& where,
                 std::vector<Planned_Fault>& faults) {
    if (!list.is_array())
        return check.Fail(where, "expected a list");
    for (std::size_t i = 0; i < list.size(); ++i) {
        faults.emplace_back();
        if (!Read_Fault(check, list[i], At(where, i), faults.back()))
            return false;
    }
    return true;
}

bool Read_Registers(Checker& check, const Json& object, const std::string& where,
                    std::vector<Register_Value>& registers) {
    if (!object.is_object())
        return check.Fail(where, "expected an object of register: value, like {\"0x20FF\": \"0xC9\"}");
    for (const auto& [key, value] : object.items()) {
        std::uint16_t address = 0;
        std::uint8_t byte = 0;
        if (!Read_Number(check, Json(key), At(where, key), 0, 0xFFFF, address) ||
            !Read_Number(check, value, At(where, key), 0, 0xFF, byte))
            return false;
        const bool twice =
            std::any_of(registers.begin(), registers.end(),
                        [address](const Register_Value& given) { return given.Address == address; });
        if (twice)
            return check.Fail(At(where, key), "the register is given twice");
        registers.push_back({address, byte});
    }
    return true;
}

// How long a camera that leaves stays away: milliseconds, or "never".
bool Read_Back_After(Checker& check, const Json& object, const std::string& where,
                     std::optional<std::uint64_t>& back_after_ms) {
    const Json* value = Member(object, "back_after_ms");
    if (!value)
        return check.Fail(At(where, "back_after_ms"), "missing");
    if (value->is_string() && value->get_ref<const std::string&>() == "never") {
        back_after_ms.reset();
        return true;
    }
    const auto number = Number_Of(*value);
    if (!number || *number > Longest_Absence_Ms)
        return check.Fail(At(where, "back_after_ms"), "expected milliseconds from 0 to " +
                                                          std::to_string(Longest_Absence_Ms) +
                                                          ", or \"never\"");
    back_after_ms = *number;
    return true;
}

// One way the camera leaves the host: a register write ("write") or its chip's restart
// ("restart"), with when it comes back and what its registers then hold.
bool Read_Leave(Checker& check, const Json& object, const std::string& where, Chip_Camera_Description& chip) {
    if (!Check_Keys(check, object, where, {"write", "restart", "back_after_ms", "registers"}))
        return false;
    const Json* write = Member(object, "write");
    const Json* restart = Member(object, "restart");
    if ((write != nullptr) == (restart != nullptr))
        return check.Fail(where, "expected one of \"write\" and \"restart\"");
    Reconnection reconnection;
    if (!Read_Back_After(check, object, where, reconnection.Back_After_Ms))
        return false;
    if (const Json* registers = Member(object, "registers");
        registers && !Read_Registers(check, *registers, At(where, "registers"), reconnection.Registers))
        return false;
    const Simulated_Chip_Family& family = *chip.Family;
    if (restart) {
        if (!restart->is_boolean() || !restart->get<bool>())
            return check.Fail(At(where, "restart"), "expected true");
        if (!family.Restart)
            return check.Fail(At(where, "restart"),
                              "the " + std::string(family.Name) + " family has no restart");
        if (chip.Restart_Reconnects)
            return check.Fail(At(where, "restart"), "the restart is given twice");
        chip.Restart_Reconnects = std::move(reconnection);
        return true;
    }
    std::vector<Register_Value> written;
    if (!Read_Registers(check, *write, At(where, "write"), written))
        return false;
    if (written.size() != 1)
        return check.Fail(At(where, "write"), "expected one register write, like {\"0x20D8\": \"0x5A\"}");
    const Restart_Trigger trigger{written[0].Address, written[0].Value};
    const auto same = [&](const Restart_Trigger& other) {
        return other.Address == trigger.Address && other.Value == trigger.Value;
    };
    if (family.Restart && same(*family.Restart))
        return check.Fail(At(where, "write"), "that write restarts the chip: use \"restart\"");
    if (std::any_of(chip.Leave_Writes.begin(), chip.Leave_Writes.end(),
                    [&](const Leave_Write& given) { return same(given.Write); }))
        return check.Fail(At(where, "write"), "the write is given twice");
    chip.Leave_Writes.push_back({trigger, std::move(reconnection)});
    return true;
}

bool Read_Leaves(Checker& check, const Json& list, const std::string& where, Chip_Camera_Description& chip) {
    if (!list.is_array())
        return check.Fail(where, "expected a list");
    if (chip.Family->File_Channel)
        return check.Fail(where, "the " + std::string(chip.Family->Name) + " family does not leave the host");
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!Read_Leave(check, list[i], At(where, i), chip))
            return false;
    }
    return true;
}

bool Read_Usb(Checker& check, const Json& object, const std::string& where, Scenario_Usb& usb) {
    if (!Check_Keys(check, object, where,
                    {"vid", "pid", "bcd", "manufacturer", "product", "serial", "hub", "port"}))
        return false;
    for (std::string_view required : {"vid", "pid", "hub", "port"}) {
        if (!Member(object, required))
            return check.Fail(At(where, required), "missing");
    }
    return Read_Optional_Number(check, object, where, "vid", 0, 0xFFFF, usb.Vid) &&
           Read_Optional_Number(check, object, where, "pid", 0, 0xFFFF, usb.Pid) &&
           Read_Optional_Number(check, object, where, "bcd", 0, 0xFFFF, usb.Bcd) &&
           Read_Usb_String(check, object, where, "manufacturer", usb.Manufacturer) &&
           Read_Usb_String(check, object, where, "product", usb.Product) &&
           Read_Usb_String(check, object, where, "serial", usb.Serial) &&
           Read_Text(check, object, where, "hub", usb.Hub, 255) &&
           Read_Optional_Number(check, object, where, "port", 1, 255, usb.Port);
}

bool Read_Flag(Checker& check, const Json& object, const std::string& where, std::string_view key,
               bool& flag) {
    const Json* value = Member(object, key);
    if (value && !value->is_boolean())
        return check.Fail(At(where, key), "expected true or false");
    flag = value ? value->get<bool>() : flag;
    return true;
}

// What a system-on-chip camera's update leaves and how its file channel fails.
bool Read_Soc(Checker& check, const Json& object, const std::string& where, Soc_Camera_Scenario& soc) {
    if (!Check_Keys(check, object, where,
                    {"result_size", "result_after_polls", "control_length", "echo_wrong_path",
                     "corrupt_stored_files", "store_limit", "size_reply", "fail_create"}))
        return false;
    const auto read_size = [&](std::string_view key, std::optional<std::uint32_t>& size) {
        const Json* value = Member(object, key);
        if (!value || value->is_null()) {
            size = value ? std::nullopt : size;
            return true;
        }
        size.emplace();
        return Read_Number(check, *value, At(where, key), 0, UINT32_MAX, *size);
    };
    return read_size("result_size", soc.Result_Size) &&
           Read_Optional_Number(check, object, where, "result_after_polls", 0, UINT32_MAX,
                                soc.Result_After_Polls) &&
           Read_Optional_Number(check, object, where, "control_length", 0, 0xFFFF, soc.Control_Length) &&
           Read_Flag(check, object, where, "echo_wrong_path", soc.Echo_Wrong_Path) &&
           Read_Flag(check, object, where, "corrupt_stored_files", soc.Corrupt_Stored_Files) &&
           read_size("store_limit", soc.Store_Limit) && read_size("size_reply", soc.Size_Reply) &&
           Read_Flag(check, object, where, "fail_create", soc.Fail_Create);
}

bool Read_Bind_Failure(Checker& check, const Json& object, const std::string& where, Bind_Failure& fails) {
    std::string text = "none";
    if (!Read_Text(check, object, where, "fails", text))
        return false;
    static const std::map<std::string, Bind_Failure, std::less<>> names{
        {"none", Bind_Failure::None}, {"filter", Bind_Failure::Filter}, {"control", Bind_Failure::Control}};
    const auto found = names.find(text);
    if (found == names.end())
        return check.Fail(At(where, "fails"), "expected \"none\", \"filter\" or \"control\"");
    fails = found->second;
    return true;
}

bool Read_Camera(Checker& check, const Json& object, const std::string& where, std::size_t index,
                 Scenario_Camera& camera) {
    if (!Check_Keys(check, object, where,
                    {"name", "family", "layout", "registers", "flash", "usb", "device_path", "friendly_name",
                     "description", "wave_in_id", "fails", "chunk_length", "faults", "leaves", "soc"}))
        return false;
    std::string name = "camera-" + std::to_string(index);
    std::string family;
    std::string layout = "direct";
    if (!Member(object, "family"))
        return check.Fail(At(where, "family"), "missing");
    if (!Read_Text(check, object, where, "name", name, 255) ||
        !Read_Text(check, object, where, "family", family) ||
        !Read_Text(check, object, where, "layout", layout))
        return false;
    camera.Chip = Chip_Camera(name, family, layout);
    if (!camera.Chip.Family)
        return check.Fail(At(where, "family"), "no chip family \"" + family + "\"");
    if (!camera.Chip.Layout)
        return check.Fail(At(where, "layout"), "no unit layout \"" + layout + "\"");
    if (camera.Chip.Layout->Own != Own_Units_Use::None && !camera.Chip.Family->Own_Units)
        return check.Fail(At(where, "layout"), "the " + family + " family has no units of its own");
    if (const Json* registers = Member(object, "registers");
        registers && !Read_Registers(check, *registers, At(where, "registers"), camera.Chip.Registers))
        return false;
    if (const Json* flash = Member(object, "flash")) {
        camera.Chip.Flash.emplace();
        if (!Read_Flash(check, *flash, At(where, "flash"), *camera.Chip.Flash))
            return false;
    }
    if (Member(object, "chunk_length")) {
        if (!camera.Chip.Family->Has_Flash())
            return check.Fail(At(where, "chunk_length"), "the " + family + " family moves no flash data");
        camera.Chip.Chunk_Length.emplace();
        if (!Read_Optional_Number(check, object, where, "chunk_length", 0, UINT32_MAX,
                                  *camera.Chip.Chunk_Length))
            return false;
    }
    if (const Json* faults = Member(object, "faults");
        faults && !Read_Faults(check, *faults, At(where, "faults"), camera.Chip.Faults))
        return false;
    if (const Json* leaves = Member(object, "leaves");
        leaves && !Read_Leaves(check, *leaves, At(where, "leaves"), camera.Chip))
        return false;
    if (const Json* soc = Member(object, "soc")) {
        if (!camera.Chip.Family->File_Channel)
            return check.Fail(At(where, "soc"), "the " + family + " family has no file channel");
        if (!Read_Soc(check, *soc, At(where, "soc"), camera.Chip.Soc))
            return false;
    }
    const Json* usb = Member(object, "usb");
    if (!usb)
        return check.Fail(At(where, "usb"), "missing");
    if (!Read_Usb(check, *usb, At(where, "usb"), camera.Usb))
        return false;

    Video_Input_Identity& video = camera.Video;
    video.Friendly_Name = name;
    if (!Read_Text(check, object, where, "device_path", video.Device_Path) ||
        !Read_Text(check, object, where, "friendly_name", video.Friendly_Name) ||
        !Read_Text(check, object, where, "description", video.Description) ||
        !Read_Bind_Failure(check, object, where, video.Fails))
        return false;
    if (Member(object, "wave_in_id")) {
        int wave_in = 0;
        if (!Read_Optional_Number(check, object, where, "wave_in_id", 0, 0xFFFF, wave_in))
            return false;
        video.Wave_In_Id = wave_in;
    }
    return true;
}

bool Read_Hub(Checker& check, const Json& object, const std::string& where, Scenario_Hub& hub) {
    if (!Check_Keys(check, object, where, {"name", "parent", "port", "ports"}))
        return false;
    if (!Member(object, "name"))
        return check.Fail(At(where, "name"), "missing");
    if (!Read_Text(check, object, where, "name", hub.Name, 255) ||
        !Read_Text(check, object, where, "parent", hub.Parent, 255) ||
        !Read_Optional_Number(check, object, where, "ports", 1, 255, hub.Ports))
        return false;
    if (hub.Name.empty())
        return check.Fail(At(where, "name"), "a hub needs a name");
    if (hub.Parent.empty() != !Member(object, "port"))
        return check.Fail(At(where, "port"),
                          "a hub with a parent hangs on one of its ports, a root hub on none");
    return Read_Optional_Number(check, object, where, "port", 1, 255, hub.Parent_Port);
}

// One step of the timeline: when, and which camera is unplugged or plugged back.
bool Read_Step(Checker& check, const Json& object, const std::string& where, Scenario_Step& step) {
    if (!Check_Keys(check, object, where, {"at_ms", "unplug", "plug"}))
        return false;
    const Json* at = Member(object, "at_ms");
    if (!at)
        return check.Fail(At(where, "at_ms"), "missing");
    const bool unplug = Member(object, "unplug") != nullptr;
    if (unplug == (Member(object, "plug") != nullptr))
        return check.Fail(where, "expected one of \"unplug\" and \"plug\"");
    step.What = unplug ? Scenario_Step::Action::Unplug : Scenario_Step::Action::Plug;
    return Read_Number(check, *at, At(where, "at_ms"), 0, Longest_Absence_Ms, step.At_Ms) &&
           Read_Text(check, object, where, unplug ? "unplug" : "plug", step.Camera, 255);
}

bool Read_Timeline(Checker& check, const Json& list, Scenario& scenario) {
    if (!list.is_array())
        return check.Fail("timeline", "expected a list");
    for (std::size_t i = 0; i < list.size(); ++i) {
        scenario.Timeline.emplace_back();
        Scenario_Step& step = scenario.Timeline.back();
        if (!Read_Step(check, list[i], At("timeline", i), step))
            return false;
        const bool named =
            std::any_of(scenario.Cameras.begin(), scenario.Cameras.end(),
                        [&](const Scenario_Camera& camera) { return camera.Chip.Name == step.Camera; });
        if (!named)
            return check.Fail(
                At(At("timeline", i), step.What == Scenario_Step::Action::Unplug ? "unplug" : "plug"),
                "no camera \"" + step.Camera + "\"");
    }
    return true;
}

// Hubs exist before what hangs on them, ports are within their hub, one device per port.
bool Check_Tree(Checker& check, Scenario& scenario) {
    std::map<std::string, std::uint32_t, std::less<>> ports;
    std::set<std::pair<std::string, std::uint32_t>> taken;
    // `where` names the hub and port fields of what hangs on the port.
    const auto place = [&](const std::string& hub_where, const std::string& port_where,
                           const std::string& hub, std::uint32_t port) {
        const auto found = ports.find(hub);
        if (found == ports.end())
            return check.Fail(hub_where, "no hub \"" + hub + "\" listed before");
        if (port > found->second)
            return check.Fail(port_where,
                              "hub \"" + hub + "\" has " + std::to_string(found->second) + " ports");
        if (!taken.insert({hub, port}).second)
            return check.Fail(port_where, "port " + std::to_string(port) + " of \"" + hub + "\" is taken");
        return true;
    };
    for (std::size_t i = 0; i < scenario.Hubs.size(); ++i) {
        const Scenario_Hub& hub = scenario.Hubs[i];
        const std::string where = At("hubs", i);
        if (!hub.Parent.empty() &&
            !place(At(where, "parent"), At(where, "port"), hub.Parent, hub.Parent_Port))
            return false;
        if (!ports.emplace(hub.Name, hub.Ports).second)
            return check.Fail(At(where, "name"), "hub \"" + hub.Name + "\" is listed twice");
    }
    // Hubs that only cameras name are root hubs with the ports their cameras use.
    const bool listed = !scenario.Hubs.empty();
    if (!listed) {
        for (const Scenario_Camera& camera : scenario.Cameras) {
            auto [entry, added] = ports.emplace(camera.Usb.Hub, Default_Root_Hub_Ports);
            if (added)
                scenario.Hubs.push_back({camera.Usb.Hub, {}, 0, Default_Root_Hub_Ports});
            entry->second = std::max(entry->second, camera.Usb.Port);
        }
        for (Scenario_Hub& hub : scenario.Hubs)
            hub.Ports = ports[hub.Name];
    }
    std::set<std::string, std::less<>> names;
    for (std::size_t i = 0; i < scenario.Cameras.size(); ++i) {
        const Scenario_Camera& camera = scenario.Cameras[i];
        const std::string where = At("cameras", i);
        const std::string usb = At(where, "usb");
        if (!place(At(usb, "hub"), At(usb, "port"), camera.Usb.Hub, camera.Usb.Port))
            return false;
        if (!names.insert(camera.Chip.Name).second)
            return check.Fail(At(where, "name"), "camera \"" + camera.Chip.Name + "\" is listed twice");
    }
    return true;
}

// Where text that is not JSON goes wrong, for someone with the file open in an editor: the
// line and column (in characters) of the byte the parser stopped at, and the parser's reason.
std::string Not_Json(std::string_view json_text, const Json::parse_error& error) {
    const std::size_t stop = std::min<std::size_t>(error.byte > 0 ? error.byte - 1 : 0, json_text.size());
    std::size_t line = 1;
    std::size_t column = 1;
    for (const char c : json_text.substr(0, stop)) {
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) { // not inside a UTF-8 character
            ++column;
        }
    }
    std::string text =
        "scenario: not JSON text: line " + std::to_string(line) + ", column " + std::to_string(column);
    // The parser's own words follow its "parse error ... : " prefix.
    const std::string_view what = error.what();
    const std::size_t prefix = what.find("parse error");
    const std::size_t reason = prefix == std::string_view::npos ? prefix : what.find(": ", prefix);
    if (reason != std::string_view::npos)
        text += std::string(what.substr(reason));
    return text;
}

Scenario_Load Parse(std::string_view json_text, const std::optional<std::filesystem::path>& directory) {
    Checker check;
    check.Directory = directory;
    Json root;
    try {
        root = Json::parse(json_text.begin(), json_text.end());
    } catch (const Json::parse_error& error) {
        return {std::nullopt, Not_Json(json_text, error)};
    }
    Scenario scenario;
    if (!Check_Keys(check, root, "scenario", {"hubs", "cameras", "timeline"}))
        return {std::nullopt, check.Error()};
    if (const Json* hubs = Member(root, "hubs")) {
        if (!hubs->is_array())
            return {std::nullopt, "hubs: expected a list"};
        for (std::size_t i = 0; i < hubs->size(); ++i) {
            scenario.Hubs.emplace_back();
            if (!Read_Hub(check, (*hubs)[i], At("hubs", i), scenario.Hubs.back()))
                return {std::nullopt, check.Error()};
        }
    }
    const Json* cameras = Member(root, "cameras");
    if (!cameras || !cameras->is_array())
        return {std::nullopt, "cameras: expected a list"};
    for (std::size_t i = 0; i < cameras->size(); ++i) {
        scenario.Cameras.emplace_back();
        if (!Read_Camera(check, (*cameras)[i], At("cameras", i), i, scenario.Cameras.back()))
            return {std::nullopt, check.Error()};
    }
    if (!Check_Tree(check, scenario))
        return {std::nullopt, check.Error()};
    if (const Json* timeline = Member(root, "timeline");
        timeline && !Read_Timeline(check, *timeline, scenario))
        return {std::nullopt, check.Error()};
    return {std::move(scenario), {}};
}

} // namespace

Scenario_Load Parse_Scenario(std::string_view json_text, const std::optional<std::string>& file_directory) {
    // Every access above is checked; this only keeps a library surprise from crossing out.
    try {
        if (file_directory)
            return Parse(json_text, std::filesystem::path(*file_directory));
        return Parse(json_text, std::nullopt);
    } catch (const std::exception& error) {
        return {std::nullopt, std::string("scenario: ") + error.what()};
    }
}

Scenario_Load Load_Scenario_File(const std::string& path) {
    std::string text, why;
    switch (Read_Regular_File(path.c_str(), Largest_File, text, &why)) {
    case Read_Outcome::Read:
        break;
    case Read_Outcome::Too_Large:
        return {std::nullopt, path + ": larger than a scenario file can be"};
    case Read_Outcome::Missing:
        return {std::nullopt, path + ": cannot be read"};
    case Read_Outcome::Refused: // a directory would read as empty text, a FIFO would wait
        return {std::nullopt, path + ": " + why};
    }
    Scenario_Load load = Parse_Scenario(text, std::filesystem::path(path).parent_path().string());
    if (!load.Loaded)
        load.Error = path + ": " + load.Error;
    return load;
}

namespace {

// Each step runs on the backend's clock. It holds its camera weakly (the backend owns both)
// and the camera's own hub, which the backend's tree keeps for as long as the backend lives.
void Schedule_Timeline(Simulated_Backend& backend, const Scenario& scenario,
                       const std::vector<std::shared_ptr<Simulated_Camera>>& cameras,
                       const std::map<std::string, Simulated_Usb_Hub*, std::less<>>& hubs) {
    for (const Scenario_Step& step : scenario.Timeline) {
        const auto named = std::find_if(cameras.begin(), cameras.end(),
                                        [&](const auto& camera) { return camera->Name() == step.Camera; });
        const auto described =
            std::find_if(scenario.Cameras.begin(), scenario.Cameras.end(),
                         [&](const Scenario_Camera& camera) { return camera.Chip.Name == step.Camera; });
        if (named == cameras.end() || described == scenario.Cameras.end())
            continue;
        const auto hub = hubs.find(described->Usb.Hub);
        Simulated_Usb_Hub* home = hub != hubs.end() ? hub->second : nullptr;
        const auto port = static_cast<std::uint8_t>(described->Usb.Port);
        backend.After(step.At_Ms, [&backend, camera = std::weak_ptr(*named),
                                   unplug = step.What == Scenario_Step::Action::Unplug, home, port] {
            const auto present = camera.lock();
            if (!present)
                return;
            if (unplug)
                backend.Unplug_Camera(*present);
            else if (home)
                backend.Plug_Camera(*present, *home, port);
        });
    }
}

} // namespace

std::vector<std::shared_ptr<Simulated_Camera>> Build_Scenario(Simulated_Backend& backend,
                                                              const Scenario& scenario) {
    // The USB tree first: a hub is listed after the hub it hangs on, so one pass places them.
    Simulated_Usb_Tree& tree = backend.Usb_Tree();
    std::map<std::string, Simulated_Usb_Hub*, std::less<>> hubs;
    const auto free_port = [](const Simulated_Usb_Hub& hub, std::uint32_t port) {
        return port >= 1 && port <= hub.Port_Count() && !hub.Device_On(static_cast<std::uint8_t>(port));
    };
    for (const Scenario_Hub& hub : scenario.Hubs) {
        const auto ports = static_cast<std::uint8_t>(std::clamp<std::uint32_t>(hub.Ports, 1, 255));
        if (hub.Parent.empty()) {
            hubs[hub.Name] = &tree.Add_Host_Controller(ports).Root_Hub();
            continue;
        }
        const auto parent = hubs.find(hub.Parent);
        if (parent != hubs.end() && free_port(*parent->second, hub.Parent_Port))
            hubs[hub.Name] =
                &tree.Add_Hub(*parent->second, static_cast<std::uint8_t>(hub.Parent_Port), ports);
    }

    std::vector<std::shared_ptr<Simulated_Camera>> cameras;
    for (const Scenario_Camera& described : scenario.Cameras) {
        auto camera = Add_Chip_Camera(backend, described.Chip);
        if (!camera)
            continue; // a scenario made in code with a name the tables lack
        std::string path = described.Video.Device_Path;
        const auto hub = hubs.find(described.Usb.Hub);
        if (hub != hubs.end() && free_port(*hub->second, described.Usb.Port)) {
            const Scenario_Usb& usb = described.Usb;
            Usb_Device_Description desc = Camera_Device({.Vid = usb.Vid,
                                                         .Pid = usb.Pid,
                                                         .Bcd = usb.Bcd,
                                                         .Manufacturer = usb.Manufacturer,
                                                         .Product = usb.Product,
                                                         .Serial = usb.Serial});
            // A path the file fixes keeps its instance part, so the hub walk finds the same
            // capture function that discovery lists.
            if (!path.empty() && desc.Capture) {
                const std::size_t first = path.find('#');
                const std::size_t second = first == std::string::npos ? first : path.find('#', first + 1);
                const std::size_t third = second == std::string::npos ? second : path.find('#', second + 1);
                if (third != std::string::npos)
                    desc.Capture->Instance = path.substr(second + 1, third - second - 1);
            }
            const Simulated_Usb_Device& device =
                tree.Add_Device(*hub->second, static_cast<std::uint8_t>(usb.Port), std::move(desc));
            if (path.empty())
                path = device.Capture_Path();
        }
        // A camera without a place on the tree keeps the backend's unique default path.
        if (path.empty())
            path = camera->Video_Input().Device_Path;
        camera->Video_Input() = described.Video;
        camera->Video_Input().Device_Path = std::move(path);
        cameras.push_back(std::move(camera));
    }
    Schedule_Timeline(backend, scenario, cameras, hubs);
    return cameras;
}

std::shared_ptr<Simulated_Backend> Backend_From_Environment(std::string& error, Simulated_Time time) {
    error.clear();
    const char* path = std::getenv(Scenario_Environment_Variable);
    if (!path || !*path)
        return nullptr;
    const Scenario_Load load = Load_Scenario_File(path);
    if (!load.Loaded) {
        error = load.Error;
        return nullptr;
    }
    // Flash parts are allocated whole; a host short of memory is told so, not aborted.
    try {
        auto backend = std::make_shared<Simulated_Backend>(time);
        Build_Scenario(*backend, *load.Loaded);
        return backend;
    } catch (const std::bad_alloc&) {
        error = std::string(path) + ": not enough memory for its cameras";
    }
    return nullptr;
}

} // namespace platform::simulated
