// The video-format page: filling it from the image's first descriptor set, the resolution
// check list with its default, and the getters the apply step reads.
#include "CDialog3.h"

#include <array>
#include <span>

#include "Page_Image.h"
#include "firmware_image/Firmware_Factory.h"

namespace {

struct Mode_Radio {
    int Radio;
    std::uint8_t Mode;
};

// In the order the getter tests them.
constexpr std::array<Mode_Radio, 4> Format_Radios{{{1127, 4}, {1128, 2}, {1129, 3}, {1130, 1}}};
constexpr std::array<Mode_Radio, 2> Still_Radios{{{1133, 1}, {1134, 2}}};
constexpr int Microphone_Box = 1135;
constexpr std::array<int, 7> Choices{1127, 1128, 1129, 1130, 1133, 1134, Microphone_Box};

// The mode of the first radio checked, 0 for none.
std::uint8_t Checked_Mode(const CWnd& page, std::span<const Mode_Radio> radios) {
    for (const auto& radio : radios)
        if (page.IsDlgButtonChecked(radio.Radio) == BST_CHECKED)
            return radio.Mode;
    return 0;
}

constexpr UINT Resolution_Item_Height = 20;
constexpr const char* One_Resolution_Needed = "非法操作！必须勾选一个分辨率！";

CString Resolution_Text(const Frame_Size& size) {
    CString text;
    text.Format("%d X %d", size.Width, size.Height);
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CDialog3, CDialogEx)
ON_WM_CTLCOLOR()
ON_BN_CLICKED(1129, &CDialog3::OnBnClickedMjpg)
ON_LBN_SELCHANGE(1138, &CDialog3::OnLbnSelchangeResolutionList)
ON_CBN_SELCHANGE(1139, &CDialog3::OnCbnSelchangeDefaultResolution)
END_MESSAGE_MAP()

void CDialog3::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, 1138, m_lstResolutions);
    DDX_Control(pDX, 1139, m_cbDefaultResolution);
}

HBRUSH CDialog3::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    return CDialogEx::OnCtlColor(pDC, pWnd, nCtlColor);
}

// The radio checks itself; the format is read when the edits are applied.
void CDialog3::OnBnClickedMjpg() {}

void CDialog3::Load_From_Image() {
    UpdateData(TRUE);
    const auto image = Padded_Image_Of(*this);
    const auto object = Create_Firmware_Object(image.data(), static_cast<std::uint32_t>(image.size()));
    const Descriptor_Set* set = object != nullptr ? object->Get_Original_Descriptor_Set() : nullptr;
    if (set == nullptr)
        return;
    Enable_And_Uncheck_Choices();
    Show_Video_Format(set->Slot(Slot_Video_Format).Get_Number());
    Show_Microphone(set->Slot(Slot_Microphone).Get_Byte());
    Show_Still_Mode(set->Slot(Slot_Still_Capture).Get_Byte());
    Show_Resolutions(*set);
    UpdateData(FALSE);
}

void CDialog3::Enable_And_Uncheck_Choices() {
    for (const int id : Choices) {
        GetDlgItem(id)->EnableWindow(TRUE);
        CheckDlgButton(id, BST_UNCHECKED);
    }
}

// An image with both formats lets the operator choose any of the four combinations; one
// with a single format offers only that; an unknown mode offers none.
void CDialog3::Show_Video_Format(std::uint32_t mode) {
    const bool both = mode == 2 || mode == 4;
    for (const auto& radio : Format_Radios) {
        if (radio.Mode == mode)
            CheckDlgButton(radio.Radio, BST_CHECKED);
        else if (!both)
            GetDlgItem(radio.Radio)->EnableWindow(FALSE);
    }
}

void CDialog3::Show_Microphone(std::uint8_t microphone) {
    if (microphone == 1)
        CheckDlgButton(Microphone_Box, BST_CHECKED);
    else
        GetDlgItem(Microphone_Box)->EnableWindow(FALSE);
}

// Stills at the preview resolution leave no other choice; stills at other resolutions may
// still be turned back to the preview's.
void CDialog3::Show_Still_Mode(std::uint8_t still) {
    if (still == 1) {
        CheckDlgButton(1133, BST_CHECKED);
        GetDlgItem(1134)->EnableWindow(FALSE);
    } else if (still == 2) {
        CheckDlgButton(1134, BST_CHECKED);
    } else {
        GetDlgItem(1133)->EnableWindow(FALSE);
        GetDlgItem(1134)->EnableWindow(FALSE);
    }
}

// The image's default resolution comes first, then the other frame sizes of its format;
// all checked, the first the default.
void CDialog3::Show_Resolutions(const Descriptor_Set& set) {
    m_lstResolutions.ResetContent();
    m_cbDefaultResolution.ResetContent();
    m_lstResolutions.SetItemHeight(0, Resolution_Item_Height);
    Video_Stream_Model model;
    set.Collect_Frame_Sizes(model, m_AllResolutions);
    m_CheckedResolutions.clear();
    for (const Frame_Size& size : m_AllResolutions) {
        if (m_CheckedResolutions.empty()) {
            m_nDefaultWidth = size.Width;
            m_nDefaultHeight = size.Height;
        }
        m_lstResolutions.AddString(Resolution_Text(size));
        m_cbDefaultResolution.AddString(Resolution_Text(size));
        m_CheckedResolutions.push_back(size);
    }
    for (int i = 0; i < m_lstResolutions.GetCount(); ++i)
        m_lstResolutions.SetCheck(i, 1);
    m_cbDefaultResolution.SetCurSel(0);
}

// A check mark changed: the combo offers the checked resolutions. At least one stays checked.
void CDialog3::OnLbnSelchangeResolutionList() {
    const int count = m_lstResolutions.GetCount();
    m_CheckedResolutions.clear();
    for (int i = 0; i < count && static_cast<std::size_t>(i) < m_AllResolutions.size(); ++i)
        if (m_lstResolutions.GetCheck(i) != 0)
            m_CheckedResolutions.push_back(m_AllResolutions[static_cast<std::size_t>(i)]);
    if (m_CheckedResolutions.empty()) {
        AfxMessageBox(One_Resolution_Needed);
        m_lstResolutions.SetCheck(0, 1);
        if (!m_AllResolutions.empty())
            m_CheckedResolutions.push_back(m_AllResolutions.front());
    }
    Refill_Default_Combo();
}

void CDialog3::Refill_Default_Combo() {
    m_cbDefaultResolution.ResetContent();
    int selected = 0;
    const Frame_Size default_size{m_nDefaultWidth, m_nDefaultHeight};
    for (std::size_t i = 0; i < m_CheckedResolutions.size(); ++i) {
        m_cbDefaultResolution.AddString(Resolution_Text(m_CheckedResolutions[i]));
        if (m_CheckedResolutions[i] == default_size)
            selected = static_cast<int>(i); // with duplicates, the last
    }
    m_cbDefaultResolution.SetCurSel(selected);
}

// No selection, or one the checked list does not have, keeps the last default.
void CDialog3::OnCbnSelchangeDefaultResolution() {
    const int selection = m_cbDefaultResolution.GetCurSel();
    if (selection < 0 || static_cast<std::size_t>(selection) >= m_CheckedResolutions.size())
        return;
    m_nDefaultWidth = m_CheckedResolutions[static_cast<std::size_t>(selection)].Width;
    m_nDefaultHeight = m_CheckedResolutions[static_cast<std::size_t>(selection)].Height;
}

std::uint8_t CDialog3::Get_Video_Format() const {
    return Checked_Mode(*this, Format_Radios);
}

std::uint8_t CDialog3::Get_Still_Mode() const {
    return Checked_Mode(*this, Still_Radios);
}

std::vector<std::size_t> CDialog3::Get_Unchecked_Resolutions() const {
    std::vector<std::size_t> positions;
    for (int i = 0; i < m_lstResolutions.GetCount(); ++i)
        if (m_lstResolutions.GetCheck(i) == 0)
            positions.push_back(static_cast<std::size_t>(i) + 1);
    return positions;
}
