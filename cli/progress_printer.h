#pragma once
// Shows a run on the terminal: a live progress line (files, bytes, percent,
// rate, elapsed) when the output is a terminal, one line per event
// otherwise, and warnings and errors as they come. Called on the run's
// worker thread.
#include <chrono>
#include <cstdint>
#include <mutex>

#include "core/engine/session_events.h"

namespace brim::cli {

class ProgressPrinter final : public NullBackupEvent {
public:
    // `live`: a progress line on a terminal; `quiet`: no line per file;
    // `ask`: questions are put on the terminal, otherwise the answer is
    // always to keep what is there.
    ProgressPrinter(bool live, bool quiet, bool ask = false);

    void begin_backup(const bk::String& job_name) override;
    void parse_source(const bk::String& path) override;
    void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) override;
    void delete_old_data(const bk::String& path) override;
    void on_file(const bk::String& path, std::uint32_t size) override;
    void on_file(const bk::String& path) override;
    void on_size(std::uint32_t bytes) override;
    void verify_file(const bk::String& path) override;
    void on_warning(const bk::String& text) override;
    void on_error(const bk::String& text) override;
    void on_message(const bk::String& text) override;
    void end_backup() override;
    void end_stop() override;
    // "Replace <target> with <source>? [y]es, [n]o, [a]ll": all replaces
    // every later file of the run without asking.
    bool replace_dir_file(const bk::String& source, const bk::String& target) override;

private:
    void line(const std::string& text);
    void show_progress(bool force);

    bool live_;
    bool quiet_ = false;
    std::mutex mutex_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_draw_;
    std::uint32_t total_files_ = 0;
    std::uint64_t total_bytes_ = 0;
    std::uint32_t files_ = 0;
    std::uint64_t bytes_ = 0;
    bool line_open_ = false;
    bool ask_ = false;
    bool replace_all_ = false;
};

}  // namespace brim::cli
