#include <algorithm>

#include <gtest/gtest.h>

#include "core/security/md5.h"
#include "core/security/sha1.h"
#include "core/security/sha256.h"
#include "core/security/tests/both_paths.h"
#include "core/security/tests/vector_file.h"

namespace brim {
namespace {

using brim_test::Bytes;
using brim_test::to_hex;

class Digests : public brim_test::BothPaths {};

template <class Digest>
void check_file(const std::string& file) {
    int checked = 0;
    for (const auto& v : brim_test::read_vectors(file)) {
        if (!v.has("DIGEST")) continue;
        const Bytes piece = v.bytes("MSG");
        const std::size_t repeat = v.has("REPEAT") ? std::stoul(v.text("REPEAT")) : 1;
        Bytes message;
        for (std::size_t i = 0; i < repeat; ++i) message.insert(message.end(), piece.begin(), piece.end());
        EXPECT_EQ(to_hex(Digest::digest(message.data(), message.size())), v.text("DIGEST"))
            << file << ": " << v.source;
        ++checked;
    }
    EXPECT_GT(checked, 0) << file;
}

TEST_P(Digests, MatchKnownAnswers) {
    check_file<Sha1>("sha1.txt");
    check_file<Sha256>("sha256.txt");
    check_file<Md5>("md5.txt");
}

TEST_P(Digests, Sha1CompressionMatchesKnownAnswer) {
    for (const auto& v : brim_test::read_vectors("sha1.txt")) {
        if (!v.has("STATE_IN")) continue;
        const Bytes in = v.bytes("STATE_IN"), block = v.bytes("BLOCK");
        std::uint32_t state[5];
        for (int i = 0; i < 5; ++i) state[i] = bytes::load_be32(in.data() + 4 * i);
        sha1_compress(state, block.data());
        std::uint8_t out[20];
        for (int i = 0; i < 5; ++i) bytes::store_be32(out + 4 * i, state[i]);
        EXPECT_EQ(to_hex(out, sizeof out), v.text("STATE_OUT"));
    }
}

// Input arriving in pieces of any size gives the digest of the whole,
// across block boundaries and the buffered partial block.
template <class Digest>
void check_pieces() {
    Bytes message(300);
    for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const auto whole = Digest::digest(message.data(), message.size());
    for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 129u}) {
        Digest hash;
        for (std::size_t at = 0; at < message.size(); at += piece)
            hash.update(message.data() + at, std::min(piece, message.size() - at));
        EXPECT_EQ(hash.final(), whole) << "pieces of " << piece;
    }
}

TEST_P(Digests, UpdatesInPiecesGiveTheDigestOfTheWhole) {
    check_pieces<Sha1>();
    check_pieces<Sha256>();
    check_pieces<Md5>();
}

TEST_P(Digests, FinalStartsANewMessage) {
    Sha256 hash;
    hash.update("garbage", 7);
    (void)hash.final();
    hash.update("abc", 3);
    EXPECT_EQ(to_hex(hash.final()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Md5 md;
    md.update("abc", 3);
    md.init();
    EXPECT_EQ(to_hex(md.final()), "d41d8cd98f00b204e9800998ecf8427e");
}

BRIM_INSTANTIATE_BOTH_PATHS(Digests);

}  // namespace
}  // namespace brim
