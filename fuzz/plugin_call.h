#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zembra::fuzz {

// Calls the plug-in's DecompressZLibKRO by its declaration, the plug-in having
// been loaded through the host runtime on first use; aborts if it cannot be.
std::string Decompress(std::string_view packed, std::int32_t size);

}  // namespace zembra::fuzz
