#pragma once
// The main window: the navigation bar on the left and, in a splitter beside
// it, the view chosen there (the job list above the chosen job's run
// reports, the task monitor, or the system log); the menus and the tool bar
// with the commands, the status bar with its clock, the tray icon while the
// window is hidden, the command lines of later starts and the one way the
// program ends.
#include <functional>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QTimer>

#include "app/navigation_bar.h"
#include "app/welcome_links.h"
#include "basekit/types.h"
#include "core/runner/handover.h"

class QAction;
class QLabel;
class QMenu;
class QSessionManager;
class QSocketNotifier;
class QStackedWidget;
class QSystemTrayIcon;
class QToolBar;
class QTreeWidget;

namespace brim {
class BackupItem;
}

namespace app {

class CReportLogView;
class CSystemLogView;
class JobCommands;
class RunnerController;
class WatcherView;

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    // `close_splash` runs before a start-up question (a damaged log).
    explicit CMainFrame(const std::function<void()>& close_splash = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    RunnerController& runner() { return *runner_; }

    // 1 while the program runs only because the scheduler started it for a
    // job; every command of the user clears it.
    int scheduled_start() const { return scheduled_start_; }
    void set_scheduled_start(int flag) { scheduled_start_ = flag; }

    // A command line, at start or handed over by a later start; the answer
    // goes back to that start.
    brim::HandoverAnswer take_command_line(const bk::String& line);

    // The one way the program ends: 1 when an unattended run asks for it,
    // 0 when the user does. False when the program goes on (the user kept
    // the running jobs, or an unattended end while runs go on).
    bool quit(int automatic);
    // Whether quit has begun: the services are ended, the program ends.
    bool ending() const { return quitting_; }
    // Whether a request to end came; it ends the program once no dialog's
    // loop runs, or when end_on_request() is called again.
    bool end_requested() const { return end_requested_; }
    // The event loops that run below any dialog: none during start-up, the
    // program's own (1) once it runs.
    void set_base_loop_level(int level) { base_loop_level_ = level; }

    // Hidden with only the tray icon (a scheduled start told to run in the
    // background, or a minimize into the tray), or shown maximized without it.
    void show_in_tray();
    void show_to_user();

    // The views of the splitter's right pane.
    void show_view(NavEntry view);
    NavEntry current_view() const { return view_; }

    // Grid lines in the job list, the task monitor and the system log,
    // remembered for the next start.
    void set_grid_lines(bool on);

    // The job list as the store holds it now.
    void refresh_jobs();
    // The job on the list's selected row; null when none.
    brim::BackupItem* selected_job() const;
    // Starts the selected jobs' backups as the user asked.
    void backup_selected();

    // What the welcome page, the navigation bar and the tool bar open. The
    // wizards and the option sheets are wired here as they come.
    void open_backup_wizard();
    void open_restore_wizard();
    // The restore wizard over `job` (a job of the store), or over nothing.
    void restore_with_wizard(brim::BackupItem* job);
    void open_job_options();
    void open_user_data_dialog();
    // The welcome page's choice.
    void follow_welcome_choice(WelcomeChoice choice);

public slots:
    // The desktop session ends: quit with the scheduled-start flag as the
    // mark; the session may always end.
    void end_session();
    // A request to end the process (SIGTERM, SIGINT): the runs are stopped
    // without a question and everything is saved as by quit. Open dialogs
    // are cancelled first; inside a dialog's loop the end waits until the
    // loop has returned, so that the code after the dialog still finds the
    // runner and the stores.
    void end_on_request();
    // Posted when an unattended run has ended the program's work: quit with
    // the mark 1.
    void private_quit();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build_views(const std::function<void()>& close_splash);
    void build_menus();
    void build_tool_bar();
    void build_status_bar();
    void build_tray();
    void watch_session_end();
    // An action whose command first makes the program interactive.
    QAction* command(const QString& text, std::function<void()> run, QObject* owner = nullptr);
    QAction* job_command(const QString& text, std::function<void()> run);
    QMenu* new_job_menu();
    QMenu* change_options_menu();
    void update_job_commands();
    std::vector<brim::BackupItem*> selected_jobs() const;
    void open_archive_file();
    void open_help();
    void open_about();
    void tick();
    brim::HandoverAnswer run_handed_job(std::uint32_t job_id);
    void open_archive(const bk::String& path);
    void select_job(const brim::BackupItem& job);
    void run_ended();
    // The services ended and the program told to end; runs have stopped.
    void finish_quit();
    // A command of the user: the program is no longer unattended.
    void user_command() { scheduled_start_ = 0; }

    std::unique_ptr<RunnerController> runner_;
    std::unique_ptr<JobCommands> commands_;
    NavigationBar* navigation_ = nullptr;
    QStackedWidget* views_ = nullptr;
    QWidget* job_page_ = nullptr;
    QTreeWidget* jobs_ = nullptr;
    CReportLogView* reports_ = nullptr;
    CSystemLogView* log_ = nullptr;
    WatcherView* watcher_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* tray_menu_ = nullptr;
    QMenu* options_menu_ = nullptr;
    QMenu* new_menu_ = nullptr;
    QAction* grid_lines_ = nullptr;
    QAction* unschedule_ = nullptr;
    std::vector<QAction*> job_actions_;
    QLabel* status_message_ = nullptr;
    QLabel* status_running_ = nullptr;
    QLabel* status_busy_ = nullptr;
    QLabel* status_clock_ = nullptr;
    QTimer clock_;
    int busy_frame_ = 0;
    QSocketNotifier* end_requests_ = nullptr;
    NavEntry view_ = NavEntry::job_manager;
    int scheduled_start_ = 0;
    bool quitting_ = false;
    bool end_requested_ = false;
    int base_loop_level_ = 0;
};

}  // namespace app
