#include "app/runner/backup_starter.h"

#include "app/runner/runner_strings.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "uictl/brim_message_box.h"
#include "uictl/network_logon.h"
#include "uictl/system_messages.h"
#include "uictl/uictl_strings.h"

namespace app {
namespace {

using brim::RunRefused;

constexpr int access_denied = 5;

void warn(const bk::String& text) { BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_warning); }

void tell_too_many_runs(const brim::BackupItem& job, bool unattended) {
    const bk::String text = too_many_runs_text();
    if (unattended) brim::LogManager::instance()->log(brim::LogType::error, text, job.name);
    else warn(runner_strings().format(text_id::message_with_job, {text, job.name}));
}

}  // namespace

bk::String too_many_runs_text() {
    return runner_strings().format(text_id::too_many_runs, {static_cast<unsigned>(brim::JobRunner::max_runs)});
}

bk::String without_last_line(const bk::String& text) {
    const auto cut = text.rfind(u'\n');
    return cut == bk::String::npos ? text : text.substr(0, cut);
}

void tell_refusal(const bk::String& text, const brim::BackupItem& job, bool unattended) {
    if (unattended) brim::LogManager::instance()->log(brim::LogType::error, text, job.name);
    else warn(text);
}

// ---- job states ----

JobState JobStates::get(const brim::BackupItem& job) const {
    std::lock_guard lock(mutex_);
    const auto found = states_.find(&job);
    return found == states_.end() ? JobState::idle : found->second;
}

void JobStates::set(const brim::BackupItem& job, JobState state) {
    std::lock_guard lock(mutex_);
    if (state == JobState::idle) states_.erase(&job);
    else states_[&job] = state;
}

// ---- network servers ----

bk::String ServerChecks::server_of(const bk::String& path) {
    std::size_t start = 0;
    if (path.starts_with(u"\\\\")) start = 2;
    else if (path.starts_with(u"smb://")) start = 6;
    else return {};
    const std::size_t end = path.find_first_of(u"\\/", start);
    const bk::String host = path.substr(start, end == bk::String::npos ? bk::String::npos : end - start);
    if (host.empty()) return {};
    return path.substr(0, start) + host;
}

bool ServerChecks::check(const brim::BackupItem& job, bool unattended) {
    std::vector<bk::String> paths;
    for (const auto& source : job.sources) paths.push_back(source.path);
    paths.push_back(job.destination);
    for (const auto& path : paths) {
        const bk::String server = server_of(path);
        if (!server.empty() && !check_server(server, job.name, unattended)) return false;
    }
    return true;
}

bool ServerChecks::check_path(const bk::String& path, const bk::String& job_name) {
    const bk::String server = server_of(path);
    return server.empty() || check_server(server, job_name, false);
}

bool ServerChecks::check_server(const bk::String& server, const bk::String& job_name, bool unattended) {
    {
        std::lock_guard lock(mutex_);
        if (reached_.contains(server)) return true;
    }
    NetResourceInfo info;
    int error = GetNetResource(server.c_str(), &info);
    if (error == 0) {
        std::vector<bk::String> shares;
        if (LoginServer(NetResource{server}, 0, &shares, &error) == 1) {
            std::lock_guard lock(mutex_);
            reached_.insert(server);
            return true;
        }
    }
    // A logon the user gave up at the logon dialog, which showed why, is no
    // news to the user; the log of an unattended run still tells it.
    if (error != 0 && (unattended || error != access_denied)) {
        const bk::String text = GetFldError(uictl::text_id::logon_failed, static_cast<unsigned long>(error), server.c_str());
        if (unattended) brim::LogManager::instance()->log(brim::LogType::error, text, job_name);
        else BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error);
    }
    return false;
}

// ---- the start ----

bool BackupStarter::refused_before(const brim::BackupItem& job, bool unattended) {
    if (runner_.running_count() >= brim::JobRunner::max_runs) {
        tell_too_many_runs(job, unattended);
        return true;
    }
    switch (states_.get(job)) {
        case JobState::running:
            tell_refusal(without_last_line(runner_strings().format(text_id::job_running, {job.name})), job, unattended);
            return true;
        case JobState::being_modified:
            tell_refusal(without_last_line(runner_strings().format(text_id::job_being_modified, {job.name})), job,
                         unattended);
            return true;
        case JobState::idle: return false;
    }
    return false;
}

void BackupStarter::tell(const RunRefused& refusal, brim::BackupItem& job, bool unattended) {
    switch (refusal.reason()) {
        case RunRefused::Reason::too_many_runs:
            // Unattended, the runner has logged its own words.
            if (!unattended) tell_too_many_runs(job, false);
            break;
        case RunRefused::Reason::job_running:
            if (!unattended)
                tell_refusal(without_last_line(runner_strings().format(text_id::job_running, {job.name})), job, false);
            break;
        case RunRefused::Reason::no_session:
            if (!unattended) warn(refusal.message());
            break;
        case RunRefused::Reason::password:  // the answers have said why
        case RunRefused::Reason::by_caller:  // the server check has said why
            break;
    }
}

std::shared_ptr<brim::JobRun> BackupStarter::start(brim::BackupItem& job, bool unattended, brim::RunAnswers& answers,
                                                   brim::RunRequest request) {
    if (refused_before(job, unattended)) return nullptr;
    bool marked = false;
    {
        const auto store = brim::BackupItemManager::instance()->lock();
        if (!unattended) job.options &= ~brim::job_option::unattended;
        else if (!job.is_unattended()) job.options |= brim::job_option::unattended, marked = true;
    }
    request.answers = unattended ? nullptr : &answers;
    // Even a scheduled run asks before clearing a set of another program.
    request.check_answers = &answers;
    request.prepare = [this, &job, unattended](brim::BackupSession&) { return servers_.check(job, unattended); };
    try {
        auto run = runner_.start_backup(job, std::move(request));
        states_.set(job, JobState::running);
        return run;
    } catch (const RunRefused& refusal) {
        if (marked) {
            const auto store = brim::BackupItemManager::instance()->lock();
            job.options &= ~brim::job_option::unattended;
        }
        tell(refusal, job, unattended);
        return nullptr;
    } catch (const bk::Exception& failure) {
        // The job's reports could not be read: the run does not start.
        if (marked) {
            const auto store = brim::BackupItemManager::instance()->lock();
            job.options &= ~brim::job_option::unattended;
        }
        tell_refusal(failure.message(), job, unattended);
        return nullptr;
    }
}

}  // namespace app
