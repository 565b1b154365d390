// The video-function settings of an image in edit-friendly form: video format mode,
// still-capture mode, default resolution, microphone, and the frame sizes of both formats.
// Every image object holds two: as read from the image and as edited.
#pragma once

#include "firmware_image/Edited_Value.h"
#include "firmware_image/Video_Stream_Model.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The eight slots, in their order.
enum Descriptor_Slot : std::size_t {
    Slot_Video_Settings = 0,     // present and enabled once filled from an image
    Slot_Default_Resolution = 1, // width then height
    Slot_Settings_Bytes = 2,     // two bytes taken from the image's settings area
    Slot_Video_Format = 3,       // format mode 1 to 4; enabled when both formats are offered
    Slot_Still_Capture = 4,      // still method; enabled when above 1
    Slot_Microphone = 5,         // 1 when an audio function is present
    Slot_Multiple_Video = 6,     // more than one video function in the configuration
    Slot_Flags = 7,              // enabled and third flag byte set when filled
    Descriptor_Slot_Count = 8,
};

struct Frame_Size {
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    bool operator==(const Frame_Size&) const = default;
};

struct Resolution_Entry {
    std::uint8_t Selected = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
};

class Descriptor_Set {
public:
    std::array<Edited_Value, Descriptor_Slot_Count> Slots{};
    std::vector<Frame_Size_Record> Mjpeg_Frames;
    std::vector<Frame_Size_Record> Uncompressed_Frames;
    std::uint32_t Format_Mode = 0;
    std::uint8_t Still_Method = 0;
    std::uint16_t Mjpeg_Default_Width = 0;
    std::uint16_t Mjpeg_Default_Height = 0;
    std::uint16_t Uncompressed_Default_Width = 0;
    std::uint16_t Uncompressed_Default_Height = 0;
    // One entry per frame size of the format the default resolution belongs to.
    std::vector<Resolution_Entry> Resolutions;
    std::uint8_t Filled = 0;

    Edited_Value& Slot(Descriptor_Slot slot) { return Slots[slot]; }
    const Edited_Value& Slot(Descriptor_Slot slot) const { return Slots[slot]; }

    // Fills the set from a stream model: lists, mode, still method and default sizes, and
    // the default-resolution, format and still slots with the resolution list. Present
    // flags are left to the image that fills the set.
    void Assign_Stream_Model(const Video_Stream_Model& model);

    // Builds the stream model to write back and the list of sizes to offer, from the slots
    // and lists: for each wanted format the record of the default size first (an empty
    // record when none has it), then every other record whose resolution entry, by
    // position, is selected. When both formats are wanted, `sizes` lists the MJPEG sizes.
    void Collect_Frame_Sizes(Video_Stream_Model& model, std::vector<Frame_Size>& sizes) const;
};
