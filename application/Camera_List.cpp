// The camera list: filled at start-up, a camera chosen by the operator, and rebuilt on every
// device arrival and removal with the selection kept on the same hub port.
#include <array>
#include <cstring>
#include <string_view>

#include "Flash_Model_Names.h"
#include "ZUNQ_USB_CAMDlg.h"

namespace {

// Product strings of the chips' reference firmware, shown by their common name.
constexpr std::array<std::string_view, 2> Reference_Product_Names = {"SPCA2650 PC Camera",
                                                                     "SPCA2085 PC Camera"};
constexpr const char* Reference_Product_Text = "PC Camera";

// At start-up and on a selection the flash model is read once; a camera that has just arrived
// may still be starting, so its model is read until it answers.
constexpr int Flash_Reads_On_Selection = 1;
constexpr int Flash_Reads_On_Arrival = 11;

CString Product_Text(const Device_Info_Record& record) {
    const CString product = Device_Record_Text(record.Product);
    for (std::string_view reference : Reference_Product_Names)
        if (product == reference)
            return Reference_Product_Text;
    return product;
}

} // namespace

CString Device_Record_Text(const char (&field)[Device_Info_Text_Size]) {
    return std::string_view(field, strnlen(field, Device_Info_Text_Size));
}

std::array<CStatic*, 6> ZUNQ_USB_CAMDlg::Device_Panel() {
    return {&m_stDeviceVid,     &m_stDevicePid,          &m_stDeviceBcd,
            &m_stDeviceProduct, &m_stDeviceManufacturer, &m_stDeviceSerial};
}

void ZUNQ_USB_CAMDlg::Show_Device_Info(const Device_Info_Record& record) {
    m_strVid.Format("%04x", record.idVendor);
    m_strPid.Format("%04x", record.idProduct);
    m_strBcd.Format("%04x", record.bcdDevice);
    m_strProduct = Product_Text(record);
    m_strManufacturer = Device_Record_Text(record.Manufacturer);
    m_strSerial = Device_Record_Text(record.Serial_Number);
    const std::array<const CString*, 6> texts = {&m_strVid,     &m_strPid,          &m_strBcd,
                                                 &m_strProduct, &m_strManufacturer, &m_strSerial};
    const auto panel = Device_Panel();
    for (std::size_t row = 0; row < panel.size(); ++row)
        panel[row]->SetWindowText(*texts[row]);
}

void ZUNQ_USB_CAMDlg::Clear_Device_Info() {
    for (CStatic* text : Device_Panel())
        text->SetWindowText("");
}

void ZUNQ_USB_CAMDlg::Recreate_Device_List() {
    ++m_nListGeneration;
    Device_List_Clear(m_hDeviceList);
    Device_List_Release(m_hDeviceList);
    m_hDeviceList = Device_List_Create();
    m_nDeviceCount = Device_List_Refresh(m_hDeviceList);
}

void ZUNQ_USB_CAMDlg::Add_Camera_Item(int index, const Device_Info_Record& record) {
    CString item;
    item.Format("    camera-%d_Hubport-%d", index, static_cast<int>(record.Port_Number));
    m_CameraList.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.GetString()));
}

void ZUNQ_USB_CAMDlg::Remember_Selected_Port(const Device_Info_Record& record) {
    m_strSelectedHubPath = Device_Record_Text(record.Hub_Port_Path);
    m_nSelectedHubPort = static_cast<std::uint8_t>(record.Port_Number);
}

bool ZUNQ_USB_CAMDlg::Is_Remembered_Port(const Device_Info_Record& record) const {
    return Device_Record_Text(record.Hub_Port_Path) == m_strSelectedHubPath &&
           record.Port_Number == m_nSelectedHubPort;
}

void ZUNQ_USB_CAMDlg::Read_Flash_Name(int index, int tries) {
    Extension_Unit_Base_Protocol* protocol =
        Device_List_Get_Protocol(m_hDeviceList, static_cast<std::uint32_t>(index));
    // A request between the download's own would break the download: the camera being burnt
    // shows the model the burn found.
    if (protocol != nullptr && protocol == m_pBurnProtocol) {
        m_strFlashName = Flash_Model_Name(m_nBurnFlashModel);
        return;
    }
    int model = 0;
    for (int attempt = 0; attempt < tries; ++attempt) {
        model = Protocol_Get_Flash_Model(protocol);
        if (model != 0)
            break;
    }
    m_strFlashName = Flash_Model_Name(model);
}

void ZUNQ_USB_CAMDlg::Fill_Camera_List() {
    for (int i = 0; i < m_nDeviceCount; ++i)
        Add_Camera_Item(i, Device_List_Get_Info(m_hDeviceList, static_cast<std::uint32_t>(i)));
    if (m_nDeviceCount <= 0)
        return;
    const Device_Info_Record first = Device_List_Get_Info(m_hDeviceList, 0);
    Show_Device_Info(first);
    m_CameraList.SendMessage(LB_SETCURSEL, 0);
    m_nSelectedDevice = 0;
    Remember_Selected_Port(first);
    Read_Flash_Name(0, Flash_Reads_On_Selection);
}

void ZUNQ_USB_CAMDlg::OnLbnSelchangeCameraList() {
    m_Page1.Reset_Page();
    const auto selection = static_cast<int>(m_CameraList.SendMessage(LB_GETCURSEL));
    m_nSelectedDevice = selection < 0 ? 0xFF : static_cast<std::uint8_t>(selection);
    // No selection reads the all-zero record of an index past the end.
    const Device_Info_Record record = Device_List_Get_Info(m_hDeviceList, m_nSelectedDevice);
    Show_Device_Info(record);
    Remember_Selected_Port(record);
    Read_Flash_Name(m_nSelectedDevice, Flash_Reads_On_Selection);
    UpdateData(FALSE);
}

BOOL ZUNQ_USB_CAMDlg::OnDeviceChange(UINT nEventType, DWORD_PTR) {
    if (nEventType != DBT_DEVICEARRIVAL && nEventType != DBT_DEVICEREMOVECOMPLETE) {
        UpdateData(FALSE);
        return TRUE;
    }
    if (m_eBurnStage == Burn_Stage::Downloading) {
        // Kept for the burn's end; one refresh stands for a run of changes of one kind.
        if (m_DeferredDeviceChanges.empty() || m_DeferredDeviceChanges.back() != nEventType)
            m_DeferredDeviceChanges.push_back(nEventType);
        return TRUE;
    }
    const bool arrival = nEventType == DBT_DEVICEARRIVAL;
    m_nSelectedDevice = 0xFF;
    m_CameraList.SendMessage(LB_RESETCONTENT);
    Recreate_Device_List();
    bool reselected = false;
    for (int i = 0; i < m_nDeviceCount; ++i) {
        const Device_Info_Record record = Device_List_Get_Info(m_hDeviceList, static_cast<std::uint32_t>(i));
        Add_Camera_Item(i, record);
        if (!Is_Remembered_Port(record))
            continue;
        Show_Device_Info(record);
        m_nSelectedDevice = static_cast<std::uint8_t>(i);
        m_CameraList.SendMessage(LB_SETCURSEL, static_cast<WPARAM>(i));
        if (arrival)
            Read_Flash_Name(i, Flash_Reads_On_Arrival);
        reselected = true;
    }
    if (!reselected) {
        if (!arrival)
            m_strFlashName.Empty();
        Clear_Device_Info();
    }
    UpdateData(FALSE);
    return TRUE;
}
