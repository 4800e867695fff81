// Binary block-bootloader images and the parameter block the bench encoders
// read from every simulation image.
#include "tools/lib/BlockImage.h"
#include "tools/lib/FirmwareParameters.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(BlockImage, FourteenBitWordsHighByteFirstWithTheCallersBytesOnTop) {
    const auto block = fwparams::encode({"RVX64", {{"version", 7}, {"variant", 2}, {"baudrate", 2000000}}});
    tools::BlockImageRecipe recipe;
    recipe.seed = 5;
    recipe.codeEnd = 0x200;
    recipe.data.push_back({0x40, block});
    const auto image = tools::generateBlockImage(recipe);
    ASSERT_EQ(image.size(), 7232u);
    for (std::size_t i = 0; i < 0x40; i += 2)
        EXPECT_LE(image[i], 0x3F) << "a program word has 14 bits";
    for (std::size_t i = 0x200; i < image.size(); i += 2)
        ASSERT_TRUE(image[i] == 0x3F && image[i + 1] == 0xFF) << "erased from " << i;
    EXPECT_EQ(tools::generateBlockImage(recipe), image);

    const auto found = fwparams::decode(image);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->model, "RVX64");
    EXPECT_EQ(found->get("baudrate"), 2000000u);
    EXPECT_EQ(found->get("variant"), 2u);
    EXPECT_EQ(found->get("missing", 9), 9u);

    // A block whose sum does not match is not taken for one.
    auto broken = image;
    broken[0x40 + block.size() - 2] ^= 1;
    EXPECT_FALSE(fwparams::decode(broken));

    recipe.data.push_back({7232 - 4, {1, 2, 3, 4, 5}});
    EXPECT_THROW(tools::generateBlockImage(recipe), std::invalid_argument);
}

} // namespace
