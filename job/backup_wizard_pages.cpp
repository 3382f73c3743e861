// The backup wizard's first pages: welcome, sources, name and destination,
// and the two summaries.
#include "job/backup_wizard_pages.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "basekit/date.h"
#include "core/jobs/backup_item_manager.h"
#include "job/backup_kinds.h"
#include "job/job_strings.h"
#include "job/new_job_rules.h"
#include "job/password_prompt.h"
#include "job/system_option.h"
#include "uictl/directory_dialog.h"
#include "uictl/folder_picker.h"
#include "uictl/folder_tree.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

QString text(std::uint32_t id) { return uictl::to_qstring(job_strings().text(id)); }

QLabel* wrapped_label(const QString& words, QWidget* parent) {
    auto* label = new QLabel(words, parent);
    label->setWordWrap(true);
    return label;
}

// The longest choice text shown under the folder tree; the rest is elided.
constexpr qsizetype max_choice_text = 300;

}  // namespace

BackupWizardPageBase::BackupWizardPageBase(CBakWzdDlg& wizard, std::uint32_t title_id, std::uint32_t subtitle_id)
    : wizard_(wizard) {
    if (title_id != 0) setTitle(text(title_id));
    if (subtitle_id != 0) setSubTitle(text(subtitle_id));
}

int BackupWizardPageBase::nextId() const {
    for (const int id : wizard_.pageIds())
        if (wizard_.page(id) == this) return wizard_.NextPageOf(id);
    return -1;
}

WelcomePage::WelcomePage(CBakWzdDlg& wizard) : BackupWizardPageBase(wizard, 0, 0) {
    setObjectName("welcome_page");
    auto* layout = new QVBoxLayout(this);
    auto* title = wrapped_label(text(text_id::welcome_title), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    title->setFont(big);
    layout->addWidget(title);
    layout->addSpacing(16);
    layout->addWidget(wrapped_label(text(text_id::welcome_text), this));
    layout->addStretch();
}

SourcesPage::SourcesPage(CBakWzdDlg& wizard)
    : BackupWizardPageBase(wizard, text_id::sources_title, text_id::sources_subtitle) {
    setObjectName("sources_page");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrapped_label(text(text_id::sources_hint), this));
    picker_ = new uictl::FolderPicker(this);
    layout->addWidget(picker_, 1);
    choice_ = wrapped_label(QString(), this);
    choice_->setObjectName("choice");
    choice_->setTextFormat(Qt::PlainText);
    layout->addWidget(choice_);
    connect(picker_, &uictl::FolderPicker::selectionChanged, this, [this] {
        show_choice();
        emit completeChanged();
    });
}

void SourcesPage::initializePage() {
    if (!displayed_) {
        picker_->tree().Display();
        displayed_ = true;
    }
    show_choice();
}

void SourcesPage::show_choice() {
    if (!picker_->tree().HasSelection()) {
        choice_->setText(text(text_id::nothing_chosen));
        return;
    }
    brim::BackupItem chosen;
    picker_->tree().GetSelectedData(&chosen);
    QString paths = uictl::to_qstring(chosen.source_to_string());
    if (paths.size() > max_choice_text) paths = paths.left(max_choice_text) + QStringLiteral("…");
    choice_->setText(uictl::to_qstring(job_strings().format(text_id::sources_choice, {uictl::from_qstring(paths)})));
}

bool SourcesPage::isComplete() const { return picker_->tree().HasSelection(); }

bool SourcesPage::validatePage() {
    wizard_.GetSelectedData();
    return picker_->tree().GetSelectedData(&job()) != 0;
}

NamePage::NamePage(CBakWzdDlg& wizard) : BackupWizardPageBase(wizard, text_id::name_title, text_id::name_subtitle) {
    setObjectName("name_page");
    auto* grid = new QGridLayout(this);
    auto* name_label = new QLabel(text(text_id::name_label), this);
    name_ = new QLineEdit(this);
    name_->setObjectName("name");
    name_label->setBuddy(name_);
    auto* destination_label = new QLabel(text(text_id::destination_label), this);
    destination_ = new QComboBox(this);
    destination_->setObjectName("destination");
    destination_->setEditable(true);
    destination_->setInsertPolicy(QComboBox::NoInsert);
    destination_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    destination_->setMinimumContentsLength(30);
    destination_label->setBuddy(destination_);
    auto* browse = new QPushButton(text(text_id::browse), this);
    browse->setObjectName("browse");
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &NamePage::browse);
    grid->addWidget(name_label, 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    grid->addWidget(destination_label, 1, 0);
    grid->addWidget(destination_, 1, 1);
    grid->addWidget(browse, 1, 2);
    grid->addWidget(wrapped_label(text(text_id::destination_hint), this), 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    setTabOrder(name_, destination_);
    setTabOrder(destination_, browse);
}

void NamePage::initializePage() {
    // What the user typed and has not passed yet stays when the page is
    // entered again.
    if (!job().name.empty()) name_->setText(uictl::to_qstring(job().name));
    else if (name_->text().isEmpty()) name_->setText(text(text_id::job_name_placeholder));
    const std::vector<bk::String> history = CSystemOption::GetInstance()->GetDestHistory(backup_destinations);
    const QString current = destination_->currentText();
    destination_->clear();
    // Newest first.
    for (auto it = history.rbegin(); it != history.rend(); ++it) destination_->addItem(uictl::to_qstring(*it));
    destination_->setEditText(job().destination.empty() ? current : uictl::to_qstring(DestinationAsWritten(job())));
    name_->selectAll();
    name_->setFocus();
}

void NamePage::browse() {
    bk::String chosen;
    if (ShowDirectoryDlg(nullptr, uictl::from_qstring(destination_->currentText()), chosen) != 0)
        destination_->setEditText(uictl::to_qstring(chosen));
}

bool NamePage::validatePage() {
    NameAndDestinationCheck check(job(), *wizard_.GetStore(), [this](const bk::String& prompt) {
        return AskPassword(this, job_strings().text(text_id::enter_password_title), prompt);
    });
    switch (check.Check(uictl::from_qstring(name_->text()), uictl::from_qstring(destination_->currentText()))) {
        case NewJobField::none: return true;
        case NewJobField::name:
            name_->setFocus();
            name_->selectAll();
            return false;
        case NewJobField::destination:
            destination_->setFocus();
            destination_->lineEdit()->selectAll();
            return false;
    }
    return false;
}

SummaryPage::SummaryPage(CBakWzdDlg& wizard, bool whole) : BackupWizardPageBase(wizard, 0, 0), whole_(whole) {
    setObjectName(whole ? "summary_page" : "short_summary_page");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(text(text_id::wizard_caption), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    title->setFont(bold);
    layout->addWidget(title);
    values_ = new QLabel(this);
    values_->setObjectName("values");
    values_->setTextFormat(Qt::RichText);
    values_->setWordWrap(true);
    values_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(values_);
    layout->addStretch();
    layout->addWidget(wrapped_label(text(whole ? text_id::finish_creates : text_id::finish_runs_now), this));
    if (!whole) {
        auto* advanced = new QPushButton(text(text_id::advanced), this);
        advanced->setObjectName("advanced");
        advanced->setAutoDefault(false);
        connect(advanced, &QPushButton::clicked, &wizard_, &CBakWzdDlg::ActiveBackupTypePage);
        auto* row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(advanced);
        layout->addLayout(row);
    }
}

void SummaryPage::initializePage() {
    QString rows;
    for (const auto& [label, value] : SummaryOf(wizard_, whole_)) {
        rows += QStringLiteral("<tr><td style='padding-right:12px'>%1</td><td>%2</td></tr>")
                    .arg(uictl::to_qstring(label).toHtmlEscaped(), uictl::to_qstring(value).toHtmlEscaped());
    }
    values_->setText(QStringLiteral("<table>%1</table>").arg(rows));
}

}  // namespace job
