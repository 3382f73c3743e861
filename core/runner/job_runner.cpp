#include "core/runner/job_runner.h"

#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_cleared_foreign = 168;

bool is_floppy(CheckResult result) {
    return result == CheckResult::go_on_floppy || result == CheckResult::clears_foreign_floppy ||
           result == CheckResult::replaces_set_floppy || result == CheckResult::replaces_incomplete_floppy;
}

// The questions of a job run by hand; true when the run goes on.
bool ask(CheckResult result, BackupItem& job, RunAnswers& answers) {
    switch (result) {
        case CheckResult::clears_foreign:
        case CheckResult::clears_foreign_floppy:
            if (!answers.confirm(result, job)) return false;
            LogManager::instance()->log(LogType::warning, core_string(msg_cleared_foreign), job.name);
            return true;
        case CheckResult::replaces_set:
        case CheckResult::replaces_set_floppy:
            if (answers.confirm(result, job)) return true;
            {
                const auto store = BackupItemManager::instance()->lock();
                job.options |= job_option::keep_set;
            }
            answers.appending(job);
            return true;
        case CheckResult::replaces_incomplete:
        case CheckResult::replaces_incomplete_floppy: return answers.confirm(result, job);
        default: return true;
    }
}

bk::String refusal_text(RunRefused::Reason reason) {
    switch (reason) {
        case RunRefused::Reason::too_many_runs:
            return bk::format_text(u"Brimvault cannot run the job: to make good use of this computer it runs at most "
                                   u"%d jobs at once. Run the job later.",
                                   {static_cast<std::uint32_t>(JobRunner::max_runs)});
        case RunRefused::Reason::job_running: return u"The job is running; Brimvault cannot run it again until it ends.";
        case RunRefused::Reason::password: return u"The password of the job is missing or not right.";
        case RunRefused::Reason::no_session: return u"The job has no kind of backup that can run.";
        case RunRefused::Reason::by_caller: return u"The run was not started.";
    }
    return {};
}

}  // namespace

bool settle_check(CheckResult result, BackupItem& job, RunAnswers* answers, bool can_ask) {
    if (static_cast<int>(result) >= static_cast<int>(CheckResult::newer_version)) {
        if (answers != nullptr) answers->refused(result, job);
        return false;
    }
    if (is_floppy(result) && answers != nullptr) answers->floppy(job);
    if (!can_ask || answers == nullptr) return true;
    return ask(result, job, *answers);
}

// Forwards the session's events to the caller's listeners and keeps the
// progress a watcher polls.
class JobRun::Relay final : public BackupEvent, public RestoreEvent {
public:
    Relay(BackupEvent* backup, RestoreEvent* restore) : backup_(backup), restore_(restore) {}

    RunProgress progress() const {
        RunProgress now;
        now.files_done = files_done_.load();
        now.files_total = files_total_.load();
        now.bytes_done = bytes_done_.load();
        now.bytes_total = bytes_total_.load();
        std::lock_guard lock(mutex_);
        now.current = current_;
        return now;
    }

    // BaseEvent
    void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) override {
        files_total_ = files;
        bytes_total_ = size;
        if (backup_ != nullptr) backup_->end_parse(files, directories, size);
        if (restore_ != nullptr) restore_->end_parse(files, directories, size);
    }
    void on_warning(const bk::String& text) override {
        if (backup_ != nullptr) backup_->on_warning(text);
        if (restore_ != nullptr) restore_->on_warning(text);
    }
    void on_error(const bk::String& text) override {
        if (backup_ != nullptr) backup_->on_error(text);
        if (restore_ != nullptr) restore_->on_error(text);
    }
    void on_size(std::uint32_t bytes) override {
        bytes_done_ += bytes;
        if (backup_ != nullptr) backup_->on_size(bytes);
        if (restore_ != nullptr) restore_->on_size(bytes);
    }
    void end_stop() override {
        if (backup_ != nullptr) backup_->end_stop();
        if (restore_ != nullptr) restore_->end_stop();
    }
    void on_file(const bk::String& path, std::uint32_t size) override {
        working_on(path);
        ++files_done_;
        bytes_done_ += size;
        if (backup_ != nullptr) backup_->on_file(path, size);
        if (restore_ != nullptr) restore_->on_file(path, size);
    }
    void on_file(const bk::String& path) override {
        working_on(path);
        ++files_done_;
        if (backup_ != nullptr) backup_->on_file(path);
        if (restore_ != nullptr) restore_->on_file(path);
    }
    void verify_file(const bk::String& path) override {
        working_on(path);
        if (backup_ != nullptr) backup_->verify_file(path);
        if (restore_ != nullptr) restore_->verify_file(path);
    }

    // BackupEvent
    void begin_backup(const bk::String& job_name) override {
        if (backup_ != nullptr) backup_->begin_backup(job_name);
    }
    void begin_parse() override {
        if (backup_ != nullptr) backup_->begin_parse();
    }
    void delete_old_data(const bk::String& path) override {
        if (backup_ != nullptr) backup_->delete_old_data(path);
    }
    void parse_source(const bk::String& path) override {
        working_on(path);
        if (backup_ != nullptr) backup_->parse_source(path);
    }
    void end_backup() override {
        if (backup_ != nullptr) backup_->end_backup();
    }
    void backup_dir(const bk::String& path) override {
        working_on(path);
        if (backup_ != nullptr) backup_->backup_dir(path);
    }
    void on_message(const bk::String& text) override {
        if (backup_ != nullptr) backup_->on_message(text);
    }
    bool replace_dir_file(const bk::String& source, const bk::String& target) override {
        return backup_ != nullptr && backup_->replace_dir_file(source, target);
    }
    bool ftp_replace_file(const DataHeader& item, const bk::String& target) override {
        return backup_ != nullptr && backup_->ftp_replace_file(item, target);
    }

    // RestoreEvent
    void begin_restore(const bk::String& job_name) override {
        if (restore_ != nullptr) restore_->begin_restore(job_name);
    }
    void end_restore() override {
        if (restore_ != nullptr) restore_->end_restore();
    }
    void restore_dir(const bk::String& path) override {
        working_on(path);
        if (restore_ != nullptr) restore_->restore_dir(path);
    }
    bool replace_file(const DataHeader& item, const bk::String& target) override {
        return restore_ != nullptr && restore_->replace_file(item, target);
    }
    bool replace_file(const bk::String& source, const bk::String& target) override {
        return restore_ != nullptr && restore_->replace_file(source, target);
    }
    bool replace_ftp_file(const DataHeader& item, const bk::String& target, std::int64_t remote_time,
                          std::int64_t remote_size) override {
        return restore_ != nullptr && restore_->replace_ftp_file(item, target, remote_time, remote_size);
    }

private:
    void working_on(const bk::String& path) {
        std::lock_guard lock(mutex_);
        current_ = path;
    }

    BackupEvent* backup_;
    RestoreEvent* restore_;
    std::atomic<std::uint32_t> files_done_{0}, files_total_{0};
    std::atomic<std::uint64_t> bytes_done_{0}, bytes_total_{0};
    mutable std::mutex mutex_;
    bk::String current_;
};

// ---- one run ----

JobRun::JobRun(BackupItem& job, std::unique_ptr<BackupSession> session, RunRequest request)
    : job_(job), session_(std::move(session)), request_(std::move(request)),
      relay_(std::make_unique<Relay>(request_.backup_events, request_.restore_events)) {
    if (session_->session_direction() == SessionDirection::backup)
        session_->install(static_cast<BackupEvent*>(relay_.get()));
    else
        session_->install(static_cast<RestoreEvent*>(relay_.get()));
}

JobRun::~JobRun() {
    if (worker_.joinable()) worker_.join();
}

void JobRun::stop() {
    stop_asked_ = true;
    session_->stop();
}

void JobRun::pause() {
    if (finished_.load()) return;
    paused_ = true;
    session_->pause();
}

void JobRun::resume() {
    paused_ = false;
    session_->resume();
}

RunProgress JobRun::progress() const { return relay_->progress(); }

RunOutcome JobRun::wait() {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return finished_.load(); });
    return outcome_;
}

bool JobRun::wait_for(int ms) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return finished_.load(); });
}

void JobRun::work_backup(bool unattended) {
    RunOutcome outcome;
    RunAnswers* answers = request_.check_answers != nullptr ? request_.check_answers : request_.answers;
    bool asks_check = !unattended;
    CheckResult check = session_->check_archive(unattended && request_.check_answers == nullptr);
    if (unattended && request_.check_answers != nullptr) {
        // Someone at the screen decides whether a set of another program is
        // cleared; the job's own set follows the unattended rules, so that a
        // scheduled run never waits on a question about it.
        asks_check = check == CheckResult::clears_foreign || check == CheckResult::clears_foreign_floppy;
        if (!asks_check) check = session_->check_archive(true);
    }
    // A stop during the check: no question; the run ends stopped at once
    // with the set as it was.
    const bool goes_on = settle_check(check, job_, answers, asks_check && !stop_asked_.load());
    if (!goes_on) {
        session_->discard_checked_set();
        outcome.end = RunOutcome::End::refused_by_check;
        outcome.result = static_cast<int>(RunResult::failed);
    } else {
        session_->backup();
        conclude(outcome);
    }
    finish(std::move(outcome));
}

void JobRun::work_restore(std::vector<const DataHeader*> selection, bk::String target, std::uint32_t option) {
    RunOutcome outcome;
    session_->restore(selection, target, option);
    conclude(outcome);
    finish(std::move(outcome));
}

void JobRun::conclude(RunOutcome& outcome) {
    if (const BackupItemReport* report = session_->active_report()) {
        outcome.report = std::make_shared<BackupItemReport>(*report);
        outcome.result = report->result;
    }
    if (!request_.save_store) return;
    try {
        BackupItemManager::instance()->save_after_run();
    } catch (const bk::Exception& failure) {
        outcome.save_failure = failure.message();
    }
}

void JobRun::finish(RunOutcome outcome) {
    if (request_.on_end) {
        try {
            request_.on_end(job_, outcome);
        } catch (...) {
        }
    }
    {
        std::lock_guard lock(mutex_);
        outcome_ = std::move(outcome);
        finished_ = true;
    }
    ended_.notify_all();
}

// ---- the runner ----

JobRunner::~JobRunner() {
    stop_all();
    wait_all();
}

void JobRunner::admit(const BackupItem& job, bool unattended) {
    std::vector<std::shared_ptr<JobRun>> ended;
    std::optional<RunRefused::Reason> refusal;
    {
        std::lock_guard lock(mutex_);
        std::vector<std::shared_ptr<JobRun>> going;
        for (auto& run : runs_) (run->finished() ? ended : going).push_back(std::move(run));
        runs_ = std::move(going);
        for (const auto& run : runs_)
            if (&run->job() == &job) refusal = RunRefused::Reason::job_running;
        if (!refusal && runs_.size() + reserved_ >= max_runs) refusal = RunRefused::Reason::too_many_runs;
        if (!refusal) ++reserved_;
    }
    ended.clear();  // their workers have ended: joined here, outside the lock
    if (!refusal) return;
    const bk::String text = refusal_text(*refusal);
    if (unattended) LogManager::instance()->log(LogType::error, text, job.name);
    throw RunRefused(*refusal, text);
}

void JobRunner::release() {
    std::lock_guard lock(mutex_);
    if (reserved_ > 0) --reserved_;
}

std::shared_ptr<JobRun> JobRunner::start_backup(BackupItem& job, RunRequest request) {
    RunAnswers* answers = request.answers;
    const bool unattended = answers == nullptr || !answers->can_ask(job) || job.is_unattended();
    admit(job, unattended);
    try {
        const auto refuse = [&](RunRefused::Reason reason) {
            const bk::String text = refusal_text(reason);
            // The caller that refused its own start has said why.
            if (unattended && reason != RunRefused::Reason::by_caller)
                LogManager::instance()->log(LogType::error, text, job.name);
            throw RunRefused(reason, text);
        };
        if (!prove_password(job, answers)) refuse(RunRefused::Reason::password);
        auto session = BackupSession::create_session(&job, SessionDirection::backup);
        if (!session) refuse(RunRefused::Reason::no_session);
        if (request.prepare && !request.prepare(*session)) refuse(RunRefused::Reason::by_caller);
        auto run = launch(job, std::move(session), std::move(request));
        run->worker_ = std::thread([raw = run.get(), unattended] { raw->work_backup(unattended); });
        return run;
    } catch (...) {
        release();
        throw;
    }
}

std::shared_ptr<JobRun> JobRunner::start_restore(std::unique_ptr<BackupSession> session,
                                                 std::vector<const DataHeader*> selection, bk::String target,
                                                 std::uint32_t option, RunRequest request) {
    BackupItem& job = session->backup_item();
    admit(job, request.answers == nullptr);
    try {
        auto run = launch(job, std::move(session), std::move(request));
        run->worker_ = std::thread([raw = run.get(), selection = std::move(selection), target = std::move(target),
                                    option] { raw->work_restore(selection, target, option); });
        return run;
    } catch (...) {
        release();
        throw;
    }
}

std::shared_ptr<JobRun> JobRunner::launch(BackupItem& job, std::unique_ptr<BackupSession> session,
                                          RunRequest request) {
    // The report collection is made here, on the thread that owns the
    // store, and not by the worker while another thread reads the job.
    job.get_reports();
    std::shared_ptr<JobRun> run(new JobRun(job, std::move(session), std::move(request)));
    std::lock_guard lock(mutex_);
    runs_.push_back(run);
    --reserved_;
    return run;
}

// With nobody to answer, a job marked unattended runs without its password
// proved (its check decides); any other caller proves it.
bool prove_password(BackupItem& job, RunAnswers* answers) {
    const bool needed = job.need_password(answers == nullptr);
    if (answers == nullptr) return !needed;
    const RunAnswers::Password reply = answers->password(job, needed);
    switch (reply.kind) {
        case RunAnswers::Password::Kind::none: return !needed;
        case RunAnswers::Password::Kind::failed: return false;
        case RunAnswers::Password::Kind::given: break;
    }
    if (job.check_password(reply.text)) return true;
    answers->wrong_password(job);
    return false;
}

std::vector<std::shared_ptr<JobRun>> JobRunner::runs() const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<JobRun>> going;
    for (const auto& run : runs_)
        if (!run->finished()) going.push_back(run);
    return going;
}

std::size_t JobRunner::running_count() const { return runs().size(); }

void JobRunner::stop_all() {
    for (const auto& run : runs()) run->stop();
}

void JobRunner::wait_all() {
    for (const auto& run : runs()) run->wait();
}

}  // namespace brim
