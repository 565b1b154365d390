#pragma once
// How identification tells a camera's chip: one row per probe, tried in order. A probe pairs
// the camera's two bindings with the vendor extension-unit GUIDs of its product: a direct
// match decides at once; otherwise further pairings and the identity registers (read through
// a temporary chip protocol, detached before it is destroyed) decide by a register table.
#include <array>
#include <cstdint>
#include <new>
#include <optional>
#include <span>

#include "Extension_Unit_Class/Chip_Family.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2085_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2282_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2620_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2650_Protocol.h"
#include "platform/Guid.h"

// The chip codes identification gives.
inline constexpr std::uint32_t Chip_Code_SPCA2620 = 0x100;
inline constexpr std::uint32_t Chip_Code_SPCA2281 = 0x101;
inline constexpr std::uint32_t Chip_Code_SPCA2085 = 0x102;
inline constexpr std::uint32_t Chip_Code_SPCA2092 = 0x103;
inline constexpr std::uint32_t Chip_Code_SPCA2650 = 0x105;
inline constexpr std::uint32_t Chip_Code_SPCA2282 = 0x106;
inline constexpr std::uint32_t Chip_Code_Soc_M5 = 0x200;

// The vendor extension-unit GUIDs the probes try.
inline constexpr platform::GUID Unit_G1 = platform::Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47547B3D8C}");
inline constexpr platform::GUID Unit_G2 = platform::Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B46A336CA}");
inline constexpr platform::GUID Unit_G3 = platform::Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47579D95FC}");
inline constexpr platform::GUID Unit_G4 = platform::Guid_Literal("{28F03370-6311-4A2E-BA2C-6890EB334016}");
inline constexpr platform::GUID Unit_G5 = platform::Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B8A65F37A}");
inline constexpr platform::GUID Unit_G6 = platform::Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B538A98FA}");
inline constexpr platform::GUID Unit_G7 = platform::Guid_Literal("{28F03370-6311-4A2E-BA2C-689058ADF196}");
inline constexpr platform::GUID Unit_G8 = platform::Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47A26D62FC}");
inline constexpr platform::GUID Unit_G9 = platform::Guid_Literal("{63610682-5070-49AB-B8CC-B385471C639D}");
inline constexpr platform::GUID Unit_G10 = platform::Guid_Literal("{63610682-5070-49AB-B8CC-B3855E8D221D}");
inline constexpr platform::GUID Unit_G11 = platform::Guid_Literal("{0FB885C3-68C2-4547-90F7-8F4750A2D32C}");
inline constexpr platform::GUID Unit_G12 = platform::Guid_Literal("{63610682-5070-49AB-B8CC-B38558C4C58D}");
inline constexpr platform::GUID Unit_G13 = platform::Guid_Literal("{0FB885C3-68C2-4547-90F7-8F4788C218EC}");
inline constexpr platform::GUID Unit_G14 = platform::Guid_Literal("{63610682-5070-49AB-B8CC-B385D2619A4D}");
inline constexpr platform::GUID Unit_G15 = platform::Guid_Literal("{514E555A-A632-2A44-A5ED-BB2EC8A8A88B}");

// The three flags of a probe; a try that answers sets its flag, and a try whose flag is set
// already is skipped. The number is the one the trace lines show ("ID1", "ID2", "ID3").
enum class Probe_Flag : std::uint8_t { ID1 = 1, ID2 = 2, ID3 = 3 };

struct Pairing_Try {
    Probe_Flag Flag;
    Unit_Binding Binding; // xu1 or xu2
    std::uint16_t Node;
    platform::GUID Guid;
    int Try_Number; // as the trace line shows it
};

// A row decides when 0x20FF holds its value and the other two registers theirs (nullopt: not
// compared). A 0x20FF value that some row lists is decided by its own rows only: when none of
// them matches, the camera is not recognised; only a value no row lists falls to the rows for
// any other value (Reg_20FF nullopt).
struct Register_Decision_Row {
    std::optional<std::uint8_t> Reg_20FF;
    std::optional<std::uint8_t> Reg_2051;
    std::optional<std::uint8_t> Reg_20D9;
    std::uint32_t Chip_Code;
};

namespace decision_rows {
inline constexpr Register_Decision_Row C5{0xC5, 1, 0, Chip_Code_SPCA2092};
inline constexpr Register_Decision_Row C9{0xC9, 1, 0, Chip_Code_SPCA2085};
inline constexpr Register_Decision_Row D2{0xD2, 0, 0, Chip_Code_SPCA2620};
inline constexpr Register_Decision_Row FF{0xFF, 0xFF, 0, Chip_Code_SPCA2282};
inline constexpr Register_Decision_Row Other_2{std::nullopt, 0, 2, Chip_Code_SPCA2650};
inline constexpr Register_Decision_Row Other_3{std::nullopt, 0, 3, Chip_Code_SPCA2650};
} // namespace decision_rows

// Decision A, and its forms without the 0xFF row (decision B's 0xFF row added alike).
inline constexpr std::array Register_Decision_A{decision_rows::C5, decision_rows::C9, decision_rows::D2,
                                                decision_rows::FF, decision_rows::Other_2};
inline constexpr std::array Register_Decision_A_Without_FF{decision_rows::C5, decision_rows::C9,
                                                           decision_rows::D2, decision_rows::Other_2};
inline constexpr std::array Register_Decision_B{decision_rows::C5, decision_rows::C9, decision_rows::D2,
                                                decision_rows::Other_3, decision_rows::Other_2};
inline constexpr std::array Register_Decision_B_With_FF{decision_rows::C5,      decision_rows::C9,
                                                        decision_rows::D2,      decision_rows::FF,
                                                        decision_rows::Other_3, decision_rows::Other_2};
// 0x20FF alone.
inline constexpr std::array<Register_Decision_Row, 3> Register_Decision_8M{{
    {0xD2, std::nullopt, std::nullopt, Chip_Code_SPCA2620},
    {0xC9, std::nullopt, std::nullopt, Chip_Code_SPCA2085},
    {0xC5, std::nullopt, std::nullopt, Chip_Code_SPCA2092},
}};
inline constexpr std::array<Register_Decision_Row, 1> Register_Decision_3M{{
    {0xA8, std::nullopt, std::nullopt, Chip_Code_SPCA2281},
}};

// A temporary chip protocol on the device under probe; null when it cannot be made.
template <typename Protocol>
Extension_Unit_Chip_Protocol* Borrow_Device(Extension_Unit_Base_Class* device) {
    return new (std::nothrow) Protocol(device);
}

struct Register_Stage {
    Extension_Unit_Chip_Protocol* (*Borrow)(Extension_Unit_Base_Class* device);
    bool Reads_All_Three; // 0x20FF, 0x2051 and 0x20D9 in this order, else 0x20FF alone
    std::span<const Register_Decision_Row> Decision;
};

// A probe: the direct pair first (the second try only once the first answered); then the
// further tries; then, with ID1 (and ID2 where needed) set, the register stage, which ends the
// probe; else, where there is one, the third try and its register stage.
struct Chip_Probe {
    const char* Product_Id; // in the probe's trace lines
    const char* Label;      // logged when identification ends with this probe
    Pairing_Try Direct_First;
    Pairing_Try Direct_Second;
    bool Direct_Needs_Second; // else the direct first alone decides (the second is tried all the same)
    std::uint32_t Direct_Code;
    std::span<const Pairing_Try> Further;
    bool Stage_Needs_ID2;
    std::optional<Register_Stage> Stage;
    std::optional<Pairing_Try> Third;
    std::optional<Register_Stage> Third_Stage;
};

namespace probe_tries {
using enum Probe_Flag;
inline constexpr Unit_Binding xu1 = Unit_Binding::First;
inline constexpr Unit_Binding xu2 = Unit_Binding::Second;

inline constexpr Pairing_Try Further_8M[] = {
    {ID1, xu1, 2, Unit_G3, 1}, {ID1, xu1, 2, Unit_G4, 2}, {ID2, xu2, 3, Unit_G5, 1}};
inline constexpr Pairing_Try Further_3M[] = {{ID1, xu1, 2, Unit_G5, 0}, {ID2, xu2, 3, Unit_G4, 0}};
inline constexpr Pairing_Try Further_1080P[] = {
    {ID1, xu1, 2, Unit_G3, 1}, {ID1, xu1, 2, Unit_G4, 2}, {ID2, xu2, 3, Unit_G10, 1}};
inline constexpr Pairing_Try Further_56[] = {{ID1, xu1, 2, Unit_G3, 1}, {ID2, xu2, 3, Unit_G10, 1}};
inline constexpr Pairing_Try Third_G10_On_Node_2{ID3, xu2, 2, Unit_G10, 2};
} // namespace probe_tries

inline constexpr Chip_Probe Probe_ZUNQ_56_2{
    .Product_Id = "ZUNQ_56_2",
    .Label = "ZUNQ_56_2",
    .Direct_First = {Probe_Flag::ID1, Unit_Binding::First, 2, Unit_G11, 0},
    .Direct_Second = {Probe_Flag::ID2, Unit_Binding::Second, 3, Unit_G12, 0},
    .Direct_Needs_Second = true,
    .Direct_Code = Chip_Code_SPCA2650,
    .Further = probe_tries::Further_56,
    .Stage_Needs_ID2 = true,
    .Stage = Register_Stage{Borrow_Device<Extension_Unit_SPCA2650_Protocol>, true, Register_Decision_A},
    .Third = probe_tries::Third_G10_On_Node_2,
    .Third_Stage = Register_Stage{Borrow_Device<Extension_Unit_SPCA2650_Protocol>, true, Register_Decision_B},
};

inline constexpr Chip_Probe Probe_ZUN_3M_1{
    .Product_Id = "ZUN_3M_1",
    .Label = "ZUN_3M_1",
    .Direct_First = {Probe_Flag::ID1, Unit_Binding::First, 2, Unit_G6, 0},
    .Direct_Second = {Probe_Flag::ID2, Unit_Binding::Second, 3, Unit_G7, 0},
    .Direct_Needs_Second = false,
    .Direct_Code = Chip_Code_SPCA2281,
    .Further = probe_tries::Further_3M,
    .Stage_Needs_ID2 = false,
    .Stage = Register_Stage{Borrow_Device<Extension_Unit_SPCA2281_Protocol>, false, Register_Decision_3M},
    .Third = std::nullopt,
    .Third_Stage = std::nullopt,
};

// Its success is logged under the SPCA2092's product id, whichever of the two it found.
inline constexpr Chip_Probe Probe_ZUN_1080P_1{
    .Product_Id = "ZUN_1080P_1",
    .Label = "ZUN_1080P_2",
    .Direct_First = {Probe_Flag::ID1, Unit_Binding::First, 2, Unit_G8, 0},
    .Direct_Second = {Probe_Flag::ID2, Unit_Binding::Second, 3, Unit_G9, 0},
    .Direct_Needs_Second = true,
    .Direct_Code = Chip_Code_SPCA2085,
    .Further = probe_tries::Further_1080P,
    .Stage_Needs_ID2 = true,
    .Stage =
        Register_Stage{Borrow_Device<Extension_Unit_SPCA2085_Protocol>, true, Register_Decision_A_Without_FF},
    .Third = std::nullopt,
    .Third_Stage = std::nullopt,
};

inline constexpr Chip_Probe Probe_ZUN_8M_1{
    .Product_Id = "ZUN_8M_1",
    .Label = "ZUN_8M_1",
    .Direct_First = {Probe_Flag::ID1, Unit_Binding::First, 2, Unit_G1, 0},
    .Direct_Second = {Probe_Flag::ID2, Unit_Binding::Second, 3, Unit_G2, 0},
    .Direct_Needs_Second = true,
    .Direct_Code = Chip_Code_SPCA2620,
    .Further = probe_tries::Further_8M,
    .Stage_Needs_ID2 = true,
    .Stage = Register_Stage{Borrow_Device<Extension_Unit_SPCA2620_Protocol>, false, Register_Decision_8M},
    .Third = std::nullopt,
    .Third_Stage = std::nullopt,
};

inline constexpr Chip_Probe Probe_ZUNQ_SOC_550_0{
    .Product_Id = "ZUNQ_SOC_550_0",
    .Label = "ZUNQ_SOC_550_0",
    .Direct_First = {Probe_Flag::ID1, Unit_Binding::First, 2, Unit_G5, 0},
    .Direct_Second = {Probe_Flag::ID2, Unit_Binding::Second, 3, Unit_G15, 0},
    .Direct_Needs_Second = true,
    .Direct_Code = Chip_Code_Soc_M5,
    .Further = {},
    .Stage_Needs_ID2 = true,
    .Stage = std::nullopt,
    .Third = std::nullopt,
    .Third_Stage = std::nullopt,
};

inline constexpr Chip_Probe Probe_ZUNQ_1080p_3D{
    .Product_Id = "ZUNQ_1080p_3D",
    .Label = "ZUNQ_1080p_3D",
    .Direct_First = {Probe_Flag::ID1, Unit_Binding::First, 2, Unit_G13, 0},
    .Direct_Second = {Probe_Flag::ID2, Unit_Binding::Second, 3, Unit_G14, 0},
    .Direct_Needs_Second = true,
    .Direct_Code = Chip_Code_SPCA2282,
    .Further = probe_tries::Further_56,
    .Stage_Needs_ID2 = true,
    .Stage = Register_Stage{Borrow_Device<Extension_Unit_SPCA2282_Protocol>, true, Register_Decision_A},
    .Third = probe_tries::Third_G10_On_Node_2,
    .Third_Stage =
        Register_Stage{Borrow_Device<Extension_Unit_SPCA2282_Protocol>, true, Register_Decision_B_With_FF},
};

// Identify's order.
inline constexpr std::array<const Chip_Probe*, 6> Chip_Probes{&Probe_ZUNQ_56_2,      &Probe_ZUN_3M_1,
                                                              &Probe_ZUN_1080P_1,    &Probe_ZUN_8M_1,
                                                              &Probe_ZUNQ_SOC_550_0, &Probe_ZUNQ_1080p_3D};
