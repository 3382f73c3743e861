#include "cli/progress_printer.h"

#include <iostream>

#include "cli/console.h"

namespace brim::cli {

ProgressPrinter::ProgressPrinter(bool live, bool events, bool ask) : progress_(live, events), ask_(ask) {}

void ProgressPrinter::begin_backup(const bk::String& job_name) {
    std::lock_guard lock(mutex_);
    progress_.restart();
    progress_.line("Backing up \"" + out(job_name) + "\"");
}

void ProgressPrinter::parse_source(const bk::String& path) {
    std::lock_guard lock(mutex_);
    progress_.event("scan " + out(path));
}

void ProgressPrinter::end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) {
    std::lock_guard lock(mutex_);
    progress_.totals(files, size);
    progress_.line("Found " + std::to_string(files) + " files in " + std::to_string(directories) + " directories, " +
         size_text(size));
}

void ProgressPrinter::delete_old_data(const bk::String& path) {
    std::lock_guard lock(mutex_);
    progress_.line("deleted old data " + out(path));
}

void ProgressPrinter::on_file(const bk::String& path, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    progress_.file("file " + out(path), size);
}

void ProgressPrinter::on_file(const bk::String& path) {
    std::lock_guard lock(mutex_);
    progress_.file("file " + out(path), 0);
}

void ProgressPrinter::on_size(std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    progress_.bytes(bytes);
}

void ProgressPrinter::verify_file(const bk::String& path) {
    std::lock_guard lock(mutex_);
    progress_.event("verify " + out(path));
}

void ProgressPrinter::on_warning(const bk::String& text) {
    std::lock_guard lock(mutex_);
    progress_.line("warning: " + out(text));
}

void ProgressPrinter::on_error(const bk::String& text) {
    std::lock_guard lock(mutex_);
    progress_.line("error: " + out(text));
}

void ProgressPrinter::on_message(const bk::String& text) {
    std::lock_guard lock(mutex_);
    progress_.line(out(text));
}

void ProgressPrinter::end_backup() {
    std::lock_guard lock(mutex_);
    progress_.finish();
}

void ProgressPrinter::end_stop() {
    std::lock_guard lock(mutex_);
    progress_.line("Stopped.");
}

}  // namespace brim::cli

namespace brim::cli {

bool ProgressPrinter::replace_dir_file(const bk::String& source, const bk::String& target) {
    std::lock_guard lock(mutex_);
    if (replace_all_) return true;
    if (!ask_) return false;
    for (;;) {
        progress_.line("\"" + out(target) + "\" exists. Replace it with \"" + out(source) + "\"? [y]es, [n]o, [a]ll: ");
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
