// Streaming remote files, and the retry rule over dropped connections.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "core/media/ftp_connection.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_input_stream.h"
#include "core/media/ftp_output_stream.h"
#include "tests/integration/ftp_server_fixture.h"
#include "tests/integration/ftp_test_support.h"

namespace brim {
namespace {

using brim_test::fill_pattern;
using brim_test::FtpServer;
using brim_test::TestRetryPolicy;
namespace fs = std::filesystem;

constexpr std::int64_t mib = 1024 * 1024;
constexpr int chunk = 64 * 1024;
constexpr auto transfer_failed = u"Operating system error,check network or if have rights to access.";

// Reads the stream to its end, checking every byte against the pattern from
// `offset` on; returns the number of bytes read.
std::int64_t read_and_check(bk::InputStream& in, std::uint32_t seed, std::int64_t offset) {
    std::vector<std::uint8_t> got(chunk);
    std::vector<std::uint8_t> want(chunk);
    std::int64_t total = 0;
    for (;;) {
        const int n = in.read(got.data(), chunk);
        if (n < 0) return total;
        fill_pattern(seed, offset + total, want.data(), static_cast<std::size_t>(n));
        if (std::memcmp(got.data(), want.data(), static_cast<std::size_t>(n)) != 0) {
            ADD_FAILURE() << "bytes differ in the block at " << offset + total;
            return total;
        }
        total += n;
    }
}

void write_pattern(bk::OutputStream& out, std::uint32_t seed, std::int64_t size) {
    std::vector<std::uint8_t> block(chunk);
    for (std::int64_t at = 0; at < size; at += chunk) {
        const auto length = static_cast<std::uint32_t>(std::min<std::int64_t>(chunk, size - at));
        fill_pattern(seed, at, block.data(), length);
        out.write(block.data(), length);
    }
}

class FtpStreamTest : public ::testing::Test {
protected:
    void SetUp() override { connection_.connect(); }

    FtpServer server_;
    FtpConnection connection_{server_.user_info()};
};

TEST_F(FtpStreamTest, StreamsALargeFileDownAndUpByteExactInBoundedMemory) {
    const std::int64_t size = 20 * mib + 12345;
    brim_test::write_pattern_file(server_.root() / "big.bin", 7, size);
    const long memory_before = brim_test::peak_memory_kib();
    {
        FtpInputStream in(connection_, u"ftp://127.0.0.1/big.bin", nullptr);
        EXPECT_EQ(in.available(), size);
        EXPECT_EQ(read_and_check(in, 7, 0), size);
        EXPECT_EQ(in.available(), 0);
        in.close();
    }
    {
        FtpOutputStream out(connection_, u"/copy of big.bin", nullptr);
        write_pattern(out, 9, size);
        out.close();
        EXPECT_EQ(out.bytes_transferred(), size);
    }
    EXPECT_TRUE(brim_test::file_has_pattern(server_.root() / "copy of big.bin", 9, size));
    // Neither direction held the file: far less than its size came on top.
    if (brim_test::memory_bounds_hold()) {
        EXPECT_LT(brim_test::peak_memory_kib() - memory_before, 12 * 1024);
    }
}

TEST_F(FtpStreamTest, SeeksFromEachOrigin) {
    const std::int64_t size = 3 * mib;
    brim_test::write_pattern_file(server_.root() / "f.bin", 3, size);
    FtpInputStream in(connection_, u"/f.bin", nullptr);
    std::vector<std::uint8_t> got(100);
    std::vector<std::uint8_t> want(100);
    ASSERT_EQ(in.read(got.data(), 100), 100);
    EXPECT_EQ(in.seek(2 * mib, bk::SeekOrigin::Begin), 2 * mib - 100);
    EXPECT_EQ(in.available(), size - 2 * mib);
    EXPECT_EQ(read_and_check(in, 3, 2 * mib), size - 2 * mib);
    EXPECT_EQ(in.seek(-1000, bk::SeekOrigin::End), -1000);
    EXPECT_EQ(in.seek(-mib, bk::SeekOrigin::Current), -mib);
    EXPECT_EQ(read_and_check(in, 3, size - 1000 - mib), mib + 1000);
    EXPECT_EQ(in.seek(10, bk::SeekOrigin::End), 10);  // past the end: nothing more to read
    EXPECT_EQ(in.read(got.data(), 100), -1);
    try {
        in.seek(-1, bk::SeekOrigin::Begin);
        FAIL() << "moved before the start";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), transfer_failed);
    }
}

TEST_F(FtpStreamTest, EmptyFilesAndMissingFiles) {
    brim_test::write_bytes(server_.root() / "empty", "");
    FtpInputStream empty(connection_, u"/empty", nullptr);
    std::uint8_t byte = 0;
    EXPECT_EQ(empty.read(&byte, 1), -1);
    {
        FtpOutputStream out(connection_, u"/new empty", nullptr);
        out.write(&byte, 0);
        out.close();
    }
    EXPECT_TRUE(fs::exists(server_.root() / "new empty"));
    EXPECT_EQ(fs::file_size(server_.root() / "new empty"), 0u);
    try {
        FtpInputStream missing(connection_, u"/missing", nullptr);
        FAIL() << "opened a missing file";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), transfer_failed);
    }
    FtpOutputStream out(connection_, u"/x", nullptr);
    try {
        out.write(nullptr, 1);
        FAIL() << "wrote from no buffer";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Incorrect parameters.");
    }
    EXPECT_THROW(out.write(1), FtpException);
}

TEST_F(FtpStreamTest, ReadResumesAfterADroppedConnection) {
    const std::int64_t size = 5 * mib + 7;
    brim_test::write_pattern_file(server_.root() / "f.bin", 11, size);
    TestRetryPolicy policy(true, 3, 0);
    server_.drop_next_transfer_after(2 * mib + 3);
    FtpInputStream in(connection_, u"/f.bin", &policy);
    EXPECT_EQ(read_and_check(in, 11, 0), size);
    EXPECT_FALSE(server_.drop_pending());
    EXPECT_EQ(policy.retries(), 1);
}

TEST_F(FtpStreamTest, WriteResumesAfterADroppedConnection) {
    const std::int64_t size = 6 * mib + 5;
    TestRetryPolicy policy(true, 3, 0);
    server_.drop_next_transfer_after(3 * mib + 17);
    FtpOutputStream out(connection_, u"/up.bin", &policy);
    write_pattern(out, 13, size);
    out.close();
    EXPECT_FALSE(server_.drop_pending());
    EXPECT_EQ(policy.retries(), 1);
    EXPECT_TRUE(brim_test::file_has_pattern(server_.root() / "up.bin", 13, size));
}

TEST_F(FtpStreamTest, WithoutRetryADroppedConnectionFailsAtOnce) {
    brim_test::write_pattern_file(server_.root() / "f.bin", 5, 4 * mib);
    TestRetryPolicy policy(false, 3, 0);
    server_.drop_next_transfer_after(mib);
    FtpInputStream in(connection_, u"/f.bin", &policy);
    try {
        read_and_check(in, 5, 0);
        FAIL() << "read past a dropped connection";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), transfer_failed);
        EXPECT_TRUE(is_retryable_ftp_error(failure.error_code())) << failure.error_code();
    }
    EXPECT_EQ(policy.retries(), 0);
}

TEST_F(FtpStreamTest, AStopDuringTheRetryWaitEndsTheTransfer) {
    brim_test::write_pattern_file(server_.root() / "f.bin", 5, 4 * mib);
    TestRetryPolicy policy(true, 5, 60);
    server_.drop_next_transfer_after(mib);
    FtpInputStream in(connection_, u"/f.bin", &policy);
    std::thread stopper([&] {
        for (int i = 0; i < 500 && policy.retries() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        policy.request_stop();
    });
    const auto start = std::chrono::steady_clock::now();
    try {
        read_and_check(in, 5, 0);
        FAIL() << "the transfer went on after the stop";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), transfer_failed);
    }
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(policy.retries(), 1);
}

}  // namespace
}  // namespace brim
