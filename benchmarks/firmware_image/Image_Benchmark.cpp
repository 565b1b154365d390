// What loading and saving an image costs, per family, against the cheapest thing the tool
// could do with it: copying the same number of bytes. One iteration detects the family,
// builds the image object, checks the image, builds the output image and deletes the
// object; the counter ratio_to_copy is that time over a plain copy of the image (target: at
// most 10).
#include "Ratio_Targets.h"
#include "firmware_image/Firmware_Factory.h"
#include "test_images/Image_Builder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace test_images;

namespace {

using Clock = std::chrono::steady_clock;

const zunq::benchmarks::Declared_Targets Targets{{"ratio_to_copy", zunq::benchmarks::Bound::At_Most, 10.0}};

std::vector<std::pair<std::string, Bytes>> Family_Images() {
    const Format_Description mjpeg{.Mjpeg = true,
                                   .Frames = Frames_Of({{1920, 1080}, {1280, 720}, {640, 480}})};
    const Format_Description yuv{.Mjpeg = false, .Frames = Frames_Of({{640, 480}, {320, 240}})};
    Image_2688_Description camera;
    camera.Configurations[0] = {.Video = Video_Function_Description{.Formats = {mjpeg, yuv}},
                                .Audio = Audio_Function_Description{}};
    camera.Resolutions = {{1920, 1080, 1}, {1280, 720, 1}, {640, 480, 1}};
    return {
        {"2089", Build_2089_Image({})},
        {"2092", Build_Chip_Image({})},
        {"2620", Build_Chip_Image({.Family = Chip_Family::F2620})},
        {"2281", Build_Chip_Image({.Family = Chip_Family::F2281})},
        {"2688", Build_2688_Image(camera)},
    };
}

// A copy target half a page away from the image's place within its page, so the plain
// copy runs at full speed (buffers that lie a multiple of 4 KB apart copy many times
// slower, which would flatter the ratio).
std::uint8_t* Copy_Target(Bytes& room, const Bytes& image) {
    room.assign(image.size() + 4096, 0);
    const auto offset = (reinterpret_cast<std::uintptr_t>(image.data()) + 2048 -
                         reinterpret_cast<std::uintptr_t>(room.data())) %
                        4096;
    return room.data() + offset;
}

void Load_Check_Build(benchmark::State& state, const Bytes& image) {
    const auto size = static_cast<std::uint32_t>(image.size());
    Bytes room;
    std::uint8_t* const copy = Copy_Target(room, image);
    std::chrono::duration<double> model{};
    std::chrono::duration<double> plain{};
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(Detect_Firmware_Chip_Code(image.data(), size));
        {
            const auto object = Create_Firmware_Object(image.data(), size);
            benchmark::DoNotOptimize(object->Check_Image(false));
            benchmark::DoNotOptimize(object->Build_Output_Image());
        }
        const auto built = Clock::now();
        std::memcpy(copy, image.data(), image.size());
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
        const auto copied = Clock::now();
        model += built - start;
        plain += copied - built;
        state.SetIterationTime(std::chrono::duration<double>(built - start).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
    state.counters["ratio_to_copy"] = plain.count() > 0 ? model.count() / plain.count() : 0.0;
}

// One benchmark per family. The images are built once, when the first one runs.
const std::vector<std::pair<std::string, Bytes>>& Images() {
    static const auto images = Family_Images();
    return images;
}

const bool Registered = [] {
    for (const char* family : {"2089", "2092", "2620", "2281", "2688"}) {
        benchmark::RegisterBenchmark((std::string("Load_Check_Build/") + family).c_str(),
                                     [family](benchmark::State& state) {
                                         for (const auto& [name, image] : Images())
                                             if (name == family)
                                                 Load_Check_Build(state, image);
                                     })
            ->UseManualTime();
    }
    return true;
}();

} // namespace
