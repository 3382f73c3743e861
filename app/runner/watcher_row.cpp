#include "app/runner/watcher_row.h"

#include "app/runner/runner_strings.h"
#include "basekit/text_format.h"
#include "uictl/byte_to_string.h"

namespace app {
namespace {

// Sizes as the controls library writes them, in its 32-character buffer.
bk::String size_text(std::uint64_t bytes) {
    char16_t buffer[32] = {};
    ByteToString(static_cast<std::int64_t>(bytes), buffer, 32);
    return buffer;
}

bk::String number_text(std::uint64_t value) { return bk::format_text(u"%d", {value}); }

}  // namespace

WatcherRow::WatcherRow(bk::String job_name, brim::SessionDirection direction, std::uint64_t serial)
    : direction_(direction), serial_(serial) {
    columns_[column::job] = std::move(job_name);
    columns_[column::total_files] = u"0";
    columns_[column::total_size] = u"0.0K";
    columns_[column::files_done] = u"0";
    columns_[column::size_done] = u"0.0K";
    columns_[column::percent] = u"0%";
    columns_[column::elapsed] = u"00:00:00";
    set_state(text_id::state_ready);
}

bool WatcherRow::ended() const {
    return state_ == text_id::state_stopped || state_ == text_id::state_terminated ||
           state_ == text_id::state_finished;
}

void WatcherRow::set_state(std::uint32_t id) {
    state_ = id;
    columns_[column::state] = runner_strings().text(id);
}

void WatcherRow::append(std::uint32_t id, std::initializer_list<bk::FormatArg> args) {
    output_ += runner_strings().format(id, args);
}

void WatcherRow::begin(std::uint32_t operation_word) {
    append(text_id::run_header, {job_name(), runner_strings().text(operation_word)});
}

void WatcherRow::begin_backup() {
    set_state(text_id::state_backing_up);
    begin(text_id::backup_word);
}

void WatcherRow::begin_restore() {
    begin(text_id::restore_word);
    append(runner_strings().text(text_id::analysing_catalogue));
}

void WatcherRow::begin_parsing() {
    append(runner_strings().text(text_id::analysing_sources));
    set_state(text_id::state_analysing);
}

void WatcherRow::source_parsed() { append(u"."); }

void WatcherRow::end_parsing(std::uint32_t files, std::uint32_t directories, std::uint64_t size) {
    append(u"\n");
    append(text_id::parse_totals, {files, directories, size_text(size)});
    if (!ended())
        set_state(direction_ == brim::SessionDirection::backup ? text_id::state_backing_up
                                                               : text_id::state_restoring);
    columns_[column::total_files] = number_text(files);
    columns_[column::total_size] = size_text(size);
    directories_total_ = directories;
    ticker_.set_totals(files, size);
    ticker_active_ = !ended();
}

void WatcherRow::directory() { ++directories_done_; }

void WatcherRow::file_done(const bk::String& path, std::uint32_t size) {
    file_done(path);
    ticker_.count_bytes(size);
}

void WatcherRow::file_done(const bk::String& path) {
    append(direction_ == brim::SessionDirection::backup ? text_id::backed_up_line : text_id::restored_line, {path});
    ticker_.count_file();
}

void WatcherRow::size(std::uint32_t bytes) {
    append(u".");
    ticker_.count_bytes(bytes);
}

void WatcherRow::verified(const bk::String& path) {
    append(text_id::verified_line, {path});
    if (verifying_ || ended()) return;
    verifying_ = true;
    set_state(text_id::state_verifying);
}

void WatcherRow::old_data_deleted(const bk::String& path) {
    append(text_id::old_data_deleted_line, {path});
    if (!ended()) set_state(text_id::state_deleting);
}

void WatcherRow::warning(const bk::String& text) { append(text_id::warning_line, {text}); }

void WatcherRow::message(const bk::String& text) { append(text_id::message_line, {text}); }

void WatcherRow::error(const bk::String& text) {
    stop_ticker();
    append(text_id::error_line, {text});
    if (ended()) return;
    icon_ = RowIcon::error;
    set_state(text_id::state_terminated);
}

void WatcherRow::stopped() { icon_ = RowIcon::stopped; }

void WatcherRow::end() {
    stop_ticker();
    if (ended()) return;
    icon_ = RowIcon::finished;
    set_state(text_id::state_finished);
    columns_[column::percent] = u"100%";
}

void WatcherRow::stop_ticker() {
    if (ticker_active_ || paused()) {
        ticker_.settle();
        show_progress();
    }
    ticker_active_ = false;
    ticker_before_pause_ = false;
}

void WatcherRow::show_progress() {
    columns_[column::files_done] = number_text(ticker_.files_done());
    columns_[column::size_done] = size_text(ticker_.bytes_done());
    columns_[column::percent] = ticker_.percent_text();
    columns_[column::elapsed] = ticker_.elapsed_text();
}

void WatcherRow::tick() {
    if (!ticker_active_) return;
    ticker_.tick();
    show_progress();
}

void WatcherRow::pause() {
    if (ended() || paused()) return;
    state_before_pause_ = state_;
    ticker_before_pause_ = ticker_active_;
    ticker_active_ = false;
    set_state(paused_state);
}

void WatcherRow::resume() {
    if (!paused()) return;
    set_state(state_before_pause_);
    ticker_active_ = ticker_before_pause_;
}

void WatcherRow::stop() {
    if (ended()) return;
    resume();
    ticker_active_ = false;
    set_state(text_id::state_stopped);
}

}  // namespace app
