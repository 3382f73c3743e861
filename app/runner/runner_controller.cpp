#include "app/runner/runner_controller.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include "app/runner/gui_run_answers.h"
#include "app/runner/run_sink.h"
#include "app/runner/runner_strings.h"
#include "core/jobs/backup_item_manager.h"
#include "uictl/brim_message_box.h"
#include "uictl/notify_window.h"
#include "uictl/qt_text.h"

namespace app {

using uictl::to_qstring;

// One run: what it needs until its worker has ended, kept until the job
// runs again.
struct RunnerController::Entry {
    std::uint64_t serial = 0;
    std::unique_ptr<brim::BackupItem> owned_job;  // a job made from an archive file; ends last
    brim::BackupItem* job = nullptr;
    bk::String name;
    bool unattended = false;
    brim::SessionDirection direction = brim::SessionDirection::backup;
    std::unique_ptr<GuiRunAnswers> answers;
    std::unique_ptr<RunSink> sink;
    std::shared_ptr<brim::JobRun> run;  // declared after the sink: ends first
    QTimer ticker;
    bool began = false;              // the run's row is in the list
    std::optional<RunEnd> end;       // the end of the run has been handled
};

RunnerController::RunnerController(QObject* parent) : QObject(parent) {}

RunnerController::~RunnerController() {
    closing_ = true;
    stop_all();
    wait_all();
}

bool RunnerController::forget(const brim::BackupItem& job) {
    if (states_.get(job) == JobState::running) return false;
    const auto entry = entries_.find(job.name);
    if (entry != entries_.end()) {
        if (entry->second->run && !entry->second->run->finished()) return false;
        entries_.erase(entry);
    }
    watchers_.remove(job.name);
    emit rows_changed();
    return true;
}

// ---- starting ----

std::unique_ptr<RunnerController::Entry> RunnerController::make_entry(brim::BackupItem& job, bool unattended) {
    auto entry = std::make_unique<Entry>();
    entry->serial = next_serial_++;
    entry->job = &job;
    entry->name = job.name;
    entry->unattended = unattended;
    entry->answers = std::make_unique<GuiRunAnswers>(this, &closing_);
    entry->sink = std::make_unique<RunSink>(*this, entry->serial, unattended);
    entry->ticker.setInterval(1000);
    Entry* raw = entry.get();
    connect(&entry->ticker, &QTimer::timeout, this, [this, raw] { tick(*raw); });
    return entry;
}

brim::RunRequest RunnerController::request_for(Entry& entry) {
    brim::RunRequest request;
    request.answers = entry.answers.get();
    request.backup_events = entry.sink.get();
    request.on_end = [this, serial = entry.serial](const brim::BackupItem&, const brim::RunOutcome&) {
        QMetaObject::invokeMethod(this, [this, serial] { worker_ended(serial); }, Qt::QueuedConnection);
    };
    return request;
}

bool RunnerController::refuse_while_running(const brim::BackupItem& job, bool unattended) {
    const Entry* old = entry_of(job.name);
    if (old == nullptr || !old->run || old->run->finished()) return false;
    tell_refusal(without_last_line(runner_strings().format(text_id::job_running, {job.name})), job, unattended);
    return true;
}

void RunnerController::keep(std::unique_ptr<Entry> entry) {
    entry->ticker.start();
    entries_[entry->name] = std::move(entry);
    emit rows_changed();
}

bool RunnerController::start_backup(brim::BackupItem& job, bool unattended) {
    if (!refuse_while_running(job, unattended)) {
        auto entry = make_entry(job, unattended);
        entry->run = starter_.start(job, unattended, *entry->answers, request_for(*entry));
        if (entry->run) {
            keep(std::move(entry));
            return true;
        }
    }
    emit start_refused(to_qstring(job.name), unattended);
    return false;
}

bool RunnerController::start_restore(std::unique_ptr<brim::BackupSession> session,
                                     std::vector<const brim::DataHeader*> selection, bk::String target,
                                     std::uint32_t option, std::unique_ptr<brim::BackupItem> set_job) {
    brim::BackupItem& job = session->backup_item();
    const QString name = to_qstring(job.name);  // `job` may go with a refused start
    const bool refused = [&] {
        if (running_count() >= brim::JobRunner::max_runs) {
            BrimMessageBox(runner_strings().format(text_id::message_with_job, {too_many_runs_text(), job.name}).c_str(),
                           u"", mb::ok | mb::icon_warning);
            return true;
        }
        return refuse_while_running(job, false);
    }();
    if (!refused) {
        auto entry = make_entry(job, false);
        entry->direction = brim::SessionDirection::restore;
        entry->owned_job = std::move(set_job);
        brim::RunRequest request = request_for(*entry);
        request.backup_events = nullptr;
        request.restore_events = entry->sink.get();
        // A job made from an archive file for this restore is no job of the store.
        const auto stored = brim::BackupItemManager::instance()->items();
        request.save_store = std::find(stored.begin(), stored.end(), &job) != stored.end();
        try {
            entry->run = runner_.start_restore(std::move(session), std::move(selection), std::move(target), option,
                                               std::move(request));
            states_.set(job, JobState::running);
            keep(std::move(entry));
            return true;
        } catch (const bk::Exception& failure) {
            tell_refusal(failure.message(), job, false);
        }
    }
    session.reset();  // before the job it reads, which `set_job` may own
    set_job.reset();
    emit start_refused(name, false);
    return false;
}

// ---- commands ----

RunnerController::Entry* RunnerController::entry_of(const bk::String& job_name) const {
    const auto found = entries_.find(job_name);
    return found == entries_.end() ? nullptr : found->second.get();
}

RunnerController::Entry* RunnerController::entry_of(std::uint64_t serial) const {
    for (const auto& [name, entry] : entries_)
        if (entry->serial == serial) return entry.get();
    return nullptr;
}

WatcherRow* RunnerController::row_of(const Entry& entry) { return entry.began ? watchers_.find(entry.name) : nullptr; }

void RunnerController::stop(const bk::String& job_name) {
    Entry* entry = entry_of(job_name);
    if (entry == nullptr || entry->end || !entry->run) return;
    WatcherRow* row = row_of(*entry);
    if (row != nullptr && row->ended()) return;
    if (row != nullptr && row->paused()) entry->run->resume();
    entry->run->stop();
    if (row != nullptr) row->stop();
    end_of_run(*entry, RunEnd::stopped);
}

void RunnerController::pause(const bk::String& job_name) {
    Entry* entry = entry_of(job_name);
    WatcherRow* row = entry != nullptr && !entry->end ? row_of(*entry) : nullptr;
    if (row == nullptr || row->ended() || row->paused()) return;
    entry->run->pause();
    row->pause();
    emit rows_changed();
}

void RunnerController::resume(const bk::String& job_name) {
    Entry* entry = entry_of(job_name);
    WatcherRow* row = entry != nullptr ? row_of(*entry) : nullptr;
    if (row == nullptr || !row->paused()) return;
    entry->run->resume();
    row->resume();
    emit rows_changed();
}

void RunnerController::stop_all() {
    for (const bk::String& name : running_job_names()) stop(name);
}

void RunnerController::wait_all() {
    while (runner_.running_count() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The ends the workers posted.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::size_t RunnerController::running_count() const { return runner_.running_count(); }

std::vector<bk::String> RunnerController::running_job_names() const {
    std::vector<bk::String> names;
    for (const auto& [name, entry] : entries_)
        if (entry->run && !entry->run->finished()) names.push_back(name);
    return names;
}

void RunnerController::set_modifying(const brim::BackupItem& job, bool modifying) {
    if (modifying) states_.set(job, JobState::being_modified);
    else if (states_.get(job) == JobState::being_modified) states_.set(job, JobState::idle);
}

// ---- events of a run ----

void RunnerController::react(std::uint64_t serial, const std::function<void(WatcherRow&)>& reaction) {
    Entry* entry = entry_of(serial);
    WatcherRow* row = entry != nullptr ? row_of(*entry) : nullptr;
    if (row == nullptr) return;
    reaction(*row);
    emit rows_changed();
}

void RunnerController::run_began(std::uint64_t serial, brim::SessionDirection direction) {
    Entry* entry = entry_of(serial);
    if (entry == nullptr) return;
    WatcherRow& row = watchers_.replace(entry->name, direction);
    entry->began = true;
    if (direction == brim::SessionDirection::backup) row.begin_backup();
    else row.begin_restore();
    // Stopped while the destination was checked.
    if (entry->end == RunEnd::stopped) row.stop();
    emit rows_changed();
}

void RunnerController::run_failed(std::uint64_t serial, const bk::String& text) {
    Entry* entry = entry_of(serial);
    if (entry == nullptr) return;
    if (WatcherRow* row = row_of(*entry)) row->error(text);
    if (!entry->end) end_of_run(*entry, RunEnd::error);
    emit rows_changed();
}

void RunnerController::run_finished(std::uint64_t serial) {
    Entry* entry = entry_of(serial);
    if (entry == nullptr) return;
    if (WatcherRow* row = row_of(*entry)) row->end();
    if (!entry->end) end_of_run(*entry, RunEnd::finished);
    emit rows_changed();
}

ReplaceAnswer RunnerController::ask_replace(std::uint64_t serial, const ReplaceQuestion& question) {
    Entry* entry = entry_of(serial);
    if (entry == nullptr || closing_.load()) return {};
    // The elapsed time does not run while the user answers.
    entry->ticker.stop();
    const ReplaceAnswer answer = app::ask_replace(question);
    if (!entry->end) entry->ticker.start();
    return answer;
}

void RunnerController::tick(Entry& entry) {
    if (WatcherRow* row = row_of(entry)) {
        row->tick();
        emit rows_changed();
    }
}

void RunnerController::end_of_run(Entry& entry, RunEnd kind) {
    entry.end = kind;
    entry.ticker.stop();
    brim::BackupItem& job = *entry.job;
    states_.set(job, JobState::idle);
    bool was_unattended = false;
    {
        const auto store = brim::BackupItemManager::instance()->lock();
        was_unattended = job.is_unattended();
        job.options &= ~brim::job_option::unattended;
    }
    if (!was_unattended && kind != RunEnd::stopped && job.need_notify() && !closing_.load()) {
        auto* record = new NotifyRecord;
        record->job_name = job.name;
        record->direction = entry.direction == brim::SessionDirection::restore ? 1 : 0;
        if (const WatcherRow* row = row_of(entry)) {
            record->files = static_cast<int>(row->progress().files_done());
            record->folders = static_cast<int>(row->directories_total());
            record->bytes = static_cast<std::int64_t>(row->progress().bytes_done());
        }
        record->failed = kind == RunEnd::error;
        PopNotifyWnd(record);
    }
    emit rows_changed();
}

void RunnerController::worker_ended(std::uint64_t serial) {
    Entry* entry = entry_of(serial);
    if (entry == nullptr) return;
    entry->run->wait();  // the worker has told its end and is about to return
    // Ended without an end event: refused by the destination's check, or
    // stopped before it began.
    if (!entry->end) end_of_run(*entry, RunEnd::stopped);
    emit run_ended(to_qstring(entry->name), static_cast<int>(*entry->end));
}

}  // namespace app
