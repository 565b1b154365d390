#include "Flash_Notices.h"

#include <array>
#include <string_view>

#include "ZUNQ_USB_CAMDlg.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"

namespace {

// The parts every chip of these products drives. The blanks in the short list's second line
// are its own: the operator sees the list as it always read.
constexpr const char* Short_Flash_List = "EN25Q40A\tGD25Q40CTIG\r\n"
                                         "FM25Q04        W25X40CLSING\r\n";
constexpr const char* Long_Flash_List = "PM25LD512\tGD25D05BTIGR\r\n"
                                        "EN25Q40A\tW25X40CLSING\r\n"
                                        "FM25Q04\t\tGD25Q40CTIG\r\n";

constexpr std::array<std::string_view, 5> Short_Flash_List_Products = {
    "ZUNQ_56_0", "ZUNQ_56_1", "ZUNQ_56_2", "ZUNQ_56_3", "ZUNQ_1080p_3D",
};

} // namespace

const char* Supported_Flash_List(const char* product_name) {
    const std::string_view name = product_name != nullptr ? product_name : "";
    for (std::string_view product : Short_Flash_List_Products)
        if (name == product)
            return Short_Flash_List;
    return Long_Flash_List;
}

// ---- CDialog4.

BEGIN_MESSAGE_MAP(CDialog4, CDialogEx)
ON_BN_CLICKED(IDOK, &CDialog4::OnBnClickedQuery)
END_MESSAGE_MAP()

void CDialog4::OnBnClickedQuery() {
    CDialogEx::OnOK();
    if (auto* main_dialog = dynamic_cast<ZUNQ_USB_CAMDlg*>(GetParent()))
        main_dialog->m_FlashListDlg.ShowWindow(SW_SHOW);
}

// ---- CDialog5.

BEGIN_MESSAGE_MAP(CDialog5, CDialogEx)
END_MESSAGE_MAP()

void CDialog5::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Text(pDX, 1140, m_strFlashList);
}

// ---- Showing the notices.

void ZUNQ_USB_CAMDlg::Show_Flash_Notices(Extension_Unit_Base_Protocol* protocol) {
    m_FlashErrorDlg.CenterWindow();
    m_FlashListDlg.CenterWindow();
    m_FlashErrorDlg.ShowWindow(SW_SHOW);
    m_FlashListDlg.m_strFlashList = Supported_Flash_List(Protocol_Get_Product_Name(protocol));
    m_FlashListDlg.UpdateData(FALSE);
}
