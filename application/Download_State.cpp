#include "Download_State.h"

std::unique_ptr<std::uint8_t[]> Download_Buffer;
std::uint32_t Download_Size = 0;
