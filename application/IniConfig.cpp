// The settings file's operations, and the start-up load of the image named by its record of
// the last successful burn.
#include "IniConfig.h"

#include <cstdio>

#include "Image_Loading.h"
#include "ZUNQ_USB_CAMDlg.h"

namespace {

// Every value is read into a buffer of this many characters, so it comes back cut to 254.
constexpr DWORD Value_Buffer_Size = 255;

// The identity keys 0-5 of LoadBin, SourceFileInfo and DownloadInfo, in the dialog's fields.
std::array<CString*, 6> Image_Panel(ZUNQ_USB_CAMDlg& dlg) {
    return {&dlg.m_strFwVid,     &dlg.m_strFwPid,          &dlg.m_strFwBcd,
            &dlg.m_strFwProduct, &dlg.m_strFwManufacturer, &dlg.m_strFwSerial};
}

std::array<CString*, 6> Loaded_Identity(ZUNQ_USB_CAMDlg& dlg) {
    return {&dlg.m_strVid,     &dlg.m_strPid,          &dlg.m_strBcd,
            &dlg.m_strProduct, &dlg.m_strManufacturer, &dlg.m_strSerial};
}

// What the burn wrote, read from the download image when the edits were applied.
std::array<CString*, 6> Burnt_Identity(ZUNQ_USB_CAMDlg& dlg) {
    auto& burnt = dlg.m_BurnIdentity;
    return {&burnt[0], &burnt[1], &burnt[2], &burnt[3], &burnt[4], &burnt[5]};
}

std::array<CString*, 6> Identity_Page(ZUNQ_USB_CAMDlg& dlg) {
    CDialog1& page = dlg.m_Page1;
    return {&page.m_strVidText,     &page.m_strPidText,          &page.m_strBcdText,
            &page.m_strProductText, &page.m_strManufacturerText, &page.m_strSerialText};
}

} // namespace

// Only the main dialog derives from IniConfig (its constructor is the dialog's alone).
ZUNQ_USB_CAMDlg& IniConfig::Dialog() {
    return static_cast<ZUNQ_USB_CAMDlg&>(*this);
}

void IniConfig::Init_Key_Table() {
    const std::vector<std::string> identity{"vid",          "pid",           "bcd",          "iproduct",
                                            "imanufacture", "iserialnumber", "iaudioproduct"};
    std::vector<std::string> source_file_info = identity;
    source_file_info.push_back("path");
    Ini_Key_Table.push_back({"LoadBin", identity});
    Ini_Key_Table.push_back({"SourceFileInfo", source_file_info});
    Ini_Key_Table.push_back({"DownloadInfo", identity});
    Ini_Key_Table.push_back({"Date", {"Year_Month_Day", "Hour_Minute_Second"}});
}

zunq::ui::Profile_Text IniConfig::Read_Settings() {
    zunq::ui::Profile_File file = zunq::ui::Read_Profile_File(Ini_File_Name);
    Tell_Refusal_Once(file.refusal);
    return std::move(file.text);
}

// A file that is not the tool's (too large, not a regular file) is left as it is: reads find
// nothing and writes are refused, so the tool works on without a record, and says so once; so
// does a write that fails (a folder that takes no new file). A missing file is no refusal.
void IniConfig::Tell_Refusal_Once(const std::string& refusal) {
    if (refusal.empty() || Settings_Refusal_Told)
        return;
    Settings_Refusal_Told = true;
    std::fprintf(stderr, "zunq_sf_tool: settings file %s: %s; it is left as it is, and nothing is recorded\n",
                 static_cast<const char*>(Ini_File_Name), refusal.c_str());
}

CString IniConfig::Value_Of(const zunq::ui::Profile_Text& settings, int record, int key) const {
    const Ini_Record& entry = Ini_Key_Table.at(static_cast<std::size_t>(record));
    std::string value =
        settings.Get(entry.section, entry.keys.at(static_cast<std::size_t>(key))).value_or("");
    if (value.size() >= Value_Buffer_Size)
        value.resize(Value_Buffer_Size - 1);
    return value.c_str();
}

zunq::ui::Profile_Value IniConfig::Value(int record, int key, const char* value) const {
    const Ini_Record& entry = Ini_Key_Table.at(static_cast<std::size_t>(record));
    return {entry.section.c_str(), entry.keys.at(static_cast<std::size_t>(key)).c_str(), value};
}

void IniConfig::Add_Values(Profile_Values& values, int record, const std::array<CString*, 6>& fields) const {
    for (int key = 0; key < 6; ++key)
        values.push_back(Value(record, key, *fields[static_cast<std::size_t>(key)]));
}

void IniConfig::Write(const Profile_Values& values) {
    std::string refusal;
    zunq::ui::Write_Profile_Values(values, Ini_File_Name, &refusal);
    Tell_Refusal_Once(refusal);
}

void IniConfig::Write_LoadBin() {
    Profile_Values values;
    Add_Values(values, Ini_LoadBin, Image_Panel(Dialog()));
    Write(values);
}

// One replacement of the file: the record lands whole or not at all.
void IniConfig::Write_Download_Record() {
    ZUNQ_USB_CAMDlg& dlg = Dialog();
    SYSTEMTIME now;
    GetLocalTime(&now);
    CString date, time;
    date.Format("%d/%d/%d", now.wYear, now.wMonth, now.wDay);
    time.Format("%d:%d:%d", now.wHour, now.wMinute, now.wSecond);
    Profile_Values values;
    Add_Values(values, Ini_Source_File_Info, Image_Panel(dlg));
    values.push_back(Value(Ini_Source_File_Info, Ini_Source_Path_Key, dlg.m_strPathEdit));
    Add_Values(values, Ini_Download_Info, Burnt_Identity(dlg));
    values.push_back(Value(Ini_Date, 0, date));
    values.push_back(Value(Ini_Date, 1, time));
    Write(values);
}

void IniConfig::Clear_Sections() {
    Profile_Values values;
    for (const auto& [record, keys] :
         {std::pair{Ini_LoadBin, 6}, {Ini_Source_File_Info, 7}, {Ini_Download_Info, 6}})
        for (int key = 0; key < keys; ++key)
            values.push_back(Value(record, key, ""));
    Write(values);
}

// UTF-8 never has an ASCII byte inside a multi-byte character, so comparing bytes with ASCII
// letters folded compares the characters.
bool IniConfig::Compare_Source_Info(const zunq::ui::Profile_Text& settings) {
    const std::array<CString*, 6> loaded = Loaded_Identity(Dialog());
    for (int key = 0; key < 6; ++key)
        if (Value_Of(settings, Ini_Source_File_Info, key)
                .CompareNoCase(*loaded[static_cast<std::size_t>(key)]) != 0)
            return false;
    return true;
}

void IniConfig::Read_Download_Info(const zunq::ui::Profile_Text& settings) {
    ZUNQ_USB_CAMDlg& dlg = Dialog();
    const std::array<CString*, 6> page = Identity_Page(dlg);
    for (int key = 0; key < 6; ++key)
        *page[static_cast<std::size_t>(key)] = Value_Of(settings, Ini_Download_Info, key);
    const CString path = Value_Of(settings, Ini_Source_File_Info, Ini_Source_Path_Key);
    dlg.m_strFilePath = path;
    dlg.m_strPathEdit = path;
    dlg.m_strFileTitle = Get_File_Title(path);
}

// The load steps with the path from the record of the last successful burn, used as stored.
// The image is kept only when it still carries the identity that was burnt; an image that
// fails the check is refused as a load by hand is, and the record stays. The file is read
// once: the load writes only "LoadBin", which nothing here reads.
void ZUNQ_USB_CAMDlg::Load_Ini_Firmware(const char* file_name) {
    UpdateData(TRUE);
    Ini_File_Name = file_name;
    const zunq::ui::Profile_Text settings = Read_Settings();
    const CString path = Value_Of(settings, Ini_Source_File_Info, Ini_Source_Path_Key);
    if (Load_File_To_Buffer(path, m_pImage, m_nImageSize) != 0) {
        Forget_Download_Record();
        return;
    }
    const auto image = Show_Checked_Image();
    if (image == nullptr)
        return;
    if (!Compare_Source_Info(settings)) {
        Forget_Download_Record();
        return;
    }
    Read_Download_Info(settings);
    Fill_Identity_Page();
    Make_Download_Buffer(*image);
    UpdateData(FALSE);
}

// Without a message. The image as read is freed, so nothing counts as loaded (the burn and the
// save refuse); an image that was shown keeps its padded copy, its tabs and its pages, so
// "默认值" still fills the camera-control page from it. No burn buffer was made.
void ZUNQ_USB_CAMDlg::Forget_Download_Record() {
    m_strPathEdit.Empty();
    Clear_Image_Panel();
    Clear_Sections();
    m_pImage.reset();
    m_nImageSize = 0;
    UpdateData(FALSE);
}
