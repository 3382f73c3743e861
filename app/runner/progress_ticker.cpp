#include "app/runner/progress_ticker.h"

#include "basekit/text_format.h"

namespace app {
namespace {

bk::String two_digits(std::uint32_t value) {
    return bk::format_text(value < 10 ? u"0%d" : u"%d", {value});
}

}  // namespace

void ProgressTicker::set_totals(std::uint32_t files, std::uint64_t bytes) {
    files_total_ = files;
    bytes_total_ = bytes;
}

void ProgressTicker::tick() {
    ++seconds_;
    settle();
}

void ProgressTicker::settle() {
    files_done_ += pending_files_;
    bytes_done_ += pending_bytes_;
    pending_files_ = 0;
    pending_bytes_ = 0;
}

bk::String ProgressTicker::clock_text(std::uint32_t seconds) {
    const std::uint32_t hours = seconds / 3600;
    return bk::format_text(u"%s:%s:%s", {bk::format_text(u"%d", {hours}), two_digits(seconds / 60 % 60),
                                         two_digits(seconds % 60)});
}

bk::String ProgressTicker::elapsed_text() const {
    return seconds_ == 0 ? bk::String(u"00:00:00") : clock_text(seconds_);
}

int ProgressTicker::percent() const {
    if (bytes_total_ == 0) return bytes_done_ > 0 ? 100 : 0;
    if (bytes_done_ >= bytes_total_) return 100;
    return static_cast<int>(bytes_done_ * 100 / bytes_total_);
}

bk::String ProgressTicker::percent_text() const { return bk::format_text(u"%d%%", {percent()}); }

std::uint64_t ProgressTicker::rate() const { return seconds_ == 0 ? 0 : bytes_done_ / seconds_; }

std::int64_t ProgressTicker::seconds_left() const {
    const std::uint64_t per_second = rate();
    if (per_second == 0) return -1;
    if (bytes_done_ >= bytes_total_) return 0;
    return static_cast<std::int64_t>((bytes_total_ - bytes_done_ + per_second - 1) / per_second);
}

}  // namespace app
