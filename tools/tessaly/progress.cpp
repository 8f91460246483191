#include "tessaly/progress.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tessaly::tool {
namespace {

constexpr int kBarWidth = 30;

int Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total) {
        return 100;
    }
    return int(done * 100 / total);
}

}  // namespace

std::string FormatSize(std::uint64_t bytes) {
    if (bytes < 1024) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::string ProgressLine(std::uint64_t done, std::uint64_t total, int width) {
    const int percent = Percent(done, total);
    const int filled = percent * width / 100;
    std::string line(1, '[');
    line.append(std::size_t(filled), '#').append(std::size_t(width - filled), '.').append("] ");
    char number[8];
    std::snprintf(number, sizeof number, "%3d%%", percent);
    return line + number + "  " + FormatSize(std::min(done, total)) + " of " + FormatSize(total);
}

ProgressBar::ProgressBar(std::ostream& out, bool enabled, std::uint64_t total)
    : out_(out), enabled_(enabled), total_(total) {
    Draw();
}

void ProgressBar::Advance(std::uint64_t bytes) {
    done_ += bytes;
    Draw();
}

void ProgressBar::Finish() {
    done_ = total_;
    Draw();
    if (enabled_) {
        out_ << '\n' << std::flush;
        enabled_ = false;
    }
}

void ProgressBar::Draw() {
    const int percent = Percent(done_, total_);
    if (!enabled_ || percent == drawnPercent_) {
        return;
    }
    drawnPercent_ = percent;
    // The trailing spaces cover what a longer line drawn before left behind.
    out_ << '\r' << ProgressLine(done_, total_, kBarWidth) << "   " << std::flush;
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace tessaly::tool
