#pragma once
// The navigation bar on the left of the main window: the folder "Quick use"
// (the job manager, the task monitor and the system log) and the folder
// "Tools" (the backup and the restore wizard). A click on an entry tells
// the window which one was chosen; the window does the rest.
#include <QToolBox>

class QListWidget;

namespace app {

enum class NavEntry { job_manager, task_monitor, system_log, backup_wizard, restore_wizard };

class NavigationBar final : public QToolBox {
    Q_OBJECT
public:
    explicit NavigationBar(QWidget* parent = nullptr);

    // Marks the entry of the view shown now, without telling anyone.
    void mark(NavEntry entry);
    // The folder and row of an entry, for the window's tests and tips.
    QListWidget& folder_of(NavEntry entry) const;
    int row_of(NavEntry entry) const;

signals:
    void chosen(app::NavEntry entry);

private:
    QListWidget* quick_ = nullptr;
    QListWidget* tools_ = nullptr;
};

}  // namespace app
