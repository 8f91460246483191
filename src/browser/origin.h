// The test that keeps the browser on the packaged application.
#pragma once

#include <string_view>

namespace tessaly {

// True when `uri` begins with the virtual origin, unit for unit: no letter case is folded and
// nothing is decoded, so the origin without its final "/" does not pass.
bool HasVirtualOriginPrefix(std::u16string_view uri);

}  // namespace tessaly
