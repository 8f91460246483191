#include "base/caught_exception.h"

#include <exception>

namespace tessaly {

const char* CaughtWhat() noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "an exception that is not a std::exception";
    }
}

}  // namespace tessaly
