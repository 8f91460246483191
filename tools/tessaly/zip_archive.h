// Writing pack's output folder into a zip.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "tessaly/pack.h"

namespace tessaly::tool {

// False in builds without a zip library.
bool CanWriteZip();

// Writes a new zip at `zip` (replacing a file there) holding each item of `items` under
// `top`/, its bytes taken from `folder`/destination. `progress` gets the fraction done, from 0
// to 1. Throws std::runtime_error when the zip cannot be written; no zip is left then.
void WriteZip(const std::filesystem::path& zip, const std::filesystem::path& folder,
              std::string_view top, const std::vector<PackItem>& items,
              const std::function<void(double)>& progress);

}  // namespace tessaly::tool
