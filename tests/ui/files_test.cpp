// Profile-string files, and a profile write that fails. (Whole-file reads and writes are seen
// through the tool's image loading and saving.)
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/ui/files.h"

namespace zunq::ui {
namespace {

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("zunq-files-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ini = (folder / "info.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string Read(const char* section, const char* key, DWORD size = 255) {
        std::string buffer(size, '\x7f');
        const DWORD copied = GetPrivateProfileStringA(section, key, "", buffer.data(), size, ini.c_str());
        EXPECT_EQ(buffer[copied], '\0');
        return buffer.substr(0, copied);
    }
    std::string File_Text() {
        std::ifstream in(ini, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::path folder;
    std::string ini;
};

// (How the settings file's lines are written, kept and read around comments, blanks and other
// sections is seen through the tool's settings file.)
TEST_F(Files, ProfileValuesAreReadBackAsWrittenAndLineBreaksRefused) {
    EXPECT_EQ(Read("LoadBin", "vid"), "") << "a missing file reads as the default";
    EXPECT_TRUE(WritePrivateProfileStringA("LoadBin", "vid", "0c45", ini.c_str()));
    EXPECT_EQ(Read("loadbin", "VID"), "0c45") << "names ignore letter case";
    EXPECT_EQ(Read("LoadBin", "vid", 3), "0c") << "cut to the buffer, zero-terminated";

    // Other bytes than UTF-8 are kept and read as they are.
    EXPECT_TRUE(WritePrivateProfileStringA("LoadBin", "iproduct", "\xb9\xcc\xbc\xfe\xff", ini.c_str()));
    EXPECT_EQ(Read("LoadBin", "iproduct"), "\xb9\xcc\xbc\xfe\xff");

    // A line break would split the value into other lines: refused, file unchanged.
    const auto before = File_Text();
    EXPECT_FALSE(WritePrivateProfileStringA("LoadBin", "vid", "a\r\nb=c", ini.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("Load]Bin", "vid", "x", ini.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("LoadBin", "[vid]", "x", ini.c_str()))
        << "would read as a section";
    EXPECT_EQ(File_Text(), before);
}

// The disk filling up halfway through a write: the file keeps its whole old text, and the
// new text's partial copy is gone.
TEST_F(Files, AFailedWriteLeavesTheFileAsItWas) {
    ASSERT_TRUE(WritePrivateProfileStringA("SourceFileInfo", "iaudioproduct", "/fw/camera.bin", ini.c_str()));
    const auto before = File_Text();
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{before.size() + 8, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const BOOL written = WritePrivateProfileStringA("Date", "Year_Month_Day", "2026/12/5", ini.c_str());
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, ignored);
    EXPECT_FALSE(written);
    EXPECT_EQ(File_Text(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "no temporary file left";
}

} // namespace
} // namespace zunq::ui
