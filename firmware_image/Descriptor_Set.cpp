#include "firmware_image/Descriptor_Set.h"

#include "firmware_image/Get_List_Item.h"

namespace {

// The default size's record first, then the selected others in stored order.
void Collect_Format(const std::vector<Frame_Size_Record>& stored,
                    const std::vector<Resolution_Entry>& resolutions, Frame_Size wanted_default,
                    std::vector<Frame_Size_Record>& out, std::vector<Frame_Size>& sizes) {
    sizes.push_back(wanted_default);
    out.emplace_back();
    const std::size_t placeholder = out.size() - 1;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const Frame_Size_Record& record = stored[i];
        if (record.Width == wanted_default.Width && record.Height == wanted_default.Height) {
            out[placeholder] = record;
            continue;
        }
        // Positions past the resolution list count as its first entry; with no resolution
        // list at all nothing was deselected, so the record stays.
        const Resolution_Entry* entry = Get_List_Item(resolutions, i);
        if (entry == nullptr || entry->Selected != 0) {
            sizes.push_back({record.Width, record.Height});
            out.push_back(record);
        }
    }
}

} // namespace

void Descriptor_Set::Assign_Stream_Model(const Video_Stream_Model& model) {
    Mjpeg_Frames = model.Mjpeg_Frames;
    Uncompressed_Frames = model.Uncompressed_Frames;
    Format_Mode = model.Format_Mode;
    Still_Method = model.Still_Method;
    Mjpeg_Default_Width = model.Mjpeg_Default_Width;
    Mjpeg_Default_Height = model.Mjpeg_Default_Height;
    Uncompressed_Default_Width = model.Uncompressed_Default_Width;
    Uncompressed_Default_Height = model.Uncompressed_Default_Height;

    Slot(Slot_Default_Resolution).Reset();
    Slot(Slot_Video_Format).Reset();
    Slot(Slot_Still_Capture).Reset();
    Resolutions.clear();
    if (model.Mjpeg_Frames.empty() && model.Uncompressed_Frames.empty()) {
        return;
    }

    Edited_Value& format = Slot(Slot_Video_Format);
    if (model.Format_Mode >= Format_Mode_Uncompressed &&
        model.Format_Mode <= Format_Mode_Mjpeg_Then_Uncompressed) {
        format.Enabled = model.Format_Mode == Format_Mode_Uncompressed_Then_Mjpeg ||
                                 model.Format_Mode == Format_Mode_Mjpeg_Then_Uncompressed
                             ? 1
                             : 0;
        format.Set_Number(model.Format_Mode);
    }
    const bool mjpeg_chosen = model.Format_Mode != Format_Mode_Uncompressed;

    Edited_Value& still = Slot(Slot_Still_Capture);
    if (model.Still_Method == 1) {
        still.Enabled = 0;
        still.Set_Number(1);
    } else if (model.Still_Method == 2 || model.Still_Method == 3) {
        still.Enabled = 1;
        still.Set_Number(model.Still_Method);
    }

    Edited_Value& resolution = Slot(Slot_Default_Resolution);
    if (mjpeg_chosen) {
        resolution.Enabled = 1;
        resolution.Set_Size(model.Mjpeg_Default_Width, model.Mjpeg_Default_Height);
    } else {
        resolution.Set_Size(model.Uncompressed_Default_Width, model.Uncompressed_Default_Height);
    }
    for (const auto& record : mjpeg_chosen ? model.Mjpeg_Frames : model.Uncompressed_Frames) {
        Resolutions.push_back({1, record.Width, record.Height});
    }
}

void Descriptor_Set::Collect_Frame_Sizes(Video_Stream_Model& model, std::vector<Frame_Size>& sizes) const {
    sizes.clear();
    model.Clear();

    const std::uint32_t mode = Slot(Slot_Video_Format).Get_Number();
    model.Format_Mode = mode;
    const bool want_uncompressed = mode == Format_Mode_Uncompressed ||
                                   mode == Format_Mode_Uncompressed_Then_Mjpeg ||
                                   mode == Format_Mode_Mjpeg_Then_Uncompressed;
    const bool want_mjpeg = mode == Format_Mode_Mjpeg || mode == Format_Mode_Uncompressed_Then_Mjpeg ||
                            mode == Format_Mode_Mjpeg_Then_Uncompressed;
    model.Still_Method = Slot(Slot_Still_Capture).Get_Byte();
    const Frame_Size wanted_default{Slot(Slot_Default_Resolution).Get_Width(),
                                    Slot(Slot_Default_Resolution).Get_Height()};

    if (want_uncompressed) {
        model.Uncompressed_Default_Width = wanted_default.Width;
        model.Uncompressed_Default_Height = wanted_default.Height;
        Collect_Format(Uncompressed_Frames, Resolutions, wanted_default, model.Uncompressed_Frames, sizes);
    }
    if (want_mjpeg) {
        model.Mjpeg_Default_Width = wanted_default.Width;
        model.Mjpeg_Default_Height = wanted_default.Height;
        sizes.clear();
        Collect_Format(Mjpeg_Frames, Resolutions, wanted_default, model.Mjpeg_Frames, sizes);
    }
}
