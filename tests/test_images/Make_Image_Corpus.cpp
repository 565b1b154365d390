// Writes the generated seeds of the image-model fuzz targets:
//   zunq_make_image_corpus DETECT_DIR DESCRIPTOR_DIR
// DETECT_DIR gets sparse-encoded images of every detection case; DESCRIPTOR_DIR gets
// configuration descriptors of the shapes the 256 KB family stores, and bare streaming
// descriptors. Rerun and commit the
// output when the generator changes.
#include "test_images/Image_Builder.h"
#include "test_images/Sparse_Image.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace test_images;

namespace {

void Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Write_Detection_Seeds(const std::filesystem::path& folder) {
    const std::vector<std::pair<const char*, Marker_Spec>> seeds{
        {"2092", {.Start = Start_2092}},
        {"2281", {.Start = Start_2281}},
        {"2620", {.Start = Start_2620}},
        {"2089", {.Kun_Marker = true, .End_Marker = End_Marker_2089}},
        {"2089-no-end", {.Kun_Marker = true}},
        {"big-34000", {.Size = 0x34000, .Big_Marker = Big_Marker_Letters, .Settings_Tag = Settings_Tag_2688}},
        {"big-31801", {.Size = 0x31801, .Big_Marker = Big_Marker_Bytes, .Settings_Tag = Settings_Tag_Other}},
    };
    for (const auto& [name, spec] : seeds) {
        Write(folder / (std::string(name) + ".sparse"), Encode_Sparse_Image(Build_Marked_Image(spec)));
    }
    Write(folder / "2688.sparse", Encode_Sparse_Image(Build_2688_Image({})));
    Write(folder / "2688-other-tag.sparse",
          Encode_Sparse_Image(Build_2688_Image({.Settings_Tag = Settings_Tag_Other})));
}

void Write_Descriptor_Seeds(const std::filesystem::path& folder) {
    const Format_Spec mjpeg{.Mjpeg = true, .Frames = Frames_Of({{1280, 720}, {640, 480}}, {3000, 1500})};
    const Format_Spec yuv{.Mjpeg = false, .Frames = Frames_Of({{640, 480}}, {3000})};
    const std::vector<std::pair<const char*, Configuration_Spec>> seeds{
        {"mjpeg-yuv-audio",
         {.Video = Video_Function_Spec{.Formats = {mjpeg, yuv}}, .Audio = Audio_Function_Spec{}}},
        {"yuv-mjpeg-still2", {.Video = Video_Function_Spec{.Formats = {yuv, mjpeg}, .Still_Method = 2}}},
        {"mjpeg-still3-streaming-first",
         {.Video = Video_Function_Spec{.Formats = {mjpeg}, .Still_Method = 3, .Streaming_First = true}}},
        {"yuv-bare", {.Video = Video_Function_Spec{.Formats = {yuv}, .Standard_Alternates = false}}},
    };
    for (const auto& [name, spec] : seeds) {
        Write(folder / (std::string(name) + ".bin"), Build_Configuration(spec));
    }
    // Bare class-specific streaming descriptors, from the input header on.
    Write(folder / "streaming-mjpeg-yuv-still3.bin",
          Build_Streaming_Class_Descriptors({.Formats = {mjpeg, yuv}, .Still_Method = 3}));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DETECT_DIR DESCRIPTOR_DIR\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    std::filesystem::create_directories(argv[2]);
    Write_Detection_Seeds(argv[1]);
    Write_Descriptor_Seeds(argv[2]);
    return 0;
}
