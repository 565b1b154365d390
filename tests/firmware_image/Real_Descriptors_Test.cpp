// Configuration descriptors of real cameras: every file *.config.bin of the folder named
// by ZUNQ_UVC_DESCRIPTOR_DIR (by default the repository's copy) must be read without
// reading past its end, and written back to the same bytes wherever the writer copies
// descriptors; rebuilt video functions must read back to the same stream model.
#include "firmware_image/uvcDescriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path Descriptor_Folder() {
    const char* folder = std::getenv("ZUNQ_UVC_DESCRIPTOR_DIR");
    return folder != nullptr && *folder != '\0' ? folder : ZUNQ_DEFAULT_UVC_DESCRIPTOR_DIR;
}

Bytes Read_File(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Same_Bytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::ranges::equal(a, b);
}

// What a rebuild keeps of a model: the formats that can be written, and their frames.
void Expect_Same_Frames(const std::vector<Frame_Size_Record>& read,
                        const std::vector<Frame_Size_Record>& reread, const std::string& where) {
    std::vector<const Frame_Size_Record*> writable;
    for (const auto& record : read) {
        if (!record.Rates.empty()) {
            writable.push_back(&record);
        }
    }
    ASSERT_EQ(writable.size(), reread.size()) << where;
    for (std::size_t i = 0; i < reread.size(); ++i) {
        EXPECT_EQ(writable[i]->Width, reread[i].Width) << where;
        EXPECT_EQ(writable[i]->Height, reread[i].Height) << where;
        EXPECT_EQ(writable[i]->Rates, reread[i].Rates) << where;
    }
}

} // namespace

TEST(Real_Descriptors, ReadWithinTheirBytesAndWriteBack) {
    const auto folder = Descriptor_Folder();
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".config.bin")) {
            continue;
        }
        ++files;
        // The bytes sit in an allocation of exactly their size, so any read past the end
        // is a sanitizer error.
        const Bytes source = Read_File(entry.path());
        const uvcDescriptor model(source.data(), source.size());
        ASSERT_FALSE(model.Is_Empty()) << name;
        EXPECT_EQ(model.Get_Available_Length(),
                  std::min<std::size_t>(model.Get_Declared_Length(), source.size()));
        if (name == "customer.config.bin") {
            EXPECT_EQ(model.Get_Declared_Length(), source.size() + 1) << "one byte short of its length";
        }
        EXPECT_TRUE(Same_Bytes(model.Get_Head(), std::span(source).first(model.Get_Head_Length()))) << name;
        EXPECT_GE(model.Get_Function_Count(), 1U) << name;
        ASSERT_LE(model.Get_Covered_Length(), model.Get_Available_Length()) << name;

        std::size_t at = model.Get_Head_Length();
        for (std::size_t i = 0; i < model.Get_Function_Count(); ++i) {
            const auto* function = model.Get_Function(i);
            const std::string where = name + " function " + std::to_string(i);
            ASSERT_TRUE(Same_Bytes(function->Get_Bytes(),
                                   std::span(source).subspan(at, function->Get_Total_Length())))
                << where;
            at += function->Get_Total_Length();

            Bytes out;
            const auto* video = dynamic_cast<const usbInterfaceAssociationVideoDes*>(function);
            if (video == nullptr) {
                model.Serialise_Function(out, static_cast<std::uint8_t>(i), {});
                EXPECT_TRUE(Same_Bytes(out, function->Get_Bytes())) << where;
                continue;
            }
            ASSERT_NE(video->Get_Stream_Model(), nullptr) << where;
            const Video_Stream_Model& read = *video->Get_Stream_Model();
            if (model.Serialise_Function(out, static_cast<std::uint8_t>(i), read) == 0) {
                EXPECT_EQ(Streaming_Format_Mode(read), Format_Mode_None) << where;
                continue;
            }
            // The association and the control interface are copied as they were.
            EXPECT_TRUE(
                Same_Bytes(std::span(out).first(function->Get_Head_Length()), function->Get_Head_Part()));
            const auto control = function->Get_Control_Part();
            EXPECT_NE(std::search(out.begin(), out.end(), control.begin(), control.end()), out.end())
                << where;

            const uvcDescriptor rebuilt_configuration([&] {
                Bytes configuration(model.Get_Head().begin(), model.Get_Head().end());
                configuration.insert(configuration.end(), out.begin(), out.end());
                configuration[2] = static_cast<std::uint8_t>(configuration.size());
                configuration[3] = static_cast<std::uint8_t>(configuration.size() >> 8);
                return configuration;
            }());
            const Video_Stream_Model reread = rebuilt_configuration.Get_Stream_Model();
            EXPECT_EQ(reread.Complete, 1) << where;
            EXPECT_EQ(reread.Format_Mode, Streaming_Format_Mode(read)) << where;
            EXPECT_EQ(reread.Still_Method, Written_Still_Method(read.Still_Method)) << where;
            Expect_Same_Frames(read.Mjpeg_Frames, reread.Mjpeg_Frames, where + " MJPEG");
            Expect_Same_Frames(read.Uncompressed_Frames, reread.Uncompressed_Frames, where + " YUV");
        }
        EXPECT_EQ(at, model.Get_Covered_Length()) << name;
    }
    // A folder named from outside that yields nothing (empty, or no file named *.config.bin)
    // would otherwise pass without testing anything.
    std::printf("read %zu configuration descriptors (*.config.bin) from %s\n", files, folder.c_str());
    RecordProperty("descriptor_files", static_cast<int>(files));
    const char* named = std::getenv("ZUNQ_UVC_DESCRIPTOR_DIR");
    if (named == nullptr || *named == '\0') {
        EXPECT_GE(files, 7U) << "the repository holds seven cameras";
    } else {
        EXPECT_GE(files, 1U) << "ZUNQ_UVC_DESCRIPTOR_DIR names " << folder
                             << ", which holds no *.config.bin file";
    }
}
