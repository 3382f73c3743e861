#include "basekit/buffered_stream.h"

#include <gtest/gtest.h>

#include "basekit/exception.h"
#include "basekit/memory_stream.h"

namespace bk {
namespace {

// Records every write that reaches it.
class RecordingOutput : public OutputStream {
public:
    using OutputStream::write;
    void write(const std::uint8_t* bytes, std::uint32_t length) override {
        writes.emplace_back(bytes, bytes + length);
    }
    std::int64_t seek(std::int64_t, SeekOrigin) override { return 0; }
    std::vector<std::vector<std::uint8_t>> writes;
};

TEST(BufferedOutputStream, PassesAllBytesInOneWriteAtFlush) {
    RecordingOutput sink;
    BufferedOutputStream out(&sink, false, false);
    EXPECT_EQ(out.buffer(), nullptr);
    for (int i = 0; i < 10; ++i) out.write(i);
    EXPECT_TRUE(sink.writes.empty());
    EXPECT_NE(out.buffer(), nullptr);
    out.flush();
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0].size(), 10u);
    EXPECT_EQ(sink.writes[0][9], 9);
    out.flush();
    EXPECT_EQ(sink.writes.size(), 1u);
}

TEST(BufferedOutputStream, ConstructorErrorsAndClosedUse) {
    RecordingOutput sink;
    EXPECT_THROW(BufferedOutputStream(nullptr, false, false), ArgumentException);
    EXPECT_THROW(BufferedOutputStream(&sink, 0, false, false), ArgumentException);
    BufferedOutputStream out(&sink, 16, false, false);
    out.write(7);
    out.close();
    EXPECT_EQ(sink.writes.size(), 1u);
    EXPECT_THROW(out.write(1), IOException);
}

std::vector<std::uint8_t> sequence(int n) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

TEST(BufferedInputStream, DeliversEveryByteWhateverTheReadSizes) {
    const auto data = sequence(10000);
    for (int chunk : {1, 7, 100, 2048, 4096, 20000}) {
        MemoryInputStream memory(data);
        BufferedInputStream in(&memory, 100, false, false);
        std::vector<std::uint8_t> got;
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
        int n;
        while ((n = in.read(buffer.data(), chunk)) > 0) got.insert(got.end(), buffer.begin(), buffer.begin() + n);
        EXPECT_EQ(got, data) << chunk;
    }
}

TEST(BufferedInputStream, SeeksInsideAndOutsideTheBuffer) {
    const auto data = sequence(1000);
    MemoryInputStream memory(data);
    BufferedInputStream in(&memory, 100, false, false);
    EXPECT_EQ(in.read(), data[0]);
    EXPECT_EQ(in.seek(9, SeekOrigin::Current), 9);  // inside the buffered bytes
    EXPECT_EQ(in.read(), data[10]);
    in.seek(500, SeekOrigin::Current);  // beyond them
    EXPECT_EQ(in.read(), data[511]);
    in.seek(3, SeekOrigin::Begin);
    EXPECT_EQ(in.read(), data[3]);
    EXPECT_EQ(in.available(), 996);
}

TEST(BufferedInputStream, DefaultCapacityFollowsASmallSource) {
    const auto data = sequence(5);
    MemoryInputStream memory(data);
    BufferedInputStream in(&memory, false, false);
    std::uint8_t buffer[10];
    EXPECT_EQ(in.read(buffer, 10), 5);
    EXPECT_EQ(in.read(), -1);
    EXPECT_THROW(BufferedInputStream(nullptr, false, false), ArgumentException);
    EXPECT_THROW(BufferedInputStream(&memory, 0, false, false), ArgumentException);
}

}  // namespace
}  // namespace bk
