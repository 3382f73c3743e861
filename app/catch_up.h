#pragma once
// At an ordinary start: the scheduled backups missed while the computer was
// off are made up (unattended), and scheduled jobs that have not backed up
// successfully for a week are told to the user.
namespace app {

class CMainFrame;

void catch_up_schedule(CMainFrame& window);

}  // namespace app
