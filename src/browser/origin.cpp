#include "browser/origin.h"

#include "server/resource_response.h"

namespace tessaly {

bool HasVirtualOriginPrefix(std::u16string_view uri) {
    return uri.starts_with(VirtualOrigin);
}

}  // namespace tessaly
