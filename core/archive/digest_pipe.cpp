#include "core/archive/digest_pipe.h"

#include <algorithm>
#include <cstring>

namespace brim::archive {

std::uint8_t* DigestPipe::Bytes::room(std::size_t size) {
    if (capacity_ - size_ < size) {
        const std::size_t capacity = std::max(size_ + size, capacity_ * 2);
        auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
        if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
        data_ = std::move(grown);
        capacity_ = capacity;
    }
    return data_.get() + size_;
}

DigestPipe::DigestPipe(std::size_t batch_size, std::size_t queue_bytes)
    : batch_size_(batch_size), queue_bytes_(queue_bytes), worker_([this] { work(); }) {}

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
        batch_.pieces.clear();
        batch_open_ = true;
    }
    return batch_;
}

void DigestPipe::hand_over() {
    if (!batch_open_) return;
    // Bytes after the last piece belong to a file that goes on in the next batch.
    const std::size_t last_end = batch_.pieces.empty() ? 0 : batch_.pieces.back().plain_end;
    const std::size_t last_stored_end = batch_.pieces.empty() ? 0 : batch_.pieces.back().stored_end;
    if (batch_.plain.size() > last_end || batch_.stored.size() > last_stored_end)
        batch_.pieces.push_back({batch_.plain.size(), batch_.stored.size()});
    const std::size_t bytes = batch_.plain.size() + batch_.stored.size();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() || queued_bytes_ + bytes <= queue_bytes_; });
    queued_bytes_ += bytes;
    queue_.push_back(std::move(batch_));
    batch_open_ = false;
    changed_.notify_all();
}

void DigestPipe::add(const std::uint8_t* plain, std::size_t plain_size, const std::uint8_t* stored,
                     std::size_t stored_size) {
    if (stored == nullptr) stored_size = 0;
    const Room room = lend(plain_size, stored_size);
    if (plain_size > 0) std::memcpy(room.plain, plain, plain_size);
    if (stored_size > 0) std::memcpy(room.stored, stored, stored_size);
    fill(plain_size, stored_size);
}

DigestPipe::Room DigestPipe::lend(std::size_t plain_size, std::size_t stored_size) {
    Job& job = batch();
    return {job.plain.room(plain_size), job.stored.room(stored_size)};
}

void DigestPipe::fill(std::size_t plain_size, std::size_t stored_size) {
    Job& job = batch();
    job.plain.grow(plain_size);
    job.stored.grow(stored_size);
    if (job.plain.size() >= batch_size_) hand_over();
}

void DigestPipe::end_file(bool whole, bool enciphered) {
    Job& job = batch();
    job.pieces.push_back({job.plain.size(), job.stored.size(), true, whole, enciphered});
    if (job.plain.size() >= batch_size_) hand_over();
}

FileDigest DigestPipe::finish_file(bool whole, bool enciphered) {
    end_file(whole, enciphered);
    hash_here_if_idle();
    std::vector<FileDigest> digests = take();
    return digests.empty() ? FileDigest{} : digests.back();
}

void DigestPipe::hash_here_if_idle() {
    std::lock_guard lock(mutex_);
    if (!batch_open_ || !queue_.empty() || in_flight_ != 0) return;
    // The worker has nothing of this file left: hashing the rest here costs
    // less than waking the worker and waiting for it (small files).
    const std::vector<FileDigest> ended = hash(batch_);
    done_.insert(done_.end(), ended.begin(), ended.end());
    spare_.push_back(std::move(batch_));
    batch_open_ = false;
}

std::vector<FileDigest> DigestPipe::take() {
    hand_over();
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
            queued_bytes_ -= job.plain.size() + job.stored.size();
            ++in_flight_;
        }
        changed_.notify_all();
        std::vector<FileDigest> ended = hash(job);
        {
            std::lock_guard lock(mutex_);
            done_.insert(done_.end(), ended.begin(), ended.end());
            spare_.push_back(std::move(job));
            --in_flight_;
        }
        changed_.notify_all();
    }
}

std::vector<FileDigest> DigestPipe::hash(const Job& job) {
    std::vector<FileDigest> ended;
    std::size_t plain_from = 0;
    std::size_t stored_from = 0;
    for (const Piece& piece : job.pieces) {
        plain_hash_.update(job.plain.data() + plain_from, piece.plain_end - plain_from);
        stored_hash_.update(job.stored.data() + stored_from, piece.stored_end - stored_from);
        plain_from = piece.plain_end;
        stored_from = piece.stored_end;
        if (!piece.ends_file) continue;
        const auto plain = plain_hash_.final();
        const auto stored = stored_hash_.final();
        FileDigest digest;
        if (piece.whole) digest = {piece.enciphered ? DigestKind::plain_and_stored : DigestKind::plain, plain, stored};
        ended.push_back(digest);
    }
    return ended;
}

}  // namespace brim::archive
