// The camera-control page: filling it from the image's camera-control block, the sliders'
// value texts, the automatic boxes and "默认值".
#include "CDialog2.h"

#include "Page_Image.h"
#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"

namespace {

// One slider: its camera-control index, its slider, its read-only value edit and the text
// that holds its value, in the order the page fills them.
struct Slider_Row {
    std::uint32_t Index;
    int Slider;
    int Value_Edit;
    CString CDialog2::*Text;
};

constexpr std::array<Slider_Row, 15> Slider_Rows{{
    {0, 1088, 1068, &CDialog2::m_strBrightness},
    {1, 1089, 1074, &CDialog2::m_strContrast},
    {2, 1090, 1069, &CDialog2::m_strHue},
    {3, 1091, 1070, &CDialog2::m_strSaturation},
    {4, 1092, 1071, &CDialog2::m_strSharpness},
    {5, 1093, 1072, &CDialog2::m_strGamma},
    {6, 1094, 1073, &CDialog2::m_strWhiteBalance},
    {8, 1095, 1075, &CDialog2::m_strBacklightComp},
    {9, 1096, 1076, &CDialog2::m_strGain},
    {11, 1098, 1081, &CDialog2::m_strZoom},
    {12, 1099, 1082, &CDialog2::m_strFocus},
    {14, 1100, 1097, &CDialog2::m_strExposure},
    {16, 1101, 1105, &CDialog2::m_strPan},
    {17, 1102, 1106, &CDialog2::m_strTilt},
    {18, 1103, 1107, &CDialog2::m_strRoll},
}};

// One automatic switch: its camera-control index, its box, the slider it takes over and
// the member that holds it, in the order the page fills them.
struct Automatic_Row {
    std::uint32_t Index;
    int Box;
    int Slider;
    int CDialog2::*Switch;
};

constexpr std::array<Automatic_Row, 3> Automatic_Rows{{
    {7, 1085, 1094, &CDialog2::m_nAutoWhiteBalance},
    {15, 1111, 1100, &CDialog2::m_nAutoExposure},
    {13, 1110, 1099, &CDialog2::m_nAutoFocus},
}};

constexpr std::uint32_t Power_Line_Index = 10;
constexpr std::int32_t Power_Line_50_Hz = 1;
constexpr std::array Power_Line_Texts{"50Hz", "60Hz"};
constexpr std::array Orientation_Texts{"标准正向", "水平镜像", "垂直镜像", "旋转180°"};
constexpr int Orientation_Combo = 1117;
constexpr int Orientation_Label = 1120;

const Automatic_Row* Automatic_Row_Of(int box) {
    for (const auto& row : Automatic_Rows)
        if (row.Box == box)
            return &row;
    return nullptr;
}

CString Decimal(std::int32_t value) {
    CString text;
    text.Format("%d", value);
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CDialog2, CDialog)
ON_WM_HSCROLL()
ON_BN_CLICKED(1085, &CDialog2::OnBnClickedAutoWhiteBalance)
ON_BN_CLICKED(1110, &CDialog2::OnBnClickedAutoFocus)
ON_BN_CLICKED(1111, &CDialog2::OnBnClickedAutoExposure)
ON_BN_CLICKED(1118, &CDialog2::OnBnClickedDefault)
END_MESSAGE_MAP()

void CDialog2::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    for (const auto& row : Slider_Rows)
        DDX_Text(pDX, row.Value_Edit, this->*row.Text);
    for (std::size_t i = 0; i < Slider_Rows.size(); ++i)
        DDX_Control(pDX, Slider_Rows[i].Slider, m_Sliders[i]);
    DDX_Control(pDX, 1116, m_cbPowerLine);
    DDX_Control(pDX, Orientation_Combo, m_cbOrientation);
}

void CDialog2::Load_From_Image() {
    const auto image = Padded_Image_Of(*this);
    if (image.size() < IQ_Block_Offset + IQ_Block_Size)
        return;
    const Firmware_IQ_Adjust_Class_2688 block(image.subspan(IQ_Block_Offset, IQ_Block_Size));
    Show_Sliders(block);
    Show_Automatic_Switches(block);
    Show_Power_Line(block);
    Show_Orientation(block);
    UpdateData(FALSE);
}

// A control the block has no record of (roll) keeps its record as it was.
void CDialog2::Read_Range(const Firmware_IQ_Adjust_Class_2688& block, std::uint32_t index) {
    IQ_Control_Range& range = m_ControlRange[index];
    block.Get_IQ_Control(index, IQ_Field_Current, &range.Current);
    block.Get_IQ_Control(index, IQ_Field_Minimum, &range.Minimum);
    block.Get_IQ_Control(index, IQ_Field_Maximum, &range.Maximum);
}

void CDialog2::Show_Sliders(const Firmware_IQ_Adjust_Class_2688& block) {
    for (std::size_t i = 0; i < Slider_Rows.size(); ++i) {
        const Slider_Row& row = Slider_Rows[i];
        Read_Range(block, row.Index);
        const IQ_Control_Range& range = m_ControlRange[row.Index];
        this->*row.Text = Decimal(range.Current);
        // The range goes in whole: pan and tilt span more than TBM_SETRANGE's 16 bits.
        m_Sliders[i].SendMessage(TBM_SETLINESIZE, 0, 1);
        m_Sliders[i].SetRange(range.Minimum, range.Maximum, TRUE);
        m_Sliders[i].SendMessage(TBM_SETPOS, TRUE, range.Current);
    }
}

void CDialog2::Show_Automatic_Switches(const Firmware_IQ_Adjust_Class_2688& block) {
    for (const auto& row : Automatic_Rows) {
        Read_Range(block, row.Index);
        Set_Automatic(row.Box, m_ControlRange[row.Index].Current == 1);
    }
}

void CDialog2::Show_Power_Line(const Firmware_IQ_Adjust_Class_2688& block) {
    m_cbPowerLine.ResetContent();
    for (const char* text : Power_Line_Texts)
        m_cbPowerLine.AddString(text);
    Read_Range(block, Power_Line_Index);
    m_cbPowerLine.SetCurSel(m_ControlRange[Power_Line_Index].Current == Power_Line_50_Hz ? 0 : 1);
}

void CDialog2::Show_Orientation(const Firmware_IQ_Adjust_Class_2688& block) {
    m_cbOrientation.ResetContent();
    for (const char* text : Orientation_Texts)
        m_cbOrientation.AddString(text);
    const std::int32_t orientation = block.Get_IQ_Mode(Orientation_Mode_Byte); // -1 above 3
    m_nOrientation = orientation < 0 ? No_Orientation : static_cast<std::uint8_t>(orientation);
    const int shown = m_nOrientation == No_Orientation ? SW_HIDE : SW_SHOW;
    GetDlgItem(Orientation_Combo)->ShowWindow(shown);
    GetDlgItem(Orientation_Label)->ShowWindow(shown);
    if (m_nOrientation != No_Orientation)
        m_cbOrientation.SetCurSel(m_nOrientation);
}

// Every scroll, a drag's moves included, shows the slider's position as its value.
void CDialog2::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
    CDialog::OnHScroll(nSBCode, nPos, pScrollBar);
    const int id = pScrollBar != nullptr ? pScrollBar->GetDlgCtrlID() : 0;
    for (const auto& row : Slider_Rows)
        if (row.Slider == id)
            this->*row.Text = Decimal(static_cast<std::int32_t>(pScrollBar->SendMessage(TBM_GETPOS)));
    UpdateData(FALSE);
}

void CDialog2::Set_Automatic(int box, bool automatic) {
    const Automatic_Row* row = Automatic_Row_Of(box);
    this->*row->Switch = automatic ? 1 : 0;
    CheckDlgButton(box, automatic ? BST_CHECKED : BST_UNCHECKED);
    GetDlgItem(row->Slider)->EnableWindow(automatic ? FALSE : TRUE);
}

// The slider's value text keeps its last value either way.
void CDialog2::Follow_Automatic_Box(int box) {
    Set_Automatic(box, IsDlgButtonChecked(box) == BST_CHECKED);
}

void CDialog2::OnBnClickedAutoWhiteBalance() {
    Follow_Automatic_Box(1085);
}

void CDialog2::OnBnClickedAutoFocus() {
    Follow_Automatic_Box(1110);
}

void CDialog2::OnBnClickedAutoExposure() {
    Follow_Automatic_Box(1111);
}

// Back to what the loaded image holds: the page's edits are dropped, the image is untouched.
void CDialog2::OnBnClickedDefault() {
    Load_From_Image();
}
