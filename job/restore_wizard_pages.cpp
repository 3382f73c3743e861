#include "job/restore_wizard_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "basekit/date.h"
#include "basekit/path.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_manager.h"
#include "job/backup_kinds.h"
#include "job/job_strings.h"
#include "job/system_option.h"
#include "uictl/brim_message_box.h"
#include "uictl/directory_dialog.h"
#include "uictl/file_chooser.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

using uictl::from_qstring;
using uictl::to_qstring;

QString text(std::uint32_t id) { return to_qstring(job_strings().text(id)); }

void warn(const bk::String& message) { BrimMessageBox(message.c_str(), u"", mb::ok | mb::icon_warning); }

void set_header(QWizardPage& page, std::uint32_t title) {
    page.setTitle(text(title));
    page.setSubTitle(text(title + 1));
}

// A page without the wizard's header: its own title in large type.
QLabel* page_title(std::uint32_t title) {
    auto* label = new QLabel(text(title));
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

QLabel* wrapped(const QString& words) {
    auto* label = new QLabel(words);
    label->setWordWrap(true);
    return label;
}

// The kinds whose runs leave a set to restore from.
bool writes_set(const brim::BackupItem& job) {
    return job.kind != brim::BackupKind::directory_copy && job.kind != brim::BackupKind::burner &&
           job.kind != brim::BackupKind::none;
}

std::vector<brim::BackupItem*> jobs_with_sets() {
    std::vector<brim::BackupItem*> found;
    for (brim::BackupItem* job : brim::BackupItemManager::instance()->items())
        if (writes_set(*job)) found.push_back(job);
    return found;
}

QString kind_name(const brim::BackupItem& job) {
    const bk::String name = BakTypeToString(job.kind);
    return name.empty() ? QStringLiteral("-") : to_qstring(name);
}

}  // namespace

// ---- welcome ----

ResWelcomePage::ResWelcomePage() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_title(text_id::restore_welcome_title));
    layout->addSpacing(12);
    layout->addWidget(wrapped(text(text_id::restore_welcome_text)));
    layout->addStretch(1);
}

// ---- source ----

ResSourcePage::ResSourcePage(CResWzdDlg& wizard, bool has_jobs) : wizard_(wizard) {
    set_header(*this, text_id::source_title);
    archive_ = new QRadioButton(text(text_id::from_archive));
    archive_->setObjectName("fromArchive");
    job_ = new QRadioButton(text(text_id::from_job));
    job_->setObjectName("fromJob");
    job_->setEnabled(has_jobs);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(archive_);
    layout->addWidget(job_);
    layout->addStretch(1);
}

void ResSourcePage::initializePage() {
    (wizard_.IsOpenArchive() || !job_->isEnabled() ? archive_ : job_)->setChecked(true);
}

bool ResSourcePage::validatePage() {
    wizard_.SetIsOpenArchive(archive_->isChecked());
    return true;
}

// ---- job list ----

ResJobListPage::ResJobListPage(CResWzdDlg& wizard) : wizard_(wizard) {
    set_header(*this, text_id::job_list_title);
    jobs_ = new QTreeWidget;
    jobs_->setObjectName("jobs");
    jobs_->setRootIsDecorated(false);
    jobs_->setHeaderLabels({text(text_id::column_job_name), text(text_id::column_kind), text(text_id::column_destination)});
    jobs_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (brim::BackupItem* job : jobs_with_sets()) {
        auto* row = new QTreeWidgetItem(jobs_, {to_qstring(job->name), kind_name(*job), to_qstring(job->destination)});
        row->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(job)));
    }
    jobs_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    jobs_->header()->setStretchLastSection(true);
    connect(jobs_, &QTreeWidget::itemSelectionChanged, this, &QWizardPage::completeChanged);
    connect(jobs_, &QTreeWidget::itemDoubleClicked, &wizard, &QWizard::next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(jobs_);
}

void ResJobListPage::initializePage() {
    if (Selected() == nullptr) Select(wizard_.IsOpenArchive() ? nullptr : wizard_.GetBackupItem());
    jobs_->setFocus();
}

void ResJobListPage::Select(const brim::BackupItem* job) {
    for (int i = 0; i < jobs_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = jobs_->topLevelItem(i);
        if (row->data(0, Qt::UserRole).value<void*>() == job) {
            jobs_->setCurrentItem(row);
            return;
        }
    }
}

brim::BackupItem* ResJobListPage::Selected() const {
    const auto rows = jobs_->selectedItems();
    return rows.isEmpty() ? nullptr : static_cast<brim::BackupItem*>(rows.front()->data(0, Qt::UserRole).value<void*>());
}

bool ResJobListPage::isComplete() const { return Selected() != nullptr; }

bool ResJobListPage::validatePage() {
    brim::BackupItem* job = Selected();
    if (job == nullptr) return false;
    const auto& f = wizard_.functions();
    if (f.is_running && f.is_running(job) == 1) {
        warn(job_strings().format(text_id::job_is_running, {job->name}));
        return false;
    }
    if (f.check_share && f.check_share(job->archive_file(), job) == 0) return false;
    return wizard_.CreateSession(job) == ResResult::ok;
}

// ---- archive file ----

ResArchivePage::ResArchivePage(CResWzdDlg& wizard) : wizard_(wizard) {
    set_header(*this, text_id::archive_title);
    auto* label = new QLabel(text(text_id::archive_file_label));
    path_ = new QLineEdit;
    path_->setObjectName("archivePath");
    label->setBuddy(path_);
    auto* browse = new QPushButton(text(text_id::browse_w));
    browse->setObjectName("browse");
    for (QLabel*& line : description_) {
        line = new QLabel;
        line->setTextFormat(Qt::PlainText);
        line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    description_[0]->setObjectName("description");
    connect(browse, &QPushButton::clicked, this, &ResArchivePage::browse);
    connect(path_, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
    connect(path_, &QLineEdit::editingFinished, this, &ResArchivePage::describe);
    auto* row = new QHBoxLayout;
    row->addWidget(path_, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(row);
    layout->addSpacing(12);
    for (QLabel* line : description_) layout->addWidget(line);
    layout->addStretch(1);
}

void ResArchivePage::SetPath(const bk::String& path) {
    path_->setText(to_qstring(path));
    describe();
}

bool ResArchivePage::isComplete() const { return !path_->text().trimmed().isEmpty(); }

void ResArchivePage::browse() {
    const QString chosen = uictl::choose_file(false, path_->text(), text(text_id::archive_file_filter));
    if (!chosen.isEmpty()) SetPath(from_qstring(chosen));
}

void ResArchivePage::describe() {
    const bk::String path = from_qstring(path_->text().trimmed());
    std::unique_ptr<brim::BackupItem> job;
    try {
        if (!path.empty()) job = brim::BackupSession::open(bk::Path::make_full_path(path));
    } catch (const bk::Exception&) {
        // Told when the user goes on; the description stays empty meanwhile.
    }
    for (QLabel* line : description_) line->clear();
    if (!job) return;
    const auto& strings = job_strings();
    const bk::String created = job->creation_time != 0 ? bk::Date(job->creation_time).to_string() : bk::String();
    description_[0]->setText(to_qstring(strings.format(text_id::archive_job_name, {job->name})));
    description_[1]->setText(to_qstring(strings.format(text_id::archive_job_kind, {from_qstring(kind_name(*job))})));
    description_[2]->setText(to_qstring(strings.format(text_id::archive_job_created, {created})));
}

bool ResArchivePage::validatePage() {
    const bk::String path = bk::Path::make_full_path(from_qstring(path_->text().trimmed()));
    const auto& f = wizard_.functions();
    if (f.check_share && f.check_share(path, nullptr) == 0) return false;
    return wizard_.OpenArchiveFile(path) == ResResult::ok;
}

// ---- target ----

ResTargetPage::ResTargetPage(CResWzdDlg& wizard) : wizard_(wizard) {
    set_header(*this, text_id::target_title);
    original_ = new QRadioButton(text(text_id::to_original_place));
    original_->setObjectName("originalPlace");
    another_ = new QRadioButton(text(text_id::to_another_place));
    another_->setObjectName("anotherPlace");
    place_ = new QComboBox;
    place_->setObjectName("place");
    place_->setEditable(true);
    place_->setInsertPolicy(QComboBox::NoInsert);
    place_->setMinimumContentsLength(30);
    browse_ = new QPushButton(text(text_id::browse_w));
    browse_->setObjectName("browse");
    connect(browse_, &QPushButton::clicked, this, &ResTargetPage::browse);
    connect(another_, &QRadioButton::toggled, this, &ResTargetPage::update_fields);
    auto* row = new QHBoxLayout;
    row->addSpacing(20);
    row->addWidget(place_, 1);
    row->addWidget(browse_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(original_);
    layout->addWidget(another_);
    layout->addLayout(row);
    layout->addStretch(1);
    setTabOrder(original_, another_);
    setTabOrder(another_, place_);
    setTabOrder(place_, browse_);
}

void ResTargetPage::initializePage() {
    place_->clear();
    const auto history = CSystemOption::GetInstance()->GetDestHistory(restore_destinations);
    for (auto it = history.rbegin(); it != history.rend(); ++it) place_->addItem(to_qstring(*it));
    const bk::String& target = wizard_.GetDestination();
    place_->setEditText(to_qstring(target));
    (target.empty() ? original_ : another_)->setChecked(true);
    update_fields();
}

void ResTargetPage::update_fields() {
    place_->setEnabled(another_->isChecked());
    browse_->setEnabled(another_->isChecked());
}

void ResTargetPage::browse() {
    bk::String chosen;
    if (ShowDirectoryDlg(nullptr, from_qstring(place_->currentText().trimmed()), chosen) == 1)
        place_->setEditText(to_qstring(chosen));
}

bool ResTargetPage::validatePage() {
    if (original_->isChecked()) {
        wizard_.SetDestination({});
        return true;
    }
    const bk::String place = from_qstring(place_->currentText().trimmed());
    if (place.empty()) {
        warn(job_strings().text(text_id::no_target));
        return false;
    }
    if (!bk::Path::is_absolute_path(place)) {
        warn(job_strings().format(text_id::relative_destination, {place}));
        return false;
    }
    const auto& f = wizard_.functions();
    if (f.check_share && f.check_share(place, wizard_.GetBackupItem()) == 0) return false;
    wizard_.SetDestination(place);
    return true;
}

// ---- existing files ----

ResExistingPage::ResExistingPage(CResWzdDlg& wizard) : wizard_(wizard) {
    set_header(*this, text_id::existing_title);
    choices_ = new QButtonGroup(this);
    auto* layout = new QVBoxLayout(this);
    static constexpr const char* names[] = {"skip", "ask", "replace", "older"};
    for (int i = 0; i < static_cast<int>(existing_choices.size()); ++i) {
        auto* choice = new QRadioButton(text(text_id::choose_skip + static_cast<std::uint32_t>(i)));
        choice->setObjectName(names[i]);
        choices_->addButton(choice, i);
        layout->addWidget(choice);
    }
    layout->addStretch(1);
    connect(choices_, &QButtonGroup::idToggled, this, &QWizardPage::completeChanged);
}

void ResExistingPage::initializePage() {
    const int index = ExistingChoiceIndex(wizard_.GetResopt());
    // A value without a choice of its own shows none, until the user picks one.
    choices_->setExclusive(false);
    for (QAbstractButton* button : choices_->buttons()) button->setChecked(choices_->id(button) == index);
    choices_->setExclusive(true);
}

bool ResExistingPage::isComplete() const { return choices_->checkedId() >= 0; }

bool ResExistingPage::validatePage() {
    const int index = choices_->checkedId();
    if (index < 0) return false;
    wizard_.SetResopt(existing_choices[static_cast<std::size_t>(index)]);
    return true;
}

// ---- dates and folders ----

ResDatesPage::ResDatesPage(CResWzdDlg& wizard) : wizard_(wizard) {
    set_header(*this, text_id::dates_title);
    touch_ = new QCheckBox(text(text_id::choose_touch));
    touch_->setObjectName("touch");
    keep_ = new QCheckBox(text(text_id::choose_keep_structure));
    keep_->setObjectName("keepStructure");
    drive_ = new QCheckBox(text(text_id::choose_drive_folder));
    drive_->setObjectName("driveFolder");
    // Paths here have no drives: the structure kept always starts at the
    // root folder, which is what the drive folder gives elsewhere.
    drive_->setEnabled(false);
    drive_->setToolTip(text(text_id::drive_folder_note));
    auto* note = wrapped(text(text_id::drive_folder_note));
    note->setObjectName("driveNote");
    connect(keep_, &QCheckBox::toggled, this, &ResDatesPage::update_drive);
    auto* drive_row = new QHBoxLayout;
    drive_row->addSpacing(20);
    auto* drive_column = new QVBoxLayout;
    drive_column->addWidget(drive_);
    drive_column->addWidget(note);
    drive_row->addLayout(drive_column, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(touch_);
    layout->addSpacing(8);
    layout->addWidget(keep_);
    layout->addLayout(drive_row);
    layout->addStretch(1);
}

void ResDatesPage::initializePage() {
    touch_->setChecked(wizard_.GetFileModify() != 0);
    keep_->setChecked(wizard_.choice().KeepsStructure());
    // The structure matters only below another place.
    keep_->setEnabled(!wizard_.GetDestination().empty());
    update_drive();
}

void ResDatesPage::update_drive() { drive_->setChecked(keep_->isChecked()); }

bool ResDatesPage::validatePage() {
    wizard_.SetFileModify(touch_->isChecked() ? 1 : 0);
    const int keep = keep_->isChecked() ? 1 : 0;
    wizard_.SetPreserveDirStructure(keep, drive_->isChecked() ? 1 : 0);
    return true;
}

// ---- summaries ----

ResSummaryPage::ResSummaryPage(CResWzdDlg& wizard, bool with_advanced) : wizard_(wizard) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_title(text_id::summary_title));
    layout->addSpacing(8);
    lines_ = new QFormLayout;
    lines_->setObjectName("lines");
    layout->addLayout(lines_);
    layout->addSpacing(8);
    if (with_advanced) {
        layout->addWidget(wrapped(text(text_id::summary_advanced_hint)));
        auto* advanced = new QPushButton(text(text_id::advanced));
        advanced->setObjectName("advanced");
        connect(advanced, &QPushButton::clicked, &wizard, &CResWzdDlg::ActiveAdvancedPage);
        auto* row = new QHBoxLayout;
        row->addWidget(advanced);
        row->addStretch(1);
        layout->addLayout(row);
    }
    layout->addStretch(1);
    layout->addWidget(wrapped(text(text_id::summary_finish)));
    setFinalPage(true);
}

void ResSummaryPage::initializePage() {
    while (lines_->rowCount() > 0) lines_->removeRow(0);
    const brim::BackupItem* job = wizard_.GetBackupItem();
    if (job == nullptr) return;
    for (const SummaryLine& line : RestoreSummary(*job, wizard_.choice())) {
        auto* value = new QLabel(to_qstring(line.value));
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        lines_->addRow(to_qstring(line.label), value);
    }
}

}  // namespace job
