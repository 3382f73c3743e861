#pragma once
// The hand-over channel: the process that owns the data directory (the
// program, a scheduled start, brimvault-cli run or serve) listens on a
// per-user local channel; a later start sends it its command line and waits
// for the answer instead of being refused.
//
// The record on the channel is the hand-over record of a later start: the
// identifier 0, the command line as ANSI text cut to 519 bytes, its length.
// The answer carries an exit status and a text to show. Both travel as
// big-endian u32 words followed by the bytes.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "basekit/platform/os_file.h"
#include "basekit/types.h"

namespace brim {

inline constexpr std::uint32_t handover_record_id = 0;
// The longest command line the owner takes, in bytes of ANSI text.
inline constexpr std::size_t handover_text_limit = 519;
// How long a later start waits for the owner's answer.
inline constexpr int handover_wait_ms = 10000;

struct HandoverAnswer {
    int status = 0;
    std::string text;  // ANSI text, shown by the later start as it is
};

// Where this user's owner listens: $XDG_RUNTIME_DIR/brimvault.channel when
// that directory is set, else the data directory's "brimvault.channel".
bk::String handover_path();

// Hands `command_line` to the owner at `path` and waits up to `wait_ms` for
// its answer. Nothing when no owner listens there, or when it did not answer
// in time (the owner ended while it was asked). Throws IOException when the
// channel fails otherwise.
std::optional<HandoverAnswer> hand_over(bk::StringView path, bk::StringView command_line,
                                        int wait_ms = handover_wait_ms);

// The owner's side: listens at `path` from construction on and answers each
// command line on a thread of its own with `handler`, one at a time, until
// destroyed. Throws IOException (183) when another owner listens there.
class HandoverListener final {
public:
    using Handler = std::function<HandoverAnswer(const bk::String& command_line)>;

    HandoverListener(bk::String path, Handler handler);
    ~HandoverListener();
    HandoverListener(const HandoverListener&) = delete;
    HandoverListener& operator=(const HandoverListener&) = delete;

private:
    void serve();
    void answer(bk::os::Handle connection);

    bk::String path_;
    Handler handler_;
    bk::os::Handle listener_;
    std::atomic<bool> ending_{false};
    std::thread thread_;
};

}  // namespace brim
