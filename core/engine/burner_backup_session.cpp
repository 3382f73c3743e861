#include "core/engine/burner_backup_session.h"

#include "core/jobs/log_manager.h"
#include "core/media/burner_binding.h"

namespace brim {

SessionRunResult BurnerBackupSession::run() {
    BurnerRun burner(*this, BurnerBinding::instance());
    {
        std::lock_guard lock(run_mutex_);
        active_run_ = &burner;
    }
    const BurnerRunResult result = burner.run();
    {
        std::lock_guard lock(run_mutex_);
        active_run_ = nullptr;
    }
    switch (result) {
        case BurnerRunResult::done: return SessionRunResult::done;
        case BurnerRunResult::stopped: return SessionRunResult::stopped;
        case BurnerRunResult::failed: break;
    }
    return SessionRunResult::failed;
}

void BurnerBackupSession::stop() {
    BackupSession::stop();
    std::lock_guard lock(run_mutex_);
    if (active_run_ != nullptr) active_run_->stop();
}

bool BurnerBackupSession::scan_sources(std::vector<const DataHeader*>& roots) {
    collection_ = std::make_unique<BackupDataColl>(backup_item(), scan_events());
    if (!collection_->scan(0)) return false;
    for (const auto& directory : collection_->root().directories()) roots.push_back(directory.get());
    for (const auto& file : collection_->root().files()) roots.push_back(file.get());
    return true;
}

void BurnerBackupSession::end_parse(std::uint32_t, std::uint32_t, std::uint64_t) {
    if (collection_) fire_end_parse(*collection_);
}

void BurnerBackupSession::error(const bk::String& text) {
    record(LogType::error, text);
    fire_on_error(text);
}

void BurnerBackupSession::add_completed(std::uint32_t files, std::uint64_t bytes) {
    if (active_report() == nullptr) return;
    active_report()->completed_files += files;
    active_report()->completed_size += bytes;
}

}  // namespace brim
