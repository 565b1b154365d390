#include "Trace_Log.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

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

void Open_Trace_Log(const char* path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
        return;
    Stream stream(std::fopen(path, "a+"));
    if (stream)
        Trace_Stream().Replace(std::move(stream));
}
