// Dialog templates, string table and icons as constant data: one row per control.
// The application's tables live in resources/; the user-interface layer turns a template
// into widgets in one place (template_builder.cpp). Plain header, no Qt.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/ui/win_values.h"

namespace zunq::ui {

// The control classes a template can name. Styles refine them (a list box with
// LBS_OWNERDRAWFIXED drawn by the check list class is its own kind here, since the
// class library would attach a different class to it).
enum class Control_Kind : std::uint8_t {
    Push_Button,
    Check_Box,    // auto check box
    Radio_Button, // auto radio button; WS_GROUP starts a new group
    Group_Box,
    Static_Text,
    Static_Frame, // etched frame, no text
    Static_Icon,  // text holds the icon resource id in decimal
    Edit,
    List_Box,
    Check_List_Box,
    Combo_Box, // drop-down list
    Slider,
    Progress_Bar,
    Tab_Control,
};

// Position and size in dialog units.
struct Dialog_Rect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct Dialog_Control {
    int id = IDC_STATIC;
    Control_Kind kind = Control_Kind::Static_Text;
    const char* text = "";
    DWORD style = 0; // WS_VISIBLE, WS_DISABLED, WS_GROUP and the kind's own style bits
    Dialog_Rect rect;
};

struct Dialog_Template {
    int id = 0;
    const char* caption = "";
    DWORD style = 0; // WS_POPUP or WS_CHILD, WS_CAPTION, WS_SYSMENU, DS_CENTER ...
    DWORD ex_style = 0;
    const char* font_face = "MS Shell Dlg";
    int font_points = 9;
    int cx = 0; // client size in dialog units
    int cy = 0;
    std::span<const Dialog_Control> controls;
};

struct String_Resource {
    int id = 0;
    const char* text = "";
};

// A small picture as rows of palette letters; '.' is transparent.
struct Icon_Resource {
    int id = 0;
    int width = 0;
    int height = 0;
    std::span<const char* const> rows;
    std::span<const std::uint32_t> palette; // 0xAARRGGBB for 'a', 'b', 'c' ...
};

struct Resource_Tables {
    std::span<const Dialog_Template> dialogs;
    std::span<const String_Resource> strings;
    std::span<const Icon_Resource> icons;
};

// Lookups in a table set; null or empty when the id is not there.
const Dialog_Template* Find_Dialog_Template(const Resource_Tables& tables, int id);
std::string_view Find_String(const Resource_Tables& tables, int id);
const Icon_Resource* Find_Icon(const Resource_Tables& tables, int id);

} // namespace zunq::ui
