// The fixed 260-byte text buffer in which every text crosses the image interface, and the
// status values of the string operations with their messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

class String_Buffer_260 {
public:
    static constexpr std::size_t Capacity = 260;

    // All 260 bytes zero.
    String_Buffer_260();
    // Zero-fills, then copies the text up to its NUL, at most 260 bytes. A text of 260 or
    // more characters leaves no terminating NUL, which the string setters count as too long.
    // A null pointer gives an empty buffer.
    String_Buffer_260(const char* text);
    explicit String_Buffer_260(std::string_view text);

    void Clear();
    void Assign(std::string_view text);

    char* Data() { return Bytes.data(); }
    const char* Data() const { return Bytes.data(); }

    // Characters before the first NUL; 260 when the buffer holds none.
    std::size_t Length() const;
    bool Has_Terminator() const { return Length() < Capacity; }
    std::string_view Text() const { return {Bytes.data(), Length()}; }

private:
    std::array<char, Capacity> Bytes{};
};

// Status values of the string operations (returned, or written through a status pointer).
inline constexpr std::int32_t String_Status_Done = 0;
inline constexpr std::int32_t String_Status_Over_Length = 2;
inline constexpr std::int32_t String_Status_No_Use = 3;

// The text a getter writes for a string the image does not have; pages take it as "absent".
inline constexpr std::string_view String_No_Use_Text = "StringNoUse";

// The message of a status value: "" for done, "StringOverLength", "StringNoUse".
std::string_view String_Status_Message(std::int32_t status);

// Writes the status value's message into `message` (zero-filled for done) and returns the
// status, so a setter can end with `return Report_String_Status(message, status);`.
std::int32_t Report_String_Status(String_Buffer_260& message, std::int32_t status);

// Writes a status through an optional pointer.
inline void Store_Status(std::int32_t* status, std::int32_t value) {
    if (status != nullptr) {
        *status = value;
    }
}
