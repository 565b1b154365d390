// Flash piece transfers of the chip families: one 4096-byte sector read, or erased and
// written, in chunks over the flash selectors. Every other piece-sized flash access (external
// ID, customer pieces, the rewrite of piece 0) goes through these two.
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

int Extension_Unit_Chip_Protocol::Read_ISP_Mem_Piece(std::uint16_t, std::uint8_t*) {
    // Not offered by this build: refused before anything reaches the camera.
    return Result_Failed;
}

int Extension_Unit_Chip_Protocol::Write_ISP_Mem_Piece(std::uint16_t, const std::uint8_t*) {
    // Not offered by this build: refused before anything reaches the camera.
    return Result_Failed;
}
