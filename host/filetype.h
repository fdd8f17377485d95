// Guesses a file extension for an embedded object from its leading bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace mifhost {

// "png", "gif", "jpg", "tif", "bmp", "eps", "wmf", "emf", "pdf" or "bin".
std::string_view GuessExtension(std::span<const uint8_t> data);

}  // namespace mifhost
