#pragma once
// A scratch stream handed to the library for one test, read back as text.
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
    std::string Text() const {
        std::fflush(stream);
        std::rewind(stream);
        std::string text;
        for (int c; (c = std::fgetc(stream)) != EOF;)
            text += static_cast<char>(c);
        return text;
    }
};

} // namespace test
