#include "Trace_Log.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "extension_unit_integrate/Extension_Unit_Integrate.h"

namespace {

struct Stream_Closer {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, Stream_Closer>;

// The stream the library writes to. A stream is closed only once the library has been handed
// another one, or none at the end of the process, so the library never writes to a closed one.
class Library_Trace_Stream {
public:
    ~Library_Trace_Stream() {
        if (stream_)
            Set_Log_File(nullptr);
    }
    void Replace(Stream stream) {
        Set_Log_File(stream.get());
        stream_ = std::move(stream);
    }

private:
    Stream stream_;
};

Library_Trace_Stream& Trace_Stream() {
    static Library_Trace_Stream stream;
    return stream;
}

} // namespace

namespace {

bool Holds_Or_Waits(mode_t mode) {
    return S_ISDIR(mode) || S_ISFIFO(mode);
}

} // namespace

// Anything that exists and is not a directory is logged to (a regular file, /dev/null, a
// terminal), except a FIFO: one that nobody reads would hold the library's next trace line, and
// with it the burn, once its buffer is full, and opening it may wait for a reader. The kind is
// looked at before the open, the open never waits, and what was opened is looked at again, so a
// name replaced by a FIFO in between is not used either.
void Open_Trace_Log(const char* path) {
    struct stat named {};
    if (::stat(path, &named) != 0 || Holds_Or_Waits(named.st_mode))
        return;
    const int descriptor = ::open(path, O_RDWR | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    struct stat opened {};
    const int flags = ::fcntl(descriptor, F_GETFL);
    // Writes to a terminal wait as writes to a file do, rather than fail when it is busy.
    if (::fstat(descriptor, &opened) != 0 || Holds_Or_Waits(opened.st_mode) || flags < 0 ||
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(descriptor);
        return;
    }
    Stream stream(fdopen(descriptor, "a+"));
    if (!stream) {
        ::close(descriptor);
        return;
    }
    // Each line goes to the file as soon as it is written: a crash or a kill then loses at most
    // the line being written, not the last lines that would explain a failed burn, and
    // `tail -f` follows the burn as it goes. The library itself never flushes.
    std::setvbuf(stream.get(), nullptr, _IOLBF, BUFSIZ);
    Trace_Stream().Replace(std::move(stream));
}
