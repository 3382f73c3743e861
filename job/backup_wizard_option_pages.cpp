// The backup wizard's advanced pages: kind, save mode, security, option
// bits and schedule, and the summary of the job they make.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "basekit/date.h"
#include "job/backup_kinds.h"
#include "job/backup_wizard_pages.h"
#include "job/combine_rule_dialog.h"
#include "job/extension_filter_editor.h"
#include "job/job_strings.h"
#include "job/security_choice.h"
#include "job/system_option.h"
#include "taskplan/task_planner.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

using namespace brim::job_option;

QString text(std::uint32_t id) { return uictl::to_qstring(job_strings().text(id)); }

void show_error(std::uint32_t id) {
    const bk::String words = job_strings().text(id);
    BrimMessageBox(words.c_str(), u"", mb::ok | mb::icon_error);
}

bool has_rule(brim::BackupKind kind) {
    return kind == brim::BackupKind::increment || kind == brim::BackupKind::increment_copy;
}

QLabel* wrapped_label(const QString& words, QWidget* parent) {
    auto* label = new QLabel(words, parent);
    label->setWordWrap(true);
    return label;
}

bk::String joined(const std::vector<bk::String>& parts) {
    const bk::String separator = job_strings().text(text_id::list_separator);
    bk::String out;
    for (const bk::String& part : parts) out += (out.empty() ? u"" : separator) + part;
    return out;
}

bk::String security_text(std::uint32_t options) {
    QComboBox kinds;
    InitSecurityKinds(kinds);
    return uictl::from_qstring(kinds.itemText(SecurityIndexOf(options)));
}

}  // namespace

std::vector<std::pair<bk::String, bk::String>> SummaryOf(const CBakWzdDlg& wizard, bool whole) {
    const brim::BackupItem& job = *wizard.GetBackupItem();
    const auto& strings = job_strings();
    bk::String kind = BakTypeToString(job.kind);
    if (const bk::String rule = TriggerToString(job.trigger.get(), job.kind); !rule.empty()) kind += u" " + rule;
    std::vector<bk::String> settings{strings.text(job.has_option(keep_set) ? text_id::setting_append
                                                                           : text_id::setting_replace)};
    if (job.has_option(notify)) settings.push_back(strings.text(text_id::setting_notify));
    if (job.has_option(verify)) settings.push_back(strings.text(text_id::setting_verify));
    if (job.has_option(open_file)) settings.push_back(strings.text(text_id::setting_open_files));
    std::vector<std::pair<bk::String, bk::String>> lines{
        {strings.text(text_id::summary_name), job.name},
        {strings.text(text_id::summary_kind), kind},
        {strings.text(text_id::summary_destination), job.destination},
        {strings.text(text_id::summary_created), bk::Date(job.creation_time).to_string(bk::FullDatePattern::Short)},
        {strings.text(text_id::summary_settings), joined(settings)},
    };
    if (!whole) return lines;
    lines.emplace_back(strings.text(text_id::summary_security), security_text(job.options));
    bk::String filter = strings.text(text_id::no_filter);
    if (job.has_option(ignore_ext | aware_ext))
        filter = strings.format(job.has_option(ignore_ext) ? text_id::filter_excludes : text_id::filter_includes,
                                {joined(job.extensions)});
    lines.emplace_back(strings.text(text_id::summary_filter), filter);
    // A job run now keeps no schedule: the task the wizard made goes at
    // the end.
    bk::String next_run = strings.text(text_id::no_next_run);
    if (!wizard.RunsNow()) wizard.GetNextTime(next_run);
    lines.emplace_back(strings.text(text_id::summary_next_run), next_run);
    return lines;
}

KindPage::KindPage(CBakWzdDlg& wizard) : BackupWizardPageBase(wizard, text_id::kind_title, text_id::kind_subtitle) {
    setObjectName("kind_page");
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(text(text_id::kind_label), this);
    kind_ = new QComboBox(this);
    kind_->setObjectName("kind");
    InitBakTypes(*kind_);
    label->setBuddy(kind_);
    rule_ = new QPushButton(text(text_id::combination_button), this);
    rule_->setObjectName("combination");
    rule_->setAutoDefault(false);
    row->addWidget(label);
    row->addWidget(kind_, 1);
    row->addWidget(rule_);
    layout->addLayout(row);
    description_ = wrapped_label(QString(), this);
    description_->setObjectName("description");
    description_->setTextFormat(Qt::PlainText);
    layout->addWidget(description_);
    layout->addStretch();
    connect(kind_, &QComboBox::currentIndexChanged, this, &KindPage::show_kind);
    connect(rule_, &QPushButton::clicked, this, &KindPage::edit_rule);
}

brim::BackupKind KindPage::chosen() const { return static_cast<brim::BackupKind>(kind_->currentData().toInt()); }

void KindPage::initializePage() {
    kind_->setCurrentIndex(GetComboBoxIndex(job().kind));
    show_kind();
}

void KindPage::show_kind() {
    description_->setText(uictl::to_qstring(BakTypeDescription(chosen())));
    rule_->setEnabled(has_rule(chosen()));
}

void KindPage::edit_rule() {
    CCombineRuleDialog dialog(this, chosen(), wizard_.GetTriggerData());
    if (dialog.exec() == QDialog::Accepted) wizard_.SetTriggerData(dialog.rule());
}

bool KindPage::validatePage() {
    wizard_.SetBackupType(chosen());
    return true;
}

SaveModePage::SaveModePage(CBakWzdDlg& wizard)
    : BackupWizardPageBase(wizard, text_id::save_mode_title, text_id::save_mode_subtitle) {
    setObjectName("save_mode_page");
    auto* layout = new QVBoxLayout(this);
    append_ = new QRadioButton(text(text_id::append_choice), this);
    append_->setObjectName("append");
    replace_ = new QRadioButton(text(text_id::replace_choice), this);
    replace_->setObjectName("replace");
    layout->addWidget(append_);
    layout->addWidget(replace_);
    layout->addStretch();
}

void SaveModePage::initializePage() {
    AdvancedAppendOptions options;
    (wizard_.GetBackupOption(options) != 0 ? append_ : replace_)->setChecked(true);
}

bool SaveModePage::validatePage() {
    AdvancedAppendOptions options;
    wizard_.GetBackupOption(options);
    if (append_->isChecked()) wizard_.SetBackupAppend(1, options.append_mode, options.rotation_times);
    else wizard_.SetBackupAppend(0, 0, 0);
    return true;
}

SecurityPage::SecurityPage(CBakWzdDlg& wizard)
    : BackupWizardPageBase(wizard, text_id::security_title, text_id::security_subtitle) {
    setObjectName("security_page");
    auto* grid = new QGridLayout(this);
    kind_ = new QComboBox(this);
    kind_->setObjectName("security");
    InitSecurityKinds(*kind_);
    password_ = new QLineEdit(this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    confirmation_ = new QLineEdit(this);
    confirmation_->setObjectName("confirmation");
    confirmation_->setEchoMode(QLineEdit::Password);
    const std::pair<std::uint32_t, QWidget*> rows[]{
        {text_id::security_label, kind_}, {text_id::password_label, password_}, {text_id::confirm_label, confirmation_}};
    int row = 0;
    for (const auto& [label_id, field] : rows) {
        auto* label = new QLabel(text(label_id), this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    connect(kind_, &QComboBox::currentIndexChanged, this, &SecurityPage::kind_changed);
}

void SecurityPage::initializePage() {
    kind_->setCurrentIndex(SecurityIndexOf(job().options));
    password_->setText(uictl::to_qstring(job().password));
    confirmation_->setText(uictl::to_qstring(job().password));
    kind_changed();
}

void SecurityPage::kind_changed() {
    const bool protect = SecurityBitsAt(kind_->currentIndex()) != 0;
    password_->setEnabled(protect);
    confirmation_->setEnabled(protect);
}

bool SecurityPage::validatePage() {
    const std::uint32_t bits = SecurityBitsAt(kind_->currentIndex());
    if (bits == 0) {
        wizard_.SetPassword(u"", 0);
        return true;
    }
    const bk::String password = uictl::from_qstring(password_->text());
    if (const std::uint32_t fault = CheckPasswordPair(password, uictl::from_qstring(confirmation_->text()))) {
        ShowPasswordFault(fault);
        password_->setFocus();
        password_->selectAll();
        return false;
    }
    wizard_.SetPassword(password, bits);
    return true;
}

FilterPage::FilterPage(CBakWzdDlg& wizard)
    : BackupWizardPageBase(wizard, text_id::filter_title, text_id::filter_subtitle) {
    setObjectName("filter_page");
    auto* layout = new QVBoxLayout(this);
    editor_ = new ExtensionFilterEditor(FilterTexts::for_wizard(), this);
    layout->addWidget(editor_);
}

void FilterPage::initializePage() {
    // A job without a filter yet is offered the extensions the options know.
    const CSystemOption& options = *CSystemOption::GetInstance();
    if (job().extensions.empty()) editor_->LoadSystemExtensions(options);
    else editor_->LoadJob(job(), options);
}

bool FilterPage::validatePage() {
    editor_->StoreJob(job(), *CSystemOption::GetInstance());
    return true;
}

OptionBitsPage::OptionBitsPage(CBakWzdDlg& wizard, std::uint32_t title_id, std::uint32_t subtitle_id,
                               std::initializer_list<Choice> choices)
    : BackupWizardPageBase(wizard, title_id, subtitle_id) {
    auto* layout = new QVBoxLayout(this);
    for (const Choice& choice : choices) {
        auto* box = new QCheckBox(text(choice.text_id), this);
        box->setObjectName(choice.object_name);
        layout->addWidget(box);
        boxes_.emplace_back(box, choice.bit);
    }
    layout->addStretch();
}

void OptionBitsPage::initializePage() {
    for (const auto& [box, bit] : boxes_) box->setChecked(job().has_option(bit));
}

bool OptionBitsPage::validatePage() {
    for (const auto& [box, bit] : boxes_) {
        if (box->isChecked()) job().options |= bit;
        else job().options &= ~bit;
    }
    return true;
}

SchedulePage::SchedulePage(CBakWzdDlg& wizard)
    : BackupWizardPageBase(wizard, text_id::schedule_title, text_id::schedule_subtitle) {
    setObjectName("schedule_page");
    auto* grid = new QGridLayout(this);
    now_ = new QRadioButton(text(text_id::run_now_choice), this);
    now_->setObjectName("now");
    later_ = new QRadioButton(text(text_id::run_later_choice), this);
    later_->setObjectName("later");
    next_run_ = new QLabel(this);
    next_run_->setObjectName("next_run");
    set_schedule_ = new QPushButton(text(text_id::set_schedule), this);
    set_schedule_->setObjectName("set_schedule");
    set_schedule_->setAutoDefault(false);
    grid->addWidget(now_, 0, 0, 1, 3);
    grid->addWidget(later_, 1, 0, 1, 3);
    grid->addWidget(new QLabel(text(text_id::summary_next_run), this), 2, 1);
    grid->addWidget(next_run_, 2, 2);
    grid->addWidget(set_schedule_, 3, 1);
    grid->setColumnMinimumWidth(0, 20);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
    connect(later_, &QRadioButton::clicked, this, &SchedulePage::later_chosen);
    connect(now_, &QRadioButton::clicked, this, &SchedulePage::show_next_run);
    connect(set_schedule_, &QPushButton::clicked, this, &SchedulePage::edit_schedule);
}

void SchedulePage::initializePage() {
    (wizard_.RunsNow() ? now_ : later_)->setChecked(true);
    show_next_run();
}

void SchedulePage::later_chosen() {
    taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(0);
    std::unique_ptr<taskplan::CTask> task;
    if (planner != nullptr && !job().task_name.empty()) task = planner->GetTask(job().task_name);
    if (planner != nullptr && !task) {
        task = planner->CreateNewTask(job().name, 0, job().id);
        if (task) wizard_.SetTaskMadeHere(true);
    }
    if (!task) {
        show_error(text_id::task_not_created);
        now_->setChecked(true);
    } else {
        wizard_.SetTaskName(task->GetTaskName());
    }
    show_next_run();
}

void SchedulePage::edit_schedule() {
    taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(0);
    const std::unique_ptr<taskplan::CTask> task =
        planner != nullptr && !job().task_name.empty() ? planner->GetTask(job().task_name) : nullptr;
    if (!task || task->ShowProperty(job().name) == 0) show_error(text_id::task_not_edited);
    show_next_run();
}

void SchedulePage::show_next_run() {
    const bool later = later_->isChecked();
    set_schedule_->setEnabled(later);
    bk::String next = job_strings().text(text_id::no_next_run);
    if (later) wizard_.GetNextTime(next);
    next_run_->setText(uictl::to_qstring(next));
}

bool SchedulePage::validatePage() {
    wizard_.SetRunsNow(now_->isChecked());
    return true;
}

}  // namespace job
