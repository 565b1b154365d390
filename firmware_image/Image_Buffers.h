// The copies of one image that an image object keeps (as loaded, as edited, as output),
// in one allocation.
//
// Why one allocation: buffers of the same size that the heap hands out one after the
// other lie a multiple of 4 KB plus a few bytes apart, and block copies between such
// buffers run many times slower on current x86 processors (the loads and stores alias in
// the 4 KB-indexed store buffer). Spacing the buffers by 17 cache lines keeps every copy
// between them at full speed, and the first buffer starts half a page away from the
// source's place within its page, so the copy from the caller's image is fast too.
#pragma once

#include "firmware_image/Descriptor_Bytes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class Image_Buffers {
public:
    // `count` buffers of `size` bytes, each holding the first min(length, size) bytes of
    // `image` (none of a null one) and zeros after them.
    Image_Buffers(std::size_t count, std::size_t size, const std::uint8_t* image, std::size_t length);

    Mutable_Byte_Span operator[](std::size_t index) { return {Buffer(index), Size}; }
    Byte_Span operator[](std::size_t index) const { return {Buffer(index), Size}; }

    // Buffer `to` becomes a copy of buffer `from`.
    void Copy(std::size_t from, std::size_t to);

private:
    static constexpr std::size_t Spacing = 17 * 64;
    static constexpr std::size_t Page = 4096;

    std::uint8_t* Buffer(std::size_t index) const { return Storage.get() + Start + index * Stride; }

    std::size_t Size;
    std::size_t Stride;
    std::unique_ptr<std::uint8_t[]> Storage;
    std::size_t Start = 0;
};
