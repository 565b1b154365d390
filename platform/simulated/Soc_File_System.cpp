#include "platform/simulated/Soc_File_System.h"

#include <algorithm>

namespace platform::simulated {

const Soc_File_System::Bytes* Soc_File_System::Find(std::string_view path) const {
    const auto found = files_.find(path);
    return found == files_.end() ? nullptr : &found->second;
}

Soc_File_System::Bytes& Soc_File_System::Create(std::string_view path) {
    due_.erase(std::string(path));
    Bytes& file = files_[std::string(path)];
    file.clear();
    return file;
}

void Soc_File_System::Write(std::string_view path, Bytes content) {
    Create(path) = std::move(content);
}

bool Soc_File_System::Write_At(std::string_view path, std::uint64_t offset, const std::uint8_t* bytes,
                               std::size_t count) {
    const auto found = files_.find(path);
    if (found == files_.end() || offset > Soc_Max_File_Size || count > Soc_Max_File_Size - offset)
        return false;
    Bytes& file = found->second;
    const auto end = static_cast<std::size_t>(offset) + count;
    if (file.size() < end)
        file.resize(end);
    std::copy_n(bytes, count, file.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

void Soc_File_System::Write_After_Lookups(std::string_view path, Bytes content, std::uint32_t lookups) {
    files_.erase(std::string(path));
    due_[std::string(path)] = {std::move(content), lookups};
}

const Soc_File_System::Bytes* Soc_File_System::Look_Up(std::string_view path) {
    const auto due = due_.find(path);
    if (due != due_.end()) {
        if (due->second.Lookups_Left > 0) {
            --due->second.Lookups_Left;
            return nullptr;
        }
        Bytes content = std::move(due->second.Content);
        due_.erase(due);
        files_[std::string(path)] = std::move(content);
    }
    return Find(path);
}

std::vector<std::string> Soc_File_System::Paths() const {
    std::vector<std::string> paths;
    for (const auto& [path, content] : files_)
        paths.push_back(path);
    return paths;
}

} // namespace platform::simulated
