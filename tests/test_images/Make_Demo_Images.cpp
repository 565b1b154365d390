// Writes the demo's images (test_images/Demo_Images.h), one file per chip family of
// scenarios/demo.json:
//   zunq_make_demo_images DIR
#include "test_images/Demo_Images.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    for (const test_images::Demo_Image& demo : test_images::Demo_Images()) {
        std::ofstream out(std::filesystem::path(argv[1]) / demo.File, std::ios::binary);
        out.write(reinterpret_cast<const char*>(demo.Image.data()),
                  static_cast<std::streamsize>(demo.Image.size()));
        if (!out) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], demo.File.c_str());
            return 1;
        }
    }
    return 0;
}
