#include "Extension_Unit_Class/Extension_Unit_Log.h"

#include <cstdarg>

#include "platform/Trace_Log.h"

// The stream is held by the platform layer, so that the lines a backend writes about the
// cameras it cannot reach land in the same log.
void Set_Log_File(std::FILE* stream) {
    platform::Set_Trace_Stream(stream);
}

std::FILE* Get_Log_File() {
    return platform::Trace_Stream();
}

void Log_Printf(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    platform::Trace_Vprintf(format, arguments);
    va_end(arguments);
}

void Log_Location(const char* source_path, int line, const char* function) {
    Log_Printf("\r\n %s(%d)-%s\r\n", source_path, line, function);
}

void Log_Value(const char* expression, int value) {
    Log_Printf("\r\n[%s]=%d\r\n", expression, value);
}

void Log_Value_Tab(const char* expression, int value) {
    Log_Printf("\t\t[%s]=%d \r\n", expression, value);
}

void Log_Text_Tab(const char* expression, const char* text) {
    Log_Printf("\t\t[%s]=%s \r\n", expression, text);
}

void Log_Hex_Tab(const char* expression, unsigned value) {
    Log_Printf("\t\t[%s]=%x \r\n", expression, value);
}

void Log_Hex_Word(const char* expression, unsigned value) {
    Log_Printf("\r\n[%s]=0x%04x", expression, value);
}

void Log_Error_Value(const char* expression, const char* text) {
    Log_Printf("\r\n[%s]=E %s\r\n", expression, text);
}

void Log_Probe_Try(const char* product_id, int id, int try_number, int result) {
    Log_Printf(result == 0 ? "%s ID%d %d OK %d\r\n" : "%s ID%d %d fail %d\r\n", product_id, id, try_number,
               result);
}

void Log_Identified(const char* product_id) {
    Log_Printf("\r\n[\"%s\"]=*****************\t%s\t*******************", product_id, product_id);
}

void Log_Protocol_Mate(const char* product_name) {
    Log_Printf("\r\n\t\t Protocol mate %s\r\n", product_name);
}
