// CString: the class library's narrow string, here a std::string of UTF-8 text with the
// few members the dialog code calls. Lengths and positions count bytes, as the narrow
// Windows calls do.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui/win_values.h"

class CString : public std::string {
public:
    CString() = default;
    CString(const char* text) : std::string(text != nullptr ? text : "") {}
    CString(std::string text) : std::string(std::move(text)) {}
    CString(std::string_view text) : std::string(text) {}

    // printf formatting, as the class library's Format.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Loads string resource `id`; FALSE and empty when there is none.
    BOOL LoadString(UINT id);

    int GetLength() const { return static_cast<int>(size()); }
    bool IsEmpty() const { return empty(); }
    void Empty() { clear(); }
    const char* GetString() const { return c_str(); }
    operator const char*() const { return c_str(); }
    // An int index would otherwise be ambiguous between the string's own subscript and
    // the pointer conversion.
    char& operator[](int i) { return std::string::operator[](static_cast<size_type>(i)); }
    const char& operator[](int i) const { return std::string::operator[](static_cast<size_type>(i)); }

    // Replaces every `from` by `to`; returns how many were replaced.
    int Replace(char from, char to);
    // Position of the last `c`, or -1.
    int ReverseFind(char c) const;
    // Position of the first `c` at or after `start`, or -1.
    int Find(char c, int start = 0) const;
    CString Left(int count) const;
    CString Mid(int first, int count = -1) const;
    // Ordering as strcmp; CompareNoCase ignores ASCII letter case.
    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;
};
