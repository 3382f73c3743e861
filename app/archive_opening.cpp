#include "app/archive_opening.h"

#include "app/app_strings.h"
#include "app/runner/gui_run_answers.h"
#include "basekit/exception.h"
#include "basekit/path.h"
#include "core/backup_exception.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_manager.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"

namespace app {
namespace {

constexpr int open_failure_help = 1010;

void cannot_open(const bk::String& reason, const bk::String& path) {
    const bk::String text = app_strings().format(app_text::cannot_open_archive, {reason, path});
    BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error | mb::help, nullptr, open_failure_help);
}

bool same_file(const bk::String& a, const bk::String& b) {
    return bk::Path::make_full_path(a) == bk::Path::make_full_path(b);
}

}  // namespace

bool prove_set_password(brim::BackupItem& job, const bk::String& path) {
    const auto given = ask_job_password(job.name);
    if (!given) return false;
    if (job.check_password(*given)) return true;
    const bk::String text = app_strings().format(app_text::wrong_archive_password, {bk::Path::file_name(path)});
    BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error);
    return false;
}

brim::BackupItem* open_archive_as_job(const bk::String& path) {
    std::unique_ptr<brim::BackupItem> opened;
    try {
        opened = brim::BackupSession::open(path);
    } catch (const bk::Exception& failure) {
        cannot_open(failure.message(), path);
        return nullptr;
    }
    auto* store = brim::BackupItemManager::instance();
    for (brim::BackupItem* job : store->items()) {
        if (job->name != opened->name) continue;
        if (same_file(job->archive_file(), opened->archive_file())) return job;
        // Two jobs of one name would write one set: the store keeps names unique.
        cannot_open(app_strings().format(app_text::name_taken, {job->name}), path);
        return nullptr;
    }
    if (opened->password_state == brim::PasswordState::must_prove && !prove_set_password(*opened, path)) return nullptr;
    brim::BackupItem* raw = opened.get();
    store->add(std::move(opened));
    try {
        store->save();
    } catch (const brim::BackupException& failure) {
        BrimMessageBox(failure.message().c_str(), u"", mb::ok | mb::icon_error);
    }
    return raw;
}

}  // namespace app
