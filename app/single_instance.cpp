#include "app/single_instance.h"

#include <chrono>
#include <thread>

#include "basekit/exception.h"

namespace app {

std::unique_ptr<brim::StoreLock> take_ownership() { return brim::StoreLock::try_acquire(); }

std::optional<brim::HandoverAnswer> hand_over_to_owner(bk::StringView line, int wait_ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    const bk::String path = brim::handover_path();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return std::nullopt;
        try {
            if (auto answer = brim::hand_over(path, line, static_cast<int>(left))) return answer;
        } catch (const bk::Exception&) {
            // A channel left by an owner that ended: the next owner replaces it.
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace app
