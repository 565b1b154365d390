#include "platform/simulated/Ustar_Reader.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace platform::simulated {

namespace {

// The header fields the reader uses: offset and width.
struct Field {
    std::size_t Offset;
    std::size_t Width;
};
constexpr Field Name_Field{0, 100};
constexpr Field Size_Field{124, 12};
constexpr Field Checksum_Field{148, 8};
constexpr Field Type_Field{156, 1};
constexpr Field Magic_Field{257, 6};
constexpr Field Prefix_Field{345, 155};

using Header = std::span<const std::uint8_t, Ustar_Block_Size>;

// A text field: up to its first NUL, or all of it.
std::string_view Text(Header header, Field field) {
    const auto* begin = reinterpret_cast<const char*>(header.data() + field.Offset);
    const auto* end = std::find(begin, begin + field.Width, '\0');
    return {begin, static_cast<std::size_t>(end - begin)};
}

// An octal number field: optional leading spaces, octal digits, then NUL or spaces to the end
// of the field. The widest field (12 bytes) holds at most 11 digits, so 64 bits never overflow.
// Null for anything else, the base-256 form of large GNU sizes included.
std::optional<std::uint64_t> Octal(Header header, Field field) {
    const std::string_view text(reinterpret_cast<const char*>(header.data() + field.Offset), field.Width);
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string_view::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '7'; ++at, ++digits)
        value = value * 8 + static_cast<std::uint64_t>(text[at] - '0');
    if (digits == 0)
        return std::nullopt;
    for (; at < text.size(); ++at) {
        if (text[at] != '\0' && text[at] != ' ')
            return std::nullopt;
    }
    return value;
}

// The header's bytes summed with the checksum field counted as spaces.
std::uint64_t Checksum_Of(Header header) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < Ustar_Block_Size; ++i) {
        const bool in_checksum =
            i >= Checksum_Field.Offset && i < Checksum_Field.Offset + Checksum_Field.Width;
        sum += in_checksum ? ' ' : header[i];
    }
    return sum;
}

bool All_Zero(Header header) {
    return std::all_of(header.begin(), header.end(), [](std::uint8_t byte) { return byte == 0; });
}

} // namespace

Ustar_Archive Read_Ustar(std::span<const std::uint8_t> archive) {
    Ustar_Archive result;
    std::size_t at = 0;
    while (at < archive.size()) {
        if (archive.size() - at < Ustar_Block_Size) {
            result.Error = "the archive ends inside a header";
            break;
        }
        const Header header = archive.subspan(at).first<Ustar_Block_Size>();
        if (All_Zero(header))
            break;
        const std::string_view magic = Text(header, Magic_Field);
        if (magic.substr(0, 5) != "ustar") {
            result.Error = "not a ustar header";
            break;
        }
        const auto checksum = Octal(header, Checksum_Field);
        if (!checksum || *checksum != Checksum_Of(header)) {
            result.Error = "header checksum mismatch";
            break;
        }
        const auto size = Octal(header, Size_Field);
        if (!size) {
            result.Error = "unreadable member size";
            break;
        }
        const char type = static_cast<char>(header[Type_Field.Offset]);
        if (type != '0' && type != '\0' && type != '5') {
            result.Error = std::string("unsupported member type '") + type + "'";
            break;
        }
        // The POSIX form ("ustar" NUL) splits long names into prefix and name; the GNU form
        // ("ustar  ") keeps times there.
        std::string name(Text(header, Name_Field));
        const std::string_view prefix = magic == "ustar" ? Text(header, Prefix_Field) : std::string_view();
        if (!prefix.empty())
            name = std::string(prefix) + "/" + name;
        if (name.empty()) {
            result.Error = "member without a name";
            break;
        }
        const std::size_t data_at = at + Ustar_Block_Size;
        if (*size > archive.size() - data_at) {
            result.Error = "member data cut short";
            break;
        }
        const auto data_size = static_cast<std::size_t>(*size);
        Ustar_Entry entry;
        entry.Name = std::move(name);
        entry.Type = type == '5' ? Ustar_Type::Directory : Ustar_Type::File;
        if (entry.Type == Ustar_Type::File)
            entry.Data = archive.subspan(data_at, data_size);
        result.Entries.push_back(std::move(entry));
        // Data is padded to whole blocks; the padding of the last member may be missing.
        const std::size_t padded = (data_size + Ustar_Block_Size - 1) / Ustar_Block_Size * Ustar_Block_Size;
        at = data_at + std::min(padded, archive.size() - data_at);
    }
    return result;
}

} // namespace platform::simulated
