#include <array>
#include <cstdint>

#include "resources/resource.h"
#include "resources/resources.h"

namespace zunq::resources {

namespace {

using ui::String_Resource;

constexpr std::array strings = {
    String_Resource{IDS_ABOUTBOX, "关于 ZUNQ SF TOOL"},
};

// The program icon: a camera with its flash chip, one palette letter per pixel.
constexpr std::array<const char*, 16> icon_rows = {
    "................", //
    "................", //
    ".....aaaaaa.....", //
    "....aabbbbaa....", //
    ".aaaaaaaaaaaaaa.", //
    ".abbbbbaabbbbba.", //
    ".abbbaaccaabbba.", //
    ".abbbaddccabbba.", //
    ".abbacdccccabba.", //
    ".abbaccccccabba.", //
    ".abbbaccccaeeeee", //
    ".abbbaaccaaefffe", //
    ".abbbbbaabbefffe", //
    ".aaaaaaaaaaefffe", //
    "...........eeeee", //
    "................", //
};

constexpr std::array<std::uint32_t, 6> icon_palette = {
    0xFF2B3440, // a: outline
    0xFF8C98A8, // b: body
    0xFF1F6FB5, // c: lens
    0xFFE8F2FF, // d: lens highlight
    0xFFD08A1E, // e: chip pins
    0xFF202020, // f: chip
};

constexpr std::array icons = {
    ui::Icon_Resource{IDR_MAINFRAME, 16, 16, icon_rows, icon_palette},
};

} // namespace

std::span<const ui::Dialog_Template> Tool_Dialogs(); // dialogs.cpp

const ui::Resource_Tables& Tool_Resources() {
    static const ui::Resource_Tables tables{Tool_Dialogs(), strings, icons};
    return tables;
}

} // namespace zunq::resources
