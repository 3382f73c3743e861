#include "app/option_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/app_strings.h"
#include "job/backup_kinds.h"
#include "job/system_option.h"
#include "uictl/brim_message_box.h"
#include "uictl/byte_to_string.h"
#include "uictl/message_box_flags.h"
#include "uictl/qt_text.h"

namespace app {
namespace {

QString text_of(std::uint32_t id) { return uictl::to_qstring(app_strings().text(id)); }

QCheckBox* check_box(std::uint32_t id, QWidget* parent) { return new QCheckBox(text_of(id), parent); }

// "640 MB", ..., and the text for no limit.
QString volume_size_text(int position) {
    const std::uint32_t size = volume_size_at(position);
    if (size == no_volume_limit) return text_of(app_text::option_no_limit);
    return QStringLiteral("%1 MB").arg(size);
}

}  // namespace

COptionDlg::COptionDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text_of(app_text::options_title));
    pages_ = new QTabWidget(this);
    pages_->addTab(general_page(), text_of(app_text::option_general));
    pages_->addTab(backup_page(), text_of(app_text::option_backup));
    pages_->addTab(restore_page(), text_of(app_text::option_restore));
    pages_->addTab(report_page(), text_of(app_text::option_reports));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(text_of(app_text::ok_button), QDialogButtonBox::AcceptRole);
    buttons->addButton(text_of(app_text::cancel_button), QDialogButtonBox::RejectRole);
    QPushButton* defaults = buttons->addButton(text_of(app_text::defaults_button), QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &COptionDlg::use_defaults);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    show_values(read_option_values(*job::CSystemOption::GetInstance()));
}

QWidget* COptionDlg::general_page() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    confirm_ = check_box(app_text::option_confirm_deletions, page);
    tray_ = check_box(app_text::option_minimize_to_tray, page);
    hidden_ = check_box(app_text::option_hidden_runs, page);
    copies_ = check_box(app_text::option_safety_copies, page);
    copy_days_ = new QSpinBox(page);
    copy_days_->setRange(0, 9999);  // 1 to 365 is checked on OK, with its message
    connect(copies_, &QCheckBox::toggled, copy_days_, &QWidget::setEnabled);
    volume_ = new QComboBox(page);
    for (int position = 0; position < volume_size_positions; ++position) volume_->addItem(volume_size_text(position));
    form->addRow(confirm_);
    form->addRow(tray_);
    form->addRow(hidden_);
    form->addRow(copies_);
    form->addRow(text_of(app_text::option_copy_days), copy_days_);
    form->addRow(text_of(app_text::option_volume_size), volume_);
    return page;
}

QWidget* COptionDlg::backup_page() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    kind_ = new QComboBox(page);
    job::InitBakTypes(*kind_);
    kind_text_ = new QLabel(page);
    kind_text_->setWordWrap(true);
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] {
        const auto kind = static_cast<brim::BackupKind>(kind_->currentData().toInt());
        kind_text_->setText(uictl::to_qstring(job::BakTypeDescription(kind)));
    });
    append_ = check_box(app_text::option_append, page);
    notify_ = check_box(app_text::option_notify, page);
    verify_ = check_box(app_text::option_verify, page);
    form->addRow(text_of(app_text::option_default_kind), kind_);
    form->addRow(kind_text_);
    form->addRow(append_);
    form->addRow(notify_);
    form->addRow(verify_);
    return page;
}

QWidget* COptionDlg::restore_page() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    policy_ = new QComboBox(page);
    const std::pair<std::uint32_t, std::uint32_t> policies[] = {{app_text::option_skip, 0x10},
                                                                {app_text::option_ask, 0x20},
                                                                {app_text::option_replace, 0x30},
                                                                {app_text::option_replace_older, 0x40}};
    for (const auto& [text, bits] : policies) policy_->addItem(text_of(text), bits);
    folders_ = check_box(app_text::option_keep_folders, page);
    drive_ = check_box(app_text::option_drive_folder, page);
    connect(folders_, &QCheckBox::toggled, drive_, &QWidget::setEnabled);
    form->addRow(text_of(app_text::option_existing_files), policy_);
    form->addRow(folders_);
    form->addRow(drive_);
    return page;
}

QWidget* COptionDlg::report_page() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    reports_ = new QSpinBox(page);
    reports_->setRange(10, 1024);
    form->addRow(text_of(app_text::option_reports_per_job), reports_);
    return page;
}

OptionValues COptionDlg::values() const {
    OptionValues values;
    values.confirm_deletions = confirm_->isChecked();
    values.minimize_to_tray = tray_->isChecked();
    values.scheduled_runs_hidden = hidden_->isChecked();
    values.safety_copies = copies_->isChecked();
    values.safety_copy_days = static_cast<std::uint32_t>(copy_days_->value());
    values.volume_position = volume_->currentIndex();
    values.backup_kind = kind_->currentData().toInt();
    values.append = append_->isChecked();
    values.notify = notify_->isChecked();
    values.verify = verify_->isChecked();
    values.restore_policy = policy_->currentData().toUInt();
    values.keep_folders = folders_->isChecked();
    values.drive_folder = drive_->isChecked();
    values.reports_per_job = static_cast<std::uint32_t>(reports_->value());
    return values;
}

void COptionDlg::show_values(const OptionValues& values) {
    confirm_->setChecked(values.confirm_deletions);
    tray_->setChecked(values.minimize_to_tray);
    hidden_->setChecked(values.scheduled_runs_hidden);
    copies_->setChecked(values.safety_copies);
    copy_days_->setEnabled(values.safety_copies);
    copy_days_->setValue(static_cast<int>(values.safety_copy_days));
    volume_->setCurrentIndex(values.volume_position);
    kind_->setCurrentIndex(job::GetComboBoxIndex(static_cast<brim::BackupKind>(values.backup_kind)));
    kind_text_->setText(uictl::to_qstring(job::BakTypeDescription(static_cast<brim::BackupKind>(values.backup_kind))));
    append_->setChecked(values.append);
    notify_->setChecked(values.notify);
    verify_->setChecked(values.verify);
    policy_->setCurrentIndex(std::max(0, policy_->findData(values.restore_policy)));
    folders_->setChecked(values.keep_folders);
    drive_->setEnabled(values.keep_folders);
    drive_->setChecked(values.drive_folder);
    reports_->setValue(static_cast<int>(values.reports_per_job));
}

void COptionDlg::use_defaults() { show_values(default_option_values(values())); }

void COptionDlg::accept() {
    if (apply_option_values(values(), *job::CSystemOption::GetInstance())) {
        BrimMessageBox(app_strings().text(app_text::option_interval_range).c_str(),
                       app_strings().text(app_text::option_error_title).c_str(), mb::ok | mb::icon_warning);
        pages_->setCurrentIndex(0);
        copy_days_->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace app
