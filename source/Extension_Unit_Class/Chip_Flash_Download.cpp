// The verified firmware download of the chip families: whole-region erase, then write and
// read-back of every chunk, with progress.
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

int Extension_Unit_Chip_Protocol::Download_Firmware(const std::uint8_t*, std::uint32_t, float*) {
    // Not offered by this build: refused before anything reaches the camera.
    return Result_Failed;
}
