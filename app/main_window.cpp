#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "app/app_strings.h"
#include "app/archive_opening.h"
#include "app/command_line.h"
#include "app/job_commands.h"
#include "app/option_dialog.h"
#include "app/program_icon.h"
#include "app/runner/runner_controller.h"
#include "app/runner/runner_strings.h"
#include "app/runner/watcher_view.h"
#include "app/scheduled_job.h"
#include "app/system_log_view.h"
#include "app/services.h"
#include "basekit/convertion.h"
#include "basekit/date.h"
#include "core/jobs/backup_item_manager.h"
#include "core/runner/exit_status.h"
#include "job/backup_kinds.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"
#include "uictl/qt_text.h"
#include "uictl/wait_cursor.h"

namespace app {
namespace {

enum JobColumn { job_name, job_kind, job_destination, job_state, job_last_run, job_next_run, job_columns };

QString text_of(std::uint32_t id) { return uictl::to_qstring(app_strings().text(id)); }

bk::String joined(const std::vector<bk::String>& names) {
    bk::String text;
    for (const auto& name : names) {
        if (!text.empty()) text += u", ";
        text += name;
    }
    return text;
}

}  // namespace

CMainFrame::CMainFrame(const std::function<void()>& close_splash, QWidget* parent)
    : QMainWindow(parent),
      runner_(std::make_unique<RunnerController>()),
      commands_(std::make_unique<JobCommands>(*runner_)) {
    setWindowTitle(text_of(app_text::program_title));
    setWindowIcon(program_icon());
    jobs_ = new QTreeWidget(this);
    jobs_->setRootIsDecorated(false);
    jobs_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    jobs_->setHeaderLabels({text_of(app_text::column_job), text_of(app_text::column_kind),
                            text_of(app_text::column_destination), text_of(app_text::column_state),
                            text_of(app_text::column_last_run), text_of(app_text::column_next_run)});
    jobs_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(jobs_, &QTreeWidget::itemDoubleClicked, this, [this] { backup_selected(); });
    watcher_ = new WatcherView(*runner_, this);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(jobs_);
    split->addWidget(watcher_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    auto* pages = new QTabWidget(this);
    pages->addTab(split, text_of(app_text::jobs_title));
    build_log_page(*pages, close_splash);
    setCentralWidget(pages);
    build_actions();
    connect(runner_.get(), &RunnerController::run_ended, this, [this] { run_ended(true); });
    connect(runner_.get(), &RunnerController::rows_changed, this, &CMainFrame::refresh_jobs);
    refresh_jobs();
    resize(1000, 700);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::build_actions() {
    auto* tools = addToolBar(text_of(app_text::jobs_title));
    tools->setObjectName(QStringLiteral("jobTools"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* backup = tools->addAction(text_of(app_text::action_backup));
    connect(backup, &QAction::triggered, this, [this] {
        user_command();
        backup_selected();
    });
    build_job_actions(*tools);
    QAction* options = tools->addAction(text_of(app_text::options_action));
    connect(options, &QAction::triggered, this, [this] {
        user_command();
        COptionDlg(this).exec();
    });
    QAction* exit = tools->addAction(text_of(app_text::action_exit));
    connect(exit, &QAction::triggered, this, [this] {
        user_command();
        quit(0);
    });
    tray_ = new QSystemTrayIcon(program_icon(), this);
    tray_->setToolTip(text_of(app_text::program_title));
    auto* menu = new QMenu(this);
    connect(menu->addAction(text_of(app_text::action_show)), &QAction::triggered, this, [this] {
        user_command();
        show_to_user();
    });
    connect(menu->addAction(text_of(app_text::action_exit)), &QAction::triggered, this, [this] {
        user_command();
        quit(0);
    });
    tray_->setContextMenu(menu);
    connect(tray_, &QSystemTrayIcon::activated, this, [this] {
        user_command();
        show_to_user();
    });
}

void CMainFrame::build_log_page(QTabWidget& pages, const std::function<void()>& close_splash) {
    log_ = new CSystemLogView(&pages);
    log_->fill(close_splash);
    log_->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto add = [this](std::uint32_t text, auto command) {
        connect(log_->addAction(text_of(text)), &QAction::triggered, this, [this, command] {
            user_command();
            command(*log_);
        });
    };
    add(app_text::export_text, [](CSystemLogView& view) { view.export_log(brim::LogFileFormat::text); });
    add(app_text::export_xml, [](CSystemLogView& view) { view.export_log(brim::LogFileFormat::xml); });
    add(app_text::import_text, [](CSystemLogView& view) { view.import_log(brim::LogFileFormat::text); });
    add(app_text::import_xml, [](CSystemLogView& view) { view.import_log(brim::LogFileFormat::xml); });
    add(app_text::clear_log, [](CSystemLogView& view) { view.clear_log(); });
    pages.addTab(log_, text_of(app_text::log_tab));
    // Entries written meanwhile, by the runs or anyone, join the list.
    auto* news = new QTimer(this);
    connect(news, &QTimer::timeout, this, [this] {
        if (runner_) log_->append_new_entries();
    });
    news->start(1000);
}

void CMainFrame::build_job_actions(QToolBar& tools) {
    const auto add = [&](std::uint32_t text, auto command) {
        connect(tools.addAction(text_of(text)), &QAction::triggered, this, [this, command] {
            user_command();
            command();
            refresh_jobs();
        });
    };
    add(app_text::action_delete, [this] {
        if (brim::BackupItem* job = selected_job()) commands_->delete_job(*job);
    });
    add(app_text::action_delete_all, [this] { commands_->delete_all_jobs(); });
    add(app_text::action_schedule, [this] {
        if (brim::BackupItem* job = selected_job()) commands_->reschedule(*job);
    });
    add(app_text::action_unschedule, [this] {
        if (brim::BackupItem* job = selected_job()) commands_->unschedule(*job);
    });
    // Import and export each offer both file formats.
    const auto add_menu = [&](std::uint32_t text, const std::vector<std::pair<std::uint32_t, std::function<void()>>>& items) {
        auto* menu = new QMenu(this);
        for (const auto& [label, command] : items) {
            connect(menu->addAction(text_of(label)), &QAction::triggered, this, [this, command = command] {
                user_command();
                command();
                refresh_jobs();
            });
        }
        QAction* action = tools.addAction(text_of(text));
        action->setMenu(menu);
        if (auto* button = qobject_cast<QToolButton*>(tools.widgetForAction(action)))
            button->setPopupMode(QToolButton::InstantPopup);
    };
    add_menu(app_text::action_import,
             {{app_text::import_xml, [this] { commands_->import_jobs(brim::JobFileFormat::xml); }},
              {app_text::import_text, [this] { commands_->import_jobs(brim::JobFileFormat::text); }}});
    add_menu(app_text::action_export,
             {{app_text::export_xml, [this] { commands_->export_jobs(selected_jobs(), brim::JobFileFormat::xml); }},
              {app_text::export_text, [this] { commands_->export_jobs(selected_jobs(), brim::JobFileFormat::text); }}});
}

std::vector<brim::BackupItem*> CMainFrame::selected_jobs() const {
    std::vector<brim::BackupItem*> jobs;
    for (const QTreeWidgetItem* row : jobs_->selectedItems())
        if (auto* job = brim::BackupItemManager::instance()->backup_item(row->data(job_name, Qt::UserRole).toUInt()))
            jobs.push_back(job);
    return jobs;
}

void CMainFrame::show_in_tray() {
    hide();
    tray_->show();
}

void CMainFrame::show_to_user() {
    tray_->hide();
    showMaximized();
    raise();
    activateWindow();
}

void CMainFrame::refresh_jobs() {
    if (!runner_) return;  // quitting: the store is gone
    const bk::String selected = selected_job() != nullptr ? selected_job()->name : bk::String();
    const auto running = runner_->running_job_names();
    jobs_->clear();
    for (brim::BackupItem* job : brim::BackupItemManager::instance()->items()) {
        auto* row = new QTreeWidgetItem(jobs_);
        row->setData(job_name, Qt::UserRole, job->id);
        row->setText(job_name, uictl::to_qstring(job->name));
        row->setText(job_kind, uictl::to_qstring(job::BakTypeToString(job->kind)));
        row->setText(job_destination, uictl::to_qstring(job->destination));
        const bool runs = std::find(running.begin(), running.end(), job->name) != running.end();
        const bool changed = runner_->job_state(*job) == JobState::being_modified;
        row->setText(job_state, changed ? text_of(app_text::state_being_changed)
                                        : uictl::to_qstring(runner_strings().text(runs ? text_id::state_running
                                                                                        : text_id::state_ready)));
        const std::int64_t last = job->last_backup_time();
        row->setText(job_last_run, last != 0 ? uictl::to_qstring(bk::Date(last).to_string()) : QString());
        bk::String next;
        job::GetTriggerTime(job, next);
        row->setText(job_next_run, uictl::to_qstring(next));
        if (job->name == selected) jobs_->setCurrentItem(row);
    }
}

brim::BackupItem* CMainFrame::selected_job() const {
    const QTreeWidgetItem* row = jobs_->currentItem();
    if (row == nullptr) return nullptr;
    return brim::BackupItemManager::instance()->backup_item(row->data(job_name, Qt::UserRole).toUInt());
}

void CMainFrame::backup_selected() {
    for (brim::BackupItem* job : selected_jobs()) runner_->start_backup(*job, false);
    refresh_jobs();
}

brim::HandoverAnswer CMainFrame::take_command_line(const bk::String& line) {
    if (const auto job_id = handed_run_of(line)) return run_handed_job(*job_id);
    if (line.starts_with(u"in ")) {
        // brimvault-cli changing jobs: the jobs this window shows change here.
        return {brim::exit_status::store_busy,
                "the Brimvault program holds the job store: change the jobs there, or quit it first"};
    }
    const CommandLine command = parse_command_line(line);
    if (command.form != CommandLine::Form::scheduled_backup) {
        user_command();
        show_to_user();
        if (command.form == CommandLine::Form::archive_path) {
            // The later start has its answer at once; the questions of the
            // opening come after.
            QTimer::singleShot(0, this, [this, path = command.text] { open_archive(path); });
        }
        // The line as this program took it.
        return {0, bk::to_ansi(line)};
    }
    if (brim::BackupItem* job = scheduled_job(command.job_id)) {
        if (runner_->start_backup(*job, true)) {
            refresh_jobs();
            return {0, "Handed the backup over to the Brimvault program"};
        }
        // A program started only for this run has nothing left to do.
        if (scheduled_start_ == 1 && runner_->running_count() == 0) QTimer::singleShot(0, this, [this] { quit(1); });
        return {brim::exit_status::failure, "The Brimvault program could not start the backup (see its log)"};
    }
    // A start left over from a job that is gone or no longer scheduled.
    if (scheduled_start_ == 1) QTimer::singleShot(0, this, [this] { quit(1); });
    return {brim::exit_status::not_found, "no scheduled job with the id " + std::to_string(command.job_id)};
}

brim::HandoverAnswer CMainFrame::run_handed_job(std::uint32_t job_id) {
    brim::BackupItem* job = brim::BackupItemManager::instance()->backup_item(job_id);
    if (job == nullptr) return {brim::exit_status::not_found, "no job with the id " + std::to_string(job_id)};
    // Whoever ran brimvault-cli is not at this window: nobody is asked.
    if (!runner_->start_backup(*job, true))
        return {brim::exit_status::failure, "The Brimvault program could not start the backup (see its log)"};
    refresh_jobs();
    return {0, "Handed the backup of \"" + bk::to_ansi(job->name) +
                   "\" over to the Brimvault program that holds the job store"};
}

void CMainFrame::open_archive(const bk::String& path) {
    brim::BackupItem* job = open_archive_as_job(path);
    if (job == nullptr) return;
    refresh_jobs();
    select_job(*job);
}

void CMainFrame::select_job(const brim::BackupItem& job) {
    for (int i = 0; i < jobs_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = jobs_->topLevelItem(i);
        if (row->data(job_name, Qt::UserRole).toUInt() == job.id) jobs_->setCurrentItem(row);
    }
}

void CMainFrame::run_ended(bool) {
    refresh_jobs();
    // A program the scheduler started ends once its runs have; after the
    // signal, since quitting ends the runner that sends it.
    if (scheduled_start_ == 1) QTimer::singleShot(0, this, [this] { quit(1); });
}

bool CMainFrame::quit(int automatic) {
    if (quitting_) return true;
    const auto running = runner_->running_job_names();
    if (!running.empty()) {
        if (scheduled_start_ == 1 && automatic == 1) return false;
        const bk::String text = running.size() == 1
                                    ? app_strings().format(app_text::stop_one_job, {joined(running)})
                                    : app_strings().format(app_text::stop_jobs, {static_cast<int>(running.size()),
                                                                                joined(running)});
        const int answer = BrimMessageBox(text.c_str(), app_strings().text(app_text::stop_jobs_title).c_str(),
                                          mb::yes_no | mb::icon_warning | mb::default_button2);
        if (answer != button_id::yes) return false;
        const uictl::WaitCursor wait;
        runner_->stop_all();
    }
    quitting_ = true;
    {
        const uictl::WaitCursor wait;
        remove_spent_tasks();
    }
    // The runs have ended before the store they write to is saved; the
    // monitor goes first, since it shows the runner.
    delete watcher_;
    watcher_ = nullptr;
    commands_.reset();
    runner_.reset();
    end_services([](const bk::String& message) { BrimMessageBox(message.c_str(), u"", mb::ok | mb::icon_error); });
    tray_->hide();
    QApplication::quit();
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    user_command();
    if (quitting_ || quit(0)) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::open_backup_wizard() {
    BrimMessageBox(app_strings().text(app_text::no_wizard_yet).c_str(), u"", mb::ok | mb::icon_information);
}

void CMainFrame::open_user_data_dialog() { open_backup_wizard(); }

}  // namespace app
