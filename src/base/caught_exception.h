// The text of an exception being handled, for a log line where nothing may be thrown on.
#pragma once

namespace tessaly {

// What the exception being handled says; call it only inside a catch block. Valid while the
// exception is handled.
const char* CaughtWhat() noexcept;

}  // namespace tessaly
