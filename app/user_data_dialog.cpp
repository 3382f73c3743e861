#include "app/user_data_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/app_strings.h"
#include "app/runner/gui_run_answers.h"
#include "basekit/date.h"
#include "basekit/system_file.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/backup_item_manager.h"
#include "job/backup_kinds.h"
#include "job/system_option.h"
#include "uictl/brim_message_box.h"
#include "uictl/directory_dialog.h"
#include "uictl/message_box_flags.h"
#include "uictl/qt_text.h"
#include "uictl/wait_cursor.h"

namespace app {
namespace {

QString text_of(std::uint32_t id) { return uictl::to_qstring(app_strings().text(id)); }

enum RowColumn { row_name, row_paths };

// Where the dialog's last place and size are kept.
constexpr char place_group[] = "Dialog";
constexpr const char* place_keys[] = {"NewJobLeft", "NewJobTop", "NewJobRight", "NewJobBottom"};

QSettings settings() { return QSettings(QStringLiteral("Orvex Software"), QStringLiteral("Brimvault")); }

bool name_taken(bk::StringView name) {
    for (const brim::BackupItem* job : brim::BackupItemManager::instance()->items())
        if (job->name == name) return true;
    return false;
}

}  // namespace

CNewUserDataJobDlg::CNewUserDataJobDlg(const UserDataPlaces& places, QWidget* parent) : QDialog(parent) {
    const uictl::WaitCursor wait;
    setWindowTitle(text_of(app_text::user_data_title));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(text_of(app_text::user_data_hint), this);
    layout->addWidget(hint);
    rows_list_ = new QTreeWidget(this);
    rows_list_->setObjectName(QStringLiteral("userDataRows"));
    rows_list_->setRootIsDecorated(false);
    rows_list_->setHeaderLabels({text_of(app_text::user_data_column_data), text_of(app_text::user_data_column_paths)});
    rows_list_->header()->setSectionResizeMode(row_name, QHeaderView::ResizeToContents);
    hint->setBuddy(rows_list_);
    rows_ = places.rows();
    for (const UserDataRow& row : rows_) {
        auto* item = new QTreeWidgetItem(rows_list_);
        item->setText(row_name, text_of(row.name_id));
        if (row.found()) {
            item->setText(row_paths, uictl::to_qstring(paths_text(row.sources)));
            item->setToolTip(row_paths, item->text(row_paths));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(row_name, Qt::Unchecked);
        } else {
            // Not found: nothing to tick.
            item->setText(row_paths, text_of(app_text::user_data_not_found));
            item->setFlags(Qt::NoItemFlags);
        }
    }
    layout->addWidget(rows_list_, 1);

    auto* fields = new QGridLayout;
    name_ = new QLineEdit(text_of(app_text::job_name_placeholder), this);
    name_->setObjectName(QStringLiteral("jobName"));
    auto* name_label = new QLabel(text_of(app_text::user_data_name_label), this);
    name_label->setBuddy(name_);
    fields->addWidget(name_label, 0, 0);
    fields->addWidget(name_, 0, 1, 1, 2);
    destination_ = new QComboBox(this);
    destination_->setObjectName(QStringLiteral("destination"));
    destination_->setEditable(true);
    auto history = job::CSystemOption::GetInstance()->GetDestHistory(job::backup_destinations);
    for (auto it = history.rbegin(); it != history.rend(); ++it) destination_->addItem(uictl::to_qstring(*it));
    auto* destination_label = new QLabel(text_of(app_text::user_data_destination_label), this);
    destination_label->setBuddy(destination_);
    auto* browse = new QPushButton(text_of(app_text::user_data_browse), this);
    connect(browse, &QPushButton::clicked, this, &CNewUserDataJobDlg::choose_destination);
    fields->addWidget(destination_label, 1, 0);
    fields->addWidget(destination_, 1, 1);
    fields->addWidget(browse, 1, 2);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);
    run_now_ = new QCheckBox(text_of(app_text::user_data_run_now), this);
    run_now_->setChecked(true);
    layout->addWidget(run_now_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(text_of(app_text::ok_button), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(text_of(app_text::cancel_button), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewUserDataJobDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewUserDataJobDlg::reject);
    layout->addWidget(buttons);
    setTabOrder(rows_list_, name_);
    setTabOrder(name_, destination_);
    setTabOrder(destination_, browse);
    setTabOrder(browse, run_now_);

    job_ = std::make_unique<brim::BackupItem>();
    const auto* options = job::CSystemOption::GetInstance();
    job_->options |= brim::job_option::new_job_default | static_cast<std::uint32_t>(options->GetBackupOption());
    job_->kind = static_cast<brim::BackupKind>(options->GetBackupKind());

    resize(640, 460);
    QSettings place = settings();
    place.beginGroup(QLatin1String(place_group));
    if (place.contains(QLatin1String(place_keys[0]))) {
        const QRect last(QPoint(place.value(QLatin1String(place_keys[0])).toInt(),
                                place.value(QLatin1String(place_keys[1])).toInt()),
                         QPoint(place.value(QLatin1String(place_keys[2])).toInt(),
                                place.value(QLatin1String(place_keys[3])).toInt()));
        if (last.isValid()) setGeometry(last);
    }
    name_->setFocus();
    name_->selectAll();
}

CNewUserDataJobDlg::~CNewUserDataJobDlg() = default;

std::unique_ptr<brim::BackupItem> CNewUserDataJobDlg::take_job() {
    return accepted_ ? std::move(job_) : nullptr;
}

bool CNewUserDataJobDlg::run_now() const { return run_now_->isChecked(); }

void CNewUserDataJobDlg::choose_destination() {
    bk::String chosen;
    if (ShowDirectoryDlg(nullptr, uictl::from_qstring(destination_->currentText()), chosen) == 1)
        destination_->setEditText(uictl::to_qstring(chosen));
}

bool CNewUserDataJobDlg::checks_pass() {
    const bk::String name = uictl::from_qstring(name_->text());
    // An empty name is no name either: the store keeps no job without one.
    if (name.empty() || name == app_strings().text(app_text::job_name_placeholder)) {
        BrimMessageBox(app_strings().text(app_text::job_name_invalid).c_str(), u"", mb::ok | mb::icon_warning);
        name_->setFocus();
        return false;
    }
    if (name_taken(name)) {
        const bk::String text = app_strings().format(app_text::job_name_exists, {name});
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error | mb::help, nullptr, app_text::help_job_name_exists);
        name_->setFocus();
        return false;
    }
    const bk::String destination = uictl::from_qstring(destination_->currentText());
    if (destination.empty()) {
        BrimMessageBox(app_strings().text(app_text::user_data_no_destination).c_str(), u"", mb::ok | mb::icon_warning);
        destination_->setFocus();
        return false;
    }
    switch (job::CheckBack(name, destination)) {
        case job::check_name_fault: name_->setFocus(); return false;
        case job::check_destination_fault: destination_->setFocus(); return false;
        default: break;
    }
    // The store keeps no job without sources: nothing ticked is no job.
    if (ticked_sources().empty()) {
        BrimMessageBox(app_strings().text(app_text::user_data_nothing_ticked).c_str(), u"", mb::ok | mb::icon_warning);
        rows_list_->setFocus();
        return false;
    }
    job_->name = name;
    job_->creation_time = bk::Date::now_time();
    job_->task_name.clear();  // this dialog does not schedule
    job_->destination = destination;
    return existing_set_cleared();
}

// A set already at the job's archive path is cleared only when the user
// says so, and a protected one only with its password.
bool CNewUserDataJobDlg::existing_set_cleared() {
    const bk::String archive = job_->archive_file();
    if (!bk::SystemFile::is_file(archive)) return true;
    const bk::String question = app_strings().format(app_text::clear_existing_set, {archive});
    if (BrimMessageBox(question.c_str(), u"", mb::yes_no | mb::icon_warning | mb::default_button2 | mb::help, nullptr,
                       app_text::help_clear_existing_set) != button_id::yes) {
        name_->setFocus();
        return false;
    }
    if (!job_->replace_archive_file(false)) return true;
    // The set is protected: it stays unless its password is proved.
    const auto password = ask_job_password(job_->name);
    if (!password) return false;
    if (!job_->check_password(*password)) {
        const bk::String text = app_strings().format(app_text::clear_set_wrong_password, {archive});
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error | mb::help, nullptr,
                       app_text::help_clear_set_password);
        return false;
    }
    job_->replace_archive_file(true);
    return true;
}

std::vector<UserDataSource> CNewUserDataJobDlg::ticked_sources() const {
    std::vector<UserDataSource> sources;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_list_->topLevelItem(static_cast<int>(i))->checkState(row_name) == Qt::Checked)
            sources.insert(sources.end(), rows_[i].sources.begin(), rows_[i].sources.end());
    }
    return sources;
}

void CNewUserDataJobDlg::accept() {
    if (!checks_pass()) return;
    for (const UserDataSource& source : ticked_sources())
        job_->sources.push_back(
            {source.path, source.file ? brim::SourceType::file : brim::SourceType::directory, source.recursive != 0});
    job::CSystemOption::GetInstance()->AddNewDest(job_->destination, job::backup_destinations);
    job_->options &= ~brim::job_option::retry;
    rows_.clear();
    accepted_ = true;
    QDialog::accept();
}

void CNewUserDataJobDlg::done(int result) {
    QSettings place = settings();
    place.beginGroup(QLatin1String(place_group));
    const QRect now = geometry();
    const int values[] = {now.left(), now.top(), now.right(), now.bottom()};
    for (int i = 0; i < 4; ++i) place.setValue(QLatin1String(place_keys[i]), values[i]);
    QDialog::done(result);
}

}  // namespace app
