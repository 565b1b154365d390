// UVC configuration descriptors as the 256 KB image family stores them: a configuration
// descriptor, a video function (interface association, video control interface, video
// streaming interface with its class-specific descriptors and alternate settings) and
// optionally an audio function, each field laid out by hand. With the default options
// the video function is exactly what the image model writes for the same settings, so a
// read-then-write round trip must give the same bytes; the options make the edge cases.
#pragma once

#include "test_images/Bytes.h"

#include <optional>
#include <vector>

namespace test_images {

struct Frame_Description {
    std::uint16_t Width = 640;
    std::uint16_t Height = 480;
    // Discrete frame intervals in 100 ns units, in descriptor order (30 and 15 fps).
    std::vector<std::uint32_t> Intervals{333333, 666666};
    // bFrameIntervalType as stored, when it should differ from the interval count.
    std::optional<std::uint8_t> Interval_Count_Field;
};

// Frames of chosen sizes, each with the same rates (hundredths of a frame per second) as
// the intervals the model writes for them.
std::vector<Frame_Description> Frames_Of(std::initializer_list<std::pair<std::uint16_t, std::uint16_t>> sizes,
                                         std::initializer_list<std::uint32_t> rates = {3000, 1500});

struct Format_Description {
    bool Mjpeg = true;
    std::vector<Frame_Description> Frames = Frames_Of({{640, 480}});
    // bDefaultFrameIndex (1-based).
    std::uint8_t Default_Index = 1;
};

struct Video_Function_Description {
    std::vector<Format_Description> Formats{Format_Description{}};
    // bStillCaptureMethod: 1 same resolution, 2 still frames through the video pipe, 3 a
    // bulk still endpoint.
    std::uint8_t Still_Method = 1;
    std::uint8_t Trigger_Support = 0;
    std::uint8_t First_Interface = 0; // the control interface; streaming is the next
    bool Streaming_First = false;
    // The eleven isochronous alternate settings the model writes; without them only
    // alternate setting 0 is there.
    bool Standard_Alternates = true;
    // wTotalLength of the VS input header, when it should not match what follows.
    std::optional<std::uint16_t> Header_Total_Length;
    // bInterfaceSubClass of the first interface (1 control); anything else makes the
    // function unreadable.
    std::uint8_t Control_Subclass = 0x01;
};

struct Audio_Function_Description {
    std::uint8_t First_Interface = 2;
};

struct Configuration_Description {
    std::optional<Video_Function_Description> Video = Video_Function_Description{};
    std::optional<Audio_Function_Description> Audio;
    bool Audio_First = false;
    // Descriptors after the last function.
    std::vector<Bytes> Trailing;
};

Bytes Build_Configuration(const Configuration_Description& desc);

// The class-specific VS descriptors alone, from the input header on.
Bytes Build_Streaming_Class_Descriptors(const Video_Function_Description& desc);

// Offset of the n-th (0-based) descriptor of a type (and class-specific subtype, when
// given) in a descriptor sequence; -1 when there is none.
long Find_Descriptor(std::span<const std::uint8_t> bytes, std::uint8_t type,
                     std::optional<std::uint8_t> subtype = {}, std::size_t nth = 0);

} // namespace test_images
