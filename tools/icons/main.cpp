// render_icons: the application icon, drawn by res/art.cpp, as the files desktops and Windows
// take: PNGs for the freedesktop icon theme, and an ICO for the Windows executable. Runs at build
// time, so no binary icon is kept in the sources.
//
//   render_icons hicolor DIR NAME   DIR/<n>x<n>/apps/NAME.png for the usual theme sizes
//   render_icons ico FILE           FILE with the sizes Windows picks from at 100 to 200 %
#include "res/art.h"
#include "res/resource.h"
#include "tools/icons/image_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr int kIcoSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

int Usage() {
    std::fputs("usage: render_icons hicolor DIR NAME\n"
               "       render_icons ico FILE\n",
               stderr);
    return 2;
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (icons::WriteFile(path, bytes))
        return true;
    std::fprintf(stderr, "render_icons: cannot write %s\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "hicolor") == 0) {
        for (int size : kThemeSizes) {
            const std::string dir = std::string(argv[2]) + "/" + std::to_string(size) + "x" +
                                    std::to_string(size) + "/apps";
            std::error_code error;
            std::filesystem::create_directories(dir, error);
            if (!Write(dir + "/" + argv[3] + ".png",
                       icons::EncodePng(LoadIconImage(IDR_MAINFRAME, size))))
                return 1;
        }
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "ico") == 0) {
        std::vector<ui::Image> images;
        for (int size : kIcoSizes)
            images.push_back(LoadIconImage(IDR_MAINFRAME, size));
        return Write(argv[2], icons::EncodeIco(images)) ? 0 : 1;
    }
    return Usage();
}
