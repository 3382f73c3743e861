#pragma once
// Shows a backup run (ProgressLine): the live line on a terminal, a line per
// event elsewhere only when asked for, and warnings and errors as they come.
// Called on the run's worker thread.
#include <mutex>

#include "cli/progress_line.h"
#include "core/engine/session_events.h"

namespace brim::cli {

class ProgressPrinter final : public NullBackupEvent {
public:
    // `live`: a progress line on a terminal; `events`: a line per file and
    // step where there is no live line; `ask`: questions are put on the
    // terminal, otherwise the answer is always to keep what is there.
    ProgressPrinter(bool live, bool events, bool ask = false);

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
    std::mutex mutex_;
    ProgressLine progress_;
    bool ask_ = false;
    bool replace_all_ = false;
};

}  // namespace brim::cli
