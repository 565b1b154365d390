#include "Trace_Log.h"

#include <fcntl.h>
#include <stdio.h>

#include <cstdio>
#include <memory>

#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "platform/Regular_File.h"

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

// Only a regular file: a FIFO that nobody reads would hold the library's next trace line, and
// with it the burn, once its buffer is full.
void Open_Trace_Log(const char* path) {
    platform::Regular_File file(path, O_RDWR | O_APPEND);
    if (!file.Is_Open())
        return;
    Stream stream(fdopen(file.Descriptor(), "a+"));
    if (!stream)
        return;
    file.Release();
    Trace_Stream().Replace(std::move(stream));
}
