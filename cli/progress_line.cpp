#include "cli/progress_line.h"

#include <cstdio>
#include <iostream>

namespace brim::cli {
namespace {

// The live line is redrawn at most this often.
constexpr auto redraw_interval = std::chrono::milliseconds(200);

}  // namespace

std::string size_text(std::uint64_t bytes) {
    char text[32];
    if (bytes >= (1ull << 30)) std::snprintf(text, sizeof text, "%.2f GiB", static_cast<double>(bytes) / (1ull << 30));
    else if (bytes >= (1ull << 20)) std::snprintf(text, sizeof text, "%.2f MiB", static_cast<double>(bytes) / (1ull << 20));
    else if (bytes >= 1024) std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
    else std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    return text;
}

void ProgressLine::line(const std::string& text) {
    if (open_) std::cout << "\r\x1b[K";
    open_ = false;
    std::cout << text << '\n' << std::flush;
}

void ProgressLine::event(const std::string& text) {
    if (!live_ && events_) line(text);
}

void ProgressLine::totals(std::uint32_t files, std::uint64_t bytes) {
    total_files_ = files;
    total_bytes_ = bytes;
}

void ProgressLine::file(const std::string& text, std::uint64_t bytes) {
    ++files_;
    bytes_ += bytes;
    if (live_) draw(false);
    else event(text);
}

void ProgressLine::bytes(std::uint64_t count) {
    bytes_ += count;
    draw(false);
}

void ProgressLine::finish() {
    draw(true);
    if (open_) line("");
}

void ProgressLine::draw(bool force) {
    if (!live_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - last_draw_ < redraw_interval) return;
    last_draw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double percent = total_bytes_ == 0 ? 100.0 : 100.0 * static_cast<double>(bytes_) / static_cast<double>(total_bytes_);
    char text[160];
    std::snprintf(text, sizeof text, "\r\x1b[K%u/%u files  %s/%s  %5.1f%%  %s/s  %02d:%02d", files_, total_files_,
                  size_text(bytes_).c_str(), size_text(total_bytes_).c_str(), percent > 100 ? 100 : percent,
                  size_text(seconds > 0 ? static_cast<std::uint64_t>(static_cast<double>(bytes_) / seconds) : 0).c_str(),
                  static_cast<int>(seconds) / 60, static_cast<int>(seconds) % 60);
    std::cout << text << std::flush;
    open_ = true;
}

}  // namespace brim::cli
