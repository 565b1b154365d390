// The editable model of a UVC video function's streaming formats: its frame sizes with
// their frame rates, which of the two known formats (uncompressed YUY2, MJPEG) it offers
// in which order, and its still-capture method; read from the class-specific
// video-streaming descriptors and written back as a complete new set of them.
#pragma once

#include "firmware_image/Descriptor_Bytes.h"

#include <cstdint>
#include <vector>

// Video-streaming descriptor subtypes the model reads or writes.
inline constexpr std::uint8_t VS_Input_Header = 0x01;
inline constexpr std::uint8_t VS_Still_Image_Frame = 0x03;
inline constexpr std::uint8_t VS_Format_Uncompressed = 0x04;
inline constexpr std::uint8_t VS_Frame_Uncompressed = 0x05;
inline constexpr std::uint8_t VS_Format_Mjpeg = 0x06;
inline constexpr std::uint8_t VS_Frame_Mjpeg = 0x07;
inline constexpr std::uint8_t VS_Color_Matching = 0x0D;

// Video format modes: which formats a function offers, the default first.
inline constexpr std::uint32_t Format_Mode_None = 0;
inline constexpr std::uint32_t Format_Mode_Uncompressed = 1;
inline constexpr std::uint32_t Format_Mode_Uncompressed_Then_Mjpeg = 2;
inline constexpr std::uint32_t Format_Mode_Mjpeg = 3;
inline constexpr std::uint32_t Format_Mode_Mjpeg_Then_Uncompressed = 4;

// Frame rates are hundredths of a frame per second in multiples of 5; frame intervals are
// in units of 100 ns. An interval of 0 has no rate and a rate of 0 no interval: both give
// 0 instead of dividing, so such a value reads and writes back unchanged.
std::uint32_t Frame_Rate_From_Interval(std::uint32_t interval);
std::uint32_t Frame_Interval_From_Rate(std::uint32_t rate);

// ((rate * 8) / 100) * area * 2, saturating at 0xFFFFFFFF where it does not fit 32 bits.
std::uint32_t Frame_Bit_Rate(std::uint32_t rate, std::uint32_t area);

// One frame descriptor: its size and its frame rates.
struct Frame_Size_Record {
    std::uint8_t Subtype = 0; // 5 uncompressed frame, 7 MJPEG frame
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint32_t Area = 0; // Width * Height
    std::uint32_t Default_Rate = 0;
    std::vector<std::uint32_t> Rates; // one per discrete interval; empty for continuous intervals
    std::uint8_t Valid = 0;           // 1 once built from a frame descriptor

    Frame_Size_Record() = default;
    // Copies recompute the area from the size, so a record never carries a stale area.
    Frame_Size_Record(const Frame_Size_Record& other);
    Frame_Size_Record& operator=(const Frame_Size_Record& other);
    Frame_Size_Record(Frame_Size_Record&&) = default;
    Frame_Size_Record& operator=(Frame_Size_Record&&) = default;

    // Builds the record from a frame descriptor. The interval count is bounded by what the
    // descriptor's bLength covers. False (record untouched) when the descriptor is shorter
    // than a frame descriptor's fixed part.
    bool Build_From_Descriptor(Byte_Span frame);
};

struct Video_Stream_Model {
    std::vector<Frame_Size_Record> Mjpeg_Frames;
    std::vector<Frame_Size_Record> Uncompressed_Frames;
    std::uint32_t Format_Mode = Format_Mode_None;
    std::uint8_t Still_Method = 0;
    std::uint16_t Mjpeg_Default_Width = 0;
    std::uint16_t Mjpeg_Default_Height = 0;
    std::uint16_t Uncompressed_Default_Width = 0;
    std::uint16_t Uncompressed_Default_Height = 0;
    std::uint8_t Complete = 0; // 1 when the walk covered exactly the header's wTotalLength
    std::uint16_t Uncompressed_Frames_Length = 0;
    std::uint16_t Mjpeg_Frames_Length = 0;
    std::uint16_t Header_Total_Length = 0;

    // Rebuilds the model from the VS input header at the start of `header_on`; the walk
    // over the formats stays within `header_on`. Whatever does not fit ends the walk with
    // Complete 0 and the lists read so far.
    void Build_From_Header(Byte_Span header_on);

    // Back to the empty model.
    void Clear() { *this = Video_Stream_Model{}; }
};

// Appends to `out` the class-specific VS descriptors (input header, formats, frames, still
// frames, colour matching) built from the wanted model and returns their length; returns 0
// and appends nothing when they would not fit a 16-bit wTotalLength.
std::uint16_t Build_Streaming_Descriptors(const Video_Stream_Model& wanted, std::vector<std::uint8_t>& out);

// The still method written for a wanted one: UVC defines methods 0 to 3, anything else
// is written as 0 (no still support).
inline std::uint8_t Written_Still_Method(std::uint8_t still_method) {
    return still_method <= 3 ? still_method : 0;
}

// The format mode that Build_Streaming_Descriptors will write for the wanted model: its
// mode lowered to the formats that have frames that can be written, 0 when none has.
std::uint32_t Streaming_Format_Mode(const Video_Stream_Model& wanted);
