// The images the demo's cameras (scenarios/demo.json) take: for each chip family there, an
// image of the family its download accepts (the 64 KB 2620, 2281 and 2092 images for those
// chips, the 256 KB 2688 image for the SPCA2650 and SPCA2282), carrying the camera's own USB
// identity one release later. zunq_make_demo_images writes them into the build tree for the
// operator to load; the tests burn the same bytes.
#pragma once

#include "test_images/Bytes.h"

#include <string>
#include <string_view>
#include <vector>

namespace test_images {

struct Demo_Image {
    std::string Family; // the simulated chip family of the camera that takes it, "SPCA2620"
    std::string File;   // its file name, "SPCA2620.bin"
    Bytes Image;
};

std::vector<Demo_Image> Demo_Images();

} // namespace test_images
