// Applying the pages' edits to an image: video formats, USB identity, strings, external ID,
// output, camera controls, in that order, for the save and for the burn.
#include "Apply_Config.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Image_Loading.h"
#include "ZUNQ_USB_CAMDlg.h"
#include "firmware_image/Firmware_Factory.h"
#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"

namespace {

constexpr const char* Unedited_Burn_Message = "无法应用配置修改，将烧录未修改的固件！";

constexpr int Microphone_Box = 1135;
constexpr std::uint8_t Mode_Uncompressed_Only = 1;
constexpr std::uint8_t Mode_Mjpeg_Only = 3;

using Frame_List = std::vector<Frame_Size_Record>;

// One camera control written from the camera-control page: a value text, or an automatic
// switch. In the order the sequence writes them.
struct Control_Source {
    std::uint32_t Index;
    CString CDialog2::*Text;
    int CDialog2::*Switch;
};

constexpr std::array<Control_Source, 18> Control_Sources{{
    {0, &CDialog2::m_strBrightness, nullptr},
    {1, &CDialog2::m_strContrast, nullptr},
    {2, &CDialog2::m_strHue, nullptr},
    {3, &CDialog2::m_strSaturation, nullptr},
    {4, &CDialog2::m_strSharpness, nullptr},
    {5, &CDialog2::m_strGamma, nullptr},
    {6, &CDialog2::m_strWhiteBalance, nullptr},
    {8, &CDialog2::m_strBacklightComp, nullptr},
    {9, &CDialog2::m_strGain, nullptr},
    {11, &CDialog2::m_strZoom, nullptr},
    {12, &CDialog2::m_strFocus, nullptr},
    {14, &CDialog2::m_strExposure, nullptr},
    {16, &CDialog2::m_strPan, nullptr},
    {17, &CDialog2::m_strTilt, nullptr},
    {18, &CDialog2::m_strRoll, nullptr}, // no record: the block takes nothing
    {13, nullptr, &CDialog2::m_nAutoFocus},
    {7, nullptr, &CDialog2::m_nAutoWhiteBalance},
    {15, nullptr, &CDialog2::m_nAutoExposure},
}};

constexpr std::uint32_t Power_Line_Index = 10;
constexpr std::uint8_t Highest_Orientation = 3;

// The leading decimal number of a text, 0 for none, as atoi reads it but held to 32 bits
// instead of overflowing.
std::int32_t Decimal_Value(const CString& text) {
    return static_cast<std::int32_t>(
        std::clamp<long long>(std::strtoll(text, nullptr, 10), INT_MIN, INT_MAX));
}

// A hexadecimal text as strtol reads it, cut to 16 bits.
std::uint16_t Hexadecimal_Value(const CString& text) {
    return static_cast<std::uint16_t>(std::strtol(text, nullptr, 16));
}

Frame_Size Size_Of(const Frame_Size_Record& record) {
    return {record.Width, record.Height};
}

std::vector<Frame_Size> Sizes_Of(const Frame_List& list) {
    std::vector<Frame_Size> sizes;
    for (const Frame_Size_Record& record : list)
        sizes.push_back(Size_Of(record));
    return sizes;
}

// The resolution page as the sequence reads it: the list it shows (the image's default
// first, then the other sizes in stored order), which of its 1-based positions are
// unchecked, the checked sizes in combo order and the combo's selection.
struct Resolution_Choice {
    std::vector<Frame_Size> Shown;
    std::vector<std::size_t> Unchecked;
    std::vector<Frame_Size> Checked;
    int Selection = CB_ERR;

    // Where the page lists a frame list's sizes in the very order it stores them, a position
    // on the page is a position in the list.
    bool Agrees_With(const Frame_List& list) const { return Sizes_Of(list) == Shown; }

    bool Is_Unchecked(std::size_t index) const {
        return std::find(Unchecked.begin(), Unchecked.end(), index + 1) != Unchecked.end();
    }

    // Positions are counted in the list as it was before any removal; a position past its
    // end removes nothing.
    void Remove_By_Position(Frame_List& list) const {
        Frame_List kept;
        for (std::size_t i = 0; i < list.size(); ++i)
            if (!Is_Unchecked(i))
                kept.push_back(std::move(list[i]));
        list = std::move(kept);
    }

    // Every record of a size the operator unchecked (and did not keep checked elsewhere in
    // the list) goes; a size the list does not have removes nothing from it.
    void Remove_By_Size(Frame_List& list) const {
        std::vector<Frame_Size> removed;
        for (std::size_t i = 0; i < Shown.size(); ++i)
            if (Is_Unchecked(i))
                removed.push_back(Shown[i]);
        for (std::size_t i = 0; i < Shown.size(); ++i)
            if (!Is_Unchecked(i))
                std::erase(removed, Shown[i]);
        std::erase_if(list, [&](const Frame_Size_Record& record) {
            return std::find(removed.begin(), removed.end(), Size_Of(record)) != removed.end();
        });
    }

    // The combo's entry by position in the list after removal; with no selection, or one past
    // the end, the first entry, as a list lookup out of range gives.
    static const Frame_Size_Record* By_Position(const Frame_List& list, int selection) {
        if (list.empty())
            return nullptr;
        const auto index = static_cast<std::size_t>(selection);
        return selection >= 0 && index < list.size() ? &list[index] : &list.front();
    }

    // The combo's size where the list has it, else the list's first entry.
    const Frame_Size_Record* By_Size(const Frame_List& list) const {
        if (list.empty())
            return nullptr;
        if (Selection >= 0 && static_cast<std::size_t>(Selection) < Checked.size()) {
            const Frame_Size chosen = Checked[static_cast<std::size_t>(Selection)];
            for (const Frame_Size_Record& record : list)
                if (Size_Of(record) == chosen)
                    return &record;
        }
        return &list.front();
    }
};

Resolution_Choice Read_Resolution_Choice(const CDialog3& page) {
    return {page.m_AllResolutions, page.Get_Unchecked_Resolutions(), page.m_CheckedResolutions,
            page.m_cbDefaultResolution.GetCurSel()};
}

class Apply_Sequence {
public:
    Apply_Sequence(ZUNQ_USB_CAMDlg& main, Apply_Caller caller) : Main(main), Caller(caller) {}

    bool Run(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t size) {
        String_Buffer_260 message; // what the setters say is not shown
        std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> image = Create_Firmware_Object(source, size);
        if (image == nullptr)
            return false;
        image->Set_Modify_Flag(true);
        const Firmware_Chip_Code chip_code = Detect_Firmware_Chip_Code(source, size);
        const bool whole_edits = Padded_Image_Has_256K_Mark() && chip_code != Firmware_Chip_2688_Other_Tag;
        if (whole_edits)
            if (Descriptor_Set* set = image->Get_Edited_Descriptor_Set())
                Apply_Video_Format(*set);
        Apply_Ids(*image);
        Apply_Strings(*image, message);
        if (chip_code != Firmware_Chip_2688_Other_Tag && Is_Present(Main.m_strExternalId))
            Apply_External_ID(*image, message);
        Write_Output(*image, destination, size);
        if (Caller == Apply_Caller::Save)
            image.reset();
        if (whole_edits)
            Apply_Camera_Controls(destination, size);
        return true;
    }

private:
    bool Padded_Image_Has_256K_Mark() const {
        return Main.m_pPaddedImage != nullptr && Main.m_nPaddedSize >= Image_Size_64K &&
               Has_256K_Mark(Main.m_pPaddedImage.get());
    }

    // ---- Video formats, into the edited descriptor set.

    void Apply_Video_Format(Descriptor_Set& set) {
        const CDialog3& page = Main.m_Page3;
        const std::uint8_t mode = page.Get_Video_Format();
        if (mode != 0)
            set.Slot(Slot_Video_Format).Apply(std::uint32_t{mode});
        const bool microphone = page.IsDlgButtonChecked(Microphone_Box) == BST_CHECKED;
        set.Slot(Slot_Microphone).Apply(static_cast<std::uint8_t>(microphone ? 1 : 0));
        set.Slot(Slot_Still_Capture).Apply(Still_Mode(page));
        const Resolution_Choice choice = Read_Resolution_Choice(page);
        Frame_List& default_list =
            mode == Mode_Uncompressed_Only ? set.Uncompressed_Frames : set.Mjpeg_Frames;
        const bool default_list_agrees = choice.Agrees_With(default_list);
        Remove_Unchecked_Resolutions(set, mode, choice);
        const Frame_Size_Record* chosen = default_list_agrees
                                              ? Resolution_Choice::By_Position(default_list, choice.Selection)
                                              : choice.By_Size(default_list);
        if (chosen != nullptr)
            set.Slot(Slot_Default_Resolution).Apply(chosen->Width, chosen->Height);
    }

    // The save reads the still radios, the burn the page's getter; both give the same value.
    std::uint8_t Still_Mode(const CDialog3& page) const {
        if (Caller == Apply_Caller::Burn)
            return page.Get_Still_Mode();
        if (page.IsDlgButtonChecked(1133) == BST_CHECKED)
            return 1;
        return page.IsDlgButtonChecked(1134) == BST_CHECKED ? 2 : 0;
    }

    // Mode 1 names the uncompressed list, 3 the MJPEG list, 2 and 4 both, 0 none. An emptied
    // list would drop its whole format from the image while the page still offers it (the
    // operator unticked a size the other format also has), so such a list keeps its frames.
    static void Remove_Unchecked_Resolutions(Descriptor_Set& set, std::uint8_t mode,
                                             const Resolution_Choice& choice) {
        for (Frame_List* list : {&set.Uncompressed_Frames, &set.Mjpeg_Frames}) {
            const bool named =
                mode != 0 &&
                (list == &set.Uncompressed_Frames ? mode != Mode_Mjpeg_Only : mode != Mode_Uncompressed_Only);
            if (!named)
                continue;
            Frame_List edited = *list;
            if (choice.Agrees_With(edited))
                choice.Remove_By_Position(edited);
            else
                choice.Remove_By_Size(edited);
            if (!edited.empty())
                *list = std::move(edited);
        }
    }

    // ---- USB identity, strings and external ID.

    void Apply_Ids(Firmware_Massage_Base_class_Usb_Des& image) const {
        const std::uint16_t vid = Hexadecimal_Value(Main.m_Page1.m_strVidText);
        image.Set_VID(&vid);
        const std::uint16_t pid = Hexadecimal_Value(Main.m_Page1.m_strPidText);
        image.Set_PID(&pid);
    }

    // Only the strings the image has; the serial number and the firmware version are never set.
    void Apply_Strings(Firmware_Massage_Base_class_Usb_Des& image, String_Buffer_260& message) const {
        const CDialog1& page = Main.m_Page1;
        if (Is_Present(Main.m_strProduct))
            image.Set_Product_String(String_Buffer_260(page.m_strProductText.GetString()), message);
        if (Is_Present(Main.m_strMicName))
            image.Set_Mic_String(String_Buffer_260(page.m_strMicNameText.GetString()), message);
        if (Is_Present(Main.m_strManufacturer))
            image.Set_Manufacturer_String(String_Buffer_260(page.m_strManufacturerText.GetString()), message);
    }

    void Apply_External_ID(Firmware_Massage_Base_class_Usb_Des& image, String_Buffer_260& message) const {
        if (Firmware_Message_UNStd_ExId_class* external_id = image.Get_External_ID())
            external_id->Set_ExID(String_Buffer_260(Main.m_Page1.m_strExternalIdText.GetString()), message);
    }

    // ---- The output image, and the camera controls written into it.

    // A destination larger than the object's image keeps its bytes past the image.
    static void Write_Output(Firmware_Massage_Base_class_Usb_Des& image, std::uint8_t* destination,
                             std::uint32_t size) {
        const std::uint32_t output_size = image.Get_Image_Size();
        std::vector<std::uint8_t> output(output_size);
        std::memcpy(output.data(), image.Build_Output_Image(), output_size);
        std::memcpy(destination, output.data(), std::min(output_size, size));
    }

    void Apply_Camera_Controls(std::uint8_t* destination, std::uint32_t size) const {
        if (size < IQ_Block_Offset + IQ_Block_Size)
            return;
        Firmware_IQ_Adjust_Class_2688 block(Byte_Span(destination + IQ_Block_Offset, IQ_Block_Size));
        const CDialog2& page = Main.m_Page2;
        for (const Control_Source& control : Control_Sources) {
            const std::int32_t value =
                control.Text != nullptr ? Decimal_Value(page.*control.Text) : page.*control.Switch;
            Set_Current_And_Default(block, control.Index, value);
        }
        // "50Hz" is 1, "60Hz" 2; without a selection the control is left as it is.
        const int power_line = page.m_cbPowerLine.GetCurSel();
        if (power_line == 0 || power_line == 1)
            Set_Current_And_Default(block, Power_Line_Index, power_line + 1);
        Apply_Orientation(block, page);
        block.Set_Edited_Flag(true);
        const Byte_Span edited = block.Get_Edited_Block();
        std::memcpy(destination + IQ_Block_Offset, edited.data(), std::min(edited.size(), IQ_Block_Size));
    }

    static void Set_Current_And_Default(Firmware_IQ_Adjust_Class_2688& block, std::uint32_t index,
                                        std::int32_t value) {
        block.Set_IQ_Control(index, IQ_Field_Current, &value);
        block.Set_IQ_Control(index, IQ_Field_Default, &value);
    }

    // An image without an orientation setting (byte above 3) keeps it so; the setting never
    // takes a value outside the four orientations.
    static void Apply_Orientation(Firmware_IQ_Adjust_Class_2688& block, const CDialog2& page) {
        const int selection = page.m_cbOrientation.GetCurSel();
        const int orientation = selection >= 0 ? selection : page.m_nOrientation;
        if (orientation <= Highest_Orientation)
            block.Set_IQ_Mode(Orientation_Mode_Byte, static_cast<std::uint8_t>(orientation));
    }

    ZUNQ_USB_CAMDlg& Main;
    const Apply_Caller Caller;
};

} // namespace

bool Apply_Page_Edits(ZUNQ_USB_CAMDlg& main, const std::uint8_t* source, std::uint8_t* destination,
                      std::uint32_t size, Apply_Caller caller) {
    return Apply_Sequence(main, caller).Run(source, destination, size);
}

bool CDialog1::Apply_To_Image(const std::uint8_t* image, std::uint32_t size) {
    m_pSaveImage = std::make_unique<std::uint8_t[]>(size);
    m_nSaveImageSize = size;
    if (Apply_Page_Edits(Main_Dialog(), image, m_pSaveImage.get(), size, Apply_Caller::Save))
        return true;
    m_pSaveImage.reset();
    m_nSaveImageSize = 0;
    return false;
}

void ZUNQ_USB_CAMDlg::Apply_Config_For_Download(std::uint8_t* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0)
        return;
    const auto working_copy = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::memcpy(working_copy.get(), buffer, size);
    if (!Apply_Page_Edits(*this, working_copy.get(), buffer, size, Apply_Caller::Burn))
        AfxMessageBox(Unedited_Burn_Message);
}
