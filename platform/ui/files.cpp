#include "platform/ui/files.h"

#include "platform/Regular_File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace zunq::ui {

namespace {

constexpr std::string_view Blanks = " \t";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(Blanks);
    return text.substr(first, last - first + 1);
}

bool Equal_No_Case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

// The name of a "[section]" line, or nullopt for any other line.
std::optional<std::string_view> Section_Name(std::string_view body) {
    const auto line = Trim(body);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    auto name = line.substr(1);
    const auto close = name.find(']');
    if (close != std::string_view::npos) {
        name = name.substr(0, close);
    }
    return Trim(name);
}

struct Key_Line {
    std::string_view key;
    std::string_view value;
};

std::optional<Key_Line> Split_Key_Line(std::string_view body) {
    const auto equals = body.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    auto value = Trim(body.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return Key_Line{Trim(body.substr(0, equals)), value};
}

bool Has_Line_Break(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Names that, written back, would read as other lines: a line break anywhere, ']' closing a
// section name early, '=' ending a key early, and a key starting a line with '[', which reads
// as a section header.
bool Can_Write_Names(std::string_view section, std::string_view key, std::string_view value) {
    return !Has_Line_Break(section) && !Has_Line_Break(key) && !Has_Line_Break(value) &&
           section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos &&
           !key.empty() && key.front() != '[';
}

} // namespace

Profile_Text::Profile_Text(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto newline = bytes.find('\n');
        Line line;
        if (newline == std::string_view::npos) {
            line.body = std::string(bytes);
            bytes = {};
        } else {
            line.body = std::string(bytes.substr(0, newline));
            line.end = "\n";
            bytes.remove_prefix(newline + 1);
        }
        if (!line.end.empty() && !line.body.empty() && line.body.back() == '\r') {
            line.body.pop_back();
            line.end = "\r\n";
        }
        lines_.push_back(std::move(line));
    }
}

std::size_t Profile_Text::Find_Section(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = Section_Name(lines_[i].body);
        if (name && Equal_No_Case(*name, Trim(section))) {
            return i;
        }
    }
    return std::string::npos;
}

std::optional<std::string> Profile_Text::Get(std::string_view section, std::string_view key) const {
    const auto header = Find_Section(section);
    if (header == std::string::npos) {
        return std::nullopt;
    }
    for (std::size_t i = header + 1; i < lines_.size() && !Section_Name(lines_[i].body); ++i) {
        const auto entry = Split_Key_Line(lines_[i].body);
        if (entry && Equal_No_Case(entry->key, Trim(key))) {
            return std::string(entry->value);
        }
    }
    return std::nullopt;
}

bool Profile_Text::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (!Can_Write_Names(section, key, value)) {
        return false;
    }
    const std::string entry = std::string(key) + "=" + std::string(value);
    const auto header = Find_Section(section);
    if (header == std::string::npos) {
        if (!lines_.empty() && lines_.back().end.empty()) {
            lines_.back().end = "\r\n";
        }
        lines_.push_back({"[" + std::string(section) + "]", "\r\n"});
        lines_.push_back({entry, "\r\n"});
        return true;
    }
    std::size_t insert_at = header + 1;
    for (std::size_t i = header + 1; i < lines_.size() && !Section_Name(lines_[i].body); ++i) {
        const auto existing = Split_Key_Line(lines_[i].body);
        if (existing && Equal_No_Case(existing->key, key)) {
            lines_[i].body = entry;
            return true;
        }
        if (!Trim(lines_[i].body).empty()) {
            insert_at = i + 1; // after the section's last non-blank line
        }
    }
    if (insert_at == lines_.size() && !lines_.empty() && lines_.back().end.empty()) {
        lines_.back().end = "\r\n";
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), Line{entry, "\r\n"});
    return true;
}

std::string Profile_Text::Text() const {
    std::string text;
    for (const auto& line : lines_) {
        text += line.body;
        text += line.end;
    }
    return text;
}

int Read_Whole_File(const char* path, std::vector<std::uint8_t>& out, std::size_t max_bytes) {
    std::vector<std::uint8_t> bytes;
    switch (platform::Read_Regular_File(path, max_bytes, bytes)) {
    case platform::Read_Outcome::Read:
        break;
    case platform::Read_Outcome::Too_Large:
        return -2;
    default:
        return -1;
    }
    if (bytes.empty()) {
        return -1;
    }
    out = std::move(bytes);
    return 0;
}

Profile_File Read_Profile_File(const char* path) {
    Profile_File file;
    std::string bytes;
    switch (platform::Read_Regular_File(path, Largest_Profile_File, bytes, &file.refusal)) {
    case platform::Read_Outcome::Read:
        file.state = Profile_File::State::Read;
        file.text = Profile_Text(bytes);
        break;
    case platform::Read_Outcome::Missing:
        file.state = Profile_File::State::Missing;
        file.refusal.clear();
        break;
    default:
        file.state = Profile_File::State::Refused;
        break;
    }
    return file;
}

namespace {

// A new file beside `target`, named so that it reads as no saved file of the tool: hidden,
// with the process id and a counter, made with O_EXCL so that no link and no other writer's
// file is ever written through. -1 with errno set when the folder takes no new file.
int Create_Temporary_File(const std::filesystem::path& target, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (folder /
                (".zunq-write-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp"))
                   .string();
        const int file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file >= 0 || errno != EEXIST) {
            return file;
        }
    }
    return -1;
}

// 0, or the errno of the write that failed.
int Write_All(int file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(file, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

} // namespace

// The new bytes reach the disk before the rename puts them in place, so the destination is
// always the old contents or the new ones, whole, whether the disk fills up, the process
// dies or the power goes. A file replaced keeps its permissions.
int Write_Whole_File(const char* path, const std::uint8_t* data, std::size_t size) {
    if (path == nullptr || *path == '\0' || (data == nullptr && size != 0)) {
        return EINVAL;
    }
    struct stat old_file {};
    const bool replacing = ::stat(path, &old_file) == 0;
    std::string temporary;
    const int file = Create_Temporary_File(path, temporary);
    if (file < 0) {
        return errno;
    }
    int error = 0;
    if (replacing && ::fchmod(file, old_file.st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = Write_All(file, data, size);
    }
    if (error == 0 && ::fsync(file) != 0) {
        error = errno;
    }
    if (::close(file) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), path) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

} // namespace zunq::ui

DWORD GetPrivateProfileStringA(LPCTSTR lpAppName, LPCTSTR lpKeyName, LPCTSTR lpDefault,
                               char* lpReturnedString, DWORD nSize, LPCTSTR lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) {
        return 0;
    }
    std::string value = lpDefault != nullptr ? std::string(lpDefault) : std::string();
    if (lpAppName != nullptr && lpKeyName != nullptr && lpFileName != nullptr) {
        if (auto found = zunq::ui::Read_Profile_File(lpFileName).text.Get(lpAppName, lpKeyName)) {
            value = std::move(*found);
        }
    }
    const auto copied = std::min<std::size_t>(value.size(), nSize - 1);
    std::memcpy(lpReturnedString, value.data(), copied);
    lpReturnedString[copied] = '\0';
    return static_cast<DWORD>(copied);
}

BOOL WritePrivateProfileStringA(LPCTSTR lpAppName, LPCTSTR lpKeyName, LPCTSTR lpString, LPCTSTR lpFileName) {
    const zunq::ui::Profile_Value value{lpAppName, lpKeyName, lpString};
    return zunq::ui::Write_Profile_Values({&value, 1}, lpFileName);
}

BOOL zunq::ui::Write_Profile_Values(std::span<const Profile_Value> values, LPCTSTR lpFileName,
                                    std::string* refusal) {
    if (lpFileName == nullptr) {
        return FALSE;
    }
    // A missing file starts empty; anything else that cannot be read as a file is left alone.
    Profile_File file = Read_Profile_File(lpFileName);
    if (refusal != nullptr) {
        *refusal = file.refusal;
    }
    if (file.state == Profile_File::State::Refused) {
        return FALSE;
    }
    Profile_Text& profile = file.text;
    bool all_set = true;
    bool any_set = false;
    for (const auto& [section, key, value] : values) {
        const bool set =
            section != nullptr && key != nullptr && value != nullptr && profile.Set(section, key, value);
        all_set = all_set && set;
        any_set = any_set || set;
    }
    if (!any_set) {
        return FALSE;
    }
    const std::string text = profile.Text();
    const int error =
        Write_Whole_File(lpFileName, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (error != 0 && refusal != nullptr) {
        *refusal = "cannot be written: " + std::error_code(error, std::generic_category()).message();
    }
    return error == 0 && all_set ? TRUE : FALSE;
}
