#pragma once
// A small reader of ustar (POSIX tar) archives, for the simulated system-on-chip camera's
// `tar -x`. The archive comes from the host, so none of its bytes is trusted: every header is
// checked (magic, checksum, octal fields) and every member's data must lie inside the archive.
// Regular files and directories are read; any other member type stops the reading, as do a
// bad header and a member cut short. The members read before the fault are kept, as tar
// extracts the members before an error.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform::simulated {

inline constexpr std::size_t Ustar_Block_Size = 512;

enum class Ustar_Type : std::uint8_t { File, Directory };

struct Ustar_Entry {
    // As stored: the prefix field and the name field joined by '/' (the prefix only in the
    // POSIX form; GNU archives keep other data there). Never empty.
    std::string Name;
    Ustar_Type Type = Ustar_Type::File;
    // The member's bytes, inside the archive span that was read (empty for a directory).
    std::span<const std::uint8_t> Data;
};

struct Ustar_Archive {
    std::vector<Ustar_Entry> Entries;
    // Empty when the archive was read to its end (an all-zero block, or the end of the bytes on
    // a block boundary); otherwise what stopped the reading.
    std::string Error;
};

// Reads the members of `archive`. The entries' data point into `archive`.
Ustar_Archive Read_Ustar(std::span<const std::uint8_t> archive);

} // namespace platform::simulated
