#include "platform/simulated/Simulated_Flash_Part.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Regular_File.h"

namespace platform::simulated {

namespace {

constexpr std::uint8_t Floating_Bus = 0xFF;

std::uint8_t Repeating(const std::vector<std::uint8_t>& answer, std::size_t index) {
    return answer.empty() ? Floating_Bus : answer[index % answer.size()];
}

} // namespace

const std::vector<Simulated_Flash_Part::Command>& Simulated_Flash_Part::Command_Table() {
    using Part = Simulated_Flash_Part;
    static const std::vector<Command> table{
        {0x9F, &Part::Answer_Jedec_Id, &Part::Finish_Nothing},
        {0x90, &Part::Answer_Manufacturer_Device_Id, &Part::Finish_Nothing},
        {0xAB, &Part::Answer_Electronic_Signature, &Part::Finish_Nothing},
        {0x05, &Part::Answer_Status, &Part::Finish_Nothing},
        {0x06, &Part::Answer_Nothing, &Part::Set_Write_Enable},
        {0x04, &Part::Answer_Nothing, &Part::Clear_Write_Enable},
        {0x50, &Part::Answer_Nothing, &Part::Enable_Status_Write},
        {0x01, &Part::Take_Status_Byte, &Part::Write_Status},
        {0x03, &Part::Answer_Read, &Part::Finish_Nothing},
        {0x02, &Part::Take_Program_Byte, &Part::Program_Page},
        {0x20, &Part::Take_Address, &Part::Erase_Sector}, // 4 KB sector erase
        {0xD7, &Part::Take_Address, &Part::Erase_Sector}, // the same on parts of the PMC kind
    };
    return table;
}

Simulated_Flash_Part::Simulated_Flash_Part(Flash_Part_Identity identity)
    : identity_(std::move(identity)), contents_(identity_.Size, 0xFF) {
    const std::size_t given = std::min(contents_.size(), identity_.Contents.size());
    std::copy_n(identity_.Contents.begin(), given, contents_.begin());
    status_ = identity_.Status & static_cast<std::uint8_t>(~(Flash_Status_Write_Enable | Flash_Status_Busy));
}

Simulated_Flash_Part::~Simulated_Flash_Part() {
    if (!identity_.Save_Path.empty() && !Save_Contents(identity_.Save_Path))
        std::fprintf(stderr, "simulated flash %s: cannot write %s\n", identity_.Name.c_str(),
                     identity_.Save_Path.c_str());
}

// A name that is not a regular file by now (a FIFO would hold the end of the run until someone
// read it) is not written.
bool Simulated_Flash_Part::Save_Contents(const std::string& path) const {
    Regular_File file(path.c_str(), O_WRONLY | O_CREAT);
    return file.Is_Open() && file.Replace_Contents(contents_.data(), contents_.size()) == 0;
}

bool Read_Flash_Contents_File(const std::string& path, std::uint32_t most,
                              std::vector<std::uint8_t>& contents, std::string& error) {
    std::string why;
    switch (Read_Regular_File(path.c_str(), most, contents, &why)) {
    case Read_Outcome::Read:
        return true;
    case Read_Outcome::Missing:
        error = "cannot read " + path;
        return false;
    case Read_Outcome::Too_Large:
        error = path + " holds more than the part's " + std::to_string(most) + " bytes";
        return false;
    case Read_Outcome::Refused: // a directory would pass for an empty file, a FIFO would wait
        break;
    }
    error = path + " " + why;
    return false;
}

void Simulated_Flash_Part::Select() {
    if (selected_)
        return;
    selected_ = true;
    opcode_seen_ = false;
    command_ = nullptr;
    index_ = 0;
    status_byte_.reset();
    address_ = 0;
    page_.fill(0xFF);
}

void Simulated_Flash_Part::Deselect() {
    if (!selected_)
        return;
    selected_ = false;
    if (command_)
        (this->*command_->Finish)();
    command_ = nullptr;
}

std::uint8_t Simulated_Flash_Part::Exchange(std::uint8_t out) {
    if (!selected_)
        return Floating_Bus;
    if (!opcode_seen_) {
        opcode_seen_ = true;
        if (keep_opcodes_)
            opcodes_.push_back(out);
        const auto& table = Command_Table();
        const auto found = std::find_if(table.begin(), table.end(),
                                        [out](const Command& command) { return command.Opcode == out; });
        command_ = found == table.end() ? nullptr : &*found;
        return Floating_Bus; // nothing comes back while the opcode goes out
    }
    if (!command_)
        return Floating_Bus;
    return (this->*command_->Answer)(index_++, out);
}

void Simulated_Flash_Part::Send(std::span<const std::uint8_t> out) {
    // The data of a page program after its address: each byte to its place in the page.
    while (!out.empty() && !(selected_ && command_ &&
                             command_->Answer == &Simulated_Flash_Part::Take_Program_Byte && index_ >= 3)) {
        Exchange(out.front());
        out = out.subspan(1);
    }
    while (!out.empty()) {
        const std::size_t at = (address_ + (index_ - 3)) % Flash_Page_Size;
        const std::size_t run = std::min(out.size(), Flash_Page_Size - at);
        std::copy_n(out.begin(), run, page_.begin() + static_cast<std::ptrdiff_t>(at));
        index_ += run;
        out = out.subspan(run);
    }
}

void Simulated_Flash_Part::Receive(std::span<std::uint8_t> in) {
    // The data of a read after its address runs on through the array, wrapping at its end.
    while (!in.empty() && !(selected_ && command_ && command_->Answer == &Simulated_Flash_Part::Answer_Read &&
                            index_ >= 3 && !contents_.empty())) {
        in.front() = Exchange(0xFF);
        in = in.subspan(1);
    }
    while (!in.empty()) {
        const std::size_t at = (address_ + (index_ - 3)) % contents_.size();
        const std::size_t run = std::min(in.size(), contents_.size() - at);
        std::copy_n(contents_.begin() + static_cast<std::ptrdiff_t>(at), run, in.begin());
        index_ += run;
        in = in.subspan(run);
    }
}

void Simulated_Flash_Part::Power_On() {
    selected_ = false;
    command_ = nullptr;
    status_write_enabled_ = false;
    status_ &= static_cast<std::uint8_t>(~(Flash_Status_Write_Enable | Flash_Status_Busy));
}

std::uint8_t Simulated_Flash_Part::Answer_Jedec_Id(std::size_t index, std::uint8_t) {
    return index < identity_.Jedec_Id.size() ? identity_.Jedec_Id[index] : Floating_Bus;
}

std::uint8_t Simulated_Flash_Part::Answer_Manufacturer_Device_Id(std::size_t index, std::uint8_t) {
    return Repeating(identity_.Manufacturer_Device_Id, index);
}

std::uint8_t Simulated_Flash_Part::Answer_Electronic_Signature(std::size_t index, std::uint8_t) {
    return Repeating(identity_.Electronic_Signature, index);
}

std::uint8_t Simulated_Flash_Part::Answer_Status(std::size_t, std::uint8_t) {
    return status_;
}

std::uint8_t Simulated_Flash_Part::Take_Status_Byte(std::size_t index, std::uint8_t out) {
    if (index == 0)
        status_byte_ = out;
    return Floating_Bus;
}

std::uint8_t Simulated_Flash_Part::Answer_Nothing(std::size_t, std::uint8_t) {
    return Floating_Bus;
}

std::uint8_t Simulated_Flash_Part::Take_Address(std::size_t index, std::uint8_t out) {
    // Three address bytes, the most significant first; a part smaller than 16 MiB ignores the
    // high bits it has no room for.
    if (index < 3)
        address_ = (address_ << 8 | out) & 0xFFFFFF;
    return Floating_Bus;
}

std::uint8_t Simulated_Flash_Part::Answer_Read(std::size_t index, std::uint8_t out) {
    if (index < 3 || contents_.empty())
        return Take_Address(index, out);
    // The read runs on through the array and wraps at its end.
    return contents_[(address_ + (index - 3)) % contents_.size()];
}

std::uint8_t Simulated_Flash_Part::Take_Program_Byte(std::size_t index, std::uint8_t out) {
    if (index < 3)
        return Take_Address(index, out);
    // A page program wraps within its page; a byte sent twice keeps the later value.
    page_[(address_ + (index - 3)) % Flash_Page_Size] = out;
    return Floating_Bus;
}

bool Simulated_Flash_Part::Take_Write_Permission() {
    const bool allowed =
        (status_ & Flash_Status_Write_Enable) != 0 && (status_ & Flash_Status_Block_Protect) == 0;
    Clear_Write_Enable();
    return allowed;
}

void Simulated_Flash_Part::Erase_Sector() {
    if (index_ < 3 || !Take_Write_Permission() || contents_.empty())
        return;
    const std::size_t first = (address_ % contents_.size()) / Flash_Sector_Size * Flash_Sector_Size;
    const std::size_t last = std::min<std::size_t>(first + Flash_Sector_Size, contents_.size());
    std::fill(contents_.begin() + first, contents_.begin() + last, 0xFF);
    ++write_cycles_;
}

void Simulated_Flash_Part::Program_Page() {
    if (index_ < 4 || !Take_Write_Permission() || contents_.empty())
        return;
    const std::size_t page = (address_ % contents_.size()) / Flash_Page_Size * Flash_Page_Size;
    const std::size_t count = std::min<std::size_t>(Flash_Page_Size, contents_.size() - page);
    // Programming only clears bits: each byte becomes old AND data. Eight bytes at a time, as
    // campaigns of many downloads program millions of pages.
    std::uint8_t* const place = contents_.data() + page;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t old_bytes = 0;
        std::uint64_t new_bytes = 0;
        std::memcpy(&old_bytes, place + i, 8);
        std::memcpy(&new_bytes, page_.data() + i, 8);
        old_bytes &= new_bytes;
        std::memcpy(place + i, &old_bytes, 8);
    }
    for (; i < count; ++i)
        place[i] &= page_[i];
    ++write_cycles_;
}

void Simulated_Flash_Part::Set_Write_Enable() {
    status_ |= Flash_Status_Write_Enable;
}

void Simulated_Flash_Part::Clear_Write_Enable() {
    status_ &= static_cast<std::uint8_t>(~Flash_Status_Write_Enable);
}

void Simulated_Flash_Part::Enable_Status_Write() {
    status_write_enabled_ = true;
}

void Simulated_Flash_Part::Write_Status() {
    // A status write goes through only after a write enable (or, on parts of the SST kind, an
    // enable-status-write) and, like every write, clears the write-enable latch. Without its
    // data byte the part ignores the command.
    if (!status_byte_)
        return;
    const bool allowed = (status_ & Flash_Status_Write_Enable) != 0 || status_write_enabled_;
    status_write_enabled_ = false;
    if (!allowed)
        return;
    status_ = static_cast<std::uint8_t>((status_ & ~Flash_Status_Writable) |
                                        (*status_byte_ & Flash_Status_Writable));
    Clear_Write_Enable();
    ++write_cycles_;
}

} // namespace platform::simulated
