// A compact file form of a mostly-zero image, so that fuzz seeds of 64 KB and 256 KB
// images stay small files: a little-endian 32-bit image size, then records of a
// little-endian 32-bit offset, a 16-bit length and that many bytes, laid over zeros.
// Decoding accepts any input: sizes are capped, records past the end are cut.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace test_images {

// Past the largest image (256 KB), so oversized images stay reachable.
inline constexpr std::uint32_t Sparse_Image_Max_Size = 0x48000;

inline std::vector<std::uint8_t> Decode_Sparse_Image(std::span<const std::uint8_t> input) {
    const auto read = [&](std::size_t at, std::size_t count) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count && at + i < input.size(); ++i) {
            value |= static_cast<std::uint32_t>(input[at + i]) << (8 * i);
        }
        return value;
    };
    const std::uint32_t size = read(0, 4) % (Sparse_Image_Max_Size + 1);
    std::vector<std::uint8_t> image(size, 0);
    std::size_t at = 4;
    while (at + 6 <= input.size()) {
        const std::uint32_t offset = read(at, 4);
        const std::size_t length = std::min<std::size_t>(read(at + 4, 2), input.size() - (at + 6));
        at += 6;
        if (offset < size) {
            const std::size_t count = std::min<std::size_t>(length, size - offset);
            std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(at), count,
                        image.begin() + static_cast<std::ptrdiff_t>(offset));
        }
        at += length;
    }
    return image;
}

inline std::vector<std::uint8_t> Encode_Sparse_Image(std::span<const std::uint8_t> image) {
    std::vector<std::uint8_t> out;
    const auto put = [&](std::uint32_t value, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    put(static_cast<std::uint32_t>(image.size()), 4);
    std::size_t at = 0;
    while (at < image.size()) {
        if (image[at] == 0) {
            ++at;
            continue;
        }
        // A run ends at eight zeros in a row, the end, or the 16-bit length limit.
        std::size_t end = at;
        std::size_t zeros = 0;
        while (end < image.size() && zeros < 8 && end - at < 0xFFFF) {
            zeros = image[end] == 0 ? zeros + 1 : 0;
            ++end;
        }
        end -= zeros;
        put(static_cast<std::uint32_t>(at), 4);
        put(static_cast<std::uint32_t>(end - at), 2);
        out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(at),
                   image.begin() + static_cast<std::ptrdiff_t>(end));
        at = end;
    }
    return out;
}

} // namespace test_images
