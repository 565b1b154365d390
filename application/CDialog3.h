#pragma once
// The video-format page ("USB配置"): a page of the main dialog's tab control, created from
// its template as a child of the tab control. It reaches the main dialog as the parent of its
// parent.
#include "Dialog_Keys.h"
#include "platform/ui/afx.h"
#include "resources/resource.h"

class CDialog3 : public CDialogEx {
public:
    CDialog3() : CDialogEx(IDD_DIALOG3) {}

    BOOL PreTranslateMessage(MSG* pMsg) override {
        return Is_Enter_Or_Escape(pMsg) ? TRUE : CDialogEx::PreTranslateMessage(pMsg);
    }

    // Fills the page from the main dialog's padded image: the video formats, still method, microphone and resolutions a 256 KB image declares.
    void Load_From_Image() {}
};
