#include "core/media/ftp_retry.h"

#include <thread>

#include "core/media/ftp_connection.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"

namespace brim {

FtpRetry::FtpRetry(FtpRetryPolicy* policy, FtpConnection& connection)
    : policy_(policy), connection_(connection) {}

bool FtpRetry::prepare_next_attempt(std::int32_t error_code) {
    if (policy_ == nullptr || !policy_->retry_enabled() || !is_retryable_ftp_error(error_code)) return false;
    while (attempts_ < policy_->retry_count()) {
        if (policy_->stop_requested()) return false;
        ++attempts_;
        policy_->count_retry();
        if (!wait_interval()) return false;
        try {
            connection_.reconnect();
            return true;
        } catch (const FtpException&) {
            // This attempt is used up; the next one may find the server again.
        }
    }
    return false;
}

bool FtpRetry::wait_interval() const {
    using clock = std::chrono::steady_clock;
    const auto until = clock::now() + std::chrono::seconds(policy_->retry_interval_seconds());
    for (;;) {
        if (policy_->stop_requested()) return false;
        const auto now = clock::now();
        if (now >= until) return true;
        std::this_thread::sleep_for(std::min<clock::duration>(ftp_stop_poll_step, until - now));
    }
}

}  // namespace brim
