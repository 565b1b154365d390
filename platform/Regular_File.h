#pragma once
// Files named from outside the program (a scenario and the files it names, a settings file, an
// image) are used only when they are regular files (the trace log has a rule of its own). A
// FIFO under such a name would hold the opening thread in open() until some other process
// opened its other end (no signal handler of the tool can end that wait), a device or a FIFO
// read never ends, and a directory reads as nothing. So the kind is checked before the open,
// the open itself never waits (O_NONBLOCK), and the kind is checked again on what was opened,
// so that a name replaced by a FIFO in between cannot make the program wait either.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class Regular_File {
public:
    // Opens `path` with the open(2) `flags` (O_RDONLY, or O_WRONLY or O_RDWR with O_CREAT and
    // O_APPEND as wished; not O_TRUNC, which would empty whatever the name stands for: see
    // Replace_Contents) and keeps it only when it is a regular file.
    Regular_File(const char* path, int flags, mode_t mode = 0666);
    ~Regular_File();
    Regular_File(const Regular_File&) = delete;
    Regular_File& operator=(const Regular_File&) = delete;

    bool Is_Open() const { return descriptor_ >= 0; }
    int Descriptor() const { return descriptor_; }
    // The file's size when it was opened.
    std::uint64_t Size() const { return size_; }
    // Nothing of that name (ENOENT).
    bool Missing() const { return missing_; }
    // Why it is not open, for a message after the path: "is a directory", "is a FIFO, not a
    // regular file", or the system's reason ("Permission denied"); empty when it is open.
    const std::string& Refusal() const { return refusal_; }
    // Hands the descriptor over; the object no longer closes it.
    int Release();

    // Makes the open file hold exactly `size` bytes of `data`. 0, or the errno of the step that
    // failed.
    int Replace_Contents(const std::uint8_t* data, std::size_t size);

private:
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
    bool missing_ = false;
    std::string refusal_;
};

// "is a directory", "is a FIFO, not a regular file" ... when `path` names something that is not
// a regular file; empty when it names a regular file or nothing.
std::string Not_A_Regular_File(const char* path);

enum class Read_Outcome { Read, Missing, Refused, Too_Large };

// Reads the whole regular file at `path` into `bytes` (replaced only when Read). A file of more
// than `most` bytes is not read at all (Too_Large); `why` (when given) says what kept a file
// from being read: Refused's reason, or "holds more than N bytes".
Read_Outcome Read_Regular_File(const char* path, std::size_t most, std::vector<std::uint8_t>& bytes,
                               std::string* why = nullptr);
Read_Outcome Read_Regular_File(const char* path, std::size_t most, std::string& bytes,
                               std::string* why = nullptr);

} // namespace platform
