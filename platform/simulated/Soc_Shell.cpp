#include "platform/simulated/Soc_Shell.h"

#include <algorithm>

#include "platform/simulated/Ustar_Reader.h"

namespace platform::simulated {

namespace {

constexpr int Status_Failed = 2;
constexpr int Status_Not_Found = 127;

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(" \t\r\n", at)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(" \t\r\n", at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// `name` below `directory`, without empty and "." steps; none when a step climbs out ("..").
std::optional<std::string> Path_Below(std::string_view directory, std::string_view name) {
    std::string path(directory);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::size_t at = 0;
    while (at <= name.size()) {
        const std::size_t end = std::min(name.find('/', at), name.size());
        const std::string_view step = name.substr(at, end - at);
        at = end + 1;
        if (step.empty() || step == ".")
            continue;
        if (step == "..")
            return std::nullopt;
        if (path != "/")
            path += '/';
        path += step;
    }
    return path;
}

std::string Directory_Of(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? "." : slash == 0 ? "/" : path.substr(0, slash));
}

// Text of `size` bytes, as an update leaves it.
Soc_File_System::Bytes Result_Text(std::uint32_t size) {
    constexpr std::string_view text = "update done\n";
    Soc_File_System::Bytes bytes(size);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(text[i % text.size()]);
    return bytes;
}

} // namespace

const Shell_Run& Soc_Shell::Run(std::string_view command) {
    Shell_Run run;
    run.Command = std::string(command);
    const auto words = Words(command);
    if (!words.empty() && words[0] == "tar") {
        Unpack(words, run);
    } else if (!words.empty() && words[0] == "sh") {
        Run_Script(words, run);
    } else {
        run.Status = Status_Not_Found;
        run.Output = std::string(words.empty() ? "" : words[0]) + ": not found\n";
    }
    history_.push_back(std::move(run));
    return history_.back();
}

void Soc_Shell::Unpack(const std::vector<std::string_view>& words, Shell_Run& run) {
    // tar FLAGS ARCHIVE [-C DIR], where FLAGS extract (x) from a file (f).
    const bool extract = words.size() >= 3 && words[1].starts_with('-') &&
                         words[1].find('x') != std::string_view::npos &&
                         words[1].find('f') != std::string_view::npos;
    const bool to_directory = words.size() == 5 && words[3] == "-C";
    if (!extract || (words.size() != 3 && !to_directory)) {
        run.Status = Status_Failed;
        run.Output = "tar: unsupported arguments\n";
        return;
    }
    const bool verbose = words[1].find('v') != std::string_view::npos;
    const std::string_view directory = to_directory ? words[4] : std::string_view("/");
    const Soc_File_System::Bytes* stored = files_.Find(words[2]);
    if (!stored) {
        run.Status = Status_Failed;
        run.Output = "tar: " + std::string(words[2]) + ": Cannot open: No such file or directory\n";
        return;
    }
    // Unpacking may overwrite the archive itself: read from a copy.
    const Soc_File_System::Bytes archive_bytes = *stored;
    const Ustar_Archive archive = Read_Ustar(archive_bytes);
    for (const Ustar_Entry& entry : archive.Entries) {
        const auto target = Path_Below(directory, entry.Name);
        if (!target) {
            run.Status = Status_Failed;
            run.Output += "tar: " + entry.Name + ": Member name contains '..'\n";
            continue;
        }
        if (verbose)
            run.Output += entry.Name + "\n";
        if (entry.Type != Ustar_Type::File)
            continue;
        if (*target == *Path_Below(directory, "")) {
            run.Status = Status_Failed;
            run.Output += "tar: " + entry.Name + ": Cannot open: Is a directory\n";
            continue;
        }
        files_.Write(*target, Soc_File_System::Bytes(entry.Data.begin(), entry.Data.end()));
    }
    if (!archive.Error.empty()) {
        run.Status = Status_Failed;
        run.Output += "tar: " + archive.Error + "\n";
    }
}

void Soc_Shell::Run_Script(const std::vector<std::string_view>& words, Shell_Run& run) {
    if (words.size() != 2 || !files_.Find(words[1])) {
        run.Status = Status_Failed;
        run.Output = "sh: can't open '" + std::string(words.size() > 1 ? words[1] : "") + "'\n";
        return;
    }
    if (update_.Result_Size) {
        files_.Write_After_Lookups(*Path_Below(Directory_Of(words[1]), "result.txt"),
                                   Result_Text(*update_.Result_Size), update_.Result_After_Polls);
    }
}

} // namespace platform::simulated
