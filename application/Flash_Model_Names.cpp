#include "Flash_Model_Names.h"

const std::array<const char*, Flash_Model_Count> Flash_Model_Names = {
    "SF_UNDEFINED",     // 0
    "SF_MX25L512",      // 1
    "SF_GD25Q512",      // 2
    "SF_FM25F005",      // 3
    "SF_FM25F01",       // 4
    "SF_MD25D512",      // 5
    "SF_MD25D10",       // 6
    "SF_MX25L1006E",    // 7
    "SF_GT25F512",      // 8
    "SF_PM25LQ512",     // 9
    "SF_W25X05CL",      // 10
    "SF_MK25D40",       // 11
    "SF_ZB25D16",       // 12
    "SF_MK25D16",       // 13
    "SF_GD25D10B",      // 14
    "SF_BY25Q512",      // 15
    "SF_GD25D05",       // 16
    "SF_IS25LQ040B",    // 17
    "SF_IS25LQ512",     // 18
    "SF_MX25V1006F",    // 19
    "SF_W25X10CL",      // 20
    "SF_MK25D80",       // 21
    "SF_MK25D40BT",     // 22
    "SF_T25S80XZ",      // 23
    "SF_P25Q40H",       // 24
    "SF_T25S80PW",      // 25
    "SF_P25Q05H",       // 26
    "SF_P25Q10H",       // 27
    "SF_MX25L4006E",    // 28
    "SF_PM25WQ080",     // 29
    "SF_PM25LQ080",     // 30
    "SF_GD25LQ128",     // 31
    "SF_GD25LQ80",      // 32
    "SF_W25Q80BW",      // 33
    "SF_GD25Q16C",      // 34
    "SF_GD25Q20C",      // 35
    "SF_LE25U20AMB",    // 36
    "SF_BG25Q40A",      // 37
    "SF_GD25Q40C",      // 38
    "SF_BH25D40A",      // 39
    "SF_GD25D20C",      // 40
    "SF_MX25L2006E",    // 41
    "SF_MX25V2033FM1L", // 42
    "SF_P25Q21H",       // 43
    "SF_FM25W04",       // 44
    "SF_FM25Q04",       // 45
    "SF_FM25W02",       // 46
    "SF_MX25V2035F",    // 47
    "SF_W25X40CLSNIG",  // 48
    "SF_W25X20CLSNIG",  // 49
    "SF_MX25U3235F",    // 50
    "SF_XT25F01",       // 51
    "SF_XT25F01C_D",    // 52
    "SF_BH25D05",       // 53
    "SF_BH25D10B",      // 54
    "SF_MX25V8035F",    // 55
    "SF_MX25L6406E",    // 56
    "SF_FH25V08",       // 57
    "SF_P25Q80H",       // 58
    "SF_GD25Q80CTIG",   // 59
    "SF_EN25Q80C",      // 60
    "SF_MX25V4035F",    // 61
    "SF_MX25L5121E",    // 62
    "SF_MX25L1021E",    // 63
    "SF_KH25L5121E",    // 64
    "SF_KH25L1021E",    // 65
    "SF_SST25VF512",    // 66
    "SF_PM25LD512",     // 67
    "SF_PM25LD256",     // 68
    "SF_PM25LV512",     // 69
    "SF_AT25F512B",     // 70
    "SF_AT25SF041",     // 71
    "SF_EN25F05",       // 72
    "SF_EN25F40",       // 73
    "SF_EN25F10A",      // 74
    "SF_EN25F20A",      // 75
    "SF_EN25Q40A",      // 76
    "SF_AMICA25LS512",  // 77
};

const char* Flash_Model_Name(int model) {
    if (model < 0 || static_cast<std::size_t>(model) >= Flash_Model_Names.size())
        return "";
    return Flash_Model_Names[static_cast<std::size_t>(model)];
}
