// Small dialogs on the tool's real templates that record what reaches their message maps,
// for the layer's tests. They are not the tool's dialogs: each handler only notes the event.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/afx.h"
#include "platform/ui/testing/headless.h"
#include "resources/resource.h"
#include "resources/resources.h"

namespace zunq::ui::tests {

// The identity page's template: data exchange of an edit, notifications of the edits and
// check boxes.
class Page_Dialog : public CDialogEx {
public:
    Page_Dialog() : CDialogEx(IDD_DIALOG1) {}
    CString m_strVid;
    std::vector<std::string> events;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnEnChangeEditVid() { events.push_back("EN_CHANGE 1030"); }
    void OnEnChangeEditProduct() { events.push_back("EN_CHANGE 1034"); }
    void OnBnClickedUnlockProduct() { events.push_back("BN_CLICKED 1075"); }
    void OnBnClickedSave() { events.push_back("BN_CLICKED 1031"); }
    DECLARE_MESSAGE_MAP()
};

// The main template with a page in its tab control, the tool's kinds of handlers, and a
// switch for the Enter and Escape filter. (How the tool's own dialog uses the system menu,
// icons, fonts and control colours is tested on that dialog.)
class Main_Dialog : public CDialogEx {
public:
    Main_Dialog() : CDialogEx(IDD_ZUNQ_USB_CAM_DIALOG) {}
    CListBox m_CameraList;
    CProgressCtrl m_Progress;
    CTabCtrl m_Tab;
    Page_Dialog m_Page;
    bool swallow_keys = true;
    bool registered = false;
    std::vector<std::string> events;
    std::vector<std::string> dropped;
    std::vector<std::string> device_names;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    afx_msg void OnBnClickedDownload();
    afx_msg void OnLbnSelchangeCameraList();
    afx_msg void OnTcnSelchangeTab(NMHDR* header, LRESULT* result);
    afx_msg void OnTimer(UINT_PTR id);
    afx_msg void OnDropFiles(HDROP drop);
    afx_msg BOOL OnDeviceChange(UINT event_type, DWORD_PTR data);
    DECLARE_MESSAGE_MAP()
};

// The flash-error notice: a modeless dialog whose buttons hide it.
class Notice_Dialog : public CDialogEx {
public:
    Notice_Dialog() : CDialogEx(IDD_DIALOG4) {}
    int queries = 0;

protected:
    void OnBnClickedQuery() {
        ++queries;
        CDialogEx::OnOK();
    }
    DECLARE_MESSAGE_MAP()
};

// The camera-control page's template: sliders and combo boxes.
class Slider_Page : public CDialog {
public:
    Slider_Page() : CDialog(IDD_DIALOG2) {}
    CSliderCtrl m_Brightness;
    CComboBox m_cbPowerLine;
    std::vector<std::string> events;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    afx_msg void OnHScroll(UINT code, UINT position, CScrollBar* bar);
    void OnCbnSelchangePowerLine() { events.push_back("CBN_SELCHANGE 1116"); }
    DECLARE_MESSAGE_MAP()
};

// The video-format page's template: the check list and radios.
class Format_Page : public CDialogEx {
public:
    Format_Page() : CDialogEx(IDD_DIALOG3) {}
    CCheckListBox m_lstResolutions;
    std::vector<std::string> events;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnLbnSelchangeResolutionList() { events.push_back("LBN_SELCHANGE 1138"); }
    DECLARE_MESSAGE_MAP()
};

// Starts the headless application with the tool's resources.
void Start();

// The headless application with scripted services and device changes, and the main test
// dialog, created (and shown) by Open.
class Layer_Test : public ::testing::Test {
protected:
    Layer_Test() { Start(); }
    void Open(bool shown = true) {
        ASSERT_TRUE(dialog.Create(IDD_ZUNQ_USB_CAM_DIALOG));
        if (shown)
            dialog.ShowWindow(SW_SHOW);
    }
    testing::Scripted_Services services;
    testing::Scripted_Device_Source devices;
    Main_Dialog dialog;
};

} // namespace zunq::ui::tests
