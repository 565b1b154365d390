#pragma once
// SPI master A, registers 0x2020 to 0x2025: the host drives the flash byte by byte.
//   0x2020  control; the host writes 0x80 before a transaction (kept, no effect here)
//   0x2021  status; read after every byte, always ready (0x00): bytes move at once
//   0x2022  a write sends the byte to the flash (while it is selected)
//   0x2023  a read returns the receive latch (the last byte clocked in)
//   0x2024  a read clocks one byte in from the flash, latches it and returns it
//   0x2025  chip select: bit 1 clear selects the flash (0x00), set releases it (0x02); a
//           release that makes the part write (status, erase, program) leaves the chip busy
//           for Status_Write_Busy_Ms
// A byte sent or clocked while the flash is not selected reaches no part (it reads 0xFF).
// Power-on clears the latch; nothing else survives a restart but the registers' memory.
#include <cstdint>

#include "platform/simulated/Flash_Controller.h"
#include "platform/simulated/Register_Bus.h"

namespace platform::simulated {

inline constexpr std::uint16_t Spi_Master_A_First = 0x2020;
inline constexpr std::uint16_t Spi_Master_A_Last = 0x2025;

class Spi_Master_A final : public Register_Behaviour {
public:
    // `flash` must outlive the behaviour.
    explicit Spi_Master_A(Flash_Controller& flash) : flash_(flash) {}

    std::uint8_t Read(Register_Bus& bus, std::uint16_t address) override;
    void Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) override;
    void Power_On() override;

private:
    Flash_Controller& flash_;
    bool selected_ = false;
    std::uint8_t latch_ = 0;
};

} // namespace platform::simulated
