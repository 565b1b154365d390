// Profile-string files, and a profile write that fails. (Whole-file reads and writes are seen
// through the tool's image loading and saving.)
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/ui/files.h"
#include "support/Fifo.h"

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
    // `write` run with files limited to `bytes`: the disk filling up halfway through.
    static BOOL With_Size_Limit(std::size_t bytes, const std::function<BOOL()>& write) {
        const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{bytes, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const BOOL written = write();
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, ignored);
        return written;
    }
    std::string File_Text() { return File_Text(ini); }
    static std::string File_Text(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
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
    EXPECT_FALSE(With_Size_Limit(before.size() + 8, [&] {
        return WritePrivateProfileStringA("Date", "Year_Month_Day", "2026/12/5", ini.c_str());
    }));
    EXPECT_EQ(File_Text(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "no temporary file left";
}

// Several values in one replacement: the file the single writes would leave, all of it or
// none of it.
TEST_F(Files, SeveralValuesAreWrittenTogether) {
    const Profile_Value record[] = {{"SourceFileInfo", "vid", "0c45"},
                                    {"SourceFileInfo", "iaudioproduct", "/固件/camera.bin"},
                                    {"Date", "Year_Month_Day", "2026/12/5"},
                                    {"SourceFileInfo", "VID", "1bcf"}};
    const std::string other = (folder / "single.ini").string();
    ASSERT_TRUE(WritePrivateProfileStringA("LoadBin", "vid", "", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("LoadBin", "vid", "", other.c_str()));
    for (const auto& [section, key, value] : record) {
        ASSERT_TRUE(WritePrivateProfileStringA(section, key, value, other.c_str()));
    }
    EXPECT_TRUE(Write_Profile_Values(record, ini.c_str()));
    EXPECT_EQ(File_Text(), File_Text(other));
    EXPECT_EQ(Read("SourceFileInfo", "vid"), "1bcf");

    // A value a single write refuses is left out; the others are written.
    const Profile_Value mixed[] = {
        {"Date", "Hour_Minute_Second", "9:5:3"}, {"Date", "bad", "a\nb"}, {"Date", nullptr, "x"}};
    EXPECT_FALSE(Write_Profile_Values(mixed, ini.c_str()));
    EXPECT_EQ(Read("Date", "Hour_Minute_Second"), "9:5:3");
    EXPECT_EQ(Read("Date", "bad"), "");

    // The disk full halfway: none of the values lands.
    const auto before = File_Text();
    const Profile_Value longer[] = {{"LoadBin", "vid", "1bcf"}, {"LoadBin", "iproduct", "Camera 2089"}};
    EXPECT_FALSE(
        With_Size_Limit(before.size() + 8, [&] { return Write_Profile_Values(longer, ini.c_str()); }));
    EXPECT_EQ(File_Text(), before);
}

// Quotes are taken off a value only as a matching pair around it.
TEST_F(Files, OnlyAPairOfMatchingQuotesIsTakenOffAValue) {
    std::ofstream(ini, std::ios::binary)
        << "[SourceFileInfo]\r\npath=\"/fw/camera.bin\r\nsingle=' quoted '\r\n"
           "mixed=\"/fw/camera.bin'\r\nalone=\"\r\nend=/fw/camera.bin\"\r\n";
    EXPECT_EQ(Read("SourceFileInfo", "path"), "\"/fw/camera.bin");
    EXPECT_EQ(Read("SourceFileInfo", "single"), " quoted ");
    EXPECT_EQ(Read("SourceFileInfo", "mixed"), "\"/fw/camera.bin'");
    EXPECT_EQ(Read("SourceFileInfo", "alone"), "\"");
    EXPECT_EQ(Read("SourceFileInfo", "end"), "/fw/camera.bin\"");
}

// A replaced file keeps its permissions (the new text goes into a file of its own first).
TEST_F(Files, AReplacedFileKeepsItsPermissions) {
    ASSERT_TRUE(WritePrivateProfileStringA("LoadBin", "vid", "0c45", ini.c_str()));
    ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
    EXPECT_TRUE(WritePrivateProfileStringA("LoadBin", "pid", "6366", ini.c_str()));
    struct stat replaced {};
    ASSERT_EQ(::stat(ini.c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0640u);
    EXPECT_EQ(Read("LoadBin", "pid"), "6366");
}

// A file past the largest profile file, or not a regular file, is neither read nor written;
// reading a FIFO or writing through it never waits for its other end.
TEST_F(Files, FilesPastTheLimitAndFifosAreLeftAlone) {
    const std::string line = "[LoadBin]\r\nvid=0c45\r\n";
    std::string largest = line + std::string(Largest_Profile_File - line.size(), ';');
    std::ofstream(ini, std::ios::binary) << largest;
    EXPECT_EQ(Read("LoadBin", "vid"), "0c45") << "a file of the largest size is read";
    largest += ';';
    std::ofstream(ini, std::ios::binary) << largest;
    EXPECT_EQ(Read("LoadBin", "vid"), "");
    std::string refusal;
    const Profile_Value value{"LoadBin", "pid", "6366"};
    EXPECT_FALSE(Write_Profile_Values({&value, 1}, ini.c_str(), &refusal));
    EXPECT_EQ(refusal, "holds more than 65536 bytes");
    EXPECT_EQ(File_Text(), largest);

    tests::Fifo fifo(folder / "fifo.ini");
    ASSERT_TRUE(fifo.Made());
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileStringA("LoadBin", "vid", "none", buffer, sizeof buffer, fifo.Path().c_str()),
              4u);
    EXPECT_STREQ(buffer, "none");
    EXPECT_FALSE(Write_Profile_Values({&value, 1}, fifo.Path().c_str(), &refusal));
    EXPECT_EQ(refusal, "is a FIFO, not a regular file");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo.Path()));
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(Read_Whole_File(fifo.Path().c_str(), bytes, 16), -1);
    EXPECT_EQ(fifo.Stop(), 0u) << "the FIFO was opened";
}

} // namespace
} // namespace zunq::ui
