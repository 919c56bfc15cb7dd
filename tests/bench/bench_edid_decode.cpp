// Throughput of the full EDID validate-and-decode (status, hex dump, three reports) over a
// varied set of images: realistic HDMI and DVI EDIDs, checksum and header errors, extensions
// with odd offsets, and random bytes behind a valid header.
//
//   edid_bench [SECONDS]     default 2; prints EDIDs per second
#include "edid/edid_decoder.h"

#include "unit/edid_test_images.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using namespace edid_test;

std::vector<Image> ImageSet() {
    std::vector<Image> images;
    const Image tv = Television4K();
    const Image dvi = DviMonitor();
    images.push_back(tv);
    images.push_back(dvi);
    images.push_back(Image{}); // header error

    Image badSums = tv;
    badSums[127] ^= 0x5A;
    badSums[255] ^= 0xA5;
    images.push_back(badSums);

    for (int d : {0, 4, 30, 100, 127, 200, 255}) {
        Image odd = tv;
        odd[130] = static_cast<std::uint8_t>(d);
        images.push_back(odd);
    }

    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < 48; ++n) {
        Image image{};
        for (auto& b : image)
            b = static_cast<std::uint8_t>(byte(random));
        Put(image, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});
        image[126] = 1;
        image[128] = 0x02;
        FixChecksums(image);
        images.push_back(image);
    }
    // Weigh the realistic images like the random ones.
    for (int n = 0; n < 24; ++n) {
        images.push_back(tv);
        images.push_back(dvi);
    }
    return images;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const std::vector<Image> images = ImageSet();

    using Clock = std::chrono::steady_clock;
    std::size_t decoded = 0;
    std::size_t bytes = 0; // keeps the results alive
    const std::clock_t cpuStart = std::clock();
    const auto start = Clock::now();
    auto now = start;
    do {
        for (const Image& image : images) {
            const edid::Decoded d = edid::ValidateAndDecode(image);
            bytes += d.status.size() + d.hexDump.size() + d.video.size() + d.audio.size() +
                     d.general.size();
        }
        decoded += images.size();
        now = Clock::now();
    } while (std::chrono::duration<double>(now - start).count() < seconds);

    const double elapsed = std::chrono::duration<double>(now - start).count();
    // CPU time as well: on a busy machine the wall-clock figure mostly measures the others.
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("edid_bench: %zu images in the set, %zu decodes in %.2f s\n", images.size(),
                decoded, elapsed);
    std::printf("edid_bench: %.0f EDIDs per second (%.2f us each, %.0f bytes of text each)\n",
                decoded / elapsed, 1e6 * elapsed / decoded, double(bytes) / decoded);
    if (cpu > 0)
        std::printf("edid_bench: %.0f EDIDs per CPU second\n", decoded / cpu);
    return 0;
}
