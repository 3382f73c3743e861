#include "cli/restore_printer.h"

#include <iostream>

#include "basekit/exception.h"
#include "basekit/platform/os_console.h"
#include "basekit/platform/os_fs.h"
#include "cli/console.h"

namespace brim::cli {

void RestorePrinter::line(const std::string& text) {
    std::lock_guard lock(mutex_);
    progress_.line(text);
}

void RestorePrinter::begin_restore(const bk::String& job_name) {
    std::lock_guard lock(mutex_);
    progress_.restart();
    progress_.line("Restoring from \"" + out(job_name) + "\"");
}

void RestorePrinter::end_restore() {
    {
        std::lock_guard lock(mutex_);
        progress_.finish();
    }
    tell_kept();
    line("Restore finished.");
}

void RestorePrinter::end_stop() {
    tell_kept();
    line("Stopped.");
}

void RestorePrinter::tell_kept() {
    if (kept_ == 0) return;
    line("Kept " + std::to_string(kept_) + (kept_ == 1 ? " existing file that is" : " existing files that are") +
         " newer than the set's copy (--existing replace replaces them).");
}

void RestorePrinter::on_file(const bk::String& path, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    progress_.file("file " + out(path), size);
}

void RestorePrinter::on_file(const bk::String& path) {
    std::lock_guard lock(mutex_);
    progress_.file("file " + out(path), 0);
}

void RestorePrinter::on_size(std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    progress_.bytes(bytes);
}

void RestorePrinter::end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) {
    std::lock_guard lock(mutex_);
    progress_.totals(files, size);
    progress_.line("Restoring " + std::to_string(files) + " files in " + std::to_string(directories) + " directories, " +
                   size_text(size));
}

void RestorePrinter::on_warning(const bk::String& text) { line("warning: " + out(text)); }
void RestorePrinter::on_error(const bk::String& text) { line("error: " + out(text)); }

bool RestorePrinter::ask(const bk::String& target, std::int64_t archived_time, std::int64_t existing_time) {
    if (replace_all_) return true;
    if (!bk::os::is_terminal_input()) {
        if (!keep_newer_unanswered_) return false;
        if (archived_time > existing_time) return true;
        if (existing_time > archived_time) ++kept_;  // the same time: nothing newer was kept
        return false;
    }
    std::lock_guard lock(mutex_);
    progress_.line("\"" + out(target) + "\" exists. Replace it? [y]es, [n]o, [a]ll: ");
    std::string answer;
    if (!std::getline(std::cin, answer) || answer.empty()) return false;
    if (answer[0] == 'a' || answer[0] == 'A') replace_all_ = true;
    return replace_all_ || answer[0] == 'y' || answer[0] == 'Y';
}

bool RestorePrinter::ask(const bk::String& target, std::int64_t archived_time) {
    std::int64_t existing_time = 0;
    try {
        existing_time = bk::os::status(target).modify_time;
    } catch (const bk::Exception&) {
        // Unknown: taken as old, so the set's copy is written.
    }
    return ask(target, archived_time, existing_time);
}

bool RestorePrinter::replace_file(const DataHeader& item, const bk::String& target) {
    return ask(target, item.modified);
}

bool RestorePrinter::replace_file(const bk::String& source, const bk::String& target) {
    std::int64_t archived_time = 0;
    try {
        archived_time = bk::os::status(source).modify_time;
    } catch (const bk::Exception&) {
    }
    return ask(target, archived_time);
}

bool RestorePrinter::replace_ftp_file(const DataHeader& item, const bk::String& target, std::int64_t remote_time,
                                      std::int64_t) {
    return ask(target, item.modified, remote_time);
}

}  // namespace brim::cli
