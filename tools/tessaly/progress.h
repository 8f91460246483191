// Sizes for people, and the progress bar pack draws on a terminal.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace tessaly::tool {

// Apps this large or larger get a progress bar while they are packed.
inline constexpr std::uint64_t kLargeApp = std::uint64_t{16} << 20;

// "0 bytes", "512 bytes", "1.5 KiB", "20.0 MiB", "1.2 GiB".
std::string FormatSize(std::uint64_t bytes);

// "[#########...........]  45%  4.5 MiB of 10.0 MiB" with a bar `width` characters wide.
// A total of 0 counts as done.
std::string ProgressLine(std::uint64_t done, std::uint64_t total, int width);

// Redraws one terminal line in place each time the whole percentage changes, and ends it with a
// line feed when finished. Draws nothing when not enabled.
class ProgressBar {
  public:
    ProgressBar(std::ostream& out, bool enabled, std::uint64_t total);
    void Advance(std::uint64_t bytes);
    void Finish();

  private:
    void Draw();

    std::ostream& out_;
    bool enabled_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    int drawnPercent_ = -1;
};

// True when the standard error stream is a terminal, where a redrawn line makes sense.
bool StandardErrorIsTerminal();

}  // namespace tessaly::tool
