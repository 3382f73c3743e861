#pragma once
// Shows a restore as a run is shown (ProgressLine), and answers its
// questions about files that exist: asked on a terminal (y, n, a for all).
// When nobody can answer, the file is kept; or, when the restore chose no
// rule of its own, kept only when it is newer than the set's copy, and the
// files so kept are counted and told at the end.
#include <mutex>

#include "cli/progress_line.h"
#include "core/engine/session_events.h"

namespace brim::cli {

class RestorePrinter final : public RestoreEvent {
public:
    // `live`: a progress line on a terminal; `events`: a line per file where
    // there is no live line.
    RestorePrinter(bool live, bool events, bool keep_newer_unanswered)
        : progress_(live, events), keep_newer_unanswered_(keep_newer_unanswered) {}

    void begin_restore(const bk::String& job_name) override;
    void end_restore() override;
    void restore_dir(const bk::String&) override {}
    void on_file(const bk::String& path, std::uint32_t size) override;
    void on_file(const bk::String& path) override;
    bool replace_file(const DataHeader& item, const bk::String& target) override;
    bool replace_file(const bk::String& source, const bk::String& target) override;
    bool replace_ftp_file(const DataHeader& item, const bk::String& target, std::int64_t remote_time,
                          std::int64_t remote_size) override;
    void verify_file(const bk::String&) override {}
    void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) override;
    void on_warning(const bk::String& text) override;
    void on_error(const bk::String& text) override;
    void on_size(std::uint32_t bytes) override;
    void end_stop() override;

private:
    // `archived_time` and `existing_time`: last-modified times of the set's
    // copy and of the file that is there.
    bool ask(const bk::String& target, std::int64_t archived_time, std::int64_t existing_time);
    bool ask(const bk::String& target, std::int64_t archived_time);
    void tell_kept();
    void line(const std::string& text);

    std::mutex mutex_;
    ProgressLine progress_;
    bool keep_newer_unanswered_;
    bool replace_all_ = false;
    std::uint32_t kept_ = 0;
};

}  // namespace brim::cli
