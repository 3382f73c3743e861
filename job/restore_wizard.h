#pragma once
// The restore wizard: the user picks a backup set (an archive file, or the
// set of a job of the job list), the items to restore, the place and the
// options; at Finish the wizard hands the opened session, the selection,
// the target and the option word to the GUI program, which runs the restore.
//
// Pages, in order: welcome, source (archive file or job), job list, archive
// file, data, target, existing files, dates and folders, short summary (its
// Advanced button leads to the target page) and summary. The source choice
// skips the page of the other source. The short summary can finish at once
// (the original place and the starting options, unless the Advanced pages
// changed them); the summary follows the Advanced pages.
#include <functional>
#include <memory>
#include <vector>

#include <QWizard>

#include "basekit/types.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item.h"
#include "job/restore_choice.h"

namespace brim::archive {
struct RunLayout;
}

namespace job {

// What the GUI program lends the wizard. Each may be empty: then nothing is
// told, no job runs, every path passes and no protected set can be opened.
struct ResWzdFunctions {
    // A job was added to the job list: its row is to be refreshed.
    std::function<void(brim::BackupItem* job)> refresh_job;
    // The archive file the wizard opened (the program may remember it).
    std::function<void(const bk::String& path)> archive_opened;
    // 1 while the job runs.
    std::function<int(brim::BackupItem* job)> is_running;
    // The network share check of a path for a job: 0 refuses (and said why).
    std::function<int(const bk::String& path, brim::BackupItem* job)> check_share;
    // The job of a protected set needs its password: asks it and proves it
    // against the set at `archive` (saying why when it is wrong); false keeps
    // the set closed.
    std::function<bool(brim::BackupItem& job, const bk::String& archive)> prove_password;
};

// What opening a set gave.
enum class ResResult : int { ok = 0, cancelled = 1, failed = 2 };

// The wizard's page ids.
namespace res_page {
enum : int {
    welcome = 1,
    source,
    job_list,
    archive,
    data,
    target,
    existing,
    dates,
    short_summary,
    summary,
};
}  // namespace res_page

// What the GUI program receives at Finish.
struct RestoreHandover {
    std::unique_ptr<brim::BackupSession> session;
    // The job made from an archive file that is no job of the store; null
    // for a store's job. The session reads it: it must outlive the session.
    std::unique_ptr<brim::BackupItem> archive_job;
    std::vector<const brim::DataHeader*> selection;
    bk::String target;  // empty: the original place
    RestoreOption option = 0;
};

class CResWzdDlg final : public QWizard {
    Q_OBJECT
public:
    // Takes the starting option word from the user's "RestoreChoice".
    CResWzdDlg(ResWzdFunctions functions, const QString& caption, QWidget* parent = nullptr);
    ~CResWzdDlg() override;

    // Opens the set of `job` (at `path`, or the job's own set when empty)
    // in a restore session. The job that is open already keeps its session
    // (ok at once). Otherwise the previous session and selection go; a
    // protected set's password is proved first; a missing volume is asked
    // for; cancelled leaves no session; a set that cannot be read is told
    // (with the job's name) and fails, and so does one with nothing to
    // restore; an incomplete catalogue is told and the set opened. The job
    // is not owned and must outlive the session.
    ResResult CreateSession(brim::BackupItem* job, const bk::String& path = {});
    // Opens an archive file: the set becomes the job of the store that
    // writes it, or a job made from it that the wizard keeps. An archive
    // file that is open already keeps its session.
    ResResult OpenArchiveFile(const bk::String& path);
    // Preselects the job, or the archive file, and goes forward as far as
    // it opens: to the data page when it does, else to the page that said
    // why. Before the wizard is shown.
    void StartWith(brim::BackupItem* job, const bk::String& archive_path);

    brim::BackupSession* GetBackupSession() const { return session_.get(); }
    brim::BackupItem* GetBackupItem() const { return job_; }
    const std::vector<const brim::archive::RunLayout*>& GetInfoHdr() const { return runs_; }
    const std::vector<const brim::DataHeader*>& GetHdr() const { return selection_; }
    void SetSelectData(std::vector<const brim::DataHeader*> selection) { selection_ = std::move(selection); }
    void SetResopt(RestoreOption existing) { choice_.SetResopt(existing); }
    RestoreOption GetResopt() const { return choice_.GetResopt(); }
    void SetFileModify(int on) { choice_.SetFileModify(on); }
    int GetFileModify() const { return choice_.GetFileModify(); }
    void SetPreserveDirStructure(int keep, int drive) { choice_.SetPreserveDirStructure(keep, drive); }
    void SetDestination(bk::StringView path) { choice_.SetDestination(path); }
    const bk::String& GetDestination() const { return choice_.GetDestination(); }
    const RestoreChoice& choice() const { return choice_; }
    // The archive file opened (empty for a job's set).
    const bk::String& GetSelArchive() const { return archive_; }
    void SetIsOpenArchive(bool from_archive) { from_archive_ = from_archive; }
    bool IsOpenArchive() const { return from_archive_; }
    const ResWzdFunctions& functions() const { return functions_; }
    // Counts the sets opened, so that the data page shows a new one.
    unsigned SessionSerial() const { return serial_; }

    // Page jumps: the source choice, the job list, the archive file, the
    // data, the first Advanced page. Back to a page shown before, else
    // forward (through the current page's checks).
    void ActiveSelwzd() { show_page(res_page::source); }
    void ActiveJobList() { show_page(res_page::job_list); }
    void ActiveSelectFile() { show_page(res_page::archive); }
    void ActiveRecord() { show_page(res_page::data); }
    void ActiveAdvancedPage() { show_page(res_page::target); }
    void Cancel() { reject(); }

    int nextId() const override;
    // Records a target of another place in the restore history.
    void accept() override;
    // What Finish hands over; the wizard keeps nothing of it.
    RestoreHandover TakeRestore();

private:
    void show_page(int id);
    void drop_session();
    void tell_open_failure(const bk::String& reason, const bk::String& job_name);

    ResWzdFunctions functions_;
    RestoreChoice choice_;
    bk::String archive_;
    bool from_archive_ = true;
    int jump_ = 0;
    unsigned serial_ = 0;
    // Declared before the session, which reads it and goes first.
    std::unique_ptr<brim::BackupItem> archive_job_;
    brim::BackupItem* job_ = nullptr;
    std::unique_ptr<brim::BackupSession> session_;
    std::vector<const brim::archive::RunLayout*> runs_;
    std::vector<const brim::DataHeader*> selection_;
};

}  // namespace job
