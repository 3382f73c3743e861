#include "job/backup_option_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/jobs/job_options.h"
#include "job/backup_kinds.h"
#include "job/combine_rule_dialog.h"
#include "job/dialog_buttons.h"
#include "job/job_strings.h"
#include "job/security_choice.h"
#include "job/system_option.h"
#include "uictl/help_files.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

namespace opt = brim::job_option;
using uictl::from_qstring;
using uictl::to_qstring;

QCheckBox* check_box(std::uint32_t id, const char* name, bool checked) {
    auto* box = new QCheckBox(job_text(id));
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QLineEdit* password_field(const char* name) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(static_cast<int>(max_password_length) + 1);  // one more, so that 33 is told, not cut
    return field;
}

// A link that opens the help of the general page.
QLabel* help_link(std::uint32_t id, const char* name) {
    auto* link = new QLabel(QStringLiteral("<a href=\"help\">%1</a>").arg(job_text(id).toHtmlEscaped()));
    link->setObjectName(name);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QObject::connect(link, &QLabel::linkActivated, [] { uictl::open_help(option_help::general); });
    return link;
}

}  // namespace

QString OptionSheetTitle(const brim::BackupItem& job, bool new_job) {
    if (new_job) return job_text(text_id::new_job_options_title);
    return to_qstring(job_strings().format(text_id::job_options_title, {job.name}));
}

CBackupOptionSheet::CBackupOptionSheet(brim::BackupItem& job, bool new_job, QWidget* parent)
    : QDialog(parent), form_(job, new_job, CSystemOption::GetInstance()->GetFileExts()) {
    setObjectName("backupOptionSheet");
    setWindowTitle(OptionSheetTitle(job, new_job));
    pages_ = new QTabWidget;
    pages_->setObjectName("pages");
    pages_->addTab(make_general_page(), job_text(text_id::sheet_general_page));
    pages_->addTab(make_advanced_page(), job_text(text_id::sheet_advanced_page));
    pages_->addTab(make_read_write_page(), job_text(text_id::sheet_read_write_page));
    connect(pages_, &QTabWidget::currentChanged, this, &CBackupOptionSheet::page_shown);

    auto* buttons = MakeDialogButtons(*this, true);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &CBackupOptionSheet::show_help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    show_kind();
    security_changed();
    resize(560, sizeHint().height());
}

QWidget* CBackupOptionSheet::make_general_page() {
    auto* page = new QWidget;
    page->setObjectName("generalPage");
    kind_ = new QComboBox;
    kind_->setObjectName("kind");
    InitBakTypes(*kind_);
    kind_->setCurrentIndex(GetComboBoxIndex(form_.general.kind));
    connect(kind_, &QComboBox::activated, this, &CBackupOptionSheet::kind_activated);
    auto* kind_label = new QLabel(job_text(text_id::sheet_kind_label));
    kind_label->setBuddy(kind_);
    rule_button_ = new QPushButton(job_text(text_id::sheet_combine_rule));
    rule_button_->setObjectName("combineRule");
    connect(rule_button_, &QPushButton::clicked, this, &CBackupOptionSheet::edit_rule);
    auto* kind_row = new QHBoxLayout;
    kind_row->addWidget(kind_label);
    kind_row->addWidget(kind_, 1);
    kind_row->addWidget(rule_button_);
    kind_description_ = new QLabel;
    kind_description_->setObjectName("kindDescription");
    kind_description_->setWordWrap(true);
    kind_description_->setMinimumHeight(kind_description_->fontMetrics().lineSpacing() * 3);
    kind_description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    rule_text_ = new QLabel;
    rule_text_->setObjectName("ruleText");
    rule_text_->setWordWrap(true);

    auto* save_group = new QGroupBox(job_text(text_id::sheet_existing_set_group));
    append_ = new QRadioButton(job_text(text_id::sheet_append));
    append_->setObjectName("append");
    replace_ = new QRadioButton(job_text(text_id::sheet_replace));
    replace_->setObjectName("replace");
    (form_.general.append ? append_ : replace_)->setChecked(true);
    auto* save_layout = new QVBoxLayout(save_group);
    save_layout->addWidget(append_);
    save_layout->addWidget(replace_);

    auto* misc_group = new QGroupBox(job_text(text_id::sheet_misc_group));
    verify_ = check_box(text_id::sheet_verify, "verify", form_.general.verify);
    notify_ = check_box(text_id::sheet_notify, "notify", form_.general.notify);
    auto* misc_layout = new QVBoxLayout(misc_group);
    misc_layout->addWidget(verify_);
    misc_layout->addWidget(notify_);

    auto* links = new QHBoxLayout;
    links->addWidget(help_link(text_id::sheet_about_kinds, "aboutKinds"));
    links->addStretch(1);
    links->addWidget(help_link(text_id::sheet_merge_vs_increment, "mergeVersusIncrement"));

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(kind_row);
    layout->addWidget(kind_description_);
    layout->addWidget(rule_text_);
    layout->addWidget(save_group);
    layout->addWidget(misc_group);
    layout->addStretch(1);
    layout->addLayout(links);
    return page;
}

QWidget* CBackupOptionSheet::make_advanced_page() {
    auto* page = new QWidget;
    page->setObjectName("advancedPage");
    auto* security_group = new QGroupBox(job_text(text_id::sheet_security_group));
    security_ = new QComboBox;
    security_->setObjectName("security");
    InitSecurityKinds(*security_);
    security_->setCurrentIndex(form_.security.index);
    connect(security_, &QComboBox::currentIndexChanged, this, &CBackupOptionSheet::security_changed);
    password_ = password_field("password");
    confirmation_ = password_field("confirmation");
    password_->setText(to_qstring(form_.security.password));
    confirmation_->setText(to_qstring(form_.security.confirmation));
    auto* form = new QFormLayout(security_group);
    form->addRow(job_text(text_id::sheet_security_label), security_);
    form->addRow(job_text(text_id::sheet_password_label), password_);
    form->addRow(job_text(text_id::sheet_confirm_label), confirmation_);

    filter_ = new ExtensionFilterEditor(FilterTexts::for_sheet());
    filter_->SetFilter(form_.filter);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(security_group);
    layout->addWidget(filter_, 1);
    return page;
}

QWidget* CBackupOptionSheet::make_read_write_page() {
    auto* page = new QWidget;
    page->setObjectName("readWritePage");
    auto* group = new QGroupBox(job_text(text_id::sheet_open_files_group));
    open_file_ = check_box(text_id::sheet_open_file_retry, "openFile", form_.open_file);
    auto* group_layout = new QVBoxLayout(group);
    group_layout->addWidget(open_file_);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

void CBackupOptionSheet::kind_activated(int index) {
    form_.choose_kind(static_cast<BackupKind>(kind_->itemData(index).toInt()));
    show_kind();
}

void CBackupOptionSheet::show_kind() {
    const BackupKind kind = form_.chosen_kind();
    kind_description_->setText(to_qstring(BakTypeDescription(kind)));
    rule_button_->setEnabled(form_.rule_allowed());
    rule_text_->setText(form_.rule_allowed() ? to_qstring(TriggerToString(form_.current_rule(), kind)) : QString());
    rule_text_->setVisible(!rule_text_->text().isEmpty());
    const bool merge = kind == BackupKind::merge_copy;
    append_->setEnabled(!merge);
    if (merge) replace_->setChecked(true);
    EnableSecurity(form_.security_allowed() ? 1 : 0);
}

void CBackupOptionSheet::edit_rule() {
    CCombineRuleDialog dialog(this, form_.chosen_kind(), form_.current_rule());
    if (dialog.exec() != QDialog::Accepted) return;
    form_.general.rule = dialog.rule();
    form_.general.rule_edited = true;
    show_kind();
}

void CBackupOptionSheet::EnableSecurity(int enable) {
    if (enable == 0) {
        security_->setCurrentIndex(security_none_index);
        password_->clear();
        confirmation_->clear();
    } else if (!security_->isEnabled()) {
        // Back from a copy kind: the job's own security shows again.
        const brim::BackupItem& job = form_.job();
        const bool secured = (job.options & brim::job_option::security_mask) != 0;
        security_->setCurrentIndex(SecurityIndexOf(job.options));
        password_->setText(secured ? to_qstring(GetPassword()) : QString());
        confirmation_->setText(password_->text());
    }
    security_->setEnabled(enable != 0);
    security_changed();
}

void CBackupOptionSheet::security_changed() {
    const bool typed = security_->isEnabled() && security_->currentIndex() != security_none_index;
    password_->setEnabled(typed);
    confirmation_->setEnabled(typed);
}

void CBackupOptionSheet::page_shown(int index) {
    if (index == advanced_page) form_.advanced_shown = true;
    if (index == read_write_page) form_.read_write_shown = true;
}

void CBackupOptionSheet::read_pages() {
    form_.general.append = append_->isChecked();
    form_.general.verify = verify_->isChecked();
    form_.general.notify = notify_->isChecked();
    if (form_.advanced_shown) {
        form_.security.index = security_->currentIndex();
        form_.security.password = from_qstring(password_->text());
        form_.security.confirmation = from_qstring(confirmation_->text());
        form_.filter = filter_->Filter();
    }
    if (form_.read_write_shown) form_.open_file = open_file_->isChecked();
}

int CBackupOptionSheet::FinishedSet() {
    read_pages();
    const int done = form_.FinishedSet(*CSystemOption::GetInstance());
    switch (form_.failed_field()) {
        case OptionField::none:
            break;
        case OptionField::kind:
            pages_->setCurrentIndex(general_page);
            kind_->setFocus();
            break;
        case OptionField::password:
            pages_->setCurrentIndex(advanced_page);
            if (form_.security.password.empty()) {  // wiped after a failed password operation
                password_->clear();
                confirmation_->clear();
            }
            password_->setFocus();
            password_->selectAll();
            break;
    }
    return done;
}

void CBackupOptionSheet::accept() {
    if (FinishedSet() != 0) QDialog::accept();
}

void CBackupOptionSheet::show_help() {
    static constexpr int contexts[] = {option_help::general, option_help::advanced, option_help::read_write};
    uictl::open_help(contexts[pages_->currentIndex()]);
}

BurnerValues BurnerValues::of_job(const brim::BackupItem& job) {
    BurnerValues values;
    values.drive = job.destination;
    values.close_disc = job.has_option(opt::burn_close_disc);
    values.eject = job.has_option(opt::burn_eject);
    values.underrun = job.has_option(opt::burn_underrun);
    values.verify = job.has_option(opt::verify);
    values.notify = job.has_option(opt::notify);
    return values;
}

void BurnerValues::store_in(brim::BackupItem& job) const {
    const QString trimmed = to_qstring(drive).trimmed();
    if (!trimmed.isEmpty()) job.destination = from_qstring(trimmed);
    const auto set = [&job](std::uint32_t bit, bool on) { job.options = on ? job.options | bit : job.options & ~bit; };
    set(opt::burn_close_disc, close_disc);
    set(opt::burn_eject, eject);
    set(opt::burn_underrun, underrun);
    set(opt::verify, verify);
    set(opt::notify, notify);
}

CBurnerOptionSheet::CBurnerOptionSheet(brim::BackupItem& job, bool new_job, QWidget* parent)
    : QDialog(parent), job_(job) {
    setObjectName("burnerOptionSheet");
    setWindowTitle(OptionSheetTitle(job, new_job));
    const BurnerValues values = BurnerValues::of_job(job);

    auto* burner = new QWidget;
    burner->setObjectName("burnerPage");
    drive_ = new QLineEdit(to_qstring(values.drive));
    drive_->setObjectName("drive");
    auto* drive_label = new QLabel(job_text(text_id::burner_drive_label));
    drive_label->setBuddy(drive_);
    auto* hint = new QLabel(job_text(text_id::burner_drive_hint));
    hint->setWordWrap(true);
    auto* drive_row = new QHBoxLayout;
    drive_row->addWidget(drive_label);
    drive_row->addWidget(drive_, 1);
    close_disc_ = check_box(text_id::burner_close_disc, "closeDisc", values.close_disc);
    eject_ = check_box(text_id::burner_eject, "eject", values.eject);
    underrun_ = check_box(text_id::burner_underrun, "underrun", values.underrun);
    verify_ = check_box(text_id::sheet_verify, "verify", values.verify);
    notify_ = check_box(text_id::sheet_notify, "notify", values.notify);
    auto* burner_layout = new QVBoxLayout(burner);
    burner_layout->addLayout(drive_row);
    burner_layout->addWidget(hint);
    for (QCheckBox* box : {close_disc_, eject_, underrun_, verify_, notify_}) burner_layout->addWidget(box);
    burner_layout->addStretch(1);

    auto* filter_page = new QWidget;
    filter_page->setObjectName("filterPage");
    filter_ = new ExtensionFilterEditor(FilterTexts::for_sheet());
    filter_->LoadJob(job, *CSystemOption::GetInstance());
    auto* filter_layout = new QVBoxLayout(filter_page);
    filter_layout->addWidget(filter_);

    pages_ = new QTabWidget;
    pages_->setObjectName("pages");
    pages_->addTab(burner, job_text(text_id::burner_page));
    pages_->addTab(filter_page, job_text(text_id::burner_filter_page));
    auto* buttons = MakeDialogButtons(*this, true);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &CBurnerOptionSheet::show_help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

void CBurnerOptionSheet::accept() {
    BurnerValues values;
    values.drive = from_qstring(drive_->text());
    values.close_disc = close_disc_->isChecked();
    values.eject = eject_->isChecked();
    values.underrun = underrun_->isChecked();
    values.verify = verify_->isChecked();
    values.notify = notify_->isChecked();
    values.store_in(job_);
    filter_->StoreJob(job_, *CSystemOption::GetInstance());
    QDialog::accept();
}

void CBurnerOptionSheet::show_help() {
    uictl::open_help(pages_->currentIndex() == burner_page ? option_help::general : option_help::advanced);
}

bool EditJobOptions(QWidget* parent, brim::BackupItem& job) {
    if (job.kind == BackupKind::burner) {
        CBurnerOptionSheet sheet(job, false, parent);
        return sheet.exec() == QDialog::Accepted;
    }
    CBackupOptionSheet sheet(job, false, parent);
    return sheet.exec() == QDialog::Accepted;
}

}  // namespace job
