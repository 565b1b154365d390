#include "Extension_Unit_Class/Extension_Unit_Base_Class.h"

#include <algorithm>
#include <cstdio>

#include "Extension_Unit_Class/Chip_Probes.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"

namespace {

constexpr std::uint16_t Presence_Selector = 0;

// A temporary chip protocol hands the device back before it goes, so the device survives.
struct Detach_And_Delete {
    void operator()(Extension_Unit_Chip_Protocol* protocol) const {
        protocol->Detach_Device();
        delete protocol;
    }
};

bool Matches(const std::optional<std::uint8_t>& expected, std::uint8_t value) {
    return !expected || *expected == value;
}

std::optional<std::uint32_t> Decide(std::span<const Register_Decision_Row> rows, std::uint8_t reg_20ff,
                                    std::uint8_t reg_2051, std::uint8_t reg_20d9) {
    const bool listed = std::any_of(
        rows.begin(), rows.end(), [&](const Register_Decision_Row& row) { return row.Reg_20FF == reg_20ff; });
    for (const Register_Decision_Row& row : rows) {
        const bool row_applies = listed ? row.Reg_20FF == reg_20ff : !row.Reg_20FF;
        if (row_applies && Matches(row.Reg_2051, reg_2051) && Matches(row.Reg_20D9, reg_20d9))
            return row.Chip_Code;
    }
    return std::nullopt;
}

// Reads the identity registers through a temporary protocol on `device` and decides. A read
// that fails leaves its byte at 0.
std::optional<std::uint32_t> Run_Register_Stage(Extension_Unit_Base_Class& device,
                                                const Register_Stage& stage) {
    const std::unique_ptr<Extension_Unit_Chip_Protocol, Detach_And_Delete> reader(stage.Borrow(&device));
    if (!reader)
        return std::nullopt;
    std::uint8_t reg_20ff = 0;
    std::uint8_t reg_2051 = 0;
    std::uint8_t reg_20d9 = 0;
    reader->Read_Reg(0x20FF, &reg_20ff);
    Log_Printf("\t this 20ff %02x!\r\n", reg_20ff);
    if (stage.Reads_All_Three) {
        reader->Read_Reg(0x2051, &reg_2051);
        Log_Printf("\t this 2051 %02x!\r\n", reg_2051);
        reader->Read_Reg(0x20D9, &reg_20d9);
        Log_Printf("\t this 20d9 %02x!\r\n", reg_20d9);
    }
    return Decide(stage.Decision, reg_20ff, reg_2051, reg_20d9);
}

} // namespace

int Pair_Ext_Unit(platform::Ks_Control* control, ExtUnit& unit, const platform::GUID& guid,
                  std::uint16_t node, std::uint16_t selector) {
    unit.set_KsControl(control, guid, node);
    std::uint32_t length = 0;
    const int result = unit.Ks_Get_Length(selector, &length);
    if (result == 0)
        return 0;
    Log_Printf("\r\n[%s]=\r\nEXT_UNIT.set_KsControl Pair Fail %d\r\n", "hr", result);
    return -1;
}

Extension_Unit_Base_Class::Extension_Unit_Base_Class(std::unique_ptr<platform::Video_Input_Device> moniker)
    : pIMoniker(std::move(moniker)) {}

Extension_Unit_Base_Class::Extension_Unit_Base_Class(std::unique_ptr<platform::Ks_Control> control)
    : pIKsControl(std::move(control)) {}

Extension_Unit_Base_Class::~Extension_Unit_Base_Class() {
    pIKsControl.reset();
    pIBaseFilter.reset();
    pIMoniker.reset();
}

void Extension_Unit_Base_Class::Init() {
    if (!pIMoniker) {
        std::fputs("Init fail pIMoniker is NULL\r\n", stderr);
        return;
    }
    pIBaseFilter = pIMoniker->Bind_Filter();
    if (!pIBaseFilter) {
        std::fputs("Init fail pIBaseFilter is NULL\r\n", stderr);
        return;
    }
    pIKsControl = pIBaseFilter->Query_Control();
    if (!pIKsControl)
        std::fputs("Init fail pIKsControl is NULL\r\n", stderr);
}

int Extension_Unit_Base_Class::Identify() {
    for (const Chip_Probe* probe : Chip_Probes) {
        if (Run_Probe(*probe)) {
            Log_Identified(probe->Label);
            return 0;
        }
    }
    return -1;
}

std::uint32_t Extension_Unit_Base_Class::Get_Chip_Code() {
    return Chip_Code;
}

bool Extension_Unit_Base_Class::Run_Probe(const Chip_Probe& probe) {
    bool flags[4] = {};
    const auto attempt = [&](const Pairing_Try& pairing) {
        ExtUnit& unit = pairing.Binding == Unit_Binding::First ? xu1 : xu2;
        const int result =
            Pair_Ext_Unit(pIKsControl.get(), unit, pairing.Guid, pairing.Node, Presence_Selector);
        const auto flag = static_cast<std::uint8_t>(pairing.Flag);
        Log_Probe_Try(probe.Product_Id, flag, pairing.Try_Number, result);
        if (result == 0)
            flags[flag] = true;
        return result == 0;
    };
    const auto decided = [&](std::optional<std::uint32_t> code) {
        if (code)
            Chip_Code = *code;
        return code.has_value();
    };

    if (attempt(probe.Direct_First)) {
        const bool second = attempt(probe.Direct_Second);
        if (second || !probe.Direct_Needs_Second) {
            Chip_Code = probe.Direct_Code;
            Log_Printf("\t this is new %s!\r\n", probe.Product_Id);
            return true;
        }
    }
    for (const Pairing_Try& pairing : probe.Further) {
        if (!flags[static_cast<std::uint8_t>(pairing.Flag)])
            attempt(pairing);
    }
    const bool paired = flags[1] && (flags[2] || !probe.Stage_Needs_ID2);
    if (probe.Stage && paired)
        return decided(Run_Register_Stage(*this, *probe.Stage));
    if (probe.Third && probe.Third_Stage && attempt(*probe.Third))
        return decided(Run_Register_Stage(*this, *probe.Third_Stage));
    return false;
}

bool Extension_Unit_Base_Class::Is_ZUNQ_56_2() {
    return Run_Probe(Probe_ZUNQ_56_2);
}

bool Extension_Unit_Base_Class::Is_ZUN_3M_1() {
    return Run_Probe(Probe_ZUN_3M_1);
}

bool Extension_Unit_Base_Class::Is_ZUN_1080P_1() {
    return Run_Probe(Probe_ZUN_1080P_1);
}

bool Extension_Unit_Base_Class::Is_ZUN_8M_1() {
    return Run_Probe(Probe_ZUN_8M_1);
}

bool Extension_Unit_Base_Class::Is_ZUNQ_SOC_550_0() {
    return Run_Probe(Probe_ZUNQ_SOC_550_0);
}

bool Extension_Unit_Base_Class::Is_ZUNQ_1080p_3D() {
    return Run_Probe(Probe_ZUNQ_1080p_3D);
}

void Extension_Unit_Base_Class::Bind_Units(const platform::GUID& first_guid, std::uint16_t first_node,
                                           const platform::GUID& second_guid, std::uint16_t second_node) {
    xu1.set_KsControl(pIKsControl.get(), first_guid, first_node);
    xu2.set_KsControl(pIKsControl.get(), second_guid, second_node);
}
