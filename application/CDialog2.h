#pragma once
// The camera-control page ("参数配置"): a page of the main dialog's tab control, created from
// its template as a child of the tab control. It shows the camera-control defaults of a
// 256 KB image (each control's value with its range, the automatic switches, power-line
// frequency and image orientation) and keeps the operator's changes for the apply step,
// which reads the value texts, the switches, m_nOrientation and combos 1116 and 1117.
#include <array>
#include <cstdint>

#include "Dialog_Keys.h"
#include "platform/ui/afx.h"
#include "resources/resource.h"

class Firmware_IQ_Adjust_Class_2688;

// One camera control as the image holds it.
struct IQ_Control_Range {
    std::int32_t Current = 0;
    std::int32_t Minimum = 0;
    std::int32_t Maximum = 0;
};

// The image-orientation byte is the first mode byte of the camera-control block; above 3 the
// image has no orientation setting.
inline constexpr std::uint8_t Orientation_Mode_Byte = 0;
inline constexpr std::uint8_t No_Orientation = 0xFF;

class CDialog2 : public CDialog {
public:
    CDialog2() : CDialog(IDD_DIALOG2) {}

    BOOL PreTranslateMessage(MSG* pMsg) override {
        return Is_Enter_Or_Escape(pMsg) ? TRUE : CDialog::PreTranslateMessage(pMsg);
    }

    // Fills the page from the main dialog's padded image: the camera-control defaults a
    // 256 KB image carries. Without such an image the page stays as it is.
    void Load_From_Image();

    CComboBox m_cbPowerLine;   // 1116: "50Hz", "60Hz"
    CComboBox m_cbOrientation; // 1117: the four orientations
    // By camera-control index 0 to 18, as read from the image; index 18 (roll) has no record
    // in the block and keeps what it held.
    std::array<IQ_Control_Range, 19> m_ControlRange{};
    // The decimal value of each slider.
    CString m_strBrightness, m_strContrast, m_strHue, m_strSaturation, m_strSharpness, m_strGamma,
        m_strWhiteBalance, m_strBacklightComp, m_strGain, m_strZoom, m_strFocus, m_strExposure, m_strPan,
        m_strTilt, m_strRoll;
    // The automatic switches: 1 automatic, 0 by the slider.
    int m_nAutoWhiteBalance = 0;
    int m_nAutoFocus = 0;
    int m_nAutoExposure = 0;
    // The image's orientation byte (0 to 3), or No_Orientation.
    std::uint8_t m_nOrientation = No_Orientation;
    // The fifteen sliders, in the order of the value texts above (1088-1096, 1098-1103).
    std::array<CSliderCtrl, 15> m_Sliders;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnBnClickedAutoWhiteBalance();
    afx_msg void OnBnClickedAutoFocus();
    afx_msg void OnBnClickedAutoExposure();
    afx_msg void OnBnClickedDefault();
    DECLARE_MESSAGE_MAP()

private:
    // Steps of Load_From_Image.
    void Read_Range(const Firmware_IQ_Adjust_Class_2688& block, std::uint32_t index);
    void Show_Sliders(const Firmware_IQ_Adjust_Class_2688& block);
    void Show_Automatic_Switches(const Firmware_IQ_Adjust_Class_2688& block);
    void Show_Power_Line(const Firmware_IQ_Adjust_Class_2688& block);
    void Show_Orientation(const Firmware_IQ_Adjust_Class_2688& block);
    // An automatic switch set: its box, its slider's enable state and its member follow.
    void Set_Automatic(int box, bool automatic);
    void Follow_Automatic_Box(int box);
};
