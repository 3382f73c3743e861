#pragma once
// Takes the digests of a run's files on a thread of its own, so that
// hashing overlaps reading, ciphering and writing: the writer hands each
// chunk over (copied into one of a few buffers, waiting when all are in
// use) and collects the digests, in the order the files were written, at
// the end. Used by one writer thread; the worker is stopped and joined by
// the destructor.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "core/archive/digest_file.h"
#include "core/security/sha256.h"

namespace brim::archive {

class DigestPipe final {
public:
    DigestPipe();
    ~DigestPipe();
    DigestPipe(const DigestPipe&) = delete;
    DigestPipe& operator=(const DigestPipe&) = delete;

    // One chunk of the current file: its plain bytes and, for an enciphered
    // run, the bytes stored for them (null otherwise).
    void add(const std::uint8_t* plain, std::size_t plain_size, const std::uint8_t* stored, std::size_t stored_size);
    // The current file ends: its digest is taken when `whole` (kind
    // plain_and_stored for an `enciphered` run, else plain), else it has
    // none. The next add begins the next file.
    void end_file(bool whole, bool enciphered);
    // Waits for the worker and hands over the digests of the files ended so
    // far, in order.
    std::vector<FileDigest> take();

private:
    struct Job {
        std::vector<std::uint8_t> plain;
        std::vector<std::uint8_t> stored;
        bool has_stored = false;
        bool ends_file = false;
        bool whole = false;
        bool enciphered = false;
    };
    void work();
    Job& slot();
    void hand_over(Job job);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::vector<Job> spare_;  // buffers to reuse
    std::vector<FileDigest> done_;
    std::size_t in_flight_ = 0;
    bool stopping_ = false;
    // The worker's own.
    Sha256 plain_hash_;
    Sha256 stored_hash_;
    std::thread worker_;
};

}  // namespace brim::archive
