#pragma once
// The main window: the job list above the task monitor, the commands that
// start and stop runs, the tray icon, the command lines of later starts and
// the one way the program ends.
#include <functional>
#include <memory>
#include <vector>

#include <QMainWindow>

#include "basekit/types.h"
#include "core/runner/handover.h"

class QSystemTrayIcon;
class QTabWidget;
class QToolBar;
class QTreeWidget;

namespace brim {
class BackupItem;
}

namespace app {

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
    // 0 when the user does. False when the program goes on.
    bool quit(int automatic);
    // Whether quit has begun: the services are ended, the program ends.
    bool ending() const { return quitting_; }

    // Hidden with only the tray icon (a scheduled start told to run in the
    // background), or shown maximized without it.
    void show_in_tray();
    void show_to_user();

    // The job list as the store holds it now.
    void refresh_jobs();
    // The job on the list's selected row; null when none.
    brim::BackupItem* selected_job() const;
    // Starts the selected jobs' backups as the user asked.
    void backup_selected();

    // Wired to the welcome page; the dialogs they open come with the wizards.
    void open_backup_wizard();
    void open_user_data_dialog();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build_actions();
    void build_job_actions(QToolBar& tools);
    std::vector<brim::BackupItem*> selected_jobs() const;
    void build_log_page(QTabWidget& pages, const std::function<void()>& close_splash);
    brim::HandoverAnswer run_handed_job(std::uint32_t job_id);
    void open_archive(const bk::String& path);
    void select_job(const brim::BackupItem& job);
    void run_ended(bool unattended_program_end);
    // A command of the user: the program is no longer unattended.
    void user_command() { scheduled_start_ = 0; }

    std::unique_ptr<RunnerController> runner_;
    std::unique_ptr<JobCommands> commands_;
    QTreeWidget* jobs_ = nullptr;
    CSystemLogView* log_ = nullptr;
    WatcherView* watcher_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    int scheduled_start_ = 0;
    bool quitting_ = false;
};

}  // namespace app
