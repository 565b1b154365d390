#pragma once
// The process's trace stream: the one C stdio stream that the tool hands the camera library
// (Set_Log_File) and that the library's trace lines go to. It is held here, below the
// library, so that a backend can add lines of its own to the same log, such as why it cannot
// reach a camera. Nobody here opens, flushes or closes the stream; while it is null every
// trace line is off.
#include <cstdarg>
#include <cstdio>

namespace platform {

// Sets (or with null clears) the stream. Safe from any thread; set it before other threads
// write trace lines, and keep it open while it is set.
void Set_Trace_Stream(std::FILE* stream);
std::FILE* Trace_Stream();

// A formatted print to the stream, when one is set.
void Trace_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Trace_Vprintf(const char* format, std::va_list arguments) __attribute__((format(printf, 1, 0)));

} // namespace platform
