#include "firmware_image/String_Buffer_260.h"

#include <algorithm>
#include <cstring>

namespace {

struct String_Status_Row {
    std::int32_t Status;
    std::string_view Message;
};

constexpr std::array<String_Status_Row, 3> String_Status_Messages{{
    {String_Status_Done, ""},
    {String_Status_Over_Length, "StringOverLength"},
    {String_Status_No_Use, String_No_Use_Text},
}};

} // namespace

String_Buffer_260::String_Buffer_260() = default;

String_Buffer_260::String_Buffer_260(const char* text) {
    if (text != nullptr) {
        // strnlen stops at the capacity, so a long source is never read past 260 bytes.
        Assign(std::string_view(text, strnlen(text, Capacity)));
    }
}

String_Buffer_260::String_Buffer_260(std::string_view text) {
    Assign(text);
}

void String_Buffer_260::Clear() {
    Bytes.fill(0);
}

void String_Buffer_260::Assign(std::string_view text) {
    Clear();
    const std::size_t end = std::min({text.size(), Capacity, text.find('\0')});
    std::copy_n(text.data(), end, Bytes.data());
}

std::size_t String_Buffer_260::Length() const {
    const auto* end = std::find(Bytes.begin(), Bytes.end(), '\0');
    return static_cast<std::size_t>(end - Bytes.begin());
}

std::string_view String_Status_Message(std::int32_t status) {
    for (const auto& row : String_Status_Messages) {
        if (row.Status == status) {
            return row.Message;
        }
    }
    return {};
}

std::int32_t Report_String_Status(String_Buffer_260& message, std::int32_t status) {
    message.Assign(String_Status_Message(status));
    return status;
}
