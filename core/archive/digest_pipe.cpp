#include "core/archive/digest_pipe.h"

namespace brim::archive {
namespace {

// Chunks waiting for the worker at most: enough to ride out a slow write,
// small enough to keep the memory of a run low (a few 64 KiB buffers).
constexpr std::size_t max_queued = 8;

}  // namespace

DigestPipe::DigestPipe() : worker_([this] { work(); }) {}

DigestPipe::~DigestPipe() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

DigestPipe::Job& DigestPipe::slot() {
    // Called with the mutex held: a spare buffer, or a new one.
    if (spare_.empty()) spare_.emplace_back();
    return spare_.back();
}

void DigestPipe::hand_over(Job job) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < max_queued; });
    queue_.push_back(std::move(job));
    changed_.notify_all();
}

void DigestPipe::add(const std::uint8_t* plain, std::size_t plain_size, const std::uint8_t* stored,
                     std::size_t stored_size) {
    Job job;
    {
        std::lock_guard lock(mutex_);
        job = std::move(slot());
        spare_.pop_back();
    }
    job.plain.assign(plain, plain + plain_size);
    job.has_stored = stored != nullptr;
    if (job.has_stored) job.stored.assign(stored, stored + stored_size);
    job.ends_file = false;
    hand_over(std::move(job));
}

void DigestPipe::end_file(bool whole, bool enciphered) {
    Job job;
    job.ends_file = true;
    job.whole = whole;
    job.enciphered = enciphered;
    hand_over(std::move(job));
}

std::vector<FileDigest> DigestPipe::take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && in_flight_ == 0; });
    std::vector<FileDigest> digests = std::move(done_);
    done_.clear();
    return digests;
}

void DigestPipe::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
            ++in_flight_;
        }
        changed_.notify_all();
        FileDigest digest;
        if (!job.ends_file) {
            plain_hash_.update(job.plain.data(), job.plain.size());
            if (job.has_stored) stored_hash_.update(job.stored.data(), job.stored.size());
        } else {
            const auto plain = plain_hash_.final();
            const auto stored = stored_hash_.final();
            if (job.whole) digest = {job.enciphered ? DigestKind::plain_and_stored : DigestKind::plain, plain, stored};
        }
        {
            std::lock_guard lock(mutex_);
            if (job.ends_file) done_.push_back(digest);
            else spare_.push_back(std::move(job));
            --in_flight_;
        }
        changed_.notify_all();
    }
}

}  // namespace brim::archive
