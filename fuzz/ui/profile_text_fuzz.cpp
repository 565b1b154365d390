// Settings files come from the disk as any bytes. The input is a file's text, optionally
// followed by a section, a key and a value, each after a NUL byte (missing ones are the
// tool's own names). Parsing keeps every byte; reading any name never fails; a value
// written reads back as it would from a file holding nothing else, and the values beside it
// stay as they were.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ui/files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::array<std::string_view, 3> names{"SourceFileInfo", "iaudioproduct", "/fw/camera.bin"};
    for (std::size_t i = names.size(); i-- > 0;) {
        const auto separator = bytes.rfind('\0');
        if (separator == std::string_view::npos) {
            break;
        }
        names[i] = bytes.substr(separator + 1);
        bytes = bytes.substr(0, separator);
    }
    const auto [section, key, value] = names;

    zunq::ui::Profile_Text text(bytes);
    if (text.Text() != bytes) {
        std::abort(); // parsing alone changes nothing
    }
    (void)text.Get(section, key);
    const std::string other_key = "x" + std::string(key);
    const std::string other_section = "x" + std::string(section);
    const auto beside = text.Get(section, other_key);
    const auto elsewhere = text.Get(other_section, key);
    if (!text.Set(section, key, value)) {
        return 0;
    }
    zunq::ui::Profile_Text alone;
    if (!alone.Set(section, key, value)) {
        std::abort(); // refusal depends on the names and value only
    }
    const zunq::ui::Profile_Text again(text.Text());
    const auto written = again.Get(section, key);
    if (!written || written != alone.Get(section, key) || again.Get(section, other_key) != beside ||
        again.Get(other_section, key) != elsewhere) {
        std::abort();
    }
    return 0;
}
