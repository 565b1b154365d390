// Writes the generated seeds of the image-model fuzz targets:
//   zunq_make_image_corpus DETECT_DIR DESCRIPTOR_DIR FAMILY_DIR
// DETECT_DIR gets sparse-encoded images of every detection case; DESCRIPTOR_DIR gets
// configuration descriptors of the shapes the 256 KB family stores, and bare streaming
// descriptors; FAMILY_DIR gets a whole image of every family, sparse-encoded after the
// family fuzzer's control byte. Rerun and commit the output when the generator changes.
#include "test_images/Image_Builder.h"
#include "test_images/Sparse_Image.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

using namespace test_images;

namespace {

void Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Write_Detection_Seeds(const std::filesystem::path& folder) {
    const std::vector<std::pair<const char*, Marker_Description>> seeds{
        {"2092", {.Start = Start_2092}},
        {"2281", {.Start = Start_2281}},
        {"2620", {.Start = Start_2620}},
        {"2089", {.Kun_Marker = true, .End_Marker = End_Marker_2089}},
        {"2089-no-end", {.Kun_Marker = true}},
        {"big-34000", {.Size = 0x34000, .Big_Marker = Big_Marker_Letters, .Settings_Tag = Settings_Tag_2688}},
        {"big-31801", {.Size = 0x31801, .Big_Marker = Big_Marker_Bytes, .Settings_Tag = Settings_Tag_Other}},
    };
    for (const auto& [name, desc] : seeds) {
        Write(folder / (std::string(name) + ".sparse"), Encode_Sparse_Image(Build_Marked_Image(desc)));
    }
    Write(folder / "2688.sparse", Encode_Sparse_Image(Build_2688_Image({})));
    Write(folder / "2688-other-tag.sparse",
          Encode_Sparse_Image(Build_2688_Image({.Settings_Tag = Settings_Tag_Other})));
}

void Write_Descriptor_Seeds(const std::filesystem::path& folder) {
    const Format_Description mjpeg{.Mjpeg = true,
                                   .Frames = Frames_Of({{1280, 720}, {640, 480}}, {3000, 1500})};
    const Format_Description yuv{.Mjpeg = false, .Frames = Frames_Of({{640, 480}}, {3000})};
    const std::vector<std::pair<const char*, Configuration_Description>> seeds{
        {"mjpeg-yuv-audio",
         {.Video = Video_Function_Description{.Formats = {mjpeg, yuv}},
          .Audio = Audio_Function_Description{}}},
        {"yuv-mjpeg-still2",
         {.Video = Video_Function_Description{.Formats = {yuv, mjpeg}, .Still_Method = 2}}},
        {"mjpeg-still3-streaming-first",
         {.Video =
              Video_Function_Description{.Formats = {mjpeg}, .Still_Method = 3, .Streaming_First = true}}},
        {"yuv-bare", {.Video = Video_Function_Description{.Formats = {yuv}, .Standard_Alternates = false}}},
    };
    for (const auto& [name, desc] : seeds) {
        Write(folder / (std::string(name) + ".bin"), Build_Configuration(desc));
    }
    // Bare class-specific streaming descriptors, from the input header on.
    Write(folder / "streaming-mjpeg-yuv-still3.bin",
          Build_Streaming_Class_Descriptors({.Formats = {mjpeg, yuv}, .Still_Method = 3}));
}

// The family fuzzer's control byte: bit 0 a 256 KB image, bit 4 edits marked modified,
// bits 5-7 the length of the texts it writes.
void Write_Family_Seeds(const std::filesystem::path& folder) {
    const Format_Description mjpeg{.Mjpeg = true, .Frames = Frames_Of({{1280, 720}, {640, 480}})};
    const Format_Description yuv{.Mjpeg = false, .Frames = Frames_Of({{640, 480}})};
    Image_2688_Spec camera;
    camera.Configurations[0] = {.Video =
                                    Video_Function_Description{.Formats = {mjpeg, yuv}, .Still_Method = 2},
                                .Audio = Audio_Function_Description{}};
    camera.Resolutions = {{1280, 720, 1}, {320, 480, 15}};
    Image_2688_Spec selector_one = camera;
    selector_one.Selector = 1;
    const std::vector<std::tuple<const char*, std::uint8_t, Bytes>> seeds{
        {"2089", 0x30, Build_2089_Image({})},
        {"2089-no-table", 0x50, Build_2089_Image({.Table = false})},
        {"2092", 0x30, Build_Chip_Image({})},
        {"2620", 0x70, Build_Chip_Image({.Family = Chip_Family::F2620})},
        {"2281", 0x90, Build_Chip_Image({.Family = Chip_Family::F2281})},
        {"2688", 0x31, Build_2688_Image({})},
        {"2688-camera", 0x51, Build_2688_Image(camera)},
        {"2688-selector-1", 0x01, Build_2688_Image(selector_one)},
        {"2688-other-tag", 0x11, Build_2688_Image({.Settings_Tag = Settings_Tag_Other})},
    };
    for (const auto& [name, control, image] : seeds) {
        Bytes seed{control};
        Add(seed, Encode_Sparse_Image(image));
        Write(folder / (std::string(name) + ".seed"), seed);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DETECT_DIR DESCRIPTOR_DIR FAMILY_DIR\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        std::filesystem::create_directories(argv[i]);
    }
    Write_Detection_Seeds(argv[1]);
    Write_Descriptor_Seeds(argv[2]);
    Write_Family_Seeds(argv[3]);
    return 0;
}
