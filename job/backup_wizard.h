#pragma once
// The wizard in which the user makes a backup job: the job is made in the
// job store at once, filled page by page, and handed to the caller at the
// end; cancelling takes it out of the store again, with the scheduler task
// the wizard made for it.
#include <cstdint>
#include <memory>
#include <vector>

#include <QWizard>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace brim {
class BackupItemManager;
}

namespace job {

// The pages in their order; the ids are the wizard's page ids.
enum BackupWizardPage : int {
    welcome_page = 0,
    sources_page,
    name_page,
    short_summary_page,
    kind_page,
    save_mode_page,
    security_page,
    filter_page,
    options_page,
    open_files_page,
    schedule_page,
    summary_page,
};

// The job's append options: bit 0x10 (1 append, 0 replace), the append mode
// (1: a new archive each run) and how many archives that mode keeps.
struct AdvancedAppendOptions {
    int append = 0;
    int append_mode = 0;
    std::uint32_t rotation_times = 0;
};

class CBakWzdDlg final : public QWizard {
    Q_OBJECT
public:
    // `caption` as text, or as an entry of the job library's table; the
    // wizard starts on `first_page`.
    CBakWzdDlg(bk::StringView caption, QWidget* parent = nullptr, int first_page = welcome_page);
    CBakWzdDlg(std::uint32_t caption_id, QWidget* parent = nullptr, int first_page = welcome_page);
    ~CBakWzdDlg() override;

    // Adds the pages and makes the job in the job store, with the default
    // kind and flags of the user's options. False when the store or the
    // job cannot be had. Call once, before showing the wizard.
    bool Init();

    // The job; the store owns it (null before Init and after a cancel).
    brim::BackupItem* GetBackupItem() const { return job_; }
    brim::BackupItemManager* GetStore() const { return store_; }

    void SetJobName(bk::StringView name);
    bk::String GetJobName() const;
    void SetDestination(bk::StringView destination);
    bk::String GetDestination() const;
    void SetBackupType(brim::BackupKind kind);
    brim::BackupKind GetBackupType() const;
    std::int64_t GetCreateTime() const;
    void SetBackupAppend(int append, int append_mode, std::uint32_t rotation_times);
    // Bit 0x10 of the job (1 when set) and its append options.
    int GetBackupOption(AdvancedAppendOptions& options) const;
    // use: 0 no filter; exclude: 1 leave out the listed extensions, 0 take
    // only them.
    void SetFilter(int use, int exclude, const std::vector<bk::String>& extensions);
    int GetFilter(int& exclude, std::vector<bk::String>& extensions) const;
    void SetNotifyAndVerify(int notify, int verify);
    void SetTaskName(bk::StringView name);
    std::uint32_t GetJobID() const;
    bool IsCopyBackup() const;
    const brim::TriggerData* GetTriggerData() const;
    // Replaces (and deletes) the job's combination rule; null removes it.
    void SetTriggerData(std::unique_ptr<brim::TriggerData> rule);
    // The job's security bits (cipher and password, 0 for none) and password.
    void SetPassword(bk::StringView password, std::uint32_t bits);
    // The job's next scheduled run (0 without one) and its text.
    std::int64_t GetNextTime(bk::String& text) const;
    // Empties the job's source list and returns it, for the sources page to
    // fill.
    std::vector<brim::SourceData>& GetSelectedData();

    // Page jumps.
    void ActiveBackupTypePage();
    void ActiveAppendPage();
    void ActiveFilter();

    // Whether the schedule page made the job's scheduler task (rather than
    // finding one); such a task is deleted again when the wizard finishes
    // with "now" chosen.
    void SetTaskMadeHere(bool made) { task_made_here_ = made; }
    bool RunsNow() const { return runs_now_; }
    void SetRunsNow(bool now) { runs_now_ = now; }

    // Finish: the job's last fixes; the wizard closes with the job kept.
    void OnFinish();
    // Cancel: the job and its scheduler task go; the wizard closes.
    void OnCancel();

    void accept() override;
    void reject() override;

    // The page the user reaches from `page` with Next; -1 for the last.
    int NextPageOf(int page) const;

private:
    void jump_to(int page);

    brim::BackupItemManager* store_ = nullptr;
    brim::BackupItem* job_ = nullptr;
    int first_page_;
    int jump_target_ = -1;  // a page jump in progress
    bool task_made_here_ = false;
    bool runs_now_ = true;
    bool finished_ = false;
};

// Runs the wizard modally over `parent`: the finished job (in the job
// store, not yet saved) or null when the user cancelled or the job could
// not be made. `run_now` (may be null) tells whether the user chose to run
// the job now rather than by its schedule.
brim::BackupItem* RunBackupWizard(QWidget* parent, bool* run_now = nullptr);

}  // namespace job
