#include "test_images/Configuration_Builder.h"

#include <algorithm>
#include <array>
#include <limits>

namespace test_images {

namespace {

constexpr std::array<std::uint8_t, 16> Guid_YUY2{0x59, 0x55, 0x59, 0x32, 0x00, 0x00, 0x10, 0x00,
                                                 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::array<std::uint16_t, 11> Alternate_Packet_Sizes{0x00C0, 0x0180, 0x0200, 0x0280, 0x0320, 0x03B0,
                                                               0x0A80, 0x0B20, 0x0BE0, 0x13C0, 0x13FC};

std::uint32_t Rate_Of_Interval(std::uint32_t interval) {
    if (interval == 0) {
        return 0;
    }
    const std::uint32_t rate = 1000000000U / interval;
    const std::uint32_t rounded = rate / 5 * 5;
    return rate - rounded == 4 ? rounded + 5 : rounded;
}

std::uint32_t Bit_Rate(std::uint32_t rate, std::uint32_t area) {
    const std::uint64_t value = static_cast<std::uint64_t>(rate) * 8 / 100 * area * 2;
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

void Add_Interface(Bytes& out, std::uint8_t number, std::uint8_t alternate, std::uint8_t endpoints,
                   std::uint8_t interface_class, std::uint8_t subclass) {
    Add(out, {0x09, 0x04, number, alternate, endpoints, interface_class, subclass, 0x00, 0x00});
}

void Add_Bulk_Still_Endpoint(Bytes& out) {
    Add(out, {0x07, 0x05, 0x82, 0x02, 0x00, 0x02, 0x00});
}

Bytes Video_Control_Part(const Video_Function_Description& desc) {
    const std::uint8_t streaming = static_cast<std::uint8_t>(desc.First_Interface + 1);
    Bytes units;
    // Camera terminal 1 -> processing unit 2 -> output terminal 5 (the streaming link).
    Add(units, {0x12, 0x24, 0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03,
                0x0E, 0x00, 0x00});
    Add(units, {0x0B, 0x24, 0x05, 0x02, 0x01, 0x00, 0x00, 0x02, 0x3F, 0x05, 0x00});
    Add(units, {0x09, 0x24, 0x03, 0x05, 0x01, 0x01, 0x00, 0x02, 0x00});

    Bytes out;
    Add_Interface(out, desc.First_Interface, 0, 1, 0x0E, desc.Control_Subclass);
    Add(out, {0x0D, 0x24, 0x01, 0x00, 0x01});
    Add_U16_LE(out, static_cast<std::uint16_t>(13 + units.size()));
    Add_U32_LE(out, 6000000); // dwClockFrequency
    Add(out, {0x01, streaming});
    Add(out, units);
    Add(out, {0x07, 0x05, 0x83, 0x03, 0x10, 0x00, 0x06}); // status interrupt endpoint
    Add(out, {0x05, 0x25, 0x03, 0x10, 0x00});
    return out;
}

void Add_Frame(Bytes& out, const Frame_Description& frame, std::uint8_t subtype, std::uint8_t index,
               std::uint8_t still_method) {
    std::vector<std::uint32_t> rates;
    for (const auto interval : frame.Intervals) {
        rates.push_back(Rate_Of_Interval(interval));
    }
    const std::uint32_t area = static_cast<std::uint32_t>(frame.Width) * frame.Height;
    const std::uint32_t smallest = rates.empty() ? 0 : *std::min_element(rates.begin(), rates.end());
    const std::uint32_t largest = rates.empty() ? 0 : *std::max_element(rates.begin(), rates.end());
    const std::uint32_t default_interval = frame.Intervals.empty() ? 0 : frame.Intervals.front();

    Add(out, {static_cast<std::uint8_t>(26 + 4 * frame.Intervals.size()), 0x24, subtype, index,
              static_cast<std::uint8_t>(still_method == 1 ? 1 : 0)});
    Add_U16_LE(out, frame.Width);
    Add_U16_LE(out, frame.Height);
    Add_U32_LE(out, Bit_Rate(smallest, area));
    Add_U32_LE(out, Bit_Rate(largest, area));
    Add_U32_LE(out, area * 2);
    Add_U32_LE(out, default_interval);
    Add(out, {frame.Interval_Count_Field.value_or(static_cast<std::uint8_t>(frame.Intervals.size()))});
    for (const auto interval : frame.Intervals) {
        Add_U32_LE(out, interval);
    }
}

void Add_Format(Bytes& out, const Format_Description& format, std::uint8_t index, std::uint8_t still_method) {
    const auto frame_count = static_cast<std::uint8_t>(format.Frames.size());
    if (format.Mjpeg) {
        Add(out, {0x0B, 0x24, 0x06, index, frame_count, 0x01, format.Default_Index, 0x00, 0x00, 0x00, 0x00});
    } else {
        Add(out, {0x1B, 0x24, 0x04, index, frame_count});
        Add(out, Guid_YUY2);
        Add(out, {0x10, format.Default_Index, 0x00, 0x00, 0x00, 0x00});
    }
    const std::uint8_t subtype = format.Mjpeg ? 0x07 : 0x05;
    for (std::size_t i = 0; i < format.Frames.size(); ++i) {
        Add_Frame(out, format.Frames[i], subtype, static_cast<std::uint8_t>(i + 1), still_method);
    }
    if (still_method == 2 || still_method == 3) {
        const std::uint8_t compressions = format.Mjpeg ? 4 : 1;
        Add(out, {static_cast<std::uint8_t>(6 + 4 * frame_count + compressions), 0x24, 0x03,
                  static_cast<std::uint8_t>(still_method == 3 ? 0x82 : 0x00), frame_count});
        for (const auto& frame : format.Frames) {
            Add_U16_LE(out, frame.Width);
            Add_U16_LE(out, frame.Height);
        }
        if (format.Mjpeg) {
            Add(out, {0x04, 0x01, 0x05, 0x0A, 0x14});
        } else {
            Add(out, {0x01, 0x01});
        }
    }
    Add(out, {0x06, 0x24, 0x0D, 0x01, 0x01, 0x04}); // colour matching
}

Bytes Video_Streaming_Part(const Video_Function_Description& desc) {
    const std::uint8_t number = static_cast<std::uint8_t>(desc.First_Interface + 1);
    const bool bulk_still = desc.Still_Method == 3;
    Bytes out;
    Add_Interface(out, number, 0, bulk_still ? 1 : 0, 0x0E, 0x02);
    if (bulk_still) {
        Add_Bulk_Still_Endpoint(out);
    }
    Add(out, Build_Streaming_Class_Descriptors(desc));
    if (desc.Standard_Alternates) {
        for (std::size_t i = 0; i < Alternate_Packet_Sizes.size(); ++i) {
            Add_Interface(out, number, static_cast<std::uint8_t>(i + 1), bulk_still ? 2 : 1, 0x0E, 0x02);
            Add(out, {0x07, 0x05, 0x81, 0x05});
            Add_U16_LE(out, Alternate_Packet_Sizes[i]);
            Add(out, {0x01});
            if (bulk_still) {
                Add_Bulk_Still_Endpoint(out);
            }
        }
    }
    return out;
}

Bytes Build_Audio_Function(const Audio_Function_Description& desc) {
    const std::uint8_t control = desc.First_Interface;
    const std::uint8_t streaming = static_cast<std::uint8_t>(control + 1);
    Bytes out;
    Add(out, {0x08, 0x0B, control, 0x02, 0x01, 0x00, 0x00, 0x00});
    Add_Interface(out, control, 0, 0, 0x01, 0x01);
    Add(out, {0x09, 0x24, 0x01, 0x00, 0x01, 39, 0x00, 0x01, streaming}); // header, 39 bytes of AC descriptors
    Add(out, {0x0C, 0x24, 0x02, 0x01, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}); // microphone input
    Add(out, {0x09, 0x24, 0x06, 0x02, 0x01, 0x01, 0x03, 0x00, 0x00});                   // mute and volume
    Add(out, {0x09, 0x24, 0x03, 0x03, 0x01, 0x01, 0x00, 0x02, 0x00});                   // to USB streaming
    Add_Interface(out, streaming, 0, 0, 0x01, 0x02);
    Add_Interface(out, streaming, 1, 1, 0x01, 0x02);
    Add(out, {0x07, 0x24, 0x01, 0x03, 0x01, 0x01, 0x00});                         // PCM from terminal 3
    Add(out, {0x0B, 0x24, 0x02, 0x01, 0x01, 0x02, 0x10, 0x01, 0x80, 0x3E, 0x00}); // mono, 16 bit, 16 kHz
    Add(out, {0x09, 0x05, 0x84, 0x05, 0x20, 0x00, 0x04, 0x00, 0x00});             // isochronous IN
    Add(out, {0x07, 0x25, 0x01, 0x01, 0x00, 0x00, 0x00});
    return out;
}

Bytes Build_Video_Function(const Video_Function_Description& desc) {
    Bytes out;
    Add(out, {0x08, 0x0B, desc.First_Interface, 0x02, 0x0E, 0x03, 0x00, 0x00});
    const Bytes control = Video_Control_Part(desc);
    const Bytes streaming = Video_Streaming_Part(desc);
    Add(out, desc.Streaming_First ? streaming : control);
    Add(out, desc.Streaming_First ? control : streaming);
    return out;
}

} // namespace

std::vector<Frame_Description> Frames_Of(std::initializer_list<std::pair<std::uint16_t, std::uint16_t>> sizes,
                                         std::initializer_list<std::uint32_t> rates) {
    std::vector<Frame_Description> frames;
    for (const auto& [width, height] : sizes) {
        Frame_Description frame;
        frame.Width = width;
        frame.Height = height;
        frame.Intervals.clear();
        for (const auto rate : rates) {
            frame.Intervals.push_back(rate == 0 ? 0 : 1000000000U / rate);
        }
        frames.push_back(frame);
    }
    return frames;
}

Bytes Build_Streaming_Class_Descriptors(const Video_Function_Description& desc) {
    // bmaControls per format: 0x04 for MJPEG, 0x00 for uncompressed, which is how the model
    // tells the format mode.
    std::vector<std::uint8_t> controls;
    for (const auto& format : desc.Formats) {
        controls.push_back(format.Mjpeg ? 0x04 : 0x00);
    }
    Bytes out;
    Add(out, {static_cast<std::uint8_t>(13 + controls.size()), 0x24, 0x01,
              static_cast<std::uint8_t>(desc.Formats.size()), 0x00, 0x00, 0x81, 0x00, 0x05, desc.Still_Method,
              desc.Trigger_Support, 0x00, 0x01});
    Add(out, controls);
    for (std::size_t i = 0; i < desc.Formats.size(); ++i) {
        Add_Format(out, desc.Formats[i], static_cast<std::uint8_t>(i + 1), desc.Still_Method);
    }
    Put_U16_LE(out, 4, desc.Header_Total_Length.value_or(static_cast<std::uint16_t>(out.size())));
    return out;
}

Bytes Build_Configuration(const Configuration_Description& desc) {
    const Bytes video = desc.Video ? Build_Video_Function(*desc.Video) : Bytes{};
    const Bytes audio = desc.Audio ? Build_Audio_Function(*desc.Audio) : Bytes{};
    const auto interfaces = static_cast<std::uint8_t>((desc.Video ? 2 : 0) + (desc.Audio ? 2 : 0));
    Bytes out;
    Add(out, {0x09, 0x02, 0x00, 0x00, interfaces, 0x01, 0x00, 0x80, 0xFA});
    Add(out, desc.Audio_First ? audio : video);
    Add(out, desc.Audio_First ? video : audio);
    for (const auto& descriptor : desc.Trailing) {
        Add(out, descriptor);
    }
    Put_U16_LE(out, 2, static_cast<std::uint16_t>(out.size()));
    return out;
}

long Find_Descriptor(std::span<const std::uint8_t> bytes, std::uint8_t type,
                     std::optional<std::uint8_t> subtype, std::size_t nth) {
    std::size_t offset = 0;
    while (offset + 2 <= bytes.size() && bytes[offset] >= 2) {
        if (bytes[offset + 1] == type &&
            (!subtype || (offset + 2 < bytes.size() && bytes[offset + 2] == *subtype))) {
            if (nth == 0) {
                return static_cast<long>(offset);
            }
            --nth;
        }
        offset += bytes[offset];
    }
    return -1;
}

} // namespace test_images
