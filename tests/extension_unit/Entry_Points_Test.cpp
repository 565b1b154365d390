// The plain entry points with their null-handle rules, and the trace lines of the library log.
#include "extension_unit_integrate/Extension_Unit_Integrate.h"

#include <gtest/gtest.h>

#include <string>

#include "Extension_Unit_Class/Device_List.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2620_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_UNKNOW_Protocol.h"
#include "Log_Capture.h"
#include "Simulated_Chip.h"

namespace {

bool All_Zero(const Device_Info_Record& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    return std::all_of(bytes, bytes + sizeof record, [](unsigned char byte) { return byte == 0; });
}

// A refusing protocol that counts its deletions, to see who frees what.
struct Counted_Protocol final : Extension_Unit_UNKNOW_Protocol {
    explicit Counted_Protocol(int& deleted) : deleted_(deleted) {}
    ~Counted_Protocol() override { ++deleted_; }
    int& deleted_;
};

TEST(Entry_Points, ANullHandleIsAnsweredWithoutEffect) {
    Device_List_Release(nullptr);
    Device_List_Clear(nullptr);
    EXPECT_EQ(Device_List_Refresh(nullptr), -1);
    EXPECT_TRUE(All_Zero(Device_List_Get_Info(nullptr, 0)));
    EXPECT_EQ(Device_List_Get_Protocol(nullptr, 0), nullptr);
    std::uint8_t buffer[ISP_Piece_Size] = {};
    std::uint8_t value = 0x33;
    float progress = 0.25f;
    EXPECT_EQ(std::vector({Protocol_Get_Flash_Model(nullptr), Protocol_Read_ISP_Mem_Piece(nullptr, 0, buffer),
                           Protocol_Write_ISP_Mem_Piece(nullptr, 0, buffer),
                           Protocol_Read_Reg(nullptr, 0x20FF, &value),
                           Protocol_Write_Reg(nullptr, 0x20D8, 0x5A), Protocol_Reset_Device(nullptr),
                           Protocol_Download_Firmware(nullptr, buffer, sizeof buffer, &progress)}),
              std::vector(7, -1));
    ASSERT_NE(Protocol_Get_Product_Name(nullptr), nullptr);
    EXPECT_STREQ(Protocol_Get_Product_Name(nullptr), "");
    EXPECT_EQ(value, 0x33);
    EXPECT_EQ(progress, 0.25f);
}

TEST(Entry_Points, RecordsAndProtocolsAreAddressedTogetherAndOwnedByTheList) {
    int deleted = 0;
    Device_List* list = Device_List_Create();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Device_List_Refresh(list), 0) << "a host without cameras this library can reach";
    EXPECT_TRUE(All_Zero(Device_List_Get_Info(list, 0)));
    EXPECT_EQ(Device_List_Get_Protocol(list, 0), nullptr);
    const auto fill = [&](std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i) {
            list->Records.push_back(Device_Info_Record{});
            list->Records.back().Port_Number = i + 1;
            list->Protocols.List.push_back(new Counted_Protocol(deleted));
        }
    };
    fill(3);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Device_List_Get_Info(list, i).Port_Number, i + 1);
        EXPECT_EQ(Device_List_Get_Protocol(list, i), *std::next(list->Protocols.List.begin(), i));
    }
    for (std::uint32_t past : {3u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(All_Zero(Device_List_Get_Info(list, past)));
        EXPECT_EQ(Device_List_Get_Protocol(list, past), nullptr);
    }
    EXPECT_EQ(Device_List_Refresh(list), 0) << "a refresh starts from empty";
    EXPECT_EQ(deleted, 3);
    fill(1);
    Device_List_Clear(list);
    EXPECT_EQ(deleted, 4);
    EXPECT_EQ(list->Count(), 0u);
    fill(1);
    list->Protocols.List.push_back(nullptr); // a null slot is skipped
    list->Protocols.Release_All();
    EXPECT_EQ(deleted, 5);
    fill(1);
    Device_List_Release(list);
    EXPECT_EQ(deleted, 6);
}

TEST(Entry_Points, ProtocolEntryPointsPassTheOperationsResultsThrough) {
    test::Simulated_Chip chip;
    Extension_Unit_SPCA2620_Protocol protocol(chip.New_Device());
    std::uint8_t value = 0;
    EXPECT_EQ(Protocol_Write_Reg(&protocol, 0x20D8, 0x5A), 0);
    EXPECT_EQ(Protocol_Read_Reg(&protocol, 0x20D8, &value), 0);
    EXPECT_EQ(value, 0x5A);
    EXPECT_EQ(Protocol_Reset_Device(&protocol), 0);
    EXPECT_EQ(chip.camera->Restart_Count(), 1u);
    const platform::HRESULT stall = platform::Hresult_From_Win32(platform::Win32_Error::Gen_Failure);
    chip.camera->Faults().Fail_Selector(2, stall);
    EXPECT_EQ(Protocol_Read_Reg(&protocol, 0x20FF, &value), stall)
        << "a platform result reaches the tool unchanged";
}

// The trace lines of each kind are checked where the library writes them (discovery,
// identification, the download, the hub walk); here, that nothing is written without a stream
// and where a location line says it was written.
TEST(Log, WritesOnlyWhileAStreamIsSetAndNamesTheSourceBelowTheSourceFolder) {
    test::Log_Capture capture;
    Log_Value("Exe_Count", 64);
    Set_Log_File(nullptr);
    Log_Value("while off", 2);
    EXTENSION_UNIT_LOG_LOCATION();
    Set_Log_File(capture.stream);
    const int line = __LINE__ + 1;
    EXTENSION_UNIT_LOG_LOCATION();
    EXPECT_EQ(capture.Text(), "\r\n[Exe_Count]=64\r\n\r\n " + std::string(Log_Source_Path(__FILE__)) + "(" +
                                  std::to_string(line) + ")-TestBody\r\n");
    EXPECT_STREQ(Log_Source_Path("/home/x/source/tree/source/Extension_Unit_Class/ExtUnit.cpp"),
                 "source/Extension_Unit_Class/ExtUnit.cpp");
    EXPECT_STREQ(Log_Source_Path("source/a.cpp"), "source/a.cpp");
    EXPECT_STREQ(Log_Source_Path("/work/resource/b.cpp"), "/work/resource/b.cpp")
        << "only a whole folder name";
}

} // namespace
