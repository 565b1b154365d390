#pragma once
// The implementation the chip protocol classes share: register access through the family's
// extension unit, the restart sequence, the external ID, the customer pieces and the GPIO
// pins, each driven by the family's row of constants. The flash operations are grouped by
// concern in their own source files (pieces, identification and command sets, download).
#include <cstdint>
#include <span>

#include "Extension_Unit_Class/Chip_Family.h"
#include "Extension_Unit_Class/Chip_Register_Script.h"
#include "Extension_Unit_Class/Extension_Unit_Device_Protocol.h"
#include "Extension_Unit_Class/Flash_Identification.h"
#include "Extension_Unit_Class/Flash_Register_Scripts.h"

// 1 + the place of the first i below n (signed) where a[i] != b[i]; 0 when there is none
// (also for n <= 0).
int Byte_Compare(const std::uint8_t* a, const std::uint8_t* b, int n);

// Chunk lengths the transfers take: the divisors of a 4096-byte piece. Any other length a chip
// answers would leave part of every piece untransferred or run past the piece buffers.
constexpr bool Chunk_Length_Accepted(std::uint32_t length) {
    return length != 0 && length <= ISP_Piece_Size && ISP_Piece_Size % length == 0;
}

// The percent after step `step` of a download of `step_total` steps on `family`'s chips:
// step / Step_Divisor when the download has the family's usual step total, else
// step * 100 / step_total. Either way the last step gives exactly 100 and no step before it
// reaches 100 (the tool takes exactly 100 as success).
Download_Schedule Download_Schedule_Percent(const Chip_Family& family, std::uint32_t step,
                                            std::uint32_t step_total);

class Extension_Unit_Chip_Protocol : public Extension_Unit_Device_Protocol {
public:
    // Takes ownership of `device`. Construction sends nothing to the camera, so a chip probe
    // can build a protocol on a device it is still examining.
    Extension_Unit_Chip_Protocol(Extension_Unit_Base_Class* device, const char* product_id,
                                 const Chip_Family& family);

    const Chip_Family& Family() const { return family_; }

    int Read_Reg(std::uint16_t address, std::uint8_t* value) override;
    int Write_Reg(std::uint16_t address, std::uint8_t value) override;
    int Read_Reg16(std::uint16_t address, std::uint16_t* value) override;
    int Write_Reg16(std::uint16_t address, std::uint16_t value) override;
    int Read_ISP_Mem_Piece(std::uint16_t piece, std::uint8_t* buffer) override;
    int Write_ISP_Mem_Piece(std::uint16_t piece, const std::uint8_t* buffer) override;
    int Set_Flash_type(std::uint8_t which) override;
    int Get_Flash_Model() override;
    Flash_Command_Set Get_Flash_Type(std::uint8_t* family) override;
    int Get_Flash_Length_Mes(std::uint16_t* length) override;
    Download_Result_Code Download_Firmware(const std::uint8_t* image, std::uint32_t length,
                                           Download_Schedule* progress) override;
    int Reset_Device() override;
    int Read_ExID(std::uint8_t* out) override;
    int Write_ExID(const std::uint8_t* in) override;
    int Read_Customer_Piece(std::uint16_t index, std::uint8_t* buffer) override;
    int Write_Customer_Piece(std::uint16_t index, const std::uint8_t* buffer) override;
    int Gpio_Set_Bit(std::uint32_t pin) override;
    int Gpio_Clear_Bit(std::uint32_t pin) override;
    int Gpio_Write(std::uint32_t pin, std::uint8_t level) override;
    int Gpio_Read(std::uint32_t pin, std::uint8_t* level) override;

    // The flash state. All zero until Get_Flash_Type runs (so SF_Type is SF_PMC before);
    // Get_Flash_Type replaces it, the flash transfers and the status-register scripts read it.
    Flash_Command_Set Detected_Command_Set{}; // the record chosen for the detected part
    // What transfers load: the chosen record (the MX record for a PMC part where the family
    // says so), never with the chip-erase opcode (0xFF in its place).
    Flash_Command_Set Download_Command_Set{};
    std::uint8_t SF_Type = SF_PMC;

    // The download's progress: the steps taken in the current download and the last percent.
    // Every download starts again from 0.
    std::uint32_t Schedule_Steps = 0;
    Download_Schedule Schedule_Percent = 0;

protected:
    // The binding the family talks through; null once the device is detached.
    ExtUnit* Unit() const;

    // Reads the part's identification bytes the family's way (no pauses, no result looked at).
    Flash_Id_Bytes Read_Flash_Id();

    // Runs `steps` through this object's Read_Reg and Write_Reg, every step whatever the one
    // before answered; a read's byte goes to places[step.Value] (or nowhere for the scratch
    // place). With `pause_ms`, every access is followed by that pause.
    void Run_Register_Script(std::span<const Register_Step> steps, std::span<std::uint8_t> places,
                             std::uint32_t pause_ms = 0);

    // The status-register script `operation` for the part's SF_Type, each access followed by
    // its pause; nothing it reads is used. Always 0.
    int Run_Flash_Register_Script(Flash_Register_Operation operation);

private:
    enum class Chunk_Direction : std::uint8_t { Write, Read };

    // Set_Flash_type(0) and, with `ask_length`, Get_Flash_Length_Mes, `passes` times: -1 as
    // soon as either gives -1. Otherwise the last length query's result (0 without one), and in
    // `length` the family's fixed chunk length or the chip's answer.
    int Prepare_Transfer(unsigned passes, bool ask_length, std::uint16_t& length);
    // The erase length query and the erase of the sector at `address`: the erase's result.
    int Send_Sector_Erase(std::uint32_t address);
    // The four requests of one chunk at flash `address`: the last negative result among them,
    // or 0. With `trace_failures`, a location line for every failed request.
    int Send_Chunk(Chunk_Direction direction, std::uint32_t address, std::uint8_t* data, std::uint16_t length,
                   bool trace_failures);
    // One step of a download of `step_total` steps: counts it, prints it and writes the percent
    // through `progress` when it is not null.
    void Take_Download_Step(Download_Schedule* progress, std::uint32_t step_total);

    // One register access through the family's unit, or a failed step without a device.
    template <typename Value>
    int Access_Register(int (*access)(ExtUnit&, std::uint16_t, std::uint16_t, Value), std::uint16_t address,
                        Value value);

    // Reads `address`, applies `change` to the byte (a failed read counts as 0) and writes it
    // back; the OR of both results.
    template <typename Change>
    int Update_Register(std::uint16_t address, Change change);

    const Chip_Family& family_;
};
