#pragma once
// One row of the task monitor: a job's run as its eight columns, its state,
// the output text its events append to, and its progress. Each event of a
// run has one reaction here; they run on the GUI thread.
#include <array>
#include <cstdint>

#include "app/runner/progress_ticker.h"
#include "basekit/text_format.h"
#include "basekit/types.h"
#include "core/engine/backup_session.h"

namespace app {

namespace column {
inline constexpr int job = 0;
inline constexpr int state = 1;
inline constexpr int total_files = 2;
inline constexpr int total_size = 3;
inline constexpr int files_done = 4;
inline constexpr int size_done = 5;
inline constexpr int percent = 6;
inline constexpr int elapsed = 7;
inline constexpr int count = 8;
}  // namespace column

enum class RowIcon { running, error, stopped, finished };

// How a run ended, for the end-of-run handling.
enum class RunEnd { stopped = 0, error = 1, finished = 2 };

class WatcherRow {
public:
    WatcherRow(bk::String job_name, brim::SessionDirection direction, std::uint64_t serial = 0);

    const bk::String& job_name() const { return columns_[column::job]; }
    brim::SessionDirection direction() const { return direction_; }
    // Tells the rows of a list apart, also two rows of one job.
    std::uint64_t serial() const { return serial_; }
    const bk::String& column(int index) const { return columns_.at(static_cast<std::size_t>(index)); }
    // The text id of the state column.
    std::uint32_t state() const { return state_; }
    const bk::String& output() const { return output_; }
    RowIcon icon() const { return icon_; }
    const ProgressTicker& progress() const { return ticker_; }
    bool ticker_active() const { return ticker_active_; }
    bool paused() const { return state_ == paused_state; }
    // Stopped, terminated or finished: no command applies any more.
    bool ended() const;
    // What the run covered: the scan's totals and the folders done.
    std::uint32_t files_total() const { return ticker_.files_total(); }
    std::uint32_t directories_total() const { return directories_total_; }

    // Events of a backup.
    void begin_backup();
    void begin_parsing();
    void source_parsed();
    void end_parsing(std::uint32_t files, std::uint32_t directories, std::uint64_t size);
    void directory();
    void file_done(const bk::String& path, std::uint32_t size);
    void file_done(const bk::String& path);
    void size(std::uint32_t bytes);
    void verified(const bk::String& path);
    void old_data_deleted(const bk::String& path);
    void warning(const bk::String& text);
    void message(const bk::String& text);
    void error(const bk::String& text);
    void stopped();
    void end();
    // Events of a restore beside the ones above.
    void begin_restore();

    // Commands and the ticker.
    void tick();
    void pause();
    void resume();
    void stop();

private:
    static constexpr std::uint32_t paused_state = 342;
    void set_state(std::uint32_t id);
    void append(const bk::String& text) { output_ += text; }
    void append(std::uint32_t id, std::initializer_list<bk::FormatArg> args);
    void begin(std::uint32_t operation_word);
    void show_progress();
    // The ticker's last update, and no more ticks.
    void stop_ticker();

    brim::SessionDirection direction_;
    std::uint64_t serial_;
    std::array<bk::String, column::count> columns_;
    std::uint32_t state_ = 0;
    std::uint32_t state_before_pause_ = 0;
    bool ticker_before_pause_ = false;
    bk::String output_;
    RowIcon icon_ = RowIcon::running;
    ProgressTicker ticker_;
    bool ticker_active_ = false;
    bool verifying_ = false;
    std::uint32_t directories_total_ = 0;
    std::uint32_t directories_done_ = 0;
};

}  // namespace app
