// Resource identifiers of the dialog tool: its dialog templates, icon and strings.
#pragma once

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_ZUNQ_USB_CAM_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_DIALOG1 = 129; // USB identity page
inline constexpr int IDD_DIALOG2 = 130; // camera-control page
inline constexpr int IDD_DIALOG3 = 133; // video-format page
inline constexpr int IDD_DIALOG4 = 136; // flash-error notice
inline constexpr int IDD_DIALOG5 = 138; // supported-flash notice
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;
