#pragma once
// The listener of one run: called on the run's worker, it carries each
// event to the GUI thread, where the row of the run's job reacts to it.
// The questions about existing files are answered at once for an
// unattended run (keep the file) and after "apply to all" (replace it);
// otherwise the worker waits while the GUI thread asks the user.
#include <atomic>

#include "app/runner/file_replace_dialog.h"
#include "app/runner/watcher_row.h"
#include "core/engine/session_events.h"

namespace app {

class RunnerController;

class RunSink final : public brim::BackupEvent, public brim::RestoreEvent {
public:
    RunSink(RunnerController& controller, std::uint64_t serial, bool unattended);

    // BaseEvent
    void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) override;
    void on_warning(const bk::String& text) override;
    void on_error(const bk::String& text) override;
    void on_size(std::uint32_t bytes) override;
    void end_stop() override;
    // Both listeners
    void on_file(const bk::String& path, std::uint32_t size) override;
    void on_file(const bk::String& path) override;
    void verify_file(const bk::String& path) override;
    // BackupEvent
    void begin_backup(const bk::String& job_name) override;
    void begin_parse() override;
    void delete_old_data(const bk::String& path) override;
    void parse_source(const bk::String& path) override;
    void end_backup() override;
    void backup_dir(const bk::String& path) override;
    void on_message(const bk::String& text) override;
    bool replace_dir_file(const bk::String& source, const bk::String& target) override;
    bool ftp_replace_file(const brim::DataHeader& item, const bk::String& target) override;
    // RestoreEvent
    void begin_restore(const bk::String& job_name) override;
    void end_restore() override;
    void restore_dir(const bk::String& path) override;
    bool replace_file(const brim::DataHeader& item, const bk::String& target) override;
    bool replace_file(const bk::String& source, const bk::String& target) override;
    bool replace_ftp_file(const brim::DataHeader& item, const bk::String& target, std::int64_t remote_time,
                          std::int64_t remote_size) override;

    // The facts a question shows of an item of a set.
    static FileFacts item_facts(const brim::DataHeader& item);

private:
    // Calls `call(controller, serial)` on the GUI thread, later.
    template <typename Call>
    void send(Call call);
    // Applies `reaction` to the job's row on the GUI thread, later.
    template <typename Reaction>
    void post(Reaction reaction);
    bool ask(const ReplaceQuestion& question);

    RunnerController& controller_;
    std::uint64_t serial_;
    bool unattended_;
    std::atomic<bool> apply_to_all_{false};
};

}  // namespace app
