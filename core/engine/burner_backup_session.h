#pragma once
// The burner kind: the job's sources go to a recordable disc, or an ISO
// image file, through the disc-burning module.
#include <memory>
#include <mutex>

#include "core/engine/backup_data_coll.h"
#include "core/engine/backup_session.h"
#include "core/media/burner_run.h"
#include "core/media/burner_session.h"

namespace brim {

class BurnerBackupSession final : public BackupSession, private BurnerSession {
public:
    BurnerBackupSession(BackupItem* job, SessionDirection direction) : BackupSession(job, direction) {}

    // Asks the burn to stop first (abort, or stop verifying), then the run.
    void stop() override;

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return ReportType::burner; }

private:
    // BurnerSession
    const BackupItem& job() const override { return backup_item(); }
    bool has_stopped() const override { return BackupSession::has_stopped(); }
    bool scan_sources(std::vector<const DataHeader*>& roots) override;
    void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) override;
    void on_message(const bk::String& text) override { fire_on_message(text); }
    void warning(const bk::String& text) override { BackupSession::warning(text); }
    void error(const bk::String& text) override;
    using BackupSession::on_file;
    void on_file(const bk::String& path) override { fire_on_file(path, 0); }
    void on_size(std::uint32_t bytes) override { fire_on_size(bytes); }
    void verify_file(const bk::String& path) override { fire_verify_file(path); }
    void add_completed(std::uint32_t files, std::uint64_t bytes) override;

    std::unique_ptr<BackupDataColl> collection_;
    std::mutex run_mutex_;
    BurnerRun* active_run_ = nullptr;
};

}  // namespace brim
