#include "app/runner/run_sink.h"

#include <QMetaObject>

#include "app/runner/gui_thread.h"
#include "app/runner/runner_controller.h"

namespace app {

RunSink::RunSink(RunnerController& controller, std::uint64_t serial, bool unattended)
    : controller_(controller), serial_(serial), unattended_(unattended) {}

template <typename Call>
void RunSink::send(Call call) {
    RunnerController* controller = &controller_;
    QMetaObject::invokeMethod(
        controller, [controller, serial = serial_, call] { call(*controller, serial); }, Qt::QueuedConnection);
}

template <typename Reaction>
void RunSink::post(Reaction reaction) {
    send([reaction](RunnerController& controller, std::uint64_t serial) { controller.react(serial, reaction); });
}

void RunSink::end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) {
    post([=](WatcherRow& row) { row.end_parsing(files, directories, size); });
}
void RunSink::on_warning(const bk::String& text) {
    post([=](WatcherRow& row) { row.warning(text); });
}
void RunSink::on_error(const bk::String& text) {
    send([text](RunnerController& controller, std::uint64_t serial) { controller.run_failed(serial, text); });
}
void RunSink::on_size(std::uint32_t bytes) {
    post([=](WatcherRow& row) { row.size(bytes); });
}
void RunSink::end_stop() {
    post([](WatcherRow& row) { row.stopped(); });
}
void RunSink::on_file(const bk::String& path, std::uint32_t size) {
    post([=](WatcherRow& row) { row.file_done(path, size); });
}
void RunSink::on_file(const bk::String& path) {
    post([=](WatcherRow& row) { row.file_done(path); });
}
void RunSink::verify_file(const bk::String& path) {
    post([=](WatcherRow& row) { row.verified(path); });
}

void RunSink::begin_backup(const bk::String&) {
    send([](RunnerController& controller, std::uint64_t serial) {
        controller.run_began(serial, brim::SessionDirection::backup);
    });
}
void RunSink::begin_parse() {
    post([](WatcherRow& row) { row.begin_parsing(); });
}
void RunSink::delete_old_data(const bk::String& path) {
    post([=](WatcherRow& row) { row.old_data_deleted(path); });
}
void RunSink::parse_source(const bk::String&) {
    post([](WatcherRow& row) { row.source_parsed(); });
}
void RunSink::end_backup() {
    send([](RunnerController& controller, std::uint64_t serial) { controller.run_finished(serial); });
}
void RunSink::backup_dir(const bk::String&) {
    post([](WatcherRow& row) { row.directory(); });
}
void RunSink::on_message(const bk::String& text) {
    post([=](WatcherRow& row) { row.message(text); });
}

void RunSink::begin_restore(const bk::String&) {
    send([](RunnerController& controller, std::uint64_t serial) {
        controller.run_began(serial, brim::SessionDirection::restore);
    });
}
void RunSink::end_restore() { end_backup(); }
void RunSink::restore_dir(const bk::String& path) { backup_dir(path); }

FileFacts RunSink::item_facts(const brim::DataHeader& item) {
    return {item.full_path(), static_cast<std::int64_t>(item.size), item.modified};
}

bool RunSink::ask(const ReplaceQuestion& question) {
    if (unattended_) return false;
    if (apply_to_all_.load()) return true;
    const ReplaceAnswer answer =
        on_gui_thread(&controller_, [&] { return controller_.ask_replace(serial_, question); });
    if (answer.replace && answer.apply_to_all) apply_to_all_ = true;
    return answer.replace;
}

bool RunSink::replace_dir_file(const bk::String& source, const bk::String& target) {
    return ask({local_file_facts(target), local_file_facts(source)});
}
bool RunSink::ftp_replace_file(const brim::DataHeader& item, const bk::String& target) {
    return ask({FileFacts{target}, item_facts(item)});
}
bool RunSink::replace_file(const brim::DataHeader& item, const bk::String& target) {
    return ask({local_file_facts(target), item_facts(item)});
}
bool RunSink::replace_file(const bk::String& source, const bk::String& target) {
    return ask({local_file_facts(target), local_file_facts(source)});
}
bool RunSink::replace_ftp_file(const brim::DataHeader& item, const bk::String& target, std::int64_t remote_time,
                               std::int64_t remote_size) {
    return ask({FileFacts{target, remote_size, remote_time}, item_facts(item)});
}

}  // namespace app
