// The USB identity page: its fields, the checks of every change the operator makes in them,
// the unlock boxes and the save box.
#include "CDialog1.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "ZUNQ_USB_CAMDlg.h"
#include "firmware_image/Firmware_Factory.h"
#include "platform/ui/files.h"

namespace {

constexpr const char* Bad_Character_Message = "输入非法！请输入0~F,不区分大小写";
constexpr const char* Too_Long_Message = "字符长度超过限制！请重新输入！";
constexpr const char* Load_First_Message = "请先加载文件！";
constexpr const char* Saved_Message = "信息修改成功！";
constexpr const char* Not_Applied_Message = "无法应用配置修改，未保存文件！";

// Why a save wrote no file, by the error of the step that failed.
const char* Save_Failure_Message(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "文件保存失败！磁盘空间不足，未写入文件。";
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOTDIR:
    case ENOENT:
        return "文件保存失败！目标文件夹不可写入，未写入文件。";
    default:
        return "文件保存失败！写入文件时出错，未写入文件。";
    }
}

constexpr int Hex_Field_Limit = 4;
constexpr int Text_Field_Limit = 31;
constexpr int External_ID_Limit = 16;

bool Is_Hex_Character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool Is_Text_Character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ' ||
           c == '.' || c == '-' || c == '_';
}

// The families whose strings sit in rooms of the image's own lengths: a text may shrink but
// not grow past the string the image holds.
bool Keeps_Loaded_Lengths(int chip_code) {
    return chip_code == Firmware_Chip_2092 || chip_code == Firmware_Chip_2620;
}

struct Field_Group {
    int group;
    std::array<int, 3> ids; // label, edit, unlock box
};

constexpr std::array<Field_Group, 4> Field_Groups = {{
    {1, {1057, 1034, 1075}},
    {2, {1058, 1035, 1076}},
    {4, {1080, 1078, 1079}},
    {7, {1142, 1143, 1083}},
}};

} // namespace

BEGIN_MESSAGE_MAP(CDialog1, CDialogEx)
ON_EN_CHANGE(1030, &CDialog1::OnEnChangeEditVid)
ON_EN_CHANGE(1032, &CDialog1::OnEnChangeEditPid)
ON_EN_CHANGE(1034, &CDialog1::OnEnChangeEditProduct)
ON_EN_CHANGE(1035, &CDialog1::OnEnChangeEditManufacturer)
ON_EN_CHANGE(1036, &CDialog1::OnEnChangeEditSerial)
ON_EN_CHANGE(1078, &CDialog1::OnEnChangeEditExternalId)
ON_EN_CHANGE(1143, &CDialog1::OnEnChangeEditMicName)
ON_BN_CLICKED(1075, &CDialog1::OnBnClickedUnlockProduct)
ON_BN_CLICKED(1076, &CDialog1::OnBnClickedUnlockManufacturer)
ON_BN_CLICKED(1077, &CDialog1::OnBnClickedUnlockSerial)
ON_BN_CLICKED(1079, &CDialog1::OnBnClickedUnlockExternalId)
ON_BN_CLICKED(1031, &CDialog1::OnBnClickedSave)
ON_BN_CLICKED(1083, &CDialog1::OnBnClickedUnlockMicName)
END_MESSAGE_MAP()

void CDialog1::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Text(pDX, 1030, m_strVidText);
    DDX_Text(pDX, 1032, m_strPidText);
    DDX_Text(pDX, 1033, m_strBcdText);
    DDX_Text(pDX, 1034, m_strProductText);
    DDX_Text(pDX, 1035, m_strManufacturerText);
    DDX_Text(pDX, 1036, m_strSerialText);
    DDX_Text(pDX, 1078, m_strExternalIdText);
    DDX_Text(pDX, 1143, m_strMicNameText);
}

ZUNQ_USB_CAMDlg& CDialog1::Main_Dialog() const {
    return dynamic_cast<ZUNQ_USB_CAMDlg&>(*GetParent()->GetParent());
}

void CDialog1::Reset_Page() {
    GetDlgItem(1031)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
    for (int edit : {1034, 1143, 1035, 1036, 1078})
        GetDlgItem(edit)->SendMessage(EM_SETREADONLY, TRUE);
    for (int box : {1075, 1076, 1077, 1079, 1083})
        GetDlgItem(box)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
    UpdateData(FALSE);
}

void CDialog1::Show_Field_Groups(int group, int nCmdShow) {
    for (const Field_Group& row : Field_Groups)
        if (row.group == group)
            for (int id : row.ids)
                GetDlgItem(id)->ShowWindow(nCmdShow);
}

// ---- Checks of the edits.

void CDialog1::OnEnChangeEditVid() {
    Check_Field(1030, Is_Hex_Character, Hex_Field_Limit);
}

void CDialog1::OnEnChangeEditPid() {
    Check_Field(1032, Is_Hex_Character, Hex_Field_Limit);
}

void CDialog1::OnEnChangeEditProduct() {
    Check_Text_Field(1034);
}

void CDialog1::OnEnChangeEditManufacturer() {
    Check_Text_Field(1035);
}

void CDialog1::OnEnChangeEditSerial() {
    Check_Text_Field(1036);
}

void CDialog1::OnEnChangeEditExternalId() {
    Check_Text_Field(1078);
}

void CDialog1::OnEnChangeEditMicName() {
    Check_Text_Field(1143);
}

// What the edit shows after the change: only characters the field takes, at most `limit`
// of them; the members take the edits' texts.
void CDialog1::Check_Field(int id, bool (*allowed)(char), int limit) {
    CString text;
    GetDlgItem(id)->GetWindowText(text);
    if (!std::all_of(text.begin(), text.end(), allowed)) {
        Reject_Character(id);
        return;
    }
    if (text.GetLength() > limit)
        Cut_To_Limit(id, text, limit);
    UpdateData(TRUE);
    UpdateData(FALSE);
}

void CDialog1::Check_Text_Field(int id) {
    Check_Field(id, Is_Text_Character, Text_Limit(id));
}

int CDialog1::Text_Limit(int id) const {
    if (!Keeps_Loaded_Lengths(m_nChipCode))
        return id == 1078 ? External_ID_Limit : Text_Field_Limit;
    const ZUNQ_USB_CAMDlg& main = Main_Dialog();
    switch (id) {
    case 1034:
        return main.m_strProduct.GetLength();
    case 1035:
        return main.m_strManufacturer.GetLength();
    case 1036:
        return main.m_strSerial.GetLength();
    case 1078:
        return main.m_strExternalId.GetLength();
    default:
        return main.m_strMicName.GetLength();
    }
}

void CDialog1::Reject_Character(int id) {
    UpdateData(TRUE);
    Restore_Loaded_Values();
    // The external ID's bad text would otherwise stay in its edit, and the burn would write it.
    if (id == 1078)
        m_strExternalIdText = Main_Dialog().m_strExternalId;
    UpdateData(FALSE);
    AfxMessageBox(Bad_Character_Message);
}

void CDialog1::Cut_To_Limit(int id, const CString& text, int limit) {
    AfxMessageBox(Too_Long_Message);
    SetDlgItemText(id, text.Left(limit));
    CWnd* edit = GetDlgItem(id);
    edit->SendMessage(EM_SETSEL, static_cast<WPARAM>(text.GetLength()), text.GetLength());
    edit->SendMessage(EM_SCROLLCARET);
}

void CDialog1::Restore_Loaded_Values() {
    const ZUNQ_USB_CAMDlg& main = Main_Dialog();
    m_strVidText = main.m_strVid;
    m_strPidText = main.m_strPid;
    m_strBcdText = main.m_strBcd;
    m_strProductText = main.m_strProduct;
    m_strMicNameText = main.m_strMicName;
    m_strManufacturerText = main.m_strManufacturer;
    m_strSerialText = main.m_strSerial;
}

// ---- The unlock boxes and the save box.

void CDialog1::OnBnClickedUnlockProduct() {
    Follow_Unlock_Box(1075, 1034);
}

void CDialog1::OnBnClickedUnlockManufacturer() {
    Follow_Unlock_Box(1076, 1035);
}

void CDialog1::OnBnClickedUnlockSerial() {
    Follow_Unlock_Box(1077, 1036);
}

void CDialog1::OnBnClickedUnlockExternalId() {
    Follow_Unlock_Box(1079, 1078);
}

void CDialog1::OnBnClickedUnlockMicName() {
    Follow_Unlock_Box(1083, 1143);
}

void CDialog1::Follow_Unlock_Box(int box, int edit) {
    const bool checked = GetDlgItem(box)->SendMessage(BM_GETCHECK) == BST_CHECKED;
    GetDlgItem(edit)->SendMessage(EM_SETREADONLY, checked ? FALSE : TRUE);
}

// Each click is at most one save, so the box never stays checked.
void CDialog1::OnBnClickedSave() {
    if (IsDlgButtonChecked(1031) == BST_CHECKED) {
        if (Main_Dialog().m_nImageSize == 0)
            AfxMessageBox(Load_First_Message);
        else
            Save_Edited_Image();
    }
    GetDlgItem(1031)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
}

// The file appears whole or not at all, and only a complete file is reported as saved.
void CDialog1::Save_Edited_Image() {
    const ZUNQ_USB_CAMDlg& main = Main_Dialog();
    if (!Apply_To_Image(main.m_pPaddedImage.get(), main.m_nPaddedSize)) {
        AfxMessageBox(Not_Applied_Message);
        return;
    }
    m_strSaveFileName = Save_File_Name();
    const int error = zunq::ui::Write_Whole_File(m_strSaveFileName, m_pSaveImage.get(),
                                                 std::min(main.m_nPaddedSize, m_nSaveImageSize));
    m_pSaveImage.reset();
    m_nSaveImageSize = 0;
    AfxMessageBox(error == 0 ? Saved_Message : Save_Failure_Message(error));
}

// Beside the loaded file: its name without extension, the page's VID and PID, the loaded
// firmware version and the local time to the second.
CString CDialog1::Save_File_Name() const {
    const ZUNQ_USB_CAMDlg& main = Main_Dialog();
    SYSTEMTIME now;
    GetLocalTime(&now);
    CString stamp;
    stamp.Format("%d-%d-%d-%d-%d-%d", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    CString name;
    name.Format("%s_VID%s_PID%s_BCD%s_%s.bin", main.m_strFileTitle.GetString(), m_strVidText.GetString(),
                m_strPidText.GetString(), main.m_strBcd.GetString(), stamp.GetString());
    return name;
}
