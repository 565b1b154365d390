// The camera-control defaults of a 256 KB image: the 32 KB image-quality block at 0x38000,
// whose camera-control records hold the values the camera starts with (brightness,
// contrast and the other camera and processing-unit controls). The object edits its own
// copy of the block; the caller copies the edited block back into an image.
//
// Records are read and written one field at a time by control index (0 to 17; 18 has no
// record) and field flag: 1 current value, 2 minimum, 4 maximum, 16 fourth field, 8 fifth
// field (the default), 32 the byte after them. Multi-byte values are big-endian.
#pragma once

#include "firmware_image/Descriptor_Bytes.h"
#include "firmware_image/Image_Buffers.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::uint32_t IQ_Block_Offset = 0x38000;
inline constexpr std::size_t IQ_Block_Size = 0x8000;
// The camera-control records start here within the block.
inline constexpr std::size_t IQ_Camera_Controls = 0xC00;

inline constexpr std::uint32_t IQ_Field_Current = 1;
inline constexpr std::uint32_t IQ_Field_Minimum = 2;
inline constexpr std::uint32_t IQ_Field_Maximum = 4;
inline constexpr std::uint32_t IQ_Field_Default = 8; // the fifth field
inline constexpr std::uint32_t IQ_Field_Fourth = 16;
inline constexpr std::uint32_t IQ_Field_Byte = 32;

inline constexpr std::uint32_t IQ_Control_Count = 19;

enum class IQ_Control_Kind {
    Word,       // five 16-bit fields and a byte
    Double,     // five 32-bit fields and a byte
    Byte,       // a byte for flag 1, one for flag 8, one for flag 32
    Power_Line, // a byte control whose value 0 is stored as 2
    Exposure,   // a 32-bit control set and read as exposure steps
    Auto,       // automatic switch bytes: 8 on, 1 off
    None,       // no record
};

// One row per control index: its kind and the offsets (from the camera-control records)
// of the fields for flags 1, 2, 4, 16 and 8, then of the flag-32 byte. Byte controls and
// the automatic switches use the flag-1, flag-8 and flag-32 offsets only.
struct IQ_Control_Row {
    IQ_Control_Kind Kind;
    std::array<std::uint16_t, 5> Fields; // flags 1, 2, 4, 16, 8
    std::uint16_t Byte;                  // flag 32
};

std::span<const IQ_Control_Row> IQ_Control_Rows();

// Exposure steps: step v (from -13 to 1) is stored as table[1 - v], in 100 us units.
std::span<const std::uint32_t> IQ_Exposure_Steps();

class Firmware_IQ_Adjust_Class_2688 {
public:
    // Copies the 32 KB block that starts at `block` (which must hold 32 KB).
    explicit Firmware_IQ_Adjust_Class_2688(const std::uint8_t* block);
    // Copies the block from the bytes given; what they lack of 32 KB reads as zero.
    explicit Firmware_IQ_Adjust_Class_2688(Byte_Span block);
    virtual ~Firmware_IQ_Adjust_Class_2688();

    Firmware_IQ_Adjust_Class_2688(const Firmware_IQ_Adjust_Class_2688&) = delete;
    Firmware_IQ_Adjust_Class_2688& operator=(const Firmware_IQ_Adjust_Class_2688&) = delete;

    // Writes one field of control `index` to *value and answers true; false (nothing
    // written) for index 18 and above or a null pointer. A flag that names no field of
    // the control gives 0. 16-bit fields are sign-extended; the exposure's fields read as
    // steps; an automatic switch reads 1 when on, else 0.
    bool Get_IQ_Control(std::uint32_t index, std::uint32_t field, std::int32_t* value) const;
    // Writes *value into the fields that `field`'s flags name, in the order 1, 2, 4, 16, 8.
    // The current value and the default are refused (false, and the flags after them are
    // not handled) when the maximum is 0 or the value is below the minimum. False also
    // when flag 32 is given, for index 18 and above, and for a null pointer.
    bool Set_IQ_Control(std::uint32_t index, std::uint32_t field, const std::int32_t* value);

    // Switch bytes (which 0 or 1, index 0 to 2) hold 0 or 1; -1 for anything else.
    std::int32_t Get_IQ_Switch(std::uint8_t which, std::uint32_t index) const;
    std::int32_t Set_IQ_Switch(std::uint8_t which, std::uint32_t index, std::uint8_t value);
    // Mode bytes (which 0 or any other) hold 0 to 3; -1 when the stored byte is above 3,
    // which the setter then leaves alone.
    std::int32_t Get_IQ_Mode(std::uint8_t which) const;
    std::int32_t Set_IQ_Mode(std::uint8_t which, std::uint8_t value);
    // The 16-bit word, which 0 only; -1 otherwise.
    std::int32_t Get_IQ_Word(std::uint8_t which) const;
    std::int32_t Set_IQ_Word(std::uint8_t which, std::uint16_t value);

    // Set by whoever edits the block, read by whoever copies it back.
    std::uint8_t Get_Edited_Flag() const { return Edited; }
    void Set_Edited_Flag(bool edited) { Edited = edited ? 1 : 0; }

    // The edited block (32 KB), to copy back to an image's 0x38000.
    Byte_Span Get_Edited_Block() const { return Edited_Block; }
    // The block as it was copied in.
    Byte_Span Get_Original_Block() const { return Original_Block; }

private:
    Byte_Span Records() const { return Byte_Span(Edited_Block).subspan(IQ_Camera_Controls); }
    Mutable_Byte_Span Records() { return Edited_Block.subspan(IQ_Camera_Controls); }

    Image_Buffers Blocks;
    Mutable_Byte_Span Edited_Block;
    Mutable_Byte_Span Original_Block;
    std::uint8_t Edited = 0;
};
