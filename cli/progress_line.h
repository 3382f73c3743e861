#pragma once
// What a run or a restore shows as it goes, shared by their printers: on a
// terminal a live progress line (files, bytes, percent, rate, elapsed) that
// other lines are printed above; elsewhere a line per event only when asked
// for (--verbose), and always the warnings, errors and summaries. Not
// thread-safe: the printers hold their own lock around each call.
#include <chrono>
#include <cstdint>
#include <string>

namespace brim::cli {

// "1.50 MiB" and the like.
std::string size_text(std::uint64_t bytes);

class ProgressLine final {
public:
    // `live`: draw the progress line; `events`: one line per file and step.
    ProgressLine(bool live, bool events) : live_(live), events_(events), start_(std::chrono::steady_clock::now()) {}

    bool live() const { return live_; }
    // A line above the progress line.
    void line(const std::string& text);
    // A line for one event (a file, a scanned source), shown only when asked for.
    void event(const std::string& text);
    void restart() { start_ = std::chrono::steady_clock::now(); }
    void totals(std::uint32_t files, std::uint64_t bytes);
    // One file done, `bytes` of it counted now; its event line is `text`.
    void file(const std::string& text, std::uint64_t bytes);
    void bytes(std::uint64_t count);
    // Draws the line now (at the end of a run), then leaves it.
    void finish();

private:
    void draw(bool force);

    bool live_;
    bool events_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_draw_;
    std::uint32_t total_files_ = 0;
    std::uint64_t total_bytes_ = 0;
    std::uint32_t files_ = 0;
    std::uint64_t bytes_ = 0;
    bool open_ = false;
};

}  // namespace brim::cli
