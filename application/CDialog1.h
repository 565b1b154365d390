#pragma once
// The USB identity page ("用户配置"): a page of the main dialog's tab control, created from
// its template as a child of the tab control. It reaches the main dialog as the parent of its
// parent. It shows the loaded image's VID, PID, firmware version and strings, checks every
// change of its edits (typed or pasted), and opens a text edit only while its unlock box is
// checked.
#include <cstdint>
#include <memory>

#include "Dialog_Keys.h"
#include "platform/ui/afx.h"
#include "resources/resource.h"

class ZUNQ_USB_CAMDlg;

class CDialog1 : public CDialogEx {
public:
    CDialog1() : CDialogEx(IDD_DIALOG1) {}

    // The edits' texts: the main dialog's load writes them, the apply step and the settings
    // file read them.
    CString m_strVidText;          // 1030, at most 4 hexadecimal digits
    CString m_strPidText;          // 1032, at most 4 hexadecimal digits
    CString m_strBcdText;          // 1033, read-only; never applied
    CString m_strProductText;      // 1034
    CString m_strManufacturerText; // 1035
    CString m_strSerialText;       // 1036, hidden; never applied
    CString m_strExternalIdText;   // 1078
    // What the save writes: the file's name and the edited image, which lives for one save.
    CString m_strSaveFileName;
    std::unique_ptr<std::uint8_t[]> m_pSaveImage;
    std::uint32_t m_nSaveImageSize = 0;
    // The image family of the image loaded by the button or a drop (0 until then); for the
    // 2092 and 2620 families a string may not grow past what the image holds.
    int m_nChipCode = 0;
    CString m_strMicNameText; // 1143

    // Unchecks every box, makes the text edits read-only and shows the members. VID and PID
    // stay writable.
    void Reset_Page();
    // Shows or hides a field group's label, edit and unlock box: 1 product, 2 manufacturer,
    // 4 external ID, 7 microphone name; any other group changes nothing.
    void Show_Field_Groups(int group, int nCmdShow);
    // The pages' edits applied to `size` bytes of `image` (only read) into a new
    // m_pSaveImage of that size. False, with no save image, when no image object can be
    // built over `image`.
    bool Apply_To_Image(const std::uint8_t* image, std::uint32_t size);

    BOOL PreTranslateMessage(MSG* pMsg) override {
        return Is_Enter_Or_Escape(pMsg) ? TRUE : CDialogEx::PreTranslateMessage(pMsg);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnEnChangeEditVid();
    afx_msg void OnEnChangeEditPid();
    afx_msg void OnEnChangeEditProduct();
    afx_msg void OnEnChangeEditManufacturer();
    afx_msg void OnEnChangeEditSerial();
    afx_msg void OnEnChangeEditExternalId();
    afx_msg void OnEnChangeEditMicName();
    afx_msg void OnBnClickedUnlockProduct();
    afx_msg void OnBnClickedUnlockManufacturer();
    afx_msg void OnBnClickedUnlockSerial();
    afx_msg void OnBnClickedUnlockExternalId();
    afx_msg void OnBnClickedSave();
    afx_msg void OnBnClickedUnlockMicName();
    DECLARE_MESSAGE_MAP()

private:
    ZUNQ_USB_CAMDlg& Main_Dialog() const;
    // The check of an edit after each change.
    void Check_Field(int id, bool (*allowed)(char), int limit);
    // The check of a text edit, with its limit by the loaded image's family.
    void Check_Text_Field(int id);
    // A character the field does not take: every field back to the loaded values.
    void Reject_Character(int id);
    // The edit's text cut to `limit` characters, the caret after it.
    void Cut_To_Limit(int id, const CString& text, int limit);
    int Text_Limit(int id) const;
    // The page's members back to the main dialog's loaded values.
    void Restore_Loaded_Values();
    // The unlock box `box` opens its edit while checked.
    void Follow_Unlock_Box(int box, int edit);
    // The save proper: the edited image written beside the loaded file, the operator told
    // how it went.
    void Save_Edited_Image();
    CString Save_File_Name() const;
};
