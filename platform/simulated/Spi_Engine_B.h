#pragma once
// SPI engine B, registers 0x2C24 to 0x2C2C: the host loads a whole command, starts it, and
// reads the answer afterwards.
//   0x2C25  0x10 loads a new command (both queues emptied); 0x01 runs it; reads 0x00 (done)
//   0x2C24  writes queue the bytes to send; reads take the received bytes in order (0xFF
//           once none is left)
//   0x2C26  data length n (0x2C27 its high byte)
//   0x2C2A  0: a read command: send every queued byte, then clock n bytes in;
//           1: a write command: send the opcode and n data bytes, release the flash, then
//              poll its status with the next queued byte as the read-status opcode until
//              (status & 0x2C2B) == 0x2C2C; one that made the part write leaves the chip
//              busy for Status_Write_Busy_Ms
// Each run is one transaction on the flash (a write command's poll a second one).
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/simulated/Flash_Controller.h"
#include "platform/simulated/Register_Bus.h"

namespace platform::simulated {

inline constexpr std::uint16_t Spi_Engine_B_First = 0x2C24;
inline constexpr std::uint16_t Spi_Engine_B_Last = 0x2C2C;

class Spi_Engine_B final : public Register_Behaviour {
public:
    // `flash` must outlive the behaviour.
    explicit Spi_Engine_B(Flash_Controller& flash) : flash_(flash) {}

    std::uint8_t Read(Register_Bus& bus, std::uint16_t address) override;
    void Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) override;
    void Power_On() override;

private:
    void Run(Register_Bus& bus);

    Flash_Controller& flash_;
    std::vector<std::uint8_t> to_send_;
    std::deque<std::uint8_t> received_;
};

} // namespace platform::simulated
