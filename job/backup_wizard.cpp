#include "job/backup_wizard.h"

#include <QAbstractButton>

#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/jobs/backup_item_manager.h"
#include "job/backup_kinds.h"
#include "job/backup_wizard_pages.h"
#include "job/job_strings.h"
#include "job/new_job_rules.h"
#include "job/wizard_buttons.h"
#include "job/system_option.h"
#include "taskplan/task_planner.h"
#include "uictl/qt_text.h"

namespace job {

using brim::job_option::keep_set;

CBakWzdDlg::CBakWzdDlg(bk::StringView caption, QWidget* parent, int first_page)
    : QWizard(parent), first_page_(first_page) {
    setObjectName("backup_wizard");
    setWindowTitle(uictl::to_qstring(caption));
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    // Fits a 1024x768 screen with room for the panel and the frame.
    setMinimumSize(640, 480);
    resize(760, 560);
    SetWizardButtonTexts(*this);
    connect(this, &QWizard::currentIdChanged, this, [this] { jump_target_ = -1; });
}

CBakWzdDlg::CBakWzdDlg(std::uint32_t caption_id, QWidget* parent, int first_page)
    : CBakWzdDlg(job_strings().text(caption_id), parent, first_page) {}

CBakWzdDlg::~CBakWzdDlg() {
    // A wizard closed without Finish leaves no job behind.
    if (job_ != nullptr && !finished_) OnCancel();
}

bool CBakWzdDlg::Init() {
    try {
        store_ = brim::BackupItemManager::instance();
        job_ = store_ != nullptr ? store_->create_item() : nullptr;
    } catch (const bk::Exception&) {
        job_ = nullptr;
    }
    if (job_ == nullptr) return false;
    const CSystemOption& options = *CSystemOption::GetInstance();
    job_->options |= static_cast<std::uint32_t>(options.GetBackupOption());
    job_->kind = static_cast<brim::BackupKind>(options.GetBackupKind());
    job_->creation_time = bk::Date::now_time();
    job_->task_name.clear();

    setPage(welcome_page, new WelcomePage(*this));
    setPage(sources_page, new SourcesPage(*this));
    setPage(name_page, new NamePage(*this));
    setPage(short_summary_page, new SummaryPage(*this, false));
    setPage(kind_page, new KindPage(*this));
    setPage(save_mode_page, new SaveModePage(*this));
    setPage(security_page, new SecurityPage(*this));
    setPage(filter_page, new FilterPage(*this));
    setPage(options_page, new OptionBitsPage(*this, text_id::options_title, text_id::options_subtitle,
                                             {{text_id::notify_choice, brim::job_option::notify, "notify"},
                                              {text_id::verify_choice, brim::job_option::verify, "verify"}}));
    setPage(open_files_page,
            new OptionBitsPage(*this, text_id::open_files_title, text_id::open_files_subtitle,
                               {{text_id::open_files_choice, brim::job_option::open_file, "open_files"}}));
    setPage(schedule_page, new SchedulePage(*this));
    setPage(summary_page, new SummaryPage(*this, true));
    setStartId(first_page_);
    return true;
}

void CBakWzdDlg::SetJobName(bk::StringView name) { job_->name = bk::String(name); }
bk::String CBakWzdDlg::GetJobName() const { return job_->name; }
void CBakWzdDlg::SetDestination(bk::StringView destination) { job_->destination = bk::String(destination); }
bk::String CBakWzdDlg::GetDestination() const { return job_->destination; }
void CBakWzdDlg::SetBackupType(brim::BackupKind kind) { job_->kind = kind; }
brim::BackupKind CBakWzdDlg::GetBackupType() const { return job_->kind; }
std::int64_t CBakWzdDlg::GetCreateTime() const { return job_->creation_time; }

void CBakWzdDlg::SetBackupAppend(int append, int append_mode, std::uint32_t rotation_times) {
    if (append != 0) job_->options |= keep_set;
    else job_->options &= ~keep_set;
    job_->append_mode = append_mode;
    job_->rotation_times = rotation_times;
}

int CBakWzdDlg::GetBackupOption(AdvancedAppendOptions& options) const {
    options.append = job_->has_option(keep_set) ? 1 : 0;
    options.append_mode = job_->append_mode;
    options.rotation_times = job_->rotation_times;
    return options.append;
}

void CBakWzdDlg::SetFilter(int use, int exclude, const std::vector<bk::String>& extensions) {
    job_->options &= ~(brim::job_option::ignore_ext | brim::job_option::aware_ext);
    if (use != 0) job_->options |= exclude != 0 ? brim::job_option::ignore_ext : brim::job_option::aware_ext;
    job_->extensions = extensions;
}

int CBakWzdDlg::GetFilter(int& exclude, std::vector<bk::String>& extensions) const {
    exclude = job_->has_option(brim::job_option::ignore_ext) ? 1 : 0;
    extensions = job_->extensions;
    return job_->has_option(brim::job_option::ignore_ext | brim::job_option::aware_ext) ? 1 : 0;
}

void CBakWzdDlg::SetNotifyAndVerify(int notify, int verify) {
    job_->options &= ~(brim::job_option::notify | brim::job_option::verify);
    if (notify != 0) job_->options |= brim::job_option::notify;
    if (verify != 0) job_->options |= brim::job_option::verify;
}

void CBakWzdDlg::SetTaskName(bk::StringView name) { job_->task_name = bk::String(name); }
std::uint32_t CBakWzdDlg::GetJobID() const { return job_->id; }
bool CBakWzdDlg::IsCopyBackup() const { return IsCopyKind(job_->kind); }
const brim::TriggerData* CBakWzdDlg::GetTriggerData() const { return job_->trigger.get(); }
void CBakWzdDlg::SetTriggerData(std::unique_ptr<brim::TriggerData> rule) { job_->trigger = std::move(rule); }
void CBakWzdDlg::SetPassword(bk::StringView password, std::uint32_t bits) { SetJobSecurity(*job_, password, bits); }
std::int64_t CBakWzdDlg::GetNextTime(bk::String& text) const { return GetTriggerTime(job_, text); }

std::vector<brim::SourceData>& CBakWzdDlg::GetSelectedData() {
    job_->sources.clear();
    return job_->sources;
}

void CBakWzdDlg::ActiveBackupTypePage() { jump_to(kind_page); }
void CBakWzdDlg::ActiveAppendPage() { jump_to(save_mode_page); }
void CBakWzdDlg::ActiveFilter() { jump_to(filter_page); }

void CBakWzdDlg::jump_to(int page) {
    if (visitedIds().contains(page)) {
        while (currentId() != page && currentId() != startId()) back();
        return;
    }
    jump_target_ = page;
    next();
    jump_target_ = -1;
}

int CBakWzdDlg::NextPageOf(int page) const {
    switch (page) {
        case welcome_page: return sources_page;
        case sources_page: return name_page;
        case name_page: return short_summary_page;
        // The short summary finishes with the defaults; only its Advanced
        // button goes on.
        case short_summary_page: return jump_target_;
        case kind_page: return save_mode_page;
        // A merge copy keeps no security: its page is not shown.
        case save_mode_page: return job_->kind == brim::BackupKind::merge_copy ? filter_page : security_page;
        case security_page: return filter_page;
        case filter_page: return options_page;
        case options_page: return open_files_page;
        case open_files_page: return schedule_page;
        case schedule_page: return summary_page;
        default: return -1;
    }
}

void CBakWzdDlg::OnFinish() {
    if (job_ == nullptr) return;
    FinishNewJob(*job_);
    if (runs_now_ && task_made_here_ && !job_->task_name.empty()) {
        if (taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(1))
            planner->DeleteTask(job_->task_name);
        job_->task_name.clear();
    }
    CSystemOption::GetInstance()->AddNewDest(DestinationAsWritten(*job_), backup_destinations);
    finished_ = true;
}

void CBakWzdDlg::OnCancel() {
    DiscardNewJob(*store_, job_);
    job_ = nullptr;
}

void CBakWzdDlg::accept() {
    OnFinish();
    QWizard::accept();
}

void CBakWzdDlg::reject() {
    if (job_ != nullptr) OnCancel();
    QWizard::reject();
}

brim::BackupItem* RunBackupWizard(QWidget* parent, bool* run_now) {
    CBakWzdDlg wizard(text_id::wizard_caption, parent);
    if (!wizard.Init()) return nullptr;
    if (wizard.exec() != QDialog::Accepted) return nullptr;
    if (run_now != nullptr) *run_now = wizard.RunsNow();
    return wizard.GetBackupItem();
}

}  // namespace job
