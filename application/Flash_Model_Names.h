#pragma once
// The names of the flash parts, by the model number a camera's protocol reports: row k names
// the part the camera library identifies as model k, so the two tables grow together. Row 0
// stands for a part that was not recognised.
#include <array>
#include <cstddef>

inline constexpr std::size_t Flash_Model_Count = 78;

extern const std::array<const char*, Flash_Model_Count> Flash_Model_Names;

// Row `model` of the table; "" for a number outside it (a missing protocol answers -1).
const char* Flash_Model_Name(int model);
