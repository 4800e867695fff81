#pragma once
// PNG pictures of the encoder models, 140x140, kept in the program's constant data.
#include <span>
#include <string_view>

namespace RVX {

// The picture with the given name, or an empty span when there is none.
// Names: the model names "RVX46", "RVX47", "RVX48", "RVX62", "RVX63", "RVX64",
// "RVX65", "RVX68", "RVX69", "RVX84", "RVX86" (the selection dialog's pictures,
// and the first picture of each model's parts), and "RVX46-2", "RVX47-2",
// "RVX62-2", "RVX65-2", "RVX68-2", "RVX84-2", "RVX86-2" for the models whose
// parts come in a second look.
std::span<const unsigned char> model_picture(std::string_view name);

} // namespace RVX
