// The dialog templates of the tool, one row per control: id, kind, text, style, rectangle
// (left, top, width, height) in dialog units.
#include <array>

#include "resources/resource.h"
#include "resources/resources.h"

namespace zunq::resources {

namespace {

using ui::Control_Kind;
using ui::Dialog_Control;
using ui::Dialog_Template;
using enum ui::Control_Kind;

constexpr DWORD Shown = WS_VISIBLE;
constexpr DWORD Hidden = 0;
constexpr DWORD Tab_Stop = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD Popup_Dialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT | DS_CENTER;
constexpr DWORD Page = WS_CHILD | DS_SHELLFONT;

// The main dialog.
constexpr std::array main_dialog = {
    // The image panel.
    Dialog_Control{1040, Group_Box, "固件配置", Shown, {9, 2, 235, 94}},
    Dialog_Control{1047, Static_Text, "VID:", Shown, {17, 16, 55, 10}},
    Dialog_Control{1048, Static_Text, "PID:", Shown, {17, 30, 55, 10}},
    Dialog_Control{1049, Static_Text, "固件版本:", Shown, {17, 44, 55, 10}},
    Dialog_Control{1050, Static_Text, "设备名称:", Shown, {17, 58, 55, 10}},
    Dialog_Control{1051, Static_Text, "iManufacture:", Shown, {17, 72, 55, 10}},
    Dialog_Control{1052, Static_Text, "iSerialNumber:", Hidden, {17, 84, 55, 10}},
    Dialog_Control{1024, Static_Text, "", Shown, {75, 16, 163, 10}},
    Dialog_Control{1025, Static_Text, "", Shown, {75, 30, 163, 10}},
    Dialog_Control{1026, Static_Text, "", Shown, {75, 44, 163, 10}},
    Dialog_Control{1027, Static_Text, "", Shown, {75, 58, 163, 10}},
    Dialog_Control{1028, Static_Text, "", Shown, {75, 72, 163, 10}},
    Dialog_Control{1029, Static_Text, "", Hidden, {75, 84, 163, 10}},
    // The device panel.
    Dialog_Control{1039, Group_Box, "设备配置", Shown, {336, 2, 232, 94}},
    Dialog_Control{1041, Static_Text, "VID:", Shown, {344, 16, 55, 10}},
    Dialog_Control{1042, Static_Text, "PID:", Shown, {344, 30, 55, 10}},
    Dialog_Control{1043, Static_Text, "固件版本:", Shown, {344, 44, 55, 10}},
    Dialog_Control{1044, Static_Text, "设备名称：", Shown, {344, 58, 55, 10}},
    Dialog_Control{1045, Static_Text, "iManufacture:", Shown, {344, 72, 55, 10}},
    Dialog_Control{1046, Static_Text, "iSerialNumber:", Hidden, {344, 84, 55, 10}},
    Dialog_Control{1018, Static_Text, "", Shown, {402, 16, 160, 10}},
    Dialog_Control{1019, Static_Text, "", Shown, {402, 30, 160, 10}},
    Dialog_Control{1020, Static_Text, "", Shown, {402, 44, 160, 10}},
    Dialog_Control{1021, Static_Text, "", Shown, {402, 58, 160, 10}},
    Dialog_Control{1022, Static_Text, "", Shown, {402, 72, 160, 10}},
    Dialog_Control{1023, Static_Text, "", Hidden, {402, 84, 160, 10}},
    // The camera list and the flash part's name.
    Dialog_Control{1016, List_Box, "", Tab_Stop | LBS_NOTIFY | WS_VSCROLL | WS_BORDER, {245, 5, 89, 76}},
    Dialog_Control{
        1141, Edit, "", Shown | ES_READONLY | ES_CENTER | ES_AUTOHSCROLL | WS_BORDER, {245, 81, 89, 14}},
    // Loading an image.
    Dialog_Control{1001, Push_Button, "加载程序", Tab_Stop, {9, 98, 50, 16}},
    Dialog_Control{1074, Edit, "", Shown | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, {64, 99, 504, 15}},
    // The hidden page buttons and their frame.
    Dialog_Control{1085, Static_Frame, "", Hidden, {9, 128, 387, 186}},
    Dialog_Control{1086, Push_Button, "用户配置", Hidden, {9, 116, 50, 11}},
    Dialog_Control{1087, Push_Button, "参数设置", Hidden, {61, 116, 50, 11}},
    // The pages and the log.
    Dialog_Control{1122, Tab_Control, "", Tab_Stop, {9, 128, 387, 186}},
    Dialog_Control{1068,
                   Edit,
                   "",
                   Shown | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER,
                   {397, 128, 171, 187}},
    // The burn.
    Dialog_Control{1063, Progress_Bar, "", Shown | WS_BORDER, {9, 324, 507, 16}},
    Dialog_Control{1119, Static_Text, "0%", Shown | SS_CENTER, {281, 326, 25, 8}},
    Dialog_Control{1009, Push_Button, "下载", Tab_Stop, {518, 324, 50, 16}},
};

constexpr std::array about_box = {
    Dialog_Control{IDC_STATIC, Static_Icon, "128", Shown, {14, 14, 21, 20}},
    Dialog_Control{IDC_STATIC, Static_Text, "ZUNQ SF TOOL", Shown, {42, 18, 114, 8}},
    Dialog_Control{IDOK, Push_Button, "确定", Tab_Stop | BS_DEFPUSHBUTTON | WS_GROUP, {113, 41, 50, 14}},
};

// The USB identity page. The serial row is hidden and sits last, so no gap shows.
constexpr std::array identity_page = {
    Dialog_Control{1123, Group_Box, "", Hidden, {4, 2, 377, 166}},
    Dialog_Control{1054, Static_Text, "VID:", Shown, {15, 12, 62, 10}},
    Dialog_Control{1030, Edit, "", Tab_Stop | ES_AUTOHSCROLL | WS_BORDER, {80, 10, 100, 14}},
    Dialog_Control{1055, Static_Text, "PID:", Shown, {15, 30, 62, 10}},
    Dialog_Control{1032, Edit, "", Tab_Stop | ES_AUTOHSCROLL | WS_BORDER, {80, 28, 100, 14}},
    Dialog_Control{1056, Static_Text, "固件版本:", Shown, {15, 48, 62, 10}},
    Dialog_Control{1033, Edit, "", Tab_Stop | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, {80, 46, 100, 14}},
    Dialog_Control{1057, Static_Text, "设备名称:", Shown, {15, 66, 62, 10}},
    Dialog_Control{1034, Edit, "", Tab_Stop | ES_AUTOHSCROLL | WS_BORDER, {80, 64, 220, 14}},
    Dialog_Control{1075, Check_Box, "", Tab_Stop, {306, 66, 12, 10}},
    Dialog_Control{1142, Static_Text, "设备名称(麦克风)", Shown, {15, 84, 62, 10}},
    Dialog_Control{1143, Edit, "", Tab_Stop | ES_AUTOHSCROLL | WS_BORDER, {80, 82, 220, 14}},
    Dialog_Control{1083, Check_Box, "", Tab_Stop, {306, 84, 12, 10}},
    Dialog_Control{1058, Static_Text, "iManufacture:", Shown, {15, 102, 62, 10}},
    Dialog_Control{1035, Edit, "", Tab_Stop | ES_AUTOHSCROLL | WS_BORDER, {80, 100, 220, 14}},
    Dialog_Control{1076, Check_Box, "", Tab_Stop, {306, 102, 12, 10}},
    Dialog_Control{1080, Static_Text, "External ID:", Shown, {15, 120, 62, 10}},
    Dialog_Control{1078, Edit, "", Tab_Stop | ES_AUTOHSCROLL | WS_BORDER, {80, 118, 220, 14}},
    Dialog_Control{1079, Check_Box, "", Tab_Stop, {306, 120, 12, 10}},
    Dialog_Control{1031, Check_Box, "保存", Tab_Stop, {80, 144, 60, 12}},
    Dialog_Control{1059, Static_Text, "iSerialNumber:", Hidden, {200, 144, 62, 10}},
    Dialog_Control{1036, Edit, "", Hidden | ES_AUTOHSCROLL | WS_BORDER, {264, 142, 36, 14}},
    Dialog_Control{1077, Check_Box, "", Hidden, {306, 144, 12, 10}},
};

// One row of the camera-control page: label, slider, value edit, from a column's left edge.
constexpr Dialog_Control Slider_Label(const char* text, int x, int y) {
    return {IDC_STATIC, Static_Text, text, Shown, {x, y + 2, 42, 10}};
}
constexpr Dialog_Control Slider_Bar(int id, int x, int y, DWORD shown = Tab_Stop) {
    return {id, Control_Kind::Slider, "", shown | TBS_BOTH | TBS_NOTICKS, {x + 44, y, 86, 14}};
}
constexpr Dialog_Control Value(int id, int x, int y, DWORD shown = Shown) {
    return {id, Edit, "", shown | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, {x + 132, y, 24, 13}};
}
// Wide enough for its box and both characters of "自动".
constexpr Dialog_Control Auto_Box(int id, int x, int y) {
    return {id, Check_Box, "自动", Tab_Stop, {x + 158, y + 1, 30, 12}};
}
constexpr Dialog_Control Unused_Box(int id) {
    return {id, Check_Box, "", Hidden, {370, 158, 10, 8}};
}

constexpr int Left = 5;
constexpr int Right = 195;
constexpr int Row(int n) {
    return 6 + 17 * n;
}

constexpr std::array camera_control_page = {
    Dialog_Control{1124, Group_Box, "", Hidden, {2, 1, 381, 167}},
    Slider_Label("亮度(B)", Left, Row(0)),
    Slider_Bar(1088, Left, Row(0)),
    Value(1068, Left, Row(0)),
    Slider_Label("对比度(C)", Left, Row(1)),
    Slider_Bar(1089, Left, Row(1)),
    Value(1074, Left, Row(1)),
    Slider_Label("色调(H)", Left, Row(2)),
    Slider_Bar(1090, Left, Row(2)),
    Value(1069, Left, Row(2)),
    Slider_Label("饱和度(S)", Left, Row(3)),
    Slider_Bar(1091, Left, Row(3)),
    Value(1070, Left, Row(3)),
    Slider_Label("清晰度(P)", Left, Row(4)),
    Slider_Bar(1092, Left, Row(4)),
    Value(1071, Left, Row(4)),
    Slider_Label("伽玛(G)", Left, Row(5)),
    Slider_Bar(1093, Left, Row(5)),
    Value(1072, Left, Row(5)),
    Slider_Label("白平衡(W)", Left, Row(6)),
    Slider_Bar(1094, Left, Row(6)),
    Value(1073, Left, Row(6)),
    Auto_Box(1085, Left, Row(6)),
    Slider_Label("逆光对比(B)", Left, Row(7)),
    Slider_Bar(1095, Left, Row(7)),
    Value(1075, Left, Row(7)),
    Slider_Label("增益(G)", Right, Row(0)),
    Slider_Bar(1096, Right, Row(0)),
    Value(1076, Right, Row(0)),
    Slider_Label("缩放(Z)", Right, Row(1)),
    Slider_Bar(1098, Right, Row(1)),
    Value(1081, Right, Row(1)),
    Slider_Label("焦点(F)", Right, Row(2)),
    Slider_Bar(1099, Right, Row(2)),
    Value(1082, Right, Row(2)),
    Auto_Box(1110, Right, Row(2)),
    Slider_Label("曝光(E)", Right, Row(3)),
    Slider_Bar(1100, Right, Row(3)),
    Value(1097, Right, Row(3)),
    Auto_Box(1111, Right, Row(3)),
    Slider_Label("全景(P)", Right, Row(4)),
    Slider_Bar(1101, Right, Row(4)),
    Value(1105, Right, Row(4)),
    Slider_Label("倾斜(T)", Right, Row(5)),
    Slider_Bar(1102, Right, Row(5)),
    Value(1106, Right, Row(5)),
    Slider_Label("滚动(R)", Right, Row(6)),
    Slider_Bar(1103, Right, Row(6)),
    Value(1107, Right, Row(6)),
    // The iris row is kept but never shown.
    Dialog_Control{IDC_STATIC, Static_Text, "光圈(A)", Hidden, {Right, Row(7) + 2, 42, 10}},
    Slider_Bar(1104, Right, Row(7), Hidden),
    Value(1108, Right, Row(7), Hidden),
    // Power-line frequency, image orientation, defaults.
    Dialog_Control{IDC_STATIC, Static_Text, "电力线频率", Shown, {Left, 148, 44, 10}},
    Dialog_Control{1116, Combo_Box, "", Tab_Stop | CBS_DROPDOWNLIST | WS_VSCROLL, {Left + 44, 146, 60, 60}},
    Dialog_Control{1120, Static_Text, "图像方向", Shown, {Right, 148, 42, 10}},
    Dialog_Control{1117, Combo_Box, "", Tab_Stop | CBS_DROPDOWNLIST | WS_VSCROLL, {Right + 44, 146, 70, 70}},
    Dialog_Control{1118, Push_Button, "默认值", Tab_Stop, {Right + 126, 145, 55, 15}},
    Unused_Box(1077),
    Unused_Box(1078),
    Unused_Box(1079),
    Unused_Box(1080),
    Unused_Box(1083),
    Unused_Box(1084),
    Unused_Box(1086),
    Unused_Box(1087),
    Unused_Box(1109),
    Unused_Box(1112),
    Unused_Box(1113),
    Unused_Box(1114),
    Unused_Box(1115),
};

constexpr std::array video_format_page = {
    Dialog_Control{IDC_STATIC, Group_Box, "视频格式设置", Shown, {8, 4, 170, 68}},
    Dialog_Control{1127, Radio_Button, "MJPG(默认) && YUV", Tab_Stop | WS_GROUP, {16, 17, 150, 10}},
    Dialog_Control{1128, Radio_Button, "YUV(默认) && MJPG", Shown, {16, 30, 150, 10}},
    Dialog_Control{1129, Radio_Button, "MJPG", Shown, {16, 43, 150, 10}},
    Dialog_Control{1130, Radio_Button, "YUV", Shown, {16, 56, 150, 10}},
    Dialog_Control{IDC_STATIC, Group_Box, "UVC拍照模式", Shown, {8, 78, 170, 42}},
    Dialog_Control{1133, Radio_Button, "预览/拍照 同分辨率", Tab_Stop | WS_GROUP, {16, 91, 150, 10}},
    Dialog_Control{1134, Radio_Button, "预览/拍照 不同分辨率", Shown, {16, 104, 150, 10}},
    Dialog_Control{1135, Check_Box, "麦克风 开/关", Tab_Stop | WS_GROUP, {16, 130, 100, 10}},
    Dialog_Control{1138,
                   Check_List_Box,
                   "",
                   Tab_Stop | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | WS_VSCROLL | WS_BORDER,
                   {190, 8, 185, 122}},
    Dialog_Control{IDC_STATIC, Static_Text, "默认分辨率", Shown, {190, 142, 48, 10}},
    Dialog_Control{1139, Combo_Box, "", Tab_Stop | CBS_DROPDOWNLIST | WS_VSCROLL, {240, 140, 135, 80}},
};

constexpr std::array flash_error_notice = {
    Dialog_Control{IDC_STATIC, Static_Text, "Flash异常-型号错误！", Shown | SS_CENTER, {20, 16, 183, 10}},
    Dialog_Control{IDC_STATIC,
                   Static_Text,
                   "点击查询按钮查看ISP支持SPI Flash列表",
                   Shown | SS_CENTER,
                   {20, 36, 183, 10}},
    Dialog_Control{IDOK, Push_Button, "查询", Tab_Stop | BS_DEFPUSHBUTTON, {42, 70, 50, 14}},
    Dialog_Control{IDCANCEL, Push_Button, "退出", Tab_Stop, {131, 70, 50, 14}},
};

constexpr std::array flash_list_notice = {
    Dialog_Control{IDC_STATIC, Static_Text, "当前设备ISP支持SPI Flash列表", Shown, {36, 8, 163, 10}},
    Dialog_Control{1140,
                   Edit,
                   "",
                   Tab_Stop | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER,
                   {36, 22, 163, 61}},
    Dialog_Control{IDCANCEL, Push_Button, "退出", Tab_Stop, {92, 96, 50, 14}},
};

constexpr std::array dialogs = {
    Dialog_Template{IDD_ABOUTBOX, "关于 ZUNQ SF TOOL", Popup_Dialog, 0, "MS Shell Dlg", 8, 170, 62,
                    about_box},
    Dialog_Template{IDD_ZUNQ_USB_CAM_DIALOG, "  ",
                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SHELLFONT | DS_CENTER,
                    WS_EX_APPWINDOW | WS_EX_ACCEPTFILES, "MS Shell Dlg", 9, 577, 347, main_dialog},
    Dialog_Template{IDD_DIALOG1, "", Page, 0, "MS Shell Dlg", 9, 385, 170, identity_page},
    Dialog_Template{IDD_DIALOG2, "", Page, 0, "MS Shell Dlg", 9, 385, 170, camera_control_page},
    Dialog_Template{IDD_DIALOG3, "", Page, 0, "MS Shell Dlg", 9, 385, 170, video_format_page},
    Dialog_Template{IDD_DIALOG4, "温馨提示", Popup_Dialog, 0, "MS Shell Dlg", 8, 223, 98, flash_error_notice},
    Dialog_Template{IDD_DIALOG5, "温馨提示", Popup_Dialog, 0, "MS Shell Dlg", 8, 235, 123, flash_list_notice},
};

} // namespace

std::span<const ui::Dialog_Template> Tool_Dialogs() {
    return dialogs;
}

} // namespace zunq::resources
