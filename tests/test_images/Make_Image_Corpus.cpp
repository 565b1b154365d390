// Writes the generated seeds of the image-model fuzz targets:
//   zunq_make_image_corpus DETECT_DIR DESCRIPTOR_DIR FAMILY_DIR
// DETECT_DIR gets every detection case and every family image, as the detection fuzzer reads
// them (size, base image and the marker bytes); DESCRIPTOR_DIR gets configuration
// descriptors of the shapes the 256 KB family stores, and bare streaming descriptors;
// FAMILY_DIR gets, for every family image and each of its areas, the area's bytes after the
// family fuzzer's control byte and edit value. Rerun and commit the output when the
// generator changes.
#include "test_images/Fuzz_Images.h"
#include "test_images/Image_Builder.h"

#include <algorithm>

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

// The detection fuzzer's input for `image` of its own size over base image `base` (0: zeros):
// the choice byte, then the bytes at the places detection reads (zeros past the image).
Bytes Detection_Seed(const Bytes& image, std::size_t base) {
    const auto size = std::ranges::find(Detection_Sizes, image.size());
    Bytes seed{static_cast<std::uint8_t>((size - Detection_Sizes.begin()) | base << 3)};
    for (const Image_Area& place : Detection_Places) {
        for (std::uint32_t i = 0; i < place.Size; ++i) {
            seed.push_back(place.Offset + i < image.size() ? image[place.Offset + i] : 0);
        }
    }
    return seed;
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
        Write(folder / (std::string(name) + ".seed"), Detection_Seed(Build_Marked_Image(desc), 0));
    }
    const auto& templates = Fuzz_Templates();
    for (std::size_t t = 0; t < templates.size(); ++t) {
        Write(folder / ("image-" + std::string(templates[t].Name) + ".seed"),
              Detection_Seed(templates[t].Image, t + 1));
    }
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

// The family fuzzer's input: the control byte (bits 0-2 the image, bit 3 edits marked
// modified, bits 4-5 the first area, bits 6-7 text lengths), the edit value, and the image's
// own bytes of that area, so mutations start from what the model reads there.
void Write_Family_Seeds(const std::filesystem::path& folder) {
    const auto& templates = Fuzz_Templates();
    for (std::size_t t = 0; t < templates.size(); ++t) {
        for (std::size_t area = 0; area < templates[t].Areas.size() && area < 4; ++area) {
            const auto control = static_cast<std::uint8_t>(t | (area % 2) << 3 | area << 4 | (t % 4) << 6);
            Bytes seed{control, 0x34, 0x12};
            Add(seed, Area_Bytes(templates[t], area, templates[t].Image));
            Write(folder / (std::string(templates[t].Name) + "-area-" + std::to_string(area) + ".seed"),
                  seed);
        }
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
