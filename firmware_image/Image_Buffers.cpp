#include "firmware_image/Image_Buffers.h"

#include <algorithm>

Image_Buffers::Image_Buffers(std::size_t count, std::size_t size, const std::uint8_t* image,
                             std::size_t length)
    : Size(size), Stride(size + Spacing),
      Storage(std::make_unique_for_overwrite<std::uint8_t[]>(count * Stride + Page)) {
    const auto source = reinterpret_cast<std::uintptr_t>(image);
    const auto storage = reinterpret_cast<std::uintptr_t>(Storage.get());
    Start = (source + Page / 2 - storage) % Page;
    const std::size_t copied = image == nullptr ? 0 : std::min(length, size);
    std::copy_n(image, copied, Buffer(0));
    std::fill(Buffer(0) + copied, Buffer(0) + Stride, 0);
    for (std::size_t i = 1; i < count; ++i) {
        Copy(0, i);
    }
}

void Image_Buffers::Copy(std::size_t from, std::size_t to) {
    if (from != to) {
        std::copy_n(Buffer(from), Size, Buffer(to));
    }
}
