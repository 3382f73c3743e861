#pragma once
// Takes the digests of files on a thread of its own, so that hashing
// overlaps reading, ciphering and writing: the caller hands the data over
// as it passes (gathered into batches of about a megabyte, waiting while
// a bounded number of bytes are queued; a batch holds the ends of as many
// small files as fit, so that small files cost no hand-over each) and
// collects the digests, in the order the files ended, at the end or file by
// file. Used by one calling thread; the worker is stopped and joined by the
// destructor.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/archive/digest_file.h"
#include "core/security/sha256.h"

namespace brim::archive {

class DigestPipe final {
public:
    // Batches go to the worker from `batch_size` bytes on: large batches
    // cost the fewest hand-overs; a caller that waits for each file's digest
    // takes small ones, so that hashing keeps pace with the file.
    static constexpr std::size_t large_batches = 1 << 20;
    // At most `queue_bytes` wait for the worker, so that a worker slower
    // than the caller holds up the caller, not memory. A caller that gives
    // nothing for a while (a writer handing the system its whole write
    // buffer) needs about that much queued to keep the worker hashing
    // meanwhile, else the two take turns.
    static constexpr std::size_t default_queue = 4 << 20;
    explicit DigestPipe(std::size_t batch_size = large_batches, std::size_t queue_bytes = default_queue);
    ~DigestPipe();
    DigestPipe(const DigestPipe&) = delete;
    DigestPipe& operator=(const DigestPipe&) = delete;

    // One chunk of the current file: its plain bytes and, for an enciphered
    // run, the bytes stored for them (null otherwise).
    void add(const std::uint8_t* plain, std::size_t plain_size, const std::uint8_t* stored, std::size_t stored_size);
    // Room in the batch being filled for the current file's next chunk, so
    // that a writer reads (and enciphers) it there instead of having it
    // copied: up to `plain_size` plain bytes and `stored_size` stored ones.
    // Valid until the next call on the pipe; nothing counts until fill().
    struct Room {
        std::uint8_t* plain;
        std::uint8_t* stored;
    };
    Room lend(std::size_t plain_size, std::size_t stored_size);
    // The room lent last now holds the file's next bytes: as add.
    void fill(std::size_t plain_size, std::size_t stored_size);
    // The current file ends: its digest is taken when `whole` (kind
    // plain_and_stored for an `enciphered` run, else plain), else it has
    // none. The next add begins the next file.
    void end_file(bool whole, bool enciphered);
    // end_file, then waits for that file's digest and hands it over.
    FileDigest finish_file(bool whole, bool enciphered);
    // Waits for the worker and hands over the digests of the files ended so
    // far, in order.
    std::vector<FileDigest> take();

    // One file's data on its way to `pipe` (null: none is taken): every
    // way out of the code that feeds it ends the file, as not whole unless
    // finish() said otherwise.
    class File final {
    public:
        File(DigestPipe* pipe, bool enciphered) : pipe_(pipe), enciphered_(enciphered) {}
        ~File() {
            if (pipe_ != nullptr && !ended_) pipe_->end_file(false, enciphered_);
        }
        File(const File&) = delete;
        File& operator=(const File&) = delete;

        void add(const std::uint8_t* plain, std::size_t plain_size, const std::uint8_t* stored = nullptr,
                 std::size_t stored_size = 0) {
            if (pipe_ != nullptr) pipe_->add(plain, plain_size, stored, stored_size);
        }
        // The file is whole: ends it and, with `wait`, returns its digest.
        FileDigest finish(bool wait) {
            if (pipe_ == nullptr || ended_) return {};
            ended_ = true;
            if (wait) return pipe_->finish_file(true, enciphered_);
            pipe_->end_file(true, enciphered_);
            return {};
        }

    private:
        DigestPipe* pipe_;
        bool enciphered_;
        bool ended_ = false;
    };

private:
    // A run of one file's bytes in a batch, up to these ends, and whether the
    // file ends there.
    struct Piece {
        std::size_t plain_end = 0;
        std::size_t stored_end = 0;
        bool ends_file = false;
        bool whole = false;
        bool enciphered = false;
    };
    // A batch's bytes: grows without clearing what it adds, as every byte
    // added is written before the worker reads it.
    class Bytes {
    public:
        Bytes() = default;
        Bytes(Bytes&& other) noexcept { *this = std::move(other); }
        Bytes& operator=(Bytes&& other) noexcept {
            data_ = std::move(other.data_);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
            return *this;
        }
        std::uint8_t* room(std::size_t size);  // for `size` more bytes, at the end
        void grow(std::size_t size) { size_ += size; }
        void clear() { size_ = 0; }
        const std::uint8_t* data() const { return data_.get(); }
        std::size_t size() const { return size_; }

    private:
        std::unique_ptr<std::uint8_t[]> data_;
        std::size_t size_ = 0;
        std::size_t capacity_ = 0;
    };
    struct Job {
        Bytes plain;
        Bytes stored;
        std::vector<Piece> pieces;
    };
    void work();
    // Hashes one batch; returns the digests of the files it ends.
    std::vector<FileDigest> hash(const Job& job);
    // The batch being filled, from a spare buffer.
    Job& batch();
    // Closes the batch being filled, if any, and queues it.
    void hand_over();
    // Hashes the batch being filled on the caller's thread when the worker
    // is idle (hash states are the worker's only while it holds a batch).
    void hash_here_if_idle();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::size_t queued_bytes_ = 0;
    std::vector<Job> spare_;  // buffers to reuse
    std::vector<FileDigest> done_;
    const std::size_t batch_size_;
    const std::size_t queue_bytes_;
    Job batch_;                // the caller's: being filled
    bool batch_open_ = false;
    std::size_t in_flight_ = 0;
    bool stopping_ = false;
    // The worker's own.
    Sha256 plain_hash_;
    Sha256 stored_hash_;
    std::thread worker_;
};

}  // namespace brim::archive
