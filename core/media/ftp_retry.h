#pragma once
// The network retry rule of the FTP client: only when the job allows it,
// only for the retryable network errors, at most the job's retry count per
// operation, the job's interval between attempts, each retry counted on the
// session, and never once the session has been asked to stop.
#include <chrono>
#include <cstdint>

#include "core/media/ftp_exception.h"

namespace brim {

class FtpConnection;

// What the retry rule needs of the running session. The backup session
// implements it; all calls come on the session's worker thread except
// stop_requested, which may be set from another thread and is polled.
class FtpRetryPolicy {
public:
    virtual ~FtpRetryPolicy() = default;
    virtual bool retry_enabled() const = 0;
    virtual int retry_count() const = 0;
    virtual int retry_interval_seconds() const = 0;
    virtual bool stop_requested() const = 0;
    // Adds one to the session's count of network retries.
    virtual void count_retry() = 0;
};

// The retry state of one operation. After each failure the operation asks
// prepare_next_attempt; a true answer means the wait is over and the
// connection has been connected again, so the operation may reopen what it
// had open and repeat itself.
class FtpRetry final {
public:
    // Without a policy nothing is retried. The connection is not owned.
    FtpRetry(FtpRetryPolicy* policy, FtpConnection& connection);

    // False when the failure with `error_code` must end the operation: retry
    // off, not a retryable error, attempts used up, or the session stopped
    // (also while waiting). A reconnect that fails uses up its attempt.
    [[nodiscard]] bool prepare_next_attempt(std::int32_t error_code);

    int attempts_made() const { return attempts_; }

private:
    // Waits the retry interval in small steps; false when a stop came first.
    bool wait_interval() const;

    FtpRetryPolicy* policy_;
    FtpConnection& connection_;
    int attempts_ = 0;
};

// How often a retry wait looks at the stop flag.
inline constexpr std::chrono::milliseconds ftp_stop_poll_step{50};

}  // namespace brim

namespace brim {

// Runs `operation` under the retry rule, calling it again after every
// recovery (the operation reopens whatever it needs). When the rule gives
// up, throws FtpException with the core message `failure_message`, carrying
// the last failure's error code and detail.
template <typename Operation>
auto run_with_ftp_retry(FtpRetryPolicy* policy, FtpConnection& connection, std::uint32_t failure_message,
                        Operation&& operation) {
    FtpRetry retry(policy, connection);
    for (;;) {
        try {
            return operation();
        } catch (const FtpException& failure) {
            if (!retry.prepare_next_attempt(failure.error_code()))
                throw FtpException(failure_message, failure.error_code(), failure.detail());
        }
    }
}

}  // namespace brim
