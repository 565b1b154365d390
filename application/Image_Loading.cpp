// Image loading: a firmware image file chosen with "加载程序" or dropped on the dialog is read,
// padded to its image size, classified and checked by the image model, and shown in the image
// panel, the tabs and the identity page; its output image becomes the buffer the burn writes.
#include "Image_Loading.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Download_State.h"
#include "ZUNQ_USB_CAMDlg.h"
#include "firmware_image/Firmware_Factory.h"

namespace {

constexpr const char* Unreadable_File_Message = "文件加载失败！";
constexpr const char* Failed_Check_Message = "固件校检失败！";
constexpr const char* Image_File_Filter = "Text files(*.bin)|*.bin";
constexpr const char* Identity_Tab = "用户配置";
constexpr const char* Camera_Control_Tab = "参数配置";
constexpr const char* Video_Format_Tab = "USB配置";

// Images of at most 64 KB are padded to 64 KB, larger ones to 256 KB.
constexpr std::uint32_t Small_Image_Size = 0x10000;

} // namespace

bool Has_256K_Mark(const std::uint8_t* padded) {
    return (padded[0x100] == 'C' && padded[0x101] == 'Y') || (padded[0x100] == 0x95 && padded[0x101] == 0x27);
}

bool Is_Present(const CString& text) {
    return !text.IsEmpty() && text != String_No_Use_Text;
}

namespace {

int Show_Command(const CString& text) {
    return Is_Present(text) ? SW_SHOWNORMAL : SW_HIDE;
}

} // namespace

int Load_File_To_Buffer(const char* path, std::unique_ptr<std::uint8_t[]>& buffer, std::uint32_t& size) {
    std::vector<std::uint8_t> bytes;
    if (zunq::ui::Read_Whole_File(path, bytes, Largest_Image_File) != 0)
        return -1;
    buffer = std::make_unique_for_overwrite<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    size = static_cast<std::uint32_t>(bytes.size());
    return 0;
}

// UTF-8 never has '.' inside a multi-byte character, so the last '.' byte is the last dot.
CString Get_File_Title(const CString& path) {
    const int dot = path.ReverseFind('.');
    return dot < 0 ? CString() : path.Left(dot);
}

void ZUNQ_USB_CAMDlg::Pad_Firmware_Image() {
    const std::uint32_t padded_size =
        m_nImageSize <= Small_Image_Size ? Small_Image_Size : Largest_Image_File;
    m_pPaddedImage = std::make_unique<std::uint8_t[]>(padded_size);
    std::copy_n(m_pImage.get(), std::min(m_nImageSize, padded_size), m_pPaddedImage.get());
    m_nPaddedSize = padded_size;
}

void ZUNQ_USB_CAMDlg::OnBnClickedLoadBin() {
    if (Refuse_Load_During_Burn())
        return;
    Start_New_Load();
    CString initial_name = m_strFilePath;
    initial_name.Replace('/', '\\');
    CFileDialog dialog(TRUE, nullptr, initial_name, 0, Image_File_Filter, nullptr, 0, TRUE);
    // Cancelled, the earlier file is read again; with none, the read fails.
    if (dialog.DoModal() == IDOK) {
        m_strFilePath = dialog.GetPathName();
        m_strFileTitle = Get_File_Title(m_strFilePath);
    }
    Run_Load_Steps();
}

// One dropped file is loaded; several load nothing.
void ZUNQ_USB_CAMDlg::OnDropFiles(HDROP hDropInfo) {
    if (Refuse_Load_During_Burn()) {
        DragFinish(hDropInfo);
    } else if (DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0) == 1) {
        const UINT length = DragQueryFileA(hDropInfo, 0, nullptr, 0);
        std::string name(length + 1, '\0');
        DragQueryFileA(hDropInfo, 0, name.data(), length + 1);
        name.resize(length);
        m_strFilePath = name;
        m_strFileTitle = Get_File_Title(m_strFilePath);
        DragFinish(hDropInfo);
        Load_Firmware_File();
    }
    CDialogEx::OnDropFiles(hDropInfo);
}

void ZUNQ_USB_CAMDlg::Load_Firmware_File() {
    Start_New_Load();
    Run_Load_Steps();
}

void ZUNQ_USB_CAMDlg::Start_New_Load() {
    UpdateData(TRUE);
    m_Page1.Reset_Page();
    Release_Image_Buffers();
}

// A load that fails leaves no image loaded, whatever was loaded before.
void ZUNQ_USB_CAMDlg::Release_Image_Buffers() {
    m_pPaddedImage.reset();
    m_nPaddedSize = 0;
    Download_Buffer.reset();
    Download_Size = 0;
    m_pImage.reset();
    m_nImageSize = 0;
}

void ZUNQ_USB_CAMDlg::Run_Load_Steps() {
    m_strFilePath.Replace('\\', '/');
    m_strPathEdit = m_strFilePath;
    if (Load_File_To_Buffer(m_strFilePath, m_pImage, m_nImageSize) != 0) {
        Refuse_Unreadable_File();
        return;
    }
    const auto image = Show_Checked_Image();
    if (image == nullptr)
        return;
    Fill_Identity_Page();
    Make_Download_Buffer(*image);
    UpdateData(FALSE);
}

std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> ZUNQ_USB_CAMDlg::Show_Checked_Image() {
    Pad_Firmware_Image();
    auto image = Create_Firmware_Object(m_pPaddedImage.get(), m_nPaddedSize);
    const Firmware_Chip_Code chip_code = Detect_Firmware_Chip_Code(m_pPaddedImage.get(), m_nPaddedSize);
    if (image == nullptr || !image->Check_Image(false)) {
        Refuse_Failed_Check();
        return nullptr;
    }
    Show_Image_Tabs(chip_code);
    m_Page1.m_nChipCode = chip_code;
    Read_Image_Identity(*image, chip_code);
    Show_Image_Identity();
    Write_LoadBin();
    return image;
}

// The tabs and pages keep what they showed.
void ZUNQ_USB_CAMDlg::Refuse_Unreadable_File() {
    AfxMessageBox(Unreadable_File_Message);
    m_strPathEdit.Empty();
    Clear_Image_Panel();
    m_pImage.reset();
    m_nImageSize = 0;
    UpdateData(FALSE);
}

// The padded image stays until the next load; the page keeps its external ID.
void ZUNQ_USB_CAMDlg::Refuse_Failed_Check() {
    m_Tab.DeleteAllItems();
    m_Tab.InsertItem(0, Identity_Tab);
    Show_Page(0);
    AfxMessageBox(Failed_Check_Message);
    m_strPathEdit.Empty();
    Clear_Image_Panel();
    m_pImage.reset();
    m_nImageSize = 0;
    UpdateData(FALSE);
    for (CString* text :
         {&m_Page1.m_strVidText, &m_Page1.m_strPidText, &m_Page1.m_strBcdText, &m_Page1.m_strProductText,
          &m_Page1.m_strManufacturerText, &m_Page1.m_strSerialText, &m_Page1.m_strMicNameText})
        text->Empty();
    m_Page1.Reset_Page();
}

void ZUNQ_USB_CAMDlg::Clear_Image_Panel() {
    for (CString* text :
         {&m_strFwVid, &m_strFwPid, &m_strFwBcd, &m_strFwProduct, &m_strFwManufacturer, &m_strFwSerial})
        text->Empty();
}

void ZUNQ_USB_CAMDlg::Show_Image_Tabs(int chip_code) {
    m_Tab.DeleteAllItems();
    m_Tab.InsertItem(0, Identity_Tab);
    m_Page1.Reset_Page();
    if (Has_256K_Mark(m_pPaddedImage.get()) && chip_code != Firmware_Chip_2688_Other_Tag) {
        m_Tab.InsertItem(1, Camera_Control_Tab);
        m_Tab.InsertItem(2, Video_Format_Tab);
        m_Page2.Load_From_Image();
        m_Page3.Load_From_Image();
    }
    Show_Page(0);
}

void ZUNQ_USB_CAMDlg::Read_Image_Identity(Firmware_Massage_Base_class_Usb_Des& image, int chip_code) {
    String_Buffer_260 text;
    if (chip_code == Firmware_Chip_2688_Other_Tag) {
        // Such an image takes no external-ID edit: the last image's ID must not show as its own.
        m_strExternalId.Empty();
    } else if (Firmware_Message_UNStd_ExId_class* external_id = image.Get_External_ID()) {
        m_strExternalId = external_id->Get_ExID(text, 1, nullptr).Text();
    }
    auto identity = Image_Identity(image);
    m_strVid = std::move(identity[0]);
    m_strPid = std::move(identity[1]);
    m_strBcd = std::move(identity[2]);
    m_strProduct = std::move(identity[3]);
    m_strManufacturer = std::move(identity[4]);
    m_strSerial = std::move(identity[5]);
    m_strMicName = image.Get_Mic_String(text, 1, nullptr).Text();
}

std::array<CString, 6> Image_Identity(Firmware_Massage_Base_class_Usb_Des& image) {
    String_Buffer_260 text;
    std::array<CString, 6> identity;
    identity[0].Format("%04x", image.Get_VID(1, nullptr));
    identity[1].Format("%04x", image.Get_PID(1, nullptr));
    identity[2].Format("%04x", image.Get_BcdDevice(1, nullptr));
    identity[3] = image.Get_Product_String(text, 1, nullptr).Text();
    identity[4] = image.Get_Manufacturer_String(text, 1, nullptr).Text();
    identity[5] = image.Get_Serial_String(text, 1, nullptr).Text();
    return identity;
}

// The identity page's field groups for the strings the image has, and the image panel.
void ZUNQ_USB_CAMDlg::Show_Image_Identity() {
    m_Page1.Show_Field_Groups(4, Show_Command(m_strExternalId));
    m_Page1.m_strExternalIdText = m_strExternalId;
    m_Page1.Show_Field_Groups(1, Show_Command(m_strProduct));
    m_Page1.Show_Field_Groups(2, Show_Command(m_strManufacturer));
    m_Page1.Show_Field_Groups(7, Show_Command(m_strMicName));
    m_strFwVid = m_strVid;
    m_strFwPid = m_strPid;
    m_strFwBcd = m_strBcd;
    m_strFwProduct = m_strProduct;
    m_strFwManufacturer = m_strManufacturer;
    m_strFwSerial = m_strSerial;
}

void ZUNQ_USB_CAMDlg::Fill_Identity_Page() {
    m_Page1.m_strVidText = m_strVid;
    m_Page1.m_strPidText = m_strPid;
    m_Page1.m_strBcdText = m_strBcd;
    m_Page1.m_strProductText = m_strProduct;
    m_Page1.m_strMicNameText = m_strMicName;
    m_Page1.m_strManufacturerText = m_strManufacturer;
    m_Page1.m_strSerialText = m_strSerial;
    m_Page1.Reset_Page();
    m_Page2.UpdateData(FALSE);
}

void ZUNQ_USB_CAMDlg::Make_Download_Buffer(Firmware_Massage_Base_class_Usb_Des& image) {
    Download_Size = image.Get_Image_Size();
    Download_Buffer = std::make_unique_for_overwrite<std::uint8_t[]>(Download_Size);
    std::memcpy(Download_Buffer.get(), image.Build_Output_Image(), Download_Size);
}
