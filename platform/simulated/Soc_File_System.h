#pragma once
// The simulated system-on-chip camera's file system: files by absolute path, held in memory.
// Directories are implied by the files in them. A file can also be due: it appears only after
// it was looked up a given number of times, as a file that a slow script on the camera writes
// while the host polls for it.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::simulated {

// The camera's memory is finite: a file never grows past this.
inline constexpr std::size_t Soc_Max_File_Size = 64u << 20;

class Soc_File_System {
public:
    using Bytes = std::vector<std::uint8_t>;

    // The file's content, or null when there is none (a due file included).
    const Bytes* Find(std::string_view path) const;
    // Creates the file empty, or empties it.
    Bytes& Create(std::string_view path);
    void Write(std::string_view path, Bytes content);
    // Writes `bytes` at `offset` of an existing file, filling a gap with zeros. False (and
    // nothing written) when there is no such file or it would grow past Soc_Max_File_Size.
    bool Write_At(std::string_view path, std::uint64_t offset, const std::uint8_t* bytes, std::size_t count);

    // `content` appears at `path` once the path was looked up `lookups` times before (0: at the
    // next lookup).
    void Write_After_Lookups(std::string_view path, Bytes content, std::uint32_t lookups);
    // Find as the host's size and read requests see it: a lookup of a due file counts towards
    // its appearance.
    const Bytes* Look_Up(std::string_view path);

    // Every path with a file, in order.
    std::vector<std::string> Paths() const;

private:
    struct Due_File {
        Bytes Content;
        std::uint32_t Lookups_Left;
    };
    std::map<std::string, Bytes, std::less<>> files_;
    std::map<std::string, Due_File, std::less<>> due_;
};

} // namespace platform::simulated
