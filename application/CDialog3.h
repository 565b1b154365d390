#pragma once
// The video-format page ("USB配置"): a page of the main dialog's tab control, created from
// its template as a child of the tab control. It shows the video-streaming configuration a
// 256 KB image declares (formats, still-capture method, microphone, resolutions and the
// default one) and lets the operator narrow it; the apply step reads its getters, check box
// 1135, radios 1133 and 1134 and the selection of combo 1139.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Dialog_Keys.h"
#include "firmware_image/Descriptor_Set.h"
#include "platform/ui/afx.h"
#include "resources/resource.h"

class CDialog3 : public CDialogEx {
public:
    CDialog3() : CDialogEx(IDD_DIALOG3) {}

    BOOL PreTranslateMessage(MSG* pMsg) override {
        return Is_Enter_Or_Escape(pMsg) ? TRUE : CDialogEx::PreTranslateMessage(pMsg);
    }

    // Fills the page from the main dialog's padded image: the video formats, still method,
    // microphone and resolutions a 256 KB image declares. Without an image object the page
    // stays as it is.
    void Load_From_Image();

    // The format radio checked: 4 MJPEG and YUV with MJPEG the default, 2 the same with YUV
    // the default, 3 MJPEG only, 1 YUV only; 0 for none.
    std::uint8_t Get_Video_Format() const;
    // The still radio checked: 1 stills at the preview resolution, 2 at other ones; 0 for none.
    std::uint8_t Get_Still_Mode() const;
    // The 1-based positions of the unchecked resolutions, ascending, however many there are.
    std::vector<std::size_t> Get_Unchecked_Resolutions() const;

    CCheckListBox m_lstResolutions;           // 1138: "%d X %d" per resolution
    CComboBox m_cbDefaultResolution;          // 1139: the checked resolutions; the selection is the default
    std::vector<Frame_Size> m_AllResolutions; // every resolution, in the check list's order
    std::vector<Frame_Size> m_CheckedResolutions; // the checked ones in that order; entry i is combo item i
    // The resolution last chosen as default, kept selected when the checked set changes.
    std::uint16_t m_nDefaultWidth = 0;
    std::uint16_t m_nDefaultHeight = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnBnClickedMjpg();
    afx_msg void OnLbnSelchangeResolutionList();
    afx_msg void OnCbnSelchangeDefaultResolution();
    DECLARE_MESSAGE_MAP()

private:
    // Steps of Load_From_Image.
    void Enable_And_Uncheck_Choices();
    void Show_Video_Format(std::uint32_t mode);
    void Show_Microphone(std::uint8_t microphone);
    void Show_Still_Mode(std::uint8_t still);
    void Show_Resolutions(const Descriptor_Set& set);
    // The combo lists the checked resolutions again, the default selected when it is among them.
    void Refill_Default_Combo();
};
