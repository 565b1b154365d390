#include "platform/Trace_Log.h"

#include <atomic>
#include <cstdarg>

namespace platform {

namespace {

// Atomic so that a worker thread's trace line never reads a half-written pointer; the stream
// itself is the tool's, and stdio locks it per call.
std::atomic<std::FILE*> trace_stream{nullptr};

} // namespace

void Set_Trace_Stream(std::FILE* stream) {
    trace_stream.store(stream);
}

std::FILE* Trace_Stream() {
    return trace_stream.load();
}

void Trace_Printf(const char* format, ...) {
    std::FILE* stream = trace_stream.load();
    if (!stream)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stream, format, arguments);
    va_end(arguments);
}

} // namespace platform
