// Time to generate a firmware set the size of the encoders' (660 images of
// about 20 KB of PIC18 code, ~57 kB of HEX each) in one process, in memory
// and written to a temporary folder.
#include "tools/lib/HexGenerator.h"
#include "tools/lib/HexManifest.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

int main() {
    using Clock = std::chrono::steady_clock;
    constexpr int images = 660;
    tools::HexImageRecipe recipe;
    recipe.part = {4, 0x0000, 0x10000, 0xF00000, 0xF00400};
    recipe.code = {{0x0040, 0x5040}};
    recipe.eeprom.assign(256, 0xFF);

    std::size_t bytes = 0;
    std::string text;
    const auto t0 = Clock::now();
    for (int i = 0; i < images; ++i) {
        recipe.seed = std::uint64_t(i);
        recipe.blocks = {{0x7F00, {'R', 'V', 'X', std::uint8_t(i), std::uint8_t(i >> 8)}}};
        text.clear();
        tools::appendHex(recipe, text);
        bytes += text.size();
    }
    const auto t1 = Clock::now();

    const auto dir = std::filesystem::temp_directory_path() / "rvx-hexgen-bench";
    std::filesystem::remove_all(dir);
    for (int i = 0; i < images; ++i) {
        recipe.seed = std::uint64_t(i);
        text.clear();
        tools::appendHex(recipe, text);
        tools::writeFileIfChanged(dir / ("image" + std::to_string(i) + ".hex"), text);
    }
    const auto t2 = Clock::now();
    std::filesystem::remove_all(dir);

    const auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("images: %d, HEX text: %.1f MB (%.1f kB each)\n", images, bytes / 1e6, bytes / 1e3 / images);
    std::printf("generate in memory: %.0f ms (%.2f ms per image)\n", ms(t1 - t0), ms(t1 - t0) / images);
    std::printf("generate and write: %.0f ms\n", ms(t2 - t1));
}
