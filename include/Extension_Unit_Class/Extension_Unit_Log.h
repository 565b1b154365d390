#pragma once
// The library's trace lines. They go to one process-wide C stdio stream that the tool owns
// and hands in with Set_Log_File; while it is null every trace line is off. The library never
// opens, flushes or closes the stream and buffers nothing itself. A few lines go to the
// standard streams instead, whether or not a log stream is set.
#include <cstdio>

// Sets (or with null clears) the log stream. Set it before other threads use the library.
void Set_Log_File(std::FILE* stream);
std::FILE* Get_Log_File();

// A formatted print to the log stream, when one is set.
void Log_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "\r\n %s(%d)-%s\r\n": the unit's source path, a line number, the function's name.
void Log_Location(const char* source_path, int line, const char* function);
// Value lines naming the expression printed.
void Log_Value(const char* expression, int value);              // "\r\n[%s]=%d\r\n"
void Log_Value_Tab(const char* expression, int value);          // "\t\t[%s]=%d \r\n"
void Log_Text_Tab(const char* expression, const char* text);    // "\t\t[%s]=%s \r\n"
void Log_Hex_Tab(const char* expression, unsigned value);       // "\t\t[%s]=%x \r\n"
void Log_Hex_Word(const char* expression, unsigned value);      // "\r\n[%s]=0x%04x"
void Log_Error_Value(const char* expression, const char* text); // "\r\n[%s]=E %s\r\n"
// Chip probe lines: "%s ID1 %d OK %d\r\n" when the pairing gave 0, else "%s ID1 %d fail %d\r\n"
// (ID2, ID3 by `id`).
void Log_Probe_Try(const char* product_id, int id, int try_number, int result);
// "\r\n[%s]=*****************\t%s\t*******************" with the quoted product id.
void Log_Identified(const char* product_id);
// "\r\n\t\t Protocol mate %s\r\n".
void Log_Protocol_Mate(const char* product_name);

// The source path a location line names: the unit's file below source/, e.g.
// "source/Extension_Unit_Class/ExtUnit.cpp" for this file's __FILE__ wherever the tree lies.
constexpr const char* Log_Source_Path(const char* file) {
    const char* path = file;
    for (const char* at = file; *at; ++at) {
        if ((at == file || at[-1] == '/') && at[0] == 's' && at[1] == 'o' && at[2] == 'u' && at[3] == 'r' &&
            at[4] == 'c' && at[5] == 'e' && at[6] == '/')
            path = at;
    }
    return path;
}

// The location line of the place it stands.
#define EXTENSION_UNIT_LOG_LOCATION() Log_Location(Log_Source_Path(__FILE__), __LINE__, __func__)
