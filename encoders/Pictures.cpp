#include "Pictures.h"

#include "encoder_pictures.h"

#include <string>

namespace RVX {

std::span<const unsigned char> model_picture(std::string_view name) {
    return embedded::encoder_pictures(std::string(name) + ".png");
}

} // namespace RVX
