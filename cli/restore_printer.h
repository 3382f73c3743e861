#pragma once
// Shows a restore as a run is shown (ProgressLine), and answers its
// questions about files that exist: asked on a terminal (y, n, a for all),
// kept otherwise.
#include <mutex>

#include "cli/progress_line.h"
#include "core/engine/session_events.h"

namespace brim::cli {

class RestorePrinter final : public RestoreEvent {
public:
    // `live`: a progress line on a terminal; `events`: a line per file where
    // there is no live line.
    RestorePrinter(bool live, bool events) : progress_(live, events) {}

    void begin_restore(const bk::String& job_name) override;
    void end_restore() override;
    void restore_dir(const bk::String&) override {}
    void on_file(const bk::String& path, std::uint32_t size) override;
    void on_file(const bk::String& path) override;
    bool replace_file(const DataHeader& item, const bk::String& target) override;
    bool replace_file(const bk::String& source, const bk::String& target) override;
    bool replace_ftp_file(const DataHeader& item, const bk::String& target, std::int64_t, std::int64_t) override;
    void verify_file(const bk::String&) override {}
    void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) override;
    void on_warning(const bk::String& text) override;
    void on_error(const bk::String& text) override;
    void on_size(std::uint32_t bytes) override;
    void end_stop() override;

private:
    bool ask(const bk::String& target);
    void line(const std::string& text);

    std::mutex mutex_;
    ProgressLine progress_;
    bool replace_all_ = false;
};

}  // namespace brim::cli
