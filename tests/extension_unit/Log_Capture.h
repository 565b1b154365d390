#pragma once
// A scratch stream handed to the library as its log for one scope, read back as text.
#include <cstdio>
#include <string>

#include "Extension_Unit_Class/Extension_Unit_Log.h"

namespace test {

struct Log_Capture {
    std::FILE* stream = std::tmpfile();
    Log_Capture() { Set_Log_File(stream); }
    ~Log_Capture() {
        Set_Log_File(nullptr);
        std::fclose(stream);
    }
    Log_Capture(const Log_Capture&) = delete;
    Log_Capture& operator=(const Log_Capture&) = delete;

    // What was written since the start, or since the last Clear.
    std::string Text() const {
        std::fflush(stream);
        std::fseek(stream, start, SEEK_SET);
        std::string text;
        for (int c; (c = std::fgetc(stream)) != EOF;)
            text += static_cast<char>(c);
        std::fseek(stream, 0, SEEK_END); // the stream is written again after this read
        return text;
    }
    void Clear() {
        std::fflush(stream);
        std::fseek(stream, 0, SEEK_END);
        start = std::ftell(stream);
    }

private:
    long start = 0;
};

} // namespace test
