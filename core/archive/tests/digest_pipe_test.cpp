#include "core/archive/digest_pipe.h"

#include <algorithm>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "core/security/sha256.h"

namespace brim::archive {
namespace {

std::vector<std::uint8_t> bytes_of(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    std::mt19937 random(seed);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Hands `data` over in pieces of `piece` bytes, as a writer does: copied
// with add, or written `in_place` into room the pipe lends (a whole piece
// lent each time, as a writer lends before it knows how much it reads);
// returns the stored bytes given with it.
std::vector<std::uint8_t> feed(DigestPipe& pipe, DigestPipe::File& file, const std::vector<std::uint8_t>& data,
                               std::size_t piece, bool stored, bool in_place) {
    std::vector<std::uint8_t> all_stored;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t n = std::min(piece, data.size() - at);
        // The "stored" bytes: the plain ones reversed, so the two digests differ.
        std::vector<std::uint8_t> other(data.begin() + static_cast<std::ptrdiff_t>(at),
                                        data.begin() + static_cast<std::ptrdiff_t>(at + n));
        std::reverse(other.begin(), other.end());
        if (in_place) {
            const DigestPipe::Room room = pipe.lend(piece, stored ? piece : 0);
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), n, room.plain);
            if (stored) std::copy(other.begin(), other.end(), room.stored);
            pipe.fill(n, stored ? n : 0);
        } else {
            file.add(data.data() + at, n, stored ? other.data() : nullptr, other.size());
        }
        all_stored.insert(all_stored.end(), other.begin(), other.end());
    }
    return all_stored;
}

TEST(DigestPipe, TakesEachFilesDigestsInOrderAcrossBatchesAndAfterAFileLeftUnfinished) {
    // Small files end several to a batch; large ones span batches.
    const std::vector<std::size_t> sizes = {0, 1, 4000, 7, 65536, 65537, (1 << 20) + 3, 3 << 20, 9};
    for (const std::size_t batch : {std::size_t{65536}, DigestPipe::large_batches}) {
        for (const auto& [enciphered, in_place] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
            SCOPED_TRACE("batch " + std::to_string(batch) + (enciphered ? ", enciphered" : "") +
                         (in_place ? ", in place" : ""));
            DigestPipe pipe(batch);
            std::vector<std::vector<std::uint8_t>> files, stored;
            for (std::size_t i = 0; i < sizes.size(); ++i) {
                files.push_back(bytes_of(sizes[i], static_cast<unsigned>(i)));
                DigestPipe::File file(&pipe, enciphered);
                stored.push_back(feed(pipe, file, files.back(), 65536, enciphered, in_place));
                file.finish(false);
                // A file given up half-way: no digest, and nothing of it in the
                // next one, nor of room lent for a read that then failed.
                DigestPipe::File abandoned(&pipe, enciphered);
                feed(pipe, abandoned, bytes_of(100000, 99), 65536, enciphered, in_place);
                pipe.lend(65536, 65536);
            }
            const std::vector<FileDigest> digests = pipe.take();
            ASSERT_EQ(digests.size(), 2 * sizes.size());
            for (std::size_t i = 0; i < sizes.size(); ++i) {
                const FileDigest& got = digests[2 * i];
                EXPECT_EQ(got.kind, enciphered ? DigestKind::plain_and_stored : DigestKind::plain) << sizes[i];
                EXPECT_EQ(got.plain, sha256(files[i].data(), files[i].size())) << sizes[i];
                if (enciphered) {
                    EXPECT_EQ(got.stored, sha256(stored[i].data(), stored[i].size())) << sizes[i];
                }
                EXPECT_EQ(digests[2 * i + 1].kind, DigestKind::none);
            }
            // One file waited for on its own.
            DigestPipe::File last(&pipe, false);
            feed(pipe, last, files[3], 4096, false, in_place);
            EXPECT_EQ(last.finish(true).plain, sha256(files[3].data(), files[3].size()));
        }
    }
}

}  // namespace
}  // namespace brim::archive
