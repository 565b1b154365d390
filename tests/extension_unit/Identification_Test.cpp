#include <gtest/gtest.h>

#include <map>

#include "Extension_Unit_Class/Chip_Probes.h"
#include "Log_Capture.h"
#include "Simulated_Host.h"

namespace {

using test::Probed_Camera;
using Identity = std::array<std::uint8_t, 3>;
using Probe_Method = bool (Extension_Unit_Base_Class::*)();

// The register values a decision row stands for; a value the table does not list for "any other".
Identity Registers_For(const Register_Decision_Row& row) {
    return {row.Reg_20FF.value_or(0x42), row.Reg_2051.value_or(0), row.Reg_20D9.value_or(0)};
}

struct Stage_Case {
    const char* Probe;
    Probe_Method Method;
    const char* Layout;
    std::span<const Register_Decision_Row> Decision;
};

// Each probe's register stages, with a layout that brings the probe there.
const Stage_Case Stage_Cases[] = {
    {"Is_ZUNQ_56_2", &Extension_Unit_Base_Class::Is_ZUNQ_56_2, "G3@2+G10@3", Register_Decision_A},
    {"Is_ZUNQ_56_2", &Extension_Unit_Base_Class::Is_ZUNQ_56_2, "G10@2", Register_Decision_B},
    {"Is_ZUN_3M_1", &Extension_Unit_Base_Class::Is_ZUN_3M_1, "G5@2", Register_Decision_3M},
    {"Is_ZUN_1080P_1", &Extension_Unit_Base_Class::Is_ZUN_1080P_1, "G3@2+G10@3",
     Register_Decision_A_Without_FF},
    {"Is_ZUN_1080P_1", &Extension_Unit_Base_Class::Is_ZUN_1080P_1, "G4@2+G10@3",
     Register_Decision_A_Without_FF},
    {"Is_ZUN_8M_1", &Extension_Unit_Base_Class::Is_ZUN_8M_1, "G3@2+G5@3", Register_Decision_8M},
    {"Is_ZUN_8M_1", &Extension_Unit_Base_Class::Is_ZUN_8M_1, "G4@2+G5@3", Register_Decision_8M},
    {"Is_ZUNQ_1080p_3D", &Extension_Unit_Base_Class::Is_ZUNQ_1080p_3D, "G3@2+G10@3", Register_Decision_A},
    {"Is_ZUNQ_1080p_3D", &Extension_Unit_Base_Class::Is_ZUNQ_1080p_3D, "G10@2", Register_Decision_B_With_FF},
};

TEST(Identification, EveryRegisterDecisionRowDecidesInEveryProbeThatUsesIt) {
    for (const Stage_Case& stage : Stage_Cases) {
        SCOPED_TRACE(std::string(stage.Probe) + " in " + stage.Layout);
        for (const Register_Decision_Row& row : stage.Decision) {
            Probed_Camera camera("SPCA2650", stage.Layout, Registers_For(row));
            EXPECT_TRUE(((*camera.device).*stage.Method)());
            EXPECT_EQ(camera->Get_Chip_Code(), row.Chip_Code);
        }
        // A listed 0x20FF value whose other registers match none of its rows does not fall
        // to the rows for any other value; neither does an unlisted one that matches none.
        for (const Identity& registers : {Identity{0xC9, 0x00, 0x02}, Identity{0x42, 0x07, 0x07}}) {
            if (!stage.Decision[0].Reg_2051 && registers[0] != 0x42)
                continue; // tables of 0x20FF alone decide any 0xC9 the same way
            Probed_Camera camera("SPCA2650", stage.Layout, registers);
            EXPECT_FALSE(((*camera.device).*stage.Method)());
            EXPECT_EQ(camera->Get_Chip_Code(), 0u);
        }
    }
}

TEST(Identification, EachFamilysOwnPairIsADirectMatch) {
    const std::map<std::string, std::uint32_t> code_of{{"SPCA2620", 0x100}, {"SPCA2281", 0x101},
                                                       {"SPCA2085", 0x102}, {"SPCA2650", 0x105},
                                                       {"SPCA2282", 0x106}, {"SOC_M5", 0x200}};
    for (const auto& [family, code] : code_of) {
        // Registers that no register stage would take: only the pair can decide.
        Probed_Camera camera(family, "direct", Identity{0x42, 0x42, 0x42});
        EXPECT_EQ(camera->Identify(), 0) << family;
        EXPECT_EQ(camera->Get_Chip_Code(), code) << family;
        // Half the pair is no match: only the SPCA2281's first unit decides alone.
        if (family != "SPCA2281") {
            EXPECT_EQ(Probed_Camera(family, "direct-first")->Identify(), -1) << family;
        }
    }
    Probed_Camera none("SPCA2620", "none");
    EXPECT_EQ(none->Identify(), -1);
    EXPECT_EQ(none->Get_Chip_Code(), 0u);
}

TEST(Identification, EdgeCasesOfTheProbeOrder) {
    test::Log_Capture log;
    Probed_Camera first_only("SPCA2281", "direct-first", Identity{0x42, 0, 0});
    EXPECT_EQ(first_only->Identify(), 0);
    EXPECT_EQ(first_only->Get_Chip_Code(), 0x101u) << "G6 on node 2 alone";
    EXPECT_NE(log.Text().find("ZUN_3M_1 ID2 0 fail -1\r\n\t this is new ZUN_3M_1!\r\n"), std::string::npos);

    log.Clear();
    Probed_Camera first_probe("SPCA2085", "G3@2+G10@3", Identity{0xC9, 1, 0});
    EXPECT_EQ(first_probe->Identify(), 0);
    EXPECT_EQ(first_probe->Get_Chip_Code(), 0x102u);
    EXPECT_EQ(log.Text().find("ZUN_3M_1"), std::string::npos) << "the first probe decided";
    EXPECT_NE(log.Text().find("*****************\tZUNQ_56_2\t"), std::string::npos);

    log.Clear();
    Probed_Camera d2("SPCA2620", "G3@2+G10@3", Identity{0xD2, 1, 0});
    EXPECT_FALSE(d2->Is_ZUNQ_56_2());
    EXPECT_EQ(log.Text().find("ID3"), std::string::npos) << "the stage after a failed decision is not tried";
    EXPECT_EQ(d2->Identify(), -1) << "and the other probes do not take it either";
    EXPECT_NE(log.Text().find("ZUNQ_1080p_3D ID2 1 OK 0"), std::string::npos) << "every probe ran";

    // A second unit whose pairing fails keeps the register stage away, though the chip would
    // answer its registers through that binding.
    Probed_Camera unpaired("SPCA2085", "G3@2+G10@3");
    unpaired.camera->Faults().Fail_Request(3,
                                           platform::Hresult_From_Win32(platform::Win32_Error::Gen_Failure));
    EXPECT_FALSE(unpaired->Is_ZUNQ_56_2()) << "its ID2 try, after G11 and G3 on node 2, failed";

    const auto ff = Identity{0xFF, 0xFF, 0x00};
    EXPECT_FALSE(Probed_Camera("SPCA2282", "G4@2+G10@3", ff)->Is_ZUN_1080P_1());
    Probed_Camera ff_3d("SPCA2282", "G3@2+G10@3", ff);
    EXPECT_EQ(ff_3d->Identify(), 0);
    EXPECT_EQ(ff_3d->Get_Chip_Code(), 0x106u);
}

TEST(Identification, TracesEveryTryAndEveryRegisterRead) {
    test::Log_Capture log;
    EXPECT_TRUE(Probed_Camera("SPCA2620", "G4@2+G5@3")->Is_ZUN_8M_1());
    const std::string fail = "\r\n[hr]=\r\nEXT_UNIT.set_KsControl Pair Fail -1\r\n";
    EXPECT_EQ(log.Text(), fail + "ZUN_8M_1 ID1 0 fail -1\r\n" + fail +
                              "ZUN_8M_1 ID1 1 fail -1\r\n"
                              "ZUN_8M_1 ID1 2 OK 0\r\n"
                              "ZUN_8M_1 ID2 1 OK 0\r\n"
                              "\t this 20ff d2!\r\n");
    log.Clear();
    EXPECT_TRUE(Probed_Camera("SPCA2620", "direct")->Is_ZUN_8M_1());
    EXPECT_EQ(log.Text(), "ZUN_8M_1 ID1 0 OK 0\r\nZUN_8M_1 ID2 0 OK 0\r\n\t this is new ZUN_8M_1!\r\n");
    log.Clear();
    EXPECT_TRUE(Probed_Camera("SPCA2650", "G3@2+G10@3")->Is_ZUN_1080P_1());
    EXPECT_NE(log.Text().find("\t this 20ff 00!\r\n\t this 2051 00!\r\n\t this 20d9 02!\r\n"),
              std::string::npos);
}

TEST(Identification, ARegisterStageHandsTheDeviceBackAndLeavesItsBindingsInPlace) {
    Probed_Camera camera("SPCA2281", "G5@2");
    ASSERT_EQ(camera->Identify(), 0);
    EXPECT_EQ(camera->xu1.Node_Id, 2u);
    EXPECT_EQ(camera->xu1.Property_Set, Unit_G5);
    Extension_Unit_SPCA2281_Protocol protocol(camera.device.get());
    std::uint8_t value = 0;
    EXPECT_EQ(protocol.Read_Reg(0x20FF, &value), 0) << "the device outlived its temporary protocol";
    EXPECT_EQ(value, 0xA8);
    protocol.Detach_Device();
}

// Devices whose filter or control channel cannot be had are the discovery test's.
TEST(Identification, ADeviceWithoutAVideoInputPrintsWhereItStopped) {
    Extension_Unit_Base_Class without(std::unique_ptr<platform::Video_Input_Device>{});
    testing::internal::CaptureStderr();
    without.Init();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Init fail pIMoniker is NULL\r\n");
    EXPECT_EQ(without.Identify(), -1);
}

} // namespace
