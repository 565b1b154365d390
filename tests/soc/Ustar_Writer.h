#pragma once
// A small writer of ustar archives for tests: regular files and directories in the POSIX form,
// each header with its checksum, the data padded to whole blocks, two zero blocks at the end.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace test {

struct Ustar_Member {
    std::string Name; // at most 100 characters; longer names go partly into Prefix
    std::string Content;
    char Type = '0'; // '0' file, '5' directory
    std::string Prefix = {};
};

inline std::vector<std::uint8_t> Write_Ustar(const std::vector<Ustar_Member>& members) {
    constexpr std::size_t Block = 512;
    std::vector<std::uint8_t> archive;
    for (const Ustar_Member& member : members) {
        std::uint8_t header[Block] = {};
        const auto put = [&](std::size_t offset, const std::string& text) {
            std::copy(text.begin(), text.end(), header + offset);
        };
        const auto octal = [](std::size_t width, unsigned long long value) {
            char text[24];
            std::snprintf(text, sizeof text, "%0*llo", static_cast<int>(width - 1), value);
            return std::string(text);
        };
        put(0, member.Name);
        put(100, octal(8, member.Type == '5' ? 0755 : 0644));
        put(108, octal(8, 0));
        put(116, octal(8, 0));
        put(124, octal(12, member.Content.size()));
        put(136, octal(12, 0));
        header[156] = static_cast<std::uint8_t>(member.Type);
        put(257, std::string("ustar\0"
                             "00",
                             8));
        put(345, member.Prefix);
        std::fill(header + 148, header + 156, ' ');
        unsigned sum = 0;
        for (std::uint8_t byte : header)
            sum += byte;
        put(148, octal(7, sum)); // six digits, a NUL, and the last space kept
        header[154] = 0;
        archive.insert(archive.end(), header, header + Block);
        archive.insert(archive.end(), member.Content.begin(), member.Content.end());
        archive.resize((archive.size() + Block - 1) / Block * Block);
    }
    archive.resize(archive.size() + 2 * Block);
    return archive;
}

} // namespace test
