#pragma once
// Fixed scripts of 8-bit chip-register accesses, one step a row: the way the host drives a
// chip's SPI master or engine by hand. A read step names where its byte goes, a place of the
// caller's buffer or the scratch byte nobody looks at; a write step carries its value.
#include <cstdint>

struct Register_Step {
    bool Write;
    std::uint16_t Address;
    std::uint8_t Value; // write: the value; read: the place the byte goes
};

inline constexpr std::uint8_t Scratch_Place = 0xFF;

constexpr Register_Step Write_Step(std::uint16_t address, std::uint8_t value) {
    return {true, address, value};
}

constexpr Register_Step Read_Step(std::uint16_t address, std::uint8_t place = Scratch_Place) {
    return {false, address, place};
}
