#include "platform/Trace_Log.h"

#include <atomic>

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
    va_list arguments;
    va_start(arguments, format);
    Trace_Vprintf(format, arguments);
    va_end(arguments);
}

void Trace_Vprintf(const char* format, std::va_list arguments) {
    if (std::FILE* stream = trace_stream.load())
        std::vfprintf(stream, format, arguments);
}

} // namespace platform
