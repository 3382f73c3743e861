#include "core/archive/digest_pipe.h"

namespace brim::archive {
namespace {

// Batches waiting for the worker at most: a few megabytes of buffers.
constexpr std::size_t max_queued = 3;

}  // namespace

DigestPipe::DigestPipe(std::size_t batch_size) : batch_size_(batch_size), worker_([this] { work(); }) {}

DigestPipe::~DigestPipe() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

DigestPipe::Job& DigestPipe::batch() {
    if (!batch_open_) {
        {
            std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                batch_ = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        batch_.plain.clear();
        batch_.stored.clear();
        batch_.has_stored = batch_.ends_file = batch_.whole = batch_.enciphered = false;
        batch_open_ = true;
    }
    return batch_;
}

void DigestPipe::hand_over() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < max_queued; });
    queue_.push_back(std::move(batch_));
    batch_open_ = false;
    changed_.notify_all();
}

void DigestPipe::add(const std::uint8_t* plain, std::size_t plain_size, const std::uint8_t* stored,
                     std::size_t stored_size) {
    Job& job = batch();
    job.plain.insert(job.plain.end(), plain, plain + plain_size);
    if (stored != nullptr) {
        job.has_stored = true;
        job.stored.insert(job.stored.end(), stored, stored + stored_size);
    }
    if (job.plain.size() >= batch_size_) hand_over();
}

void DigestPipe::end_file(bool whole, bool enciphered) {
    Job& job = batch();
    job.ends_file = true;
    job.whole = whole;
    job.enciphered = enciphered;
    hand_over();
}

FileDigest DigestPipe::finish_file(bool whole, bool enciphered) {
    end_file(whole, enciphered);
    std::vector<FileDigest> digests = take();
    return digests.empty() ? FileDigest{} : digests.back();
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
        // A batch holds data of one file and may end it.
        plain_hash_.update(job.plain.data(), job.plain.size());
        if (job.has_stored) stored_hash_.update(job.stored.data(), job.stored.size());
        FileDigest digest;
        if (job.ends_file) {
            const auto plain = plain_hash_.final();
            const auto stored = stored_hash_.final();
            if (job.whole) digest = {job.enciphered ? DigestKind::plain_and_stored : DigestKind::plain, plain, stored};
        }
        {
            std::lock_guard lock(mutex_);
            if (job.ends_file) done_.push_back(digest);
            spare_.push_back(std::move(job));
            --in_flight_;
        }
        changed_.notify_all();
    }
}

}  // namespace brim::archive
