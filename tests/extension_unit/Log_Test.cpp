#include "Extension_Unit_Class/Extension_Unit_Log.h"

#include <gtest/gtest.h>

#include <string>

#include "extension_unit/Log_Capture.h"

namespace {

using test::Log_Capture;

TEST(Log, WritesEveryTraceLineShapeWhileAStreamIsSet) {
    Log_Capture capture;
    Log_Location("source/Extension_Unit_Class/X.cpp", 346, "EnumerateDevices");
    Log_Value("Exe_Count", 64);
    Log_Value_Tab("hr", -1);
    Log_Text_Tab("name", "ZUN_8M_1");
    Log_Hex_Tab("value", 0xC9);
    Log_Hex_Word("reg", 0x20FF);
    Log_Error_Value("Init", "no unit");
    Log_Probe_Try("ZUN_8M_1", 1, 0, 0);
    Log_Probe_Try("ZUN_8M_1", 2, 1, -1);
    Log_Identified("ZUNQ_56_2");
    Log_Protocol_Mate("ZUN_3M_1");
    Set_Log_File(nullptr);
    Log_Value("while off", 2);
    EXTENSION_UNIT_LOG_LOCATION();
    Set_Log_File(capture.stream);
    const int line = __LINE__ + 1;
    EXTENSION_UNIT_LOG_LOCATION();
    EXPECT_EQ(capture.Text(), "\r\n source/Extension_Unit_Class/X.cpp(346)-EnumerateDevices\r\n"
                              "\r\n[Exe_Count]=64\r\n"
                              "\t\t[hr]=-1 \r\n"
                              "\t\t[name]=ZUN_8M_1 \r\n"
                              "\t\t[value]=c9 \r\n"
                              "\r\n[reg]=0x20ff"
                              "\r\n[Init]=E no unit\r\n"
                              "ZUN_8M_1 ID1 0 OK 0\r\n"
                              "ZUN_8M_1 ID2 1 fail -1\r\n"
                              "\r\n[\"ZUNQ_56_2\"]=*****************\tZUNQ_56_2\t*******************"
                              "\r\n\t\t Protocol mate ZUN_3M_1\r\n"
                              "\r\n " +
                                  std::string(Log_Source_Path(__FILE__)) + "(" + std::to_string(line) +
                                  ")-TestBody\r\n");
}

TEST(Log, LocationLinesNameTheSourceBelowTheSourceFolder) {
    EXPECT_STREQ(Log_Source_Path("/home/x/source/tree/source/Extension_Unit_Class/ExtUnit.cpp"),
                 "source/Extension_Unit_Class/ExtUnit.cpp");
    EXPECT_STREQ(Log_Source_Path("source/a.cpp"), "source/a.cpp");
    EXPECT_STREQ(Log_Source_Path("/work/resource/b.cpp"), "/work/resource/b.cpp")
        << "only a whole folder name";
}

} // namespace
