// The file services of the dialog tool that need no windowing: profile-string files
// (sections of key=value lines, read and written one value at a time) and reading a whole
// file. Plain C++; the Qt part of the layer links this library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/win_values.h"

namespace zunq::ui {

// A profile file's text held in memory, line by line, so a write changes only the one
// line it names and keeps every other byte (comments, blank lines, line ends) as it was.
// Section and key names compare without regard to ASCII letter case; a value loses the
// blanks around it and one pair of matching quotes.
class Profile_Text {
public:
    explicit Profile_Text(std::string_view bytes = {});

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Sets the key in the section, adding the key or the section when missing. Refuses
    // (false, text unchanged) names with line breaks, a section name with ']', a key with
    // '=' or starting with '[', since written back they would read as other lines.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string body; // without its line end
        std::string end;  // "\r\n", "\n" or "" for a last line without one
    };
    // Index of the section's header line, or npos.
    std::size_t Find_Section(std::string_view section) const;
    std::vector<Line> lines_;
};

// Reads the whole file into `out`. 0 on success; -1 when it is not a readable regular file
// or is empty; -2 when it holds more than `max_bytes`. `out` is untouched on failure. Never
// waits on a FIFO or a device under that name.
int Read_Whole_File(const char* path, std::vector<std::uint8_t>& out, std::size_t max_bytes);

// The largest profile file read or written. The tool's own settings file holds a few hundred
// bytes; a file past this is no file of the tool's, and reading and parsing it for every
// value would cost time and memory in proportion to its size. Such a file is left as it is.
inline constexpr std::size_t Largest_Profile_File = 64 * 1024;

// A profile file read once, for all the values an operation reads.
struct Profile_File {
    enum class State { Read, Missing, Refused };
    State state = State::Missing;
    // Why a file was Refused, to follow its name: "is a FIFO, not a regular file", "holds
    // more than 65536 bytes", "Permission denied".
    std::string refusal;
    Profile_Text text; // empty unless Read
};
Profile_File Read_Profile_File(const char* path);

// Makes `path` hold exactly `size` bytes of `data`, or leaves it as it was: the bytes go into
// a new temporary file in the same folder, are flushed to the disk, and the temporary file is
// renamed over `path`. 0 on success; otherwise the errno of the step that failed (ENOSPC for
// a full disk; EACCES, EROFS, ENOTDIR or ENOENT for a folder that takes no new file), and
// no temporary file is left behind.
int Write_Whole_File(const char* path, const std::uint8_t* data, std::size_t size);

} // namespace zunq::ui

// Reads one value: copies it (or `lpDefault` when the file, section or key is missing, or the
// file is refused: not a regular file, or larger than zunq::ui::Largest_Profile_File) into
// `lpReturnedString`, cut to nSize - 1 bytes, zero-terminated; returns the bytes copied.
DWORD GetPrivateProfileStringA(LPCTSTR lpAppName, LPCTSTR lpKeyName, LPCTSTR lpDefault,
                               char* lpReturnedString, DWORD nSize, LPCTSTR lpFileName);

// Writes one value, creating the file, section or key as needed. The file is replaced
// whole through a temporary file that is on the disk before it is renamed into place, so
// the file never holds a half-written text and a failed write leaves the old one intact;
// FALSE, file unchanged, when it exists but cannot be read as a regular file or is larger
// than zunq::ui::Largest_Profile_File.
BOOL WritePrivateProfileStringA(LPCTSTR lpAppName, LPCTSTR lpKeyName, LPCTSTR lpString, LPCTSTR lpFileName);

namespace zunq::ui {

struct Profile_Value {
    LPCTSTR section;
    LPCTSTR key;
    LPCTSTR value;
};

// Writes several values with one read of the file and one replacement of it: the file ends
// as a WritePrivateProfileStringA per value, in order, would leave it, but the values land
// together or not at all, and it costs one flush to the disk instead of one per value. A
// value such a write would refuse (a null name or value, a line break, ...) is left out and
// the others are still written; FALSE when one was, or when the file could not be read or
// replaced (then it is unchanged). `refusal`, when given, receives why a file that is there
// was not read (Profile_File::refusal) or why the file could not be replaced ("cannot be
// written: " and the system's reason), or is emptied.
BOOL Write_Profile_Values(std::span<const Profile_Value> values, LPCTSTR lpFileName,
                          std::string* refusal = nullptr);

} // namespace zunq::ui
