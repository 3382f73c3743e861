#include "job/restore_wizard.h"

#include <QAbstractButton>

#include "basekit/exception.h"
#include "basekit/path.h"
#include "core/archive/set_layout.h"
#include "core/jobs/backup_item_manager.h"
#include "job/backup_kinds.h"
#include "job/job_strings.h"
#include "job/restore_data_page.h"
#include "job/restore_wizard_pages.h"
#include "job/system_option.h"
#include "job/volume_prompt.h"
#include "job/wizard_buttons.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace job {
namespace {

namespace ro = brim::restore_option;

// The help page of a set that cannot be opened.
constexpr int open_failure_help = 1010;

// The starting option word: the bit that flattens a restore alone means
// nothing to the wizard, which sets it only with the kept structure.
RestoreOption starting_option() {
    RestoreOption option = CSystemOption::GetInstance()->GetRestoreChoice();
    if ((option & ro::keep_structure) == 0) option &= ~ro::flatten;
    return option;
}

bool same_file(const bk::String& a, const bk::String& b) {
    return bk::Path::make_full_path(a) == bk::Path::make_full_path(b);
}

}  // namespace

CResWzdDlg::CResWzdDlg(ResWzdFunctions functions, const QString& caption, QWidget* parent)
    : QWizard(parent), functions_(std::move(functions)), choice_(starting_option()) {
    setObjectName("restoreWizard");
    setWindowTitle(caption.isEmpty() ? uictl::to_qstring(job_strings().text(text_id::restore_caption)) : caption);
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    SetWizardButtonTexts(*this);
    const bool has_jobs = [] {
        for (const brim::BackupItem* job : brim::BackupItemManager::instance()->items())
            if (job->kind != brim::BackupKind::directory_copy && job->kind != brim::BackupKind::burner) return true;
        return false;
    }();
    setPage(res_page::welcome, new ResWelcomePage);
    setPage(res_page::source, new ResSourcePage(*this, has_jobs));
    setPage(res_page::job_list, new ResJobListPage(*this));
    setPage(res_page::archive, new ResArchivePage(*this));
    setPage(res_page::data, new ResDataPage(*this));
    setPage(res_page::target, new ResTargetPage(*this));
    setPage(res_page::existing, new ResExistingPage(*this));
    setPage(res_page::dates, new ResDatesPage(*this));
    setPage(res_page::short_summary, new ResSummaryPage(*this, true));
    setPage(res_page::summary, new ResSummaryPage(*this, false));
    setStartId(res_page::welcome);
    setMinimumSize(640, 480);
}

CResWzdDlg::~CResWzdDlg() { drop_session(); }

void CResWzdDlg::drop_session() {
    selection_.clear();
    runs_.clear();
    session_.reset();
    job_ = nullptr;
}

void CResWzdDlg::tell_open_failure(const bk::String& reason, const bk::String& job_name) {
    const auto& strings = job_strings();
    const bk::String text =
        strings.format(text_id::message_with_job, {reason + strings.text(text_id::cannot_open_suffix), job_name});
    BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error | mb::help, nullptr, open_failure_help);
}

ResResult CResWzdDlg::CreateSession(brim::BackupItem* job, const bk::String& path) {
    if (job != nullptr && job == job_ && session_) return ResResult::ok;
    drop_session();
    auto session = brim::BackupSession::create_session(job, brim::SessionDirection::restore);
    if (!session) return ResResult::failed;
    if (job->need_password(false)) {
        const bk::String archive = path.empty() ? job->archive_file() : path;
        if (!functions_.prove_password || !functions_.prove_password(*job, archive)) return ResResult::cancelled;
    }
    VolumePrompt volumes(this);
    std::vector<const brim::archive::RunLayout*> runs;
    brim::OpenArchiveResult opened;
    try {
        opened = session->open(runs, &volumes, path);
    } catch (const bk::Exception& failure) {
        tell_open_failure(failure.message(), job->name);
        return ResResult::failed;
    }
    if (opened == brim::OpenArchiveResult::cancelled) return ResResult::cancelled;
    if (opened == brim::OpenArchiveResult::partly_read) {
        const bk::String text = job_strings().text(text_id::incomplete_catalogue);
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_warning);
    }
    if (RestoreIsEmpty(runs) == 1) return ResResult::failed;
    session_ = std::move(session);
    runs_ = std::move(runs);
    job_ = job;
    ++serial_;
    return ResResult::ok;
}

ResResult CResWzdDlg::OpenArchiveFile(const bk::String& path) {
    if (session_ && from_archive_ && same_file(path, archive_)) return ResResult::ok;
    std::unique_ptr<brim::BackupItem> made;
    try {
        made = brim::BackupSession::open(path);
    } catch (const bk::Exception& failure) {
        const bk::String text = job_strings().format(text_id::cannot_open_archive, {failure.message(), path});
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error | mb::help, nullptr, open_failure_help);
        return ResResult::failed;
    }
    // The store's job that writes this set opens it with its own password.
    brim::BackupItem* job = made.get();
    for (brim::BackupItem* stored : brim::BackupItemManager::instance()->items()) {
        if (stored->name == made->name && same_file(stored->archive_file(), made->archive_file())) {
            job = stored;
            made.reset();
            break;
        }
    }
    drop_session();
    archive_job_ = std::move(made);
    from_archive_ = true;
    archive_.clear();
    const ResResult result = CreateSession(job, path);
    if (result != ResResult::ok) {
        archive_job_.reset();
        return result;
    }
    archive_ = path;
    if (functions_.archive_opened) functions_.archive_opened(path);
    return result;
}

void CResWzdDlg::StartWith(brim::BackupItem* job, const bk::String& archive_path) {
    restart();
    if (job == nullptr && archive_path.empty()) return;
    from_archive_ = job == nullptr;
    next();  // to the source page, which takes the choice
    next();
    if (job != nullptr) static_cast<ResJobListPage*>(page(res_page::job_list))->Select(job);
    else static_cast<ResArchivePage*>(page(res_page::archive))->SetPath(archive_path);
    next();
}

int CResWzdDlg::nextId() const {
    if (jump_ != 0) return jump_;
    switch (currentId()) {
        case res_page::welcome: return res_page::source;
        case res_page::source: {
            const auto* from_job = page(res_page::source)->findChild<QAbstractButton*>("fromJob");
            return from_job->isChecked() ? res_page::job_list : res_page::archive;
        }
        case res_page::job_list:
        case res_page::archive: return res_page::data;
        case res_page::data: return res_page::short_summary;
        case res_page::target: return res_page::existing;
        case res_page::existing: return res_page::dates;
        case res_page::dates: return res_page::summary;
        default: return -1;
    }
}

void CResWzdDlg::show_page(int id) {
    if (currentId() == id) return;
    if (visitedIds().contains(id)) {
        while (currentId() != id) back();
        return;
    }
    jump_ = id;
    next();
    jump_ = 0;
}

void CResWzdDlg::accept() {
    if (!GetDestination().empty()) CSystemOption::GetInstance()->AddNewDest(GetDestination(), restore_destinations);
    QWizard::accept();
}

RestoreHandover CResWzdDlg::TakeRestore() {
    RestoreHandover handover;
    handover.selection = std::move(selection_);
    handover.target = GetDestination();
    handover.option = GetResopt();
    handover.session = std::move(session_);
    // The job goes with the session that reads it.
    if (archive_job_.get() == job_) handover.archive_job = std::move(archive_job_);
    archive_job_.reset();
    drop_session();
    return handover;
}

}  // namespace job
