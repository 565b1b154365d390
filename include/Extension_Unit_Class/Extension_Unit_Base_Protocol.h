#pragma once
// The protocol interface: the one object per camera through which the tool drives the camera's
// chip. One class per chip family implements it; the application holds a protocol only as a
// handle for the plain entry points.
//
// Results: 0 is success. Negative results are the library's own (Result_Failed,
// Result_Refused, Result_Wrong_Image) or a platform result of the transport passed up
// unchanged; a register access made of two requests returns the bitwise OR of both results.
#include <cstddef>
#include <cstdint>

#include "Extension_Unit_Class/Flash_Command_Set.h"

inline constexpr int Result_Failed = -1;      // a failed step, or an operation the protocol does not offer
inline constexpr int Result_Refused = -2;     // refused, or a bad argument (empty image, index past a table)
inline constexpr int Result_Wrong_Image = -3; // the image is not for this chip

// The progress of a download: a percent from 0 to 100, written through the caller's pointer
// after every step; exactly 100 after the last step of a complete download only.
using Download_Schedule = float;
// The result of a download: 0 complete and verified; -1 a failed step; -2 an empty or too long
// image; -3 an image not for this chip; another negative value a transport result passed up;
// a positive value the 1-based place within its chunk of the first byte that read back wrong.
using Download_Result_Code = int;

// Flash pieces are 4096-byte sectors: piece p holds flash bytes p * 4096 to p * 4096 + 4095.
inline constexpr std::size_t ISP_Piece_Size = 4096;
inline constexpr std::size_t ExID_Size = 16;

class Extension_Unit_Base_Protocol {
public:
    virtual ~Extension_Unit_Base_Protocol() = default;

    virtual int Read_Reg(std::uint16_t address, std::uint8_t* value) = 0;
    virtual int Write_Reg(std::uint16_t address, std::uint8_t value) = 0;
    virtual int Read_Reg16(std::uint16_t address, std::uint16_t* value) = 0;
    virtual int Write_Reg16(std::uint16_t address, std::uint16_t value) = 0;
    virtual int Read_ISP_Mem_Piece(std::uint16_t piece, std::uint8_t* buffer) = 0;
    // Erases the sector, then writes it.
    virtual int Write_ISP_Mem_Piece(std::uint16_t piece, const std::uint8_t* buffer) = 0;
    // Loads a kept command set into the chip (0: the set kept for downloads).
    virtual int Set_Flash_type(std::uint8_t which) = 0;
    // The flash model number, 0 when the part is not recognised.
    virtual int Get_Flash_Model() = 0;
    // The detected command set (kept in the object); its family through `family` when not null.
    virtual Flash_Command_Set Get_Flash_Type(std::uint8_t* family) = 0;
    // 0 and the transfer chunk length, or negative.
    virtual int Get_Flash_Length_Mes(std::uint16_t* length) = 0;
    // Burns a whole image and reads every byte back (Download_Result_Code); the progress goes
    // through `progress` when it is not null.
    virtual Download_Result_Code Download_Firmware(const std::uint8_t* image, std::uint32_t length,
                                                   Download_Schedule* progress) = 0;
    // The chip restarts; the camera leaves and comes back.
    virtual int Reset_Device() = 0;
    virtual int Read_ExID(std::uint8_t* out) = 0;
    virtual int Write_ExID(const std::uint8_t* in) = 0;
    virtual int Read_Customer_Piece(std::uint16_t index, std::uint8_t* buffer) = 0;
    virtual int Write_Customer_Piece(std::uint16_t index, const std::uint8_t* buffer) = 0;
    virtual int Gpio_Set_Bit(std::uint32_t pin) = 0;
    virtual int Gpio_Clear_Bit(std::uint32_t pin) = 0;
    virtual int Gpio_Write(std::uint32_t pin, std::uint8_t level) = 0;
    virtual int Gpio_Read(std::uint32_t pin, std::uint8_t* level) = 0;
    // NUL-terminated, owned by the protocol, valid while it lives.
    virtual const char* Get_Product_Name() = 0;
};
