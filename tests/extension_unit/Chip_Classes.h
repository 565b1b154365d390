#pragma once
// The six chip protocol classes with what the tests expect of each.
#include <array>
#include <memory>

#include "Extension_Unit_Class/Extension_Unit_SPCA2085_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2092_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2282_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2620_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA2650_Protocol.h"

namespace test {

struct Chip_Class {
    const char* Name;
    Extension_Unit_Chip_Protocol* (*Create)(Extension_Unit_Base_Class* device);
    std::uint32_t Node; // the node of the binding the class talks through
    bool Restarts_By_Sequence_B;
    std::uint16_t ExID_Piece;
    std::uint16_t ExID_Offset;
    std::vector<std::uint16_t> Customer_Pieces;
};

template <typename Protocol>
Extension_Unit_Chip_Protocol* New(Extension_Unit_Base_Class* device) {
    return new Protocol(device);
}

inline const std::array<Chip_Class, 6> Chip_Classes{{
    {"SPCA2620", New<Extension_Unit_SPCA2620_Protocol>, 3, false, 13, 3584, {15, 14, 0}},
    {"SPCA2281", New<Extension_Unit_SPCA2281_Protocol>, 2, false, 6, 790, {13, 12, 0}},
    {"SPCA2085", New<Extension_Unit_SPCA2085_Protocol>, 3, false, 13, 3584, {15, 14, 0}},
    {"SPCA2092", New<Extension_Unit_SPCA2092_Protocol>, 3, false, 13, 3584, {15, 14, 0}},
    {"SPCA2650", New<Extension_Unit_SPCA2650_Protocol>, 3, true, 47, 0, {46, 45, 44, 0}},
    {"SPCA2282", New<Extension_Unit_SPCA2282_Protocol>, 3, true, 47, 0, {46, 45, 44, 0}},
}};

inline void PrintTo(const Chip_Class& chip_class, std::ostream* out) {
    *out << chip_class.Name;
}

inline std::string Chip_Class_Name(const testing::TestParamInfo<Chip_Class>& info) {
    return info.param.Name;
}

} // namespace test
