#pragma once
// The burn's shared state, one set for the process: the image the next burn writes, made by
// each load and edited by the burn.
#include <cstdint>
#include <memory>

extern std::unique_ptr<std::uint8_t[]> Download_Buffer;
extern std::uint32_t Download_Size;
