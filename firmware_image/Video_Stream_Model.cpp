#include "firmware_image/Video_Stream_Model.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::uint32_t Interval_Units_Per_Rate_Unit = 1000000000U; // 100 ns units over 1/100 s
constexpr std::size_t Frame_Fixed_Length = 26;
constexpr std::size_t Uncompressed_Format_Length = 27;
constexpr std::size_t Mjpeg_Format_Length = 11;
constexpr std::size_t Input_Header_Fixed_Length = 13;

// 8-bit fields bound what one format can describe: its frame count and frame indexes, and
// every descriptor's bLength. Past these the writer caps instead of letting a count wrap.
constexpr std::size_t Max_Frames_Per_Format = 255;
constexpr std::size_t Max_Rates_Per_Frame = (255 - Frame_Fixed_Length) / 4;

constexpr std::array<std::uint8_t, 16> Guid_YUY2{0x59, 0x55, 0x59, 0x32, 0x00, 0x00, 0x10, 0x00,
                                                 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// bColorPrimaries 1 (BT.709), bTransferCharacteristics 1, bMatrixCoefficients 4 (SMPTE 170M).
constexpr std::array<std::uint8_t, 6> Color_Matching_Descriptor{
    0x06, Descriptor_Type_Class_Interface, VS_Color_Matching, 0x01, 0x01, 0x04};

// What differs between the two formats, for reading and for writing.
struct Format_Row {
    bool Mjpeg;
    std::uint8_t Format_Subtype;
    std::uint8_t Frame_Subtype;
    std::size_t Format_Length;
    std::size_t Default_Index_Offset; // bDefaultFrameIndex within the format descriptor
    std::uint8_t Header_Controls;     // bmaControls of the format in the input header
    std::array<std::uint8_t, 4> Still_Compressions;
    std::size_t Still_Compression_Count;
};

constexpr std::array<Format_Row, 2> Format_Rows{{
    {false,
     VS_Format_Uncompressed,
     VS_Frame_Uncompressed,
     Uncompressed_Format_Length,
     22,
     0x00,
     {1, 0, 0, 0},
     1},
    {true, VS_Format_Mjpeg, VS_Frame_Mjpeg, Mjpeg_Format_Length, 6, 0x04, {1, 5, 10, 20}, 4},
}};

const Format_Row& Row_Of(bool mjpeg) {
    return Format_Rows[mjpeg ? 1 : 0];
}

const Format_Row* Row_Of_Format_Descriptor(Byte_Span descriptor) {
    for (const auto& row : Format_Rows) {
        if (Is_Class_Descriptor(descriptor, row.Format_Subtype) && descriptor.size() >= row.Format_Length) {
            return &row;
        }
    }
    return nullptr;
}

bool Is_Frame_Descriptor(Byte_Span descriptor) {
    return descriptor.size() >= Frame_Fixed_Length &&
           (Is_Class_Descriptor(descriptor, VS_Frame_Uncompressed) ||
            Is_Class_Descriptor(descriptor, VS_Frame_Mjpeg));
}

std::uint16_t Clamp_U16(std::size_t value) {
    return static_cast<std::uint16_t>(
        std::min<std::size_t>(value, std::numeric_limits<std::uint16_t>::max()));
}

std::uint32_t Saturate_U32(std::uint64_t value) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

std::uint32_t Area_Of(std::uint16_t width, std::uint16_t height) {
    return static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height);
}

// Format mode from the input header's bmaControls (bControlSize taken as 1).
std::uint32_t Format_Mode_From_Header(Byte_Span header) {
    const std::uint8_t formats = header[3];
    if (formats == 1 && header.size() > 13) {
        if (header[13] == 0x00) {
            return Format_Mode_Uncompressed;
        }
        if (header[13] == 0x04) {
            return Format_Mode_Mjpeg;
        }
    } else if (formats == 2 && header.size() > 14) {
        if (header[13] == 0x04 && header[14] == 0x00) {
            return Format_Mode_Mjpeg_Then_Uncompressed;
        }
        if (header[13] == 0x00 && header[14] == 0x04) {
            return Format_Mode_Uncompressed_Then_Mjpeg;
        }
    }
    return Format_Mode_None;
}

// One format as it will be written: the records that can become frame descriptors.
struct Planned_Format {
    const Format_Row* Row = nullptr;
    std::vector<const Frame_Size_Record*> Frames;
    std::uint16_t Default_Width = 0;
    std::uint16_t Default_Height = 0;
};

// Only records of the format's own frame subtype with at least one discrete rate become
// frame descriptors, so an empty placeholder or a continuous-interval record never
// yields a format whose counts disagree with the frames written.
Planned_Format Plan_Format(const std::vector<Frame_Size_Record>& list, bool mjpeg,
                           std::uint16_t default_width, std::uint16_t default_height) {
    Planned_Format plan;
    plan.Row = &Row_Of(mjpeg);
    plan.Default_Width = default_width;
    plan.Default_Height = default_height;
    for (const auto& record : list) {
        if (plan.Frames.size() == Max_Frames_Per_Format) {
            break;
        }
        if (record.Subtype == plan.Row->Frame_Subtype && !record.Rates.empty()) {
            plan.Frames.push_back(&record);
        }
    }
    return plan;
}

// The mode that can actually be written: lowered to the formats that have frames.
std::uint32_t Checked_Format_Mode(std::uint32_t mode, bool has_uncompressed, bool has_mjpeg) {
    switch (mode) {
    case Format_Mode_Uncompressed:
        return has_uncompressed ? mode : Format_Mode_None;
    case Format_Mode_Mjpeg:
        return has_mjpeg ? mode : Format_Mode_None;
    case Format_Mode_Uncompressed_Then_Mjpeg:
    case Format_Mode_Mjpeg_Then_Uncompressed:
        if (!has_mjpeg && !has_uncompressed) {
            return Format_Mode_None;
        }
        if (!has_mjpeg) {
            return Format_Mode_Uncompressed;
        }
        if (!has_uncompressed) {
            return Format_Mode_Mjpeg;
        }
        return mode;
    default:
        return Format_Mode_None;
    }
}

// 1-based position of the last written frame of the default size; the first frame when
// none has it, so bDefaultFrameIndex always names a frame that exists.
std::uint8_t Default_Frame_Index(const Planned_Format& plan) {
    std::uint8_t index = 1;
    for (std::size_t i = 0; i < plan.Frames.size(); ++i) {
        if (plan.Frames[i]->Width == plan.Default_Width && plan.Frames[i]->Height == plan.Default_Height) {
            index = static_cast<std::uint8_t>(i + 1);
        }
    }
    return index;
}

void Append_Format_Descriptor(std::vector<std::uint8_t>& out, const Planned_Format& plan,
                              std::uint8_t format_index) {
    const auto frame_count = static_cast<std::uint8_t>(plan.Frames.size());
    Append_U8(out, static_cast<std::uint8_t>(plan.Row->Format_Length));
    Append_U8(out, Descriptor_Type_Class_Interface);
    Append_U8(out, plan.Row->Format_Subtype);
    Append_U8(out, format_index);
    Append_U8(out, frame_count);
    if (plan.Row->Mjpeg) {
        Append_U8(out, 0x01); // bmFlags: fixed-size samples
    } else {
        out.insert(out.end(), Guid_YUY2.begin(), Guid_YUY2.end());
        Append_U8(out, 16); // bBitsPerPixel
    }
    Append_U8(out, Default_Frame_Index(plan));
    out.insert(out.end(), 4, 0x00); // aspect ratio, interlace flags, copy protection
}

void Append_Frame_Descriptor(std::vector<std::uint8_t>& out, const Frame_Size_Record& record,
                             std::uint8_t frame_index, std::uint8_t still_method) {
    const std::size_t rate_count = std::min(record.Rates.size(), Max_Rates_Per_Frame);
    const auto rates = std::span<const std::uint32_t>(record.Rates).first(rate_count);
    const auto [smallest, largest] = std::minmax_element(rates.begin(), rates.end());
    const std::uint32_t area = Area_Of(record.Width, record.Height);

    Append_U8(out, static_cast<std::uint8_t>(Frame_Fixed_Length + 4 * rate_count));
    Append_U8(out, Descriptor_Type_Class_Interface);
    Append_U8(out, record.Subtype);
    Append_U8(out, frame_index);
    Append_U8(out, still_method == 1 ? 0x01 : 0x00); // bmCapabilities: still image supported
    Append_U16_LE(out, record.Width);
    Append_U16_LE(out, record.Height);
    Append_U32_LE(out, Frame_Bit_Rate(*smallest, area));
    Append_U32_LE(out, Frame_Bit_Rate(*largest, area));
    Append_U32_LE(out, Saturate_U32(static_cast<std::uint64_t>(area) * 2));
    Append_U32_LE(out, Frame_Interval_From_Rate(record.Default_Rate));
    Append_U8(out, static_cast<std::uint8_t>(rate_count));
    for (const std::uint32_t rate : rates) {
        Append_U32_LE(out, Frame_Interval_From_Rate(rate));
    }
}

void Append_Still_Frame_Descriptor(std::vector<std::uint8_t>& out, const Planned_Format& plan,
                                   std::uint8_t still_method) {
    const std::size_t compressions = plan.Row->Still_Compression_Count;
    const std::size_t max_patterns = (255 - 6 - compressions) / 4;
    const std::size_t patterns = std::min(plan.Frames.size(), max_patterns);
    Append_U8(out, static_cast<std::uint8_t>(6 + 4 * patterns + compressions));
    Append_U8(out, Descriptor_Type_Class_Interface);
    Append_U8(out, VS_Still_Image_Frame);
    Append_U8(out, still_method == 3 ? 0x82 : 0x00); // bEndpointAddress: the bulk still endpoint
    Append_U8(out, static_cast<std::uint8_t>(patterns));
    for (std::size_t i = 0; i < patterns; ++i) {
        Append_U16_LE(out, plan.Frames[i]->Width);
        Append_U16_LE(out, plan.Frames[i]->Height);
    }
    Append_U8(out, static_cast<std::uint8_t>(compressions));
    for (std::size_t i = 0; i < compressions; ++i) {
        Append_U8(out, plan.Row->Still_Compressions[i]);
    }
}

} // namespace

std::uint32_t Frame_Rate_From_Interval(std::uint32_t interval) {
    if (interval == 0) {
        return 0;
    }
    const std::uint32_t rate = Interval_Units_Per_Rate_Unit / interval;
    const std::uint32_t multiple = rate - rate % 5;
    // A quotient ending in 4 or 9 rounds up to the next multiple of 5.
    return rate - multiple == 4 ? multiple + 5 : multiple;
}

std::uint32_t Frame_Interval_From_Rate(std::uint32_t rate) {
    return rate == 0 ? 0 : Interval_Units_Per_Rate_Unit / rate;
}

std::uint32_t Frame_Bit_Rate(std::uint32_t rate, std::uint32_t area) {
    const std::uint64_t per_pixel = static_cast<std::uint64_t>(rate) * 8 / 100;
    const std::uint64_t product = per_pixel * area; // below 2^64: both factors are below 2^32
    return product > std::numeric_limits<std::uint32_t>::max() / 2 ? std::numeric_limits<std::uint32_t>::max()
                                                                   : static_cast<std::uint32_t>(product * 2);
}

Frame_Size_Record::Frame_Size_Record(const Frame_Size_Record& other)
    : Subtype(other.Subtype), Width(other.Width), Height(other.Height),
      Area(Area_Of(other.Width, other.Height)), Default_Rate(other.Default_Rate), Rates(other.Rates),
      Valid(other.Valid) {}

Frame_Size_Record& Frame_Size_Record::operator=(const Frame_Size_Record& other) {
    if (this != &other) {
        Subtype = other.Subtype;
        Width = other.Width;
        Height = other.Height;
        Area = Area_Of(Width, Height);
        Default_Rate = other.Default_Rate;
        Rates = other.Rates;
        Valid = other.Valid;
    }
    return *this;
}

bool Frame_Size_Record::Build_From_Descriptor(Byte_Span frame) {
    if (frame.size() < Frame_Fixed_Length || frame[0] < Frame_Fixed_Length) {
        return false;
    }
    const std::size_t length = std::min<std::size_t>(frame[0], frame.size());
    Subtype = frame[2];
    Width = Read_U16_LE(frame, 5);
    Height = Read_U16_LE(frame, 7);
    Area = Area_Of(Width, Height);
    Default_Rate = Frame_Rate_From_Interval(Read_U32_LE(frame, 21));
    Valid = 1;
    // bFrameIntervalType may claim more intervals than bLength holds; only those held count.
    const std::size_t count = std::min<std::size_t>(frame[25], (length - Frame_Fixed_Length) / 4);
    Rates.clear();
    for (std::size_t i = 0; i < count; ++i) {
        Rates.push_back(Frame_Rate_From_Interval(Read_U32_LE(frame, Frame_Fixed_Length + 4 * i)));
    }
    return true;
}

void Video_Stream_Model::Build_From_Header(Byte_Span header_on) {
    Clear();
    Header_Total_Length = Read_U16_LE(header_on, 4);
    const Byte_Span header = Descriptor_At(header_on, 0);
    if (!Is_Class_Descriptor(header, VS_Input_Header) || header.size() < Input_Header_Fixed_Length) {
        return;
    }
    Still_Method = header[9];
    Format_Mode = Format_Mode_From_Header(header);
    const std::uint8_t format_count = header[3];
    if (format_count == 0) {
        Complete = Header_Total_Length == header.size() ? 1 : 0;
        return;
    }

    std::size_t offset = header.size();
    for (std::uint8_t format = 0; format < format_count; ++format) {
        const Byte_Span format_descriptor = Descriptor_At(header_on, offset);
        const Format_Row* row = Row_Of_Format_Descriptor(format_descriptor);
        if (row == nullptr) {
            return;
        }
        const std::uint8_t default_index = format_descriptor[row->Default_Index_Offset];
        offset += format_descriptor.size();
        if (!Is_Frame_Descriptor(Descriptor_At(header_on, offset))) {
            return;
        }

        auto& frames = row->Mjpeg ? Mjpeg_Frames : Uncompressed_Frames;
        std::size_t frames_length = 0;
        frames.clear();
        for (Byte_Span frame = Descriptor_At(header_on, offset); Is_Frame_Descriptor(frame);
             frame = Descriptor_At(header_on, offset)) {
            Frame_Size_Record record;
            record.Build_From_Descriptor(frame);
            frames.push_back(std::move(record));
            frames_length += frame.size();
            offset += frame.size();
        }
        (row->Mjpeg ? Mjpeg_Frames_Length : Uncompressed_Frames_Length) = Clamp_U16(frames_length);

        // bDefaultFrameIndex is 1-based; 0 or a position past the end names the first frame.
        const auto& chosen =
            default_index >= 1 && default_index <= frames.size() ? frames[default_index - 1] : frames.front();
        (row->Mjpeg ? Mjpeg_Default_Width : Uncompressed_Default_Width) = chosen.Width;
        (row->Mjpeg ? Mjpeg_Default_Height : Uncompressed_Default_Height) = chosen.Height;

        if (Still_Method == 2 || Still_Method == 3) {
            const Byte_Span still = Descriptor_At(header_on, offset);
            if (!Is_Class_Descriptor(still, VS_Still_Image_Frame)) {
                return;
            }
            offset += still.size();
        }
        const Byte_Span color = Descriptor_At(header_on, offset);
        if (!Is_Class_Descriptor(color, VS_Color_Matching)) {
            return;
        }
        offset += color.size();
    }
    Complete = offset == Header_Total_Length ? 1 : 0;
}

std::uint16_t Build_Streaming_Descriptors(const Video_Stream_Model& wanted, std::vector<std::uint8_t>& out) {
    const Planned_Format uncompressed =
        Plan_Format(wanted.Uncompressed_Frames, false, wanted.Uncompressed_Default_Width,
                    wanted.Uncompressed_Default_Height);
    const Planned_Format mjpeg =
        Plan_Format(wanted.Mjpeg_Frames, true, wanted.Mjpeg_Default_Width, wanted.Mjpeg_Default_Height);
    const std::uint32_t mode =
        Checked_Format_Mode(wanted.Format_Mode, !uncompressed.Frames.empty(), !mjpeg.Frames.empty());

    std::vector<const Planned_Format*> formats;
    switch (mode) {
    case Format_Mode_Uncompressed:
        formats = {&uncompressed};
        break;
    case Format_Mode_Uncompressed_Then_Mjpeg:
        formats = {&uncompressed, &mjpeg};
        break;
    case Format_Mode_Mjpeg:
        formats = {&mjpeg};
        break;
    case Format_Mode_Mjpeg_Then_Uncompressed:
        formats = {&mjpeg, &uncompressed};
        break;
    default:
        break;
    }
    const std::uint8_t still_method = Written_Still_Method(wanted.Still_Method);

    const std::size_t start = out.size();
    Append_U8(out, static_cast<std::uint8_t>(Input_Header_Fixed_Length + formats.size()));
    Append_U8(out, Descriptor_Type_Class_Interface);
    Append_U8(out, VS_Input_Header);
    Append_U8(out, static_cast<std::uint8_t>(formats.size()));
    Append_U16_LE(out, 0); // wTotalLength, filled in below
    Append_U8(out, 0x81);  // bEndpointAddress: the isochronous video endpoint
    Append_U8(out, 0x00);  // bmInfo
    Append_U8(out, 0x05);  // bTerminalLink: the output terminal
    Append_U8(out, still_method);
    Append_U8(out, 0x00); // bTriggerSupport
    Append_U8(out, 0x00); // bTriggerUsage
    Append_U8(out, 0x01); // bControlSize
    for (const auto* format : formats) {
        Append_U8(out, format->Row->Header_Controls);
    }

    for (std::size_t f = 0; f < formats.size(); ++f) {
        const Planned_Format& format = *formats[f];
        Append_Format_Descriptor(out, format, static_cast<std::uint8_t>(f + 1));
        for (std::size_t i = 0; i < format.Frames.size(); ++i) {
            Append_Frame_Descriptor(out, *format.Frames[i], static_cast<std::uint8_t>(i + 1), still_method);
        }
        if (still_method == 2 || still_method == 3) {
            Append_Still_Frame_Descriptor(out, format, still_method);
        }
        out.insert(out.end(), Color_Matching_Descriptor.begin(), Color_Matching_Descriptor.end());
    }

    const std::size_t total = out.size() - start;
    if (total > std::numeric_limits<std::uint16_t>::max()) {
        out.resize(start);
        return 0;
    }
    Write_U16_LE(out, start + 4, static_cast<std::uint16_t>(total));
    return static_cast<std::uint16_t>(total);
}

std::uint32_t Streaming_Format_Mode(const Video_Stream_Model& wanted) {
    const Planned_Format uncompressed = Plan_Format(wanted.Uncompressed_Frames, false, 0, 0);
    const Planned_Format mjpeg = Plan_Format(wanted.Mjpeg_Frames, true, 0, 0);
    return Checked_Format_Mode(wanted.Format_Mode, !uncompressed.Frames.empty(), !mjpeg.Frames.empty());
}
