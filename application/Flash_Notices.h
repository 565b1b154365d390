#pragma once
// The flash-model notices a burn shows when the camera's flash part is not recognised:
// CDialog4 says so and offers the list of supported parts, CDialog5 shows that list. Both are
// modeless members of the main dialog, hidden until needed; their buttons hide them again.
#include "platform/ui/afx.h"
#include "resources/resource.h"

// The flash parts the camera's chip supports, chosen by the product name its protocol
// reports (compared exactly, letter case included): the short list for the five products
// that take it, the long one for every other name, the empty name of a
// missing protocol included. Each text is lines of two part names ending "\r\n".
const char* Supported_Flash_List(const char* product_name);

// The flash-error notice ("Flash异常-型号错误！"): "查询" hides it and shows the list notice of
// the main dialog it belongs to; "退出" hides it.
class CDialog4 : public CDialogEx {
public:
    CDialog4() : CDialogEx(IDD_DIALOG4) {}

protected:
    afx_msg void OnBnClickedQuery();
    DECLARE_MESSAGE_MAP()
};

// The supported-flash notice: the list in its read-only edit; "退出" hides it.
class CDialog5 : public CDialogEx {
public:
    CDialog5() : CDialogEx(IDD_DIALOG5) {}

    CString m_strFlashList;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
