#include "BlockFirmware.h"

#include "tools/lib/BlockImage.h"

namespace sim {

namespace {
constexpr std::size_t tableAt = 0x0040;
} // namespace

std::optional<fwparams::Parameters> blockFirmware(const BlockChip& chip) {
    const auto memory = chip.programMemory();
    Bytes lowBytes;
    lowBytes.reserve(memory.size() / 2);
    for (std::size_t i = 1; i < memory.size(); i += 2)
        lowBytes.push_back(memory[i]);
    return fwparams::decode(lowBytes);
}

Bytes factoryBlockImage(const fwparams::Parameters& parameters, std::uint64_t seed, std::size_t rows) {
    tools::BlockImageRecipe recipe;
    recipe.size = rows * BlockChip::rowBytes;
    recipe.seed = seed;
    recipe.codeEnd = recipe.size / 2;
    recipe.data.push_back({0x0000, {0x31, 0x80, 0x28, 0x10}}); // MOVLP 0, GOTO 0x0010
    recipe.data.push_back({tableAt, tools::retlwTable(fwparams::encode(parameters))});
    return tools::generateBlockImage(recipe);
}

} // namespace sim
