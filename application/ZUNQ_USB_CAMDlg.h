#pragma once
// The main dialog: the camera list with the selected camera's identity and flash part, the
// image panel and path, the tab control with the three pages, the log box, the progress bar
// and the download button. Its members are shared by the tool's parts (camera list, image
// loading, burn, settings, pages); a page reaches them as the parent of its tab control.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "CDialog1.h"
#include "CDialog2.h"
#include "CDialog3.h"
#include "Download_Worker.h"
#include "Flash_Notices.h"
#include "IniConfig.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "firmware_image/Firmware_Massage_Base_class_Usb_Des.h"
#include "platform/Backend.h"
#include "platform/ui/afx.h"
#include "resources/resource.h"

// A text field of a camera's record, up to its terminating zero (or its end, should it lack one).
CString Device_Record_Text(const char (&field)[Device_Info_Text_Size]);

// The exit status of a tool whose last burn, waited for by a termination signal, failed.
inline constexpr int Burn_Failed_Exit_Status = 1;

class ZUNQ_USB_CAMDlg : public CDialogEx, public IniConfig {
public:
    ZUNQ_USB_CAMDlg(CWnd* pParent = nullptr);
    ~ZUNQ_USB_CAMDlg() override;

    HICON m_hIcon;
    CRect m_rcPage; // where the hidden page buttons put the pages; never set

    // The selected camera's identity, statics 1018 to 1023.
    CStatic m_stDeviceVid, m_stDevicePid, m_stDeviceBcd, m_stDeviceProduct, m_stDeviceManufacturer,
        m_stDeviceSerial;
    // The loaded image's identity, shown in statics 1024 to 1029.
    CString m_strFwVid, m_strFwPid, m_strFwBcd, m_strFwProduct, m_strFwManufacturer, m_strFwSerial;
    CString m_strFilePath;  // the loaded image's full path, separators '/'
    CString m_strFileTitle; // that path without its extension
    // The selected camera's place on the USB tree, remembered so that it is selected again
    // when it comes back to the same hub port.
    CString m_strSelectedHubPath;
    std::uint8_t m_nSelectedHubPort = 0;
    // The image file as read (a nonzero size means an image is loaded) and its copy padded
    // with zeros to the image size.
    std::unique_ptr<std::uint8_t[]> m_pImage;
    std::uint32_t m_nImageSize = 0;
    std::unique_ptr<std::uint8_t[]> m_pPaddedImage;
    std::uint32_t m_nPaddedSize = 0;
    CListBox m_CameraList; // one item per camera of the device list, in its order
    // The current identity values: each load writes all eight from the image, selecting a
    // camera overwrites the first six but the microphone name with the camera's.
    CString m_strVid, m_strPid, m_strBcd, m_strProduct, m_strMicName, m_strManufacturer, m_strSerial,
        m_strExternalId;
    // The camera library's device list, replaced on every device change; the protocol of a
    // camera is fetched from it by index for every operation and never kept.
    Device_List* m_hDeviceList = nullptr;
    int m_nDeviceCount = -1;
    std::uint8_t m_nSelectedDevice = 0xFF; // index of the selected camera; 0xFF: none
    int m_nDpi = 0;                        // the screen's pixels per logical inch
    CFont m_FlashNameFont;
    CProgressCtrl m_Progress;
    CString m_strPathEdit; // the image path shown in edit 1074
    CDialog1 m_Page1;
    CDialog2 m_Page2;
    CDialog3 m_Page3;
    CDialog4 m_FlashErrorDlg;
    CDialog5 m_FlashListDlg;
    CTabCtrl m_Tab;
    CString m_strFlashName; // the selected camera's flash part, edit 1141

    // The camera list.
    void Show_Device_Info(const Device_Info_Record& record);
    void Clear_Device_Info();
    // Replaces the device list with a new one of the cameras present now.
    void Recreate_Device_List();

    // The flash-model notices for `protocol`'s camera: the error notice shown, the list
    // notice filled with its product's supported parts, hidden until "查询".
    void Show_Flash_Notices(Extension_Unit_Base_Protocol* protocol);

    // Image loading: the padded copy made from the image as read, and the load of the file
    // named by m_strFilePath.
    void Pad_Firmware_Image();
    void Load_Firmware_File();
    // The start-up load of the image of the last successful burn named by the settings file
    // `file_name`; the record is forgotten when that image is unreadable or no longer
    // carries the identity that was burnt.
    void Load_Ini_Firmware(const char* file_name);

    // The burn (Burn.cpp, Download_Worker.cpp). It is under way from the click on "下载" until
    // a refusal, or until the worker has ended and the timer has reported the outcome;
    // meanwhile loads are refused and a close waits for its end. While the worker downloads,
    // device arrivals and removals are kept for its end: handling them would release the
    // device list, and with it the protocol the worker uses.
    enum class Burn_Stage { Idle, Preparing, Downloading };
    Burn_Stage m_eBurnStage = Burn_Stage::Idle;
    bool Is_Burn_Under_Way() const { return m_eBurnStage != Burn_Stage::Idle; }
    static constexpr UINT_PTR Burn_Timer_Id = 1;
    static constexpr UINT Burn_Timer_Period_Ms = 100;
    Burn_Threads m_BurnThreads;
    Extension_Unit_Base_Protocol* m_pBurnProtocol = nullptr; // the worker's, while it downloads
    int m_nBurnFlashModel = 0;                               // the flash model the burn's check found
    bool m_bBurnOutcomeShown = false;          // the timer has appended the success or failure lines
    bool m_bCloseAfterBurn = false;            // a close came during the burn
    bool m_bSignalWaitedForBurn = false;       // that close came from a termination signal
    bool m_bBurnSucceeded = false;             // the timer saw the download complete
    CString m_strBurnFailure;                  // why the burn was refused or stopped, as its box said
    std::vector<UINT> m_DeferredDeviceChanges; // arrivals and removals during the download

    // The camera a burn is for, fixed at the press: the place it was selected on and what tells
    // it from another camera that turns up there while it restarts. Every step of the burn
    // concerns this camera, whatever the list shows meanwhile.
    struct Burn_Camera {
        CString Hub_Path;       // the hub it hangs on
        std::uint32_t Port = 0; // and the port
        CString Serial;         // its serial number string; empty: it has none
        CString Chip;           // its chip's product name, as the chip probes gave it
        int Flash_Model = 0;    // its flash part, as the burn's check read it
        // Where it was last found: the device list of that generation holds it at that index.
        int Found_In_Generation = -1;
        std::uint32_t Found_At = 0;
    };
    Burn_Camera m_BurnCamera;
    int m_nListGeneration = 0; // counts the device lists made; a protocol belongs to one
    // The burn's camera's place held against other programs from the press to the burn's end.
    std::unique_ptr<platform::Camera_Hold> m_pBurnHold;
    // The identity the burn wrote, taken when the edits were applied: the record of a
    // successful burn says what the flash holds, not what the pages show at its end.
    std::array<CString, 6> m_BurnIdentity;

    // The burn's edit of the download copy: the pages' edits applied to `size` bytes of
    // `buffer` in place. Safe whatever the pages hold; when no image object can be built over
    // the buffer it stays as it is and the operator is told.
    void Apply_Config_For_Download(std::uint8_t* buffer, std::uint32_t size);
    // Appends `text` to the log box, after whatever it holds.
    void Append_Log(const char* text);

    // Shows page `index` of the tab control and hides the others; any other index changes
    // nothing.
    void Show_Page(int index);
    // Makes the dialog redraw the transparent percentage label over its background.
    void Invalidate_Percent_Label();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnBnClickedLoadBin();
    afx_msg void OnLbnSelchangeCameraList();
    afx_msg void OnBnClickedUserConfig();
    afx_msg void OnBnClickedParamConfig();
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    afx_msg BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnTcnSelchangeTab(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnBnClickedDownload();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    void OnCancel() override;
    DECLARE_MESSAGE_MAP()

private:
    // Steps of OnInitDialog.
    void Add_About_Item();
    void Create_Pages_And_Notices();
    void Place_Pages();
    void Fill_Camera_List();
    bool Register_For_Video_Device_Changes();
    void Set_Flash_Name_Font();
    // The characters a burn shows (the log's lines, the button's text, the percent) laid out
    // once in the dialog's font, so the first burn does not load their glyphs as it goes.
    void Load_Burn_Glyphs();
    // The hidden page buttons' step: the first two pages moved to m_rcPage, one of them shown.
    void Show_First_Pages(CDialog& shown, CDialog& hidden);

    // Steps of the camera list.
    void Add_Camera_Item(int index, const Device_Info_Record& record);
    void Remember_Selected_Port(const Device_Info_Record& record);
    bool Is_Remembered_Port(const Device_Info_Record& record) const;
    // Reads camera `index`'s flash model up to `tries` times, until it is not 0, and shows the
    // last answer's name.
    void Read_Flash_Name(int index, int tries);
    // Statics 1018 to 1023: VID, PID, firmware version, product, manufacturer, serial.
    std::array<CStatic*, 6> Device_Panel();

    // Steps of image loading.
    // Before a new load: the controls read, the identity page reset, every image buffer freed.
    void Start_New_Load();
    void Release_Image_Buffers();
    // The steps from the file read to the image shown, for the path in m_strFilePath.
    void Run_Load_Steps();
    // From the image as read: padded, made and checked by the image model (a failed check
    // refused), then shown in the tabs, the identity page's field groups and the image panel,
    // and stored under "LoadBin". Null when refused.
    std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> Show_Checked_Image();
    void Refuse_Unreadable_File();
    void Refuse_Failed_Check();
    void Clear_Image_Panel();
    // The tabs the image offers: "用户配置", and the two 256 KB pages when it has them.
    void Show_Image_Tabs(int chip_code);
    void Read_Image_Identity(Firmware_Massage_Base_class_Usb_Des& image, int chip_code);
    void Show_Image_Identity();
    void Fill_Identity_Page();
    void Make_Download_Buffer(Firmware_Massage_Base_class_Usb_Des& image);
    // The start-up load's end when the settings file's record names no usable image.
    void Forget_Download_Record();
    // A load asked for while a burn is under way: refused with a message; true when it was.
    bool Refuse_Load_During_Burn();

    // Steps of the burn.
    // From the checks to the threads started; false when the burn was refused or stopped.
    bool Run_Burn_Steps();
    void Refuse_Burn(const char* message);
    void Fill_Download_Buffer();
    // Reads the flash model up to ten times until one is recognised; false when none is.
    bool Check_Flash_Model(Extension_Unit_Base_Protocol* protocol);
    void Stop_On_Unknown_Flash(Extension_Unit_Base_Protocol* protocol);
    // The selected camera's place held for the burn; false when another program holds it (the
    // burn is refused).
    bool Hold_Burn_Place();
    // The selected camera fixed as the burn's.
    void Fix_Burn_Camera(Extension_Unit_Base_Protocol* protocol);
    // The pages' edits applied to the download buffer at the press, and the identity they
    // give it kept for the record.
    void Apply_Edits_At_Press();
    // The list and the pages take no input while a burn is under way.
    void Lock_Burn_Inputs(bool locked);
    // Prepares the camera's chip as its register 0x20FF says; false when the burn stops.
    bool Prepare_Camera(Extension_Unit_Base_Protocol* protocol);
    bool Restart_Into_Download_Mode(Extension_Unit_Base_Protocol* protocol);
    bool Clear_Header_And_Restart(Extension_Unit_Base_Protocol* protocol);
    // The selected camera's protocol; none when the list holds another camera at the index.
    Extension_Unit_Base_Protocol* Selected_Protocol();
    // The burn's camera in the current list: found (its protocol set), not there, or another
    // camera on its place.
    enum class Burn_Camera_Search { Found, Away, Stranger };
    Burn_Camera_Search Find_Burn_Camera(Extension_Unit_Base_Protocol*& protocol);
    // Asks for the burn's camera `tries` times, a second apart, until it is there or another
    // camera stands on its place.
    Burn_Camera_Search Poll_Camera(int tries);
    // Another camera took the burn's camera's place: the burn fails, nothing written.
    void Fail_On_Stranger();
    // False when the burn failed before the threads started.
    bool Start_Download();
    void On_Burn_Tick();
    void Show_Percent(float progress);
    void Set_Download_Button(const char* text, BOOL enabled);
    void Give_Download_Button_Back();
    // The burn is over: the device changes kept meanwhile are handled, a close asked for
    // meanwhile is carried out.
    void End_Burn();
    // The outcome of a burn that a termination signal waited for: one line on standard error.
    void Tell_Outcome_After_Signal(bool succeeded);
};

// The about box: the icon, the tool's name and "确定".
class CAboutDlg : public CDialogEx {
public:
    CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}
};
