#pragma once
// Grid lines between the cells of the program's lists (the job list, the task
// monitor and the system log), switched together from the View menu.
class QTreeView;

namespace app {

void show_grid_lines(QTreeView& list, bool on);
bool shows_grid_lines(const QTreeView& list);

}  // namespace app
