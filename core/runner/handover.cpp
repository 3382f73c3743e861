#include "core/runner/handover.h"

#include <array>
#include <vector>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/platform/os_local_channel.h"
#include "basekit/platform/os_system.h"
#include "core/jobs/system_info.h"

namespace brim {
namespace {

constexpr char16_t channel_name[] = u"brimvault.channel";
// How often the owner looks whether it should end, should the wake-up at
// its end not reach the listening thread.
constexpr int poll_ms = 200;
// How long the owner waits for a record once a later start connected.
constexpr int record_wait_ms = 5000;

void put_u32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

std::uint32_t get_u32(const std::array<unsigned char, 4>& bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// Closes a channel handle when it goes out of scope.
class Connection final {
public:
    explicit Connection(bk::os::Handle handle) : handle_(handle) {}
    ~Connection() {
        if (handle_ == bk::os::invalid_handle) return;
        try {
            bk::os::close(handle_, u"");
        } catch (const bk::Exception&) {
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    bk::os::Handle get() const { return handle_; }

private:
    bk::os::Handle handle_;
};

// Reads a u32 word and then that many bytes (at most `limit`).
std::optional<std::string> receive_text(bk::os::Handle channel, std::size_t limit, int wait_ms, bk::StringView path) {
    std::array<unsigned char, 4> word{};
    if (!bk::os::receive_exactly(channel, word.data(), word.size(), wait_ms, path)) return std::nullopt;
    const std::uint32_t length = get_u32(word);
    if (length > limit) return std::nullopt;
    std::string text(length, '\0');
    if (length > 0 && !bk::os::receive_exactly(channel, text.data(), length, wait_ms, path)) return std::nullopt;
    return text;
}

}  // namespace

bk::String handover_path() {
    const auto runtime = bk::os::environment_variable(u"XDG_RUNTIME_DIR");
    if (runtime && !runtime->empty() && bk::Path::is_absolute_path(*runtime))
        return bk::Path::combine(*runtime, channel_name);
    SystemInfo::instance();
    return bk::Path::combine(SystemInfo::registry_path(), channel_name);
}

std::optional<HandoverAnswer> hand_over(bk::StringView path, bk::StringView command_line, int wait_ms) {
    const Connection channel(bk::os::connect_local(path));
    if (channel.get() == bk::os::invalid_handle) return std::nullopt;
    std::string text = bk::to_ansi(command_line);
    if (text.size() > handover_text_limit) text.resize(handover_text_limit);
    std::string record;
    put_u32(record, handover_record_id);
    put_u32(record, static_cast<std::uint32_t>(text.size()));
    record += text;
    bk::os::send_all(channel.get(), record.data(), record.size(), path);

    std::array<unsigned char, 4> status{};
    if (!bk::os::receive_exactly(channel.get(), status.data(), status.size(), wait_ms, path)) return std::nullopt;
    auto shown = receive_text(channel.get(), 1 << 20, wait_ms, path);
    if (!shown) return std::nullopt;
    return HandoverAnswer{static_cast<int>(get_u32(status)), std::move(*shown)};
}

HandoverListener::HandoverListener(bk::String path, Handler handler)
    : path_(std::move(path)), handler_(std::move(handler)), listener_(bk::os::listen_local(path_)) {
    thread_ = std::thread([this] { serve(); });
}

HandoverListener::~HandoverListener() {
    ending_ = true;
    bk::os::stop_listening(listener_);
    thread_.join();
    try {
        bk::os::close(listener_, path_);
        bk::os::remove_file(path_);
    } catch (const bk::Exception&) {
        // The next owner replaces a channel file left behind.
    }
}

void HandoverListener::serve() {
    while (!ending_) {
        try {
            const Connection connection(bk::os::accept_local(listener_, poll_ms));
            if (connection.get() != bk::os::invalid_handle) answer(connection.get());
        } catch (const bk::Exception&) {
            // One later start that went away costs only its own request.
        }
    }
}

void HandoverListener::answer(bk::os::Handle connection) {
    std::array<unsigned char, 4> id{};
    if (!bk::os::receive_exactly(connection, id.data(), id.size(), record_wait_ms, path_)) return;
    if (get_u32(id) != handover_record_id) return;
    // The owner takes at most the record's limit, as the sender cut it.
    const auto text = receive_text(connection, handover_text_limit, record_wait_ms, path_);
    if (!text) return;
    const HandoverAnswer result = handler_(bk::from_ansi(*text));
    std::string reply;
    put_u32(reply, static_cast<std::uint32_t>(result.status));
    put_u32(reply, static_cast<std::uint32_t>(result.text.size()));
    reply += result.text;
    bk::os::send_all(connection, reply.data(), reply.size(), path_);
}

}  // namespace brim
