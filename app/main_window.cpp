#include "app/main_window.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTime>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <unistd.h>

#include "app/app_strings.h"
#include "app/archive_opening.h"
#include "app/command_line.h"
#include "app/file_chooser.h"
#include "app/grid_lines.h"
#include "app/job_commands.h"
#include "app/option_dialog.h"
#include "app/program_icon.h"
#include "app/report_view.h"
#include "app/restore_command.h"
#include "app/runner/runner_controller.h"
#include "app/runner/runner_strings.h"
#include "app/runner/watcher_view.h"
#include "app/scheduled_job.h"
#include "app/services.h"
#include "app/system_log_view.h"
#include "app/user_data_dialog.h"
#include "app/welcome_dialog.h"
#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/platform/os_system.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/version.h"
#include "core/runner/exit_status.h"
#include "job/backup_kinds.h"
#include "job/backup_option_sheet.h"
#include "job/backup_wizard.h"
#include "job/system_option.h"
#include "taskplan/overdue_jobs.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"
#include "uictl/qt_text.h"
#include "uictl/wait_cursor.h"

namespace app {
namespace {

enum JobColumn { job_name, job_kind, job_destination, job_state, job_last_run, job_next_run, job_columns };

QString text_of(std::uint32_t id) { return uictl::to_qstring(app_strings().text(id)); }

// How often a request to end looks again whether the dialogs have closed.
constexpr int end_retry_ms = 20;

// Cancels the dialogs that wait for an answer and closes the open menus,
// the topmost first, so that their loops return.
void cancel_open_dialogs() {
    for (QWidget* popup = QApplication::activePopupWidget(); popup != nullptr;
         popup = QApplication::activePopupWidget()) {
        if (!popup->close()) break;
    }
    for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr;) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr) break;
        dialog->reject();
        QWidget* next = QApplication::activeModalWidget();
        if (next == modal) break;
        modal = next;
    }
}

bk::String joined(const std::vector<bk::String>& names) {
    bk::String text;
    for (const auto& name : names) {
        if (!text.empty()) text += u", ";
        text += name;
    }
    return text;
}

int never_show(bk::StringView mark) { return job::CSystemOption::GetInstance()->GetNeverShowValue(mark); }

// The status bar's running mark turns once a second while runs go on.
constexpr char16_t busy_frames[] = u"◐◓◑◒";
constexpr int busy_pane_width = 20;
constexpr int clock_pane_width = 80;

// The tutorial is a program of its own beside this one.
void start_tour() {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/brimvault-tour");
    QProcess tour;
    tour.setProgram(program);
    qint64 pid = 0;
    if (tour.startDetached(&pid)) return;
    const bk::String reason = bk::from_ansi(std::strerror(QFileInfo::exists(program) ? EACCES : ENOENT));
    const bk::String text = app_strings().format(app_text::tour_failed, {reason});
    BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error);
}

}  // namespace

CMainFrame::CMainFrame(const std::function<void()>& close_splash, QWidget* parent)
    : QMainWindow(parent),
      runner_(std::make_unique<RunnerController>()),
      commands_(std::make_unique<JobCommands>(*runner_)) {
    setWindowTitle(text_of(app_text::program_title));
    setWindowIcon(program_icon());
    build_views(close_splash);
    build_tool_bar();
    build_menus();
    build_status_bar();
    build_tray();
    watch_session_end();
    set_grid_lines(never_show(job::never_show::grid_lines) != 0);
    connect(runner_.get(), &RunnerController::run_ended, this, &CMainFrame::run_ended);
    connect(runner_.get(), &RunnerController::rows_changed, this, &CMainFrame::refresh_jobs);
    refresh_jobs();
    show_view(NavEntry::job_manager);
    resize(1000, 700);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::build_views(const std::function<void()>& close_splash) {
    jobs_ = new QTreeWidget(this);
    jobs_->setObjectName(QStringLiteral("jobList"));
    jobs_->setRootIsDecorated(false);
    jobs_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    jobs_->setHeaderLabels({text_of(app_text::column_job), text_of(app_text::column_kind),
                            text_of(app_text::column_destination), text_of(app_text::column_state),
                            text_of(app_text::column_last_run), text_of(app_text::column_next_run)});
    jobs_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    jobs_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(jobs_, &QTreeWidget::itemDoubleClicked, this, [this] {
        user_command();
        backup_selected();
    });
    connect(jobs_, &QTreeWidget::currentItemChanged, this, [this] {
        reports_->show_job(selected_job());
        update_job_commands();
    });
    reports_ = new CReportLogView(this);
    auto* job_split = new QSplitter(Qt::Vertical, this);
    job_split->addWidget(jobs_);
    job_split->addWidget(reports_);
    job_split->setStretchFactor(0, 1);
    job_split->setStretchFactor(1, 1);
    job_page_ = job_split;

    watcher_ = new WatcherView(*runner_, this);
    // Stop, Pause and Resume are the user's commands too.
    for (QAbstractButton* button : watcher_->findChildren<QAbstractButton*>())
        connect(button, &QAbstractButton::clicked, this, [this] { user_command(); });
    log_ = new CSystemLogView(this);
    log_->fill(close_splash);
    log_->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto log_command = [this](std::uint32_t text, auto run) {
        log_->addAction(command(text_of(text), [this, run] { run(*log_); }, log_));
    };
    log_command(app_text::export_text, [](CSystemLogView& view) { view.export_log(brim::LogFileFormat::text); });
    log_command(app_text::export_xml, [](CSystemLogView& view) { view.export_log(brim::LogFileFormat::xml); });
    log_command(app_text::import_text, [](CSystemLogView& view) { view.import_log(brim::LogFileFormat::text); });
    log_command(app_text::import_xml, [](CSystemLogView& view) { view.import_log(brim::LogFileFormat::xml); });
    log_command(app_text::clear_log, [](CSystemLogView& view) { view.clear_log(); });

    views_ = new QStackedWidget(this);
    views_->setObjectName(QStringLiteral("views"));
    views_->addWidget(job_page_);
    views_->addWidget(watcher_);
    views_->addWidget(log_);
    navigation_ = new NavigationBar(this);
    connect(navigation_, &NavigationBar::chosen, this, [this](NavEntry entry) {
        user_command();
        switch (entry) {
            case NavEntry::backup_wizard: open_backup_wizard(); break;
            case NavEntry::restore_wizard: restore_with_wizard(nullptr); break;
            default: show_view(entry); break;
        }
    });
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("mainSplitter"));
    split->addWidget(navigation_);
    split->addWidget(views_);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({140, 860});
    setCentralWidget(split);

    // Entries written meanwhile, by the runs or anyone, join the log.
    auto* news = new QTimer(this);
    connect(news, &QTimer::timeout, this, [this] {
        if (runner_) log_->append_new_entries();
    });
    news->start(1000);
}

QAction* CMainFrame::command(const QString& text, std::function<void()> run, QObject* owner) {
    auto* action = new QAction(text, owner != nullptr ? owner : this);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        user_command();
        run();
    });
    return action;
}

QAction* CMainFrame::job_command(const QString& text, std::function<void()> run) {
    QAction* action = command(text, [this, run = std::move(run)] {
        run();
        refresh_jobs();
    });
    job_actions_.push_back(action);
    return action;
}

QMenu* CMainFrame::new_job_menu() {
    // One menu for the tool bar's button; the File menu takes its actions.
    if (new_menu_ != nullptr) return new_menu_;
    auto* menu = new_menu_ = new QMenu(this);
    menu->addAction(command(text_of(app_text::menu_new_job), [this] { open_backup_wizard(); }));
    menu->addAction(command(text_of(app_text::menu_user_data), [this] { open_user_data_dialog(); }));
    menu->addSeparator();
    menu->addAction(job_command(text_of(app_text::import_xml),
                                [this] { commands_->import_jobs(brim::JobFileFormat::xml); }));
    menu->addAction(job_command(text_of(app_text::import_text),
                                [this] { commands_->import_jobs(brim::JobFileFormat::text); }));
    return menu;
}

QMenu* CMainFrame::change_options_menu() {
    // One menu for the tool bar's button and the Job menu.
    if (options_menu_ != nullptr) return options_menu_;
    auto* menu = options_menu_ = new QMenu(text_of(app_text::tool_change_options), this);
    menu->addAction(job_command(text_of(app_text::menu_job_options), [this] { open_job_options(); }));
    menu->addAction(job_command(text_of(app_text::action_schedule), [this] {
        if (brim::BackupItem* job = selected_job()) commands_->reschedule(*job);
    }));
    unschedule_ = job_command(text_of(app_text::action_unschedule), [this] {
        if (brim::BackupItem* job = selected_job()) commands_->unschedule(*job);
    });
    unschedule_->setObjectName(QStringLiteral("unscheduleAction"));
    menu->addAction(unschedule_);
    // The schedule may have changed since the list was filled.
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::update_job_commands);
    return menu;
}

void CMainFrame::build_tool_bar() {
    auto* tools = addToolBar(text_of(app_text::jobs_title));
    tools->setObjectName(QStringLiteral("mainTools"));
    tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tools->setIconSize(QSize(24, 24));
    const auto button = [&](QAction* action, QStyle::StandardPixmap icon, QMenu* menu = nullptr) {
        action->setIcon(style()->standardIcon(icon));
        tools->addAction(action);
        if (menu == nullptr) return;
        action->setMenu(menu);
        if (auto* tool = qobject_cast<QToolButton*>(tools->widgetForAction(action)))
            tool->setPopupMode(QToolButton::MenuButtonPopup);
    };
    QAction* add = command(text_of(app_text::tool_new), [this] { open_backup_wizard(); });
    add->setObjectName(QStringLiteral("newAction"));
    button(add, QStyle::SP_FileIcon, new_job_menu());
    button(command(text_of(app_text::tool_open), [this] { open_archive_file(); }), QStyle::SP_DirOpenIcon);
    button(job_command(text_of(app_text::tool_backup), [this] { backup_selected(); }), QStyle::SP_DialogSaveButton);
    button(command(text_of(app_text::tool_restore), [this] { open_restore_wizard(); }), QStyle::SP_BrowserReload);
    button(job_command(text_of(app_text::tool_delete), [this] {
               if (brim::BackupItem* job = selected_job()) commands_->delete_job(*job);
           }),
           QStyle::SP_TrashIcon);
    button(job_command(text_of(app_text::tool_delete_all), [this] { commands_->delete_all_jobs(); }),
           QStyle::SP_DialogDiscardButton);
    QAction* change = job_command(text_of(app_text::tool_change_options), [this] { open_job_options(); });
    change->setObjectName(QStringLiteral("changeOptionsAction"));
    button(change, QStyle::SP_FileDialogDetailedView, change_options_menu());
    button(job_command(text_of(app_text::tool_properties), [this] { open_job_options(); }),
           QStyle::SP_FileDialogInfoView);
    button(command(text_of(app_text::tool_help), [this] { open_help(); }), QStyle::SP_DialogHelpButton);
    button(command(text_of(app_text::tool_about), [this] { open_about(); }), QStyle::SP_MessageBoxInformation);
    // Every button as wide and high as the largest label needs.
    QSize largest;
    for (QAction* action : tools->actions())
        if (QWidget* widget = tools->widgetForAction(action)) largest = largest.expandedTo(widget->sizeHint());
    for (QAction* action : tools->actions())
        if (QWidget* widget = tools->widgetForAction(action)) widget->setMinimumSize(largest);
}

void CMainFrame::build_menus() {
    QMenu* file = menuBar()->addMenu(text_of(app_text::menu_file));
    file->addActions(new_job_menu()->actions());
    file->addSeparator();
    file->addAction(command(text_of(app_text::menu_open_archive), [this] { open_archive_file(); }));
    file->addAction(job_command(text_of(app_text::export_xml), [this] {
        commands_->export_jobs(selected_jobs(), brim::JobFileFormat::xml);
    }));
    file->addAction(job_command(text_of(app_text::export_text), [this] {
        commands_->export_jobs(selected_jobs(), brim::JobFileFormat::text);
    }));
    file->addSeparator();
    file->addAction(command(text_of(app_text::program_options), [this] { COptionDlg(this).exec(); }));
    file->addSeparator();
    QAction* exit = file->addAction(text_of(app_text::action_exit));
    connect(exit, &QAction::triggered, this, [this] {
        user_command();
        try {
            quit(0);
        } catch (...) {
            // Quitting half done leaves nothing sound to go on with.
            std::cerr << "brimvault: quitting failed\n";
            std::exit(1);
        }
    });

    QMenu* view = menuBar()->addMenu(text_of(app_text::menu_view));
    for (const NavEntry entry : {NavEntry::job_manager, NavEntry::task_monitor, NavEntry::system_log}) {
        const QListWidget& folder = navigation_->folder_of(entry);
        const QString name = folder.item(navigation_->row_of(entry))->text();
        view->addAction(command(name, [this, entry] { show_view(entry); }));
    }
    view->addSeparator();
    grid_lines_ = view->addAction(text_of(app_text::menu_grid_lines));
    grid_lines_->setObjectName(QStringLiteral("gridLinesAction"));
    grid_lines_->setCheckable(true);
    connect(grid_lines_, &QAction::triggered, this, [this](bool on) {
        user_command();
        set_grid_lines(on);
    });

    QMenu* jobs = menuBar()->addMenu(text_of(app_text::menu_job));
    jobs->addAction(job_command(text_of(app_text::action_backup), [this] { backup_selected(); }));
    jobs->addAction(command(text_of(app_text::menu_restore), [this] { open_restore_wizard(); }));
    jobs->addSeparator();
    jobs->addAction(job_command(text_of(app_text::action_delete), [this] {
        if (brim::BackupItem* job = selected_job()) commands_->delete_job(*job);
    }));
    jobs->addAction(job_command(text_of(app_text::action_delete_all), [this] { commands_->delete_all_jobs(); }));
    jobs->addSeparator();
    jobs->addMenu(change_options_menu());
    // The job list's own menu: the commands on its rows.
    for (QAction* action : jobs->actions()) jobs_->addAction(action);

    QMenu* help = menuBar()->addMenu(text_of(app_text::menu_help));
    help->addAction(command(text_of(app_text::tool_help), [this] { open_help(); }));
    help->addAction(command(text_of(app_text::menu_about), [this] { open_about(); }));
}

void CMainFrame::build_status_bar() {
    QStatusBar* bar = statusBar();
    status_message_ = new QLabel(text_of(app_text::status_ready), bar);
    status_message_->setObjectName(QStringLiteral("statusMessage"));
    status_busy_ = new QLabel(bar);
    status_busy_->setObjectName(QStringLiteral("statusBusy"));
    status_busy_->setFixedWidth(busy_pane_width);
    status_busy_->setAlignment(Qt::AlignCenter);
    status_running_ = new QLabel(bar);
    status_running_->setObjectName(QStringLiteral("statusRunning"));
    status_clock_ = new QLabel(bar);
    status_clock_->setObjectName(QStringLiteral("statusClock"));
    status_clock_->setFixedWidth(clock_pane_width);
    status_clock_->setAlignment(Qt::AlignCenter);
    bar->addWidget(status_message_, 1);
    bar->addWidget(status_busy_);
    bar->addWidget(status_running_, 1);
    bar->addPermanentWidget(status_clock_);
    connect(&clock_, &QTimer::timeout, this, &CMainFrame::tick);
    clock_.start(1000);
    tick();
}

void CMainFrame::tick() {
    status_clock_->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    const std::size_t running = runner_ ? runner_->running_count() : 0;
    if (running == 0) {
        status_busy_->clear();
        status_running_->clear();
        return;
    }
    busy_frame_ = (busy_frame_ + 1) % 4;
    status_busy_->setText(QString(QChar(busy_frames[busy_frame_])));
    status_running_->setText(uictl::to_qstring(app_strings().format(app_text::status_running,
                                                                    {static_cast<int>(running)})));
}

void CMainFrame::build_tray() {
    tray_ = new QSystemTrayIcon(program_icon(), this);
    tray_->setToolTip(text_of(app_text::program_title));
    tray_menu_ = new QMenu(this);
    tray_menu_->addAction(command(text_of(app_text::action_show), [this] { show_to_user(); }));
    tray_menu_->addAction(command(text_of(app_text::action_exit), [this] {
        show_to_user();
        quit(0);
    }));
    tray_->setContextMenu(tray_menu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A click makes a hidden unattended run the user's: the program no
        // longer ends by itself when it is over.
        user_command();
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) show_to_user();
    });
}

void CMainFrame::watch_session_end() {
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { end_session(); });
    const int requests = bk::os::end_request_descriptor();
    if (requests < 0) return;
    end_requests_ = new QSocketNotifier(requests, QSocketNotifier::Read, this);
    connect(end_requests_, &QSocketNotifier::activated, this, [this, requests] {
        unsigned char signal = 0;
        while (::read(requests, &signal, 1) == 1) {
        }
        end_on_request();
    });
}

void CMainFrame::show_view(NavEntry view) {
    QWidget* page = view == NavEntry::task_monitor ? static_cast<QWidget*>(watcher_)
                    : view == NavEntry::system_log ? static_cast<QWidget*>(log_)
                                                   : job_page_;
    if (page == nullptr) return;
    view_ = page == job_page_ ? NavEntry::job_manager : view;
    views_->setCurrentWidget(page);
    navigation_->mark(view_);
    update_job_commands();
    if (view_ == NavEntry::job_manager) jobs_->setFocus();
}

void CMainFrame::update_job_commands() {
    const bool jobs_shown = view_ == NavEntry::job_manager;
    for (QAction* action : job_actions_) action->setEnabled(jobs_shown);
    if (unschedule_ == nullptr) return;
    const brim::BackupItem* job = selected_job();
    unschedule_->setEnabled(jobs_shown && job != nullptr && !job->task_name.empty());
}

void CMainFrame::set_grid_lines(bool on) {
    show_grid_lines(*jobs_, on);
    if (log_ != nullptr) show_grid_lines(*log_, on);
    if (watcher_ != nullptr)
        if (auto* rows = watcher_->findChild<QTreeWidget*>()) show_grid_lines(*rows, on);
    grid_lines_->setChecked(on);
    job::CSystemOption::GetInstance()->SetNeverShowValue(job::never_show::grid_lines, on ? 1 : 0);
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
    const std::int64_t now = bk::Date::now_time();
    const QSignalBlocker quiet(jobs_);
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
        // A scheduled job whose last good run is older than the warning age.
        if (!job->task_name.empty()) {
            if (const auto days = taskplan::overdue_days(*job, now)) {
                row->setIcon(job_name, style()->standardIcon(QStyle::SP_MessageBoxWarning));
                row->setToolTip(job_name, uictl::to_qstring(app_strings().format(app_text::job_overdue, {*days})));
            }
        }
        const std::int64_t last = job->last_backup_time();
        row->setText(job_last_run, last != 0 ? uictl::to_qstring(bk::Date(last).to_string()) : QString());
        bk::String next;
        job::GetTriggerTime(job, next);
        row->setText(job_next_run, uictl::to_qstring(next));
        if (job->name == selected) jobs_->setCurrentItem(row);
    }
    reports_->show_job(selected_job());
    update_job_commands();
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
        if (scheduled_start_ == 1 && runner_->running_count() == 0)
            QMetaObject::invokeMethod(this, &CMainFrame::private_quit, Qt::QueuedConnection);
        return {brim::exit_status::failure, "The Brimvault program could not start the backup (see its log)"};
    }
    // A start left over from a job that is gone or no longer scheduled.
    if (scheduled_start_ == 1) QMetaObject::invokeMethod(this, &CMainFrame::private_quit, Qt::QueuedConnection);
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
    restore_with_wizard(job);
}

void CMainFrame::select_job(const brim::BackupItem& job) {
    for (int i = 0; i < jobs_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = jobs_->topLevelItem(i);
        if (row->data(job_name, Qt::UserRole).toUInt() == job.id) jobs_->setCurrentItem(row);
    }
}

void CMainFrame::run_ended() {
    refresh_jobs();
    // A program the scheduler started ends once its runs have; after the
    // signal, since quitting ends the runner that sends it.
    if (scheduled_start_ == 1) QMetaObject::invokeMethod(this, &CMainFrame::private_quit, Qt::QueuedConnection);
}

void CMainFrame::private_quit() { quit(1); }

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
    finish_quit();
    return true;
}

void CMainFrame::finish_quit() {
    quitting_ = true;
    clock_.stop();
    {
        const uictl::WaitCursor wait;
        remove_spent_tasks();
    }
    // The runs have ended before the store they write to is saved; the
    // monitor goes first, since it shows the runner.
    views_->removeWidget(watcher_);
    delete watcher_;
    watcher_ = nullptr;
    commands_.reset();
    runner_.reset();
    end_services([](const bk::String& message) { BrimMessageBox(message.c_str(), u"", mb::ok | mb::icon_error); });
    tray_->hide();
    QApplication::quit();
}

void CMainFrame::end_session() {
    // Whatever quit answers, the session ends: nothing here stops it.
    quit(scheduled_start_);
}

void CMainFrame::end_on_request() {
    if (quitting_) return;
    end_requested_ = true;
    cancel_open_dialogs();
    // The code after a dialog runs once its loop returns, and may use the
    // runner and the stores: the end waits until no dialog's loop runs.
    if (QThread::currentThread()->loopLevel() > base_loop_level_) {
        QTimer::singleShot(end_retry_ms, this, &CMainFrame::end_on_request);
        return;
    }
    if (runner_->running_count() != 0) {
        const uictl::WaitCursor wait;
        runner_->stop_all();
    }
    finish_quit();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    user_command();
    if (quitting_ || quit(0)) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || quitting_) return;
    user_command();
    // Hidden into the tray unless the user keeps a task-bar button.
    if (never_show(job::never_show::minimize_to_tray) == 0)
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) show_in_tray();
        });
}

void CMainFrame::open_archive_file() {
    const QString path = choose_file(false, QString(), text_of(app_text::archive_filter));
    if (!path.isEmpty()) open_archive(uictl::from_qstring(path));
}

void CMainFrame::open_help() {
    WelcomeDialog welcome(this);
    welcome.exec();
    if (welcome.choice()) follow_welcome_choice(*welcome.choice());
}

void CMainFrame::follow_welcome_choice(WelcomeChoice choice) {
    switch (choice) {
        case WelcomeChoice::tour: start_tour(); break;
        case WelcomeChoice::wizard: open_backup_wizard(); break;
        case WelcomeChoice::user_data: open_user_data_dialog(); break;
    }
}

void CMainFrame::open_about() {
    const bk::String text = app_strings().format(app_text::about_text, {brim::Version::instance()->version_string()});
    BrimMessageBox(text.c_str(), app_strings().text(app_text::program_title).c_str(), mb::ok | mb::icon_information);
}

void CMainFrame::open_backup_wizard() {
    user_command();
    bool run_now = false;
    brim::BackupItem* job = job::RunBackupWizard(this, &run_now);
    if (job == nullptr) return;
    commands_->save_store();
    refresh_jobs();
    select_job(*job);
    if (run_now) runner_->start_backup(*job, false);
}

void CMainFrame::open_restore_wizard() {
    user_command();
    restore_with_wizard(view_ == NavEntry::job_manager ? selected_job() : nullptr);
}

void CMainFrame::restore_with_wizard(brim::BackupItem* job) {
    RestoreWizardHooks hooks;
    hooks.refresh_job = [this](brim::BackupItem* added) {
        refresh_jobs();
        if (added != nullptr) select_job(*added);
    };
    RunRestoreWizard(this, *runner_, job, bk::String(), hooks);
    refresh_jobs();
}

void CMainFrame::open_job_options() {
    user_command();
    brim::BackupItem* job = selected_job();
    if (job == nullptr) return;
    // A run reads the job's fields: its options change only between runs.
    if (runner_->job_state(*job) != JobState::idle) {
        const bk::String text = app_strings().format(app_text::options_of_running_job, {job->name});
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_warning);
        return;
    }
    runner_->set_modifying(*job, true);
    const bool changed = job::EditJobOptions(this, *job);
    runner_->set_modifying(*job, false);
    if (!changed) return;
    commands_->save_store();
    refresh_jobs();
}

void CMainFrame::open_user_data_dialog() {
    CNewUserDataJobDlg dialog(*user_data_places(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    const bool run_now = dialog.run_now();
    brim::BackupItem& job = commands_->add_job(dialog.take_job());
    refresh_jobs();
    select_job(job);
    if (run_now) runner_->start_backup(job, false);
}

}  // namespace app
