#include "cli/progress_printer.h"

#include <cstdio>
#include <iostream>

#include "cli/console.h"

namespace brim::cli {
namespace {

// The live line is redrawn at most this often.
constexpr auto redraw_interval = std::chrono::milliseconds(200);

std::string size_text(std::uint64_t bytes) {
    char text[32];
    if (bytes >= (1ull << 30)) std::snprintf(text, sizeof text, "%.2f GiB", static_cast<double>(bytes) / (1ull << 30));
    else if (bytes >= (1ull << 20)) std::snprintf(text, sizeof text, "%.2f MiB", static_cast<double>(bytes) / (1ull << 20));
    else if (bytes >= 1024) std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
    else std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    return text;
}

}  // namespace

ProgressPrinter::ProgressPrinter(bool live, bool quiet, bool ask)
    : live_(live), quiet_(quiet), start_(std::chrono::steady_clock::now()), ask_(ask) {}

void ProgressPrinter::line(const std::string& text) {
    if (line_open_) std::cout << "\r\x1b[K";
    line_open_ = false;
    std::cout << text << '\n' << std::flush;
}

void ProgressPrinter::show_progress(bool force) {
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
    line_open_ = true;
}

void ProgressPrinter::begin_backup(const bk::String& job_name) {
    std::lock_guard lock(mutex_);
    start_ = std::chrono::steady_clock::now();
    line("Backing up \"" + out(job_name) + "\"");
}

void ProgressPrinter::parse_source(const bk::String& path) {
    std::lock_guard lock(mutex_);
    if (!live_ && !quiet_) line("scan " + out(path));
}

void ProgressPrinter::end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) {
    std::lock_guard lock(mutex_);
    total_files_ = files;
    total_bytes_ = size;
    line("Found " + std::to_string(files) + " files in " + std::to_string(directories) + " directories, " +
         size_text(size));
}

void ProgressPrinter::delete_old_data(const bk::String& path) {
    std::lock_guard lock(mutex_);
    line("deleted old data " + out(path));
}

void ProgressPrinter::on_file(const bk::String& path, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    ++files_;
    bytes_ += size;
    if (live_) show_progress(false);
    else if (!quiet_) line("file " + out(path));
}

void ProgressPrinter::on_file(const bk::String& path) {
    std::lock_guard lock(mutex_);
    ++files_;
    if (live_) show_progress(false);
    else if (!quiet_) line("file " + out(path));
}

void ProgressPrinter::on_size(std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    bytes_ += bytes;
    show_progress(false);
}

void ProgressPrinter::verify_file(const bk::String& path) {
    std::lock_guard lock(mutex_);
    if (!live_ && !quiet_) line("verify " + out(path));
}

void ProgressPrinter::on_warning(const bk::String& text) {
    std::lock_guard lock(mutex_);
    line("warning: " + out(text));
}

void ProgressPrinter::on_error(const bk::String& text) {
    std::lock_guard lock(mutex_);
    line("error: " + out(text));
}

void ProgressPrinter::on_message(const bk::String& text) {
    std::lock_guard lock(mutex_);
    line(out(text));
}

void ProgressPrinter::end_backup() {
    std::lock_guard lock(mutex_);
    show_progress(true);
    line("");
}

void ProgressPrinter::end_stop() {
    std::lock_guard lock(mutex_);
    line("Stopped.");
}

}  // namespace brim::cli

namespace brim::cli {

bool ProgressPrinter::replace_dir_file(const bk::String& source, const bk::String& target) {
    std::lock_guard lock(mutex_);
    if (replace_all_) return true;
    if (!ask_) return false;
    for (;;) {
        line("\"" + out(target) + "\" exists. Replace it with \"" + out(source) + "\"? [y]es, [n]o, [a]ll: ");
        std::string answer;
        if (!std::getline(std::cin, answer)) return false;
        if (answer == "y" || answer == "yes") return true;
        if (answer == "n" || answer == "no") return false;
        if (answer == "a" || answer == "all") {
            replace_all_ = true;
            return true;
        }
    }
}

}  // namespace brim::cli
