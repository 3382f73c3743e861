#pragma once
// One backup run of a job through its session, for tests: the listener
// installed, an optional preparation of the session, and the result of
// the report the run added.
#include <functional>

#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report_coll.h"

namespace brim_test {

inline brim::RunResult run_backup(brim::BackupItem& job, brim::BackupEvent& listener,
                                  const std::function<void(brim::BackupSession&)>& prepare = {}) {
    auto session = brim::BackupSession::create_session(&job, brim::SessionDirection::backup);
    session->install(&listener);
    if (prepare) prepare(*session);
    session->backup();
    return static_cast<brim::RunResult>(job.get_reports()->reports().back()->result);
}

}  // namespace brim_test
