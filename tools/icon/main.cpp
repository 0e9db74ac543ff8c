// Draws the program's icon and writes it, at build time, into the folder named by the one
// argument: dravik.ico (thirteen images for Windows) and dravik_<n>.png (n = 16, 24, 32, 48,
// 256) for the desktop's icon theme and the window.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ico.h"
#include "picture.h"
#include "png.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::fprintf(stderr, "icon_generator: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icon_generator OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    std::vector<icon::IconImage> images;
    bool ok = true;
    for (int size : {16, 24, 32, 48}) {
        const icon::Image sixteen = icon::DrawIcon(size, false);
        const icon::Image full = icon::DrawIcon(size, true);
        images.push_back({sixteen, 4});
        images.push_back({full, 8});
        images.push_back({full, 32});
        ok = WriteFile(folder / ("dravik_" + std::to_string(size) + ".png"),
                       icon::EncodePng(full)) &&
             ok;
    }
    const icon::Image large = icon::DrawIcon(256, true);
    images.push_back({large, 32});
    ok = WriteFile(folder / "dravik_256.png", icon::EncodePng(large)) && ok;
    ok = WriteFile(folder / "dravik.ico", icon::EncodeIco(images)) && ok;
    return ok ? 0 : 1;
}
