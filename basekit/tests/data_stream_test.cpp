#include "basekit/data_stream.h"

#include <gtest/gtest.h>

#include "basekit/exception.h"
#include "basekit/memory_stream.h"

namespace bk {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename Write>
Bytes written(Write&& write) {
    MemoryOutputStream sink;
    DataOutputStream out(&sink, false);
    write(out);
    out.flush();
    return sink.bytes();
}

struct Reader {
    explicit Reader(Bytes data) : bytes(std::move(data)), memory(bytes), in(&memory, false) {}
    Bytes bytes;
    MemoryInputStream memory;
    DataInputStream in;
};

TEST(DataOutputStream, WritesBigEndianIntegers) {
    EXPECT_EQ(written([](auto& o) { o.write_int(1); }), (Bytes{0, 0, 0, 1}));
    EXPECT_EQ(written([](auto& o) { o.write_short(-2); }), (Bytes{0xFF, 0xFE}));
    EXPECT_EQ(written([](auto& o) { o.write_int64(0x0102030405060708); }),
              (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(written([](auto& o) { o.write_bool(true); o.write_ushort(0xABCD); }),
              (Bytes{1, 0xAB, 0xCD}));
    EXPECT_EQ(written([](auto& o) { o.write_float(1.5f); o.write_double(2.5); }), Bytes{});
}

TEST(DataOutputStream, WritesTheTwoStringForms) {
    EXPECT_EQ(written([](auto& o) { o.write_string(StringView(u"ab")); }),
              (Bytes{0, 0, 0, 4, 0x61, 0, 0x62, 0}));
    EXPECT_EQ(written([](auto& o) { o.write_string(std::string_view("ab")); }),
              (Bytes{0, 0, 0, 2, 0x61, 0x62}));
    EXPECT_EQ(written([](auto& o) { o.write_string(StringView()); }), (Bytes{0, 0, 0, 0}));
}

TEST(DataInputStream, ReadsWhatTheWriterWrote) {
    Reader r(written([](auto& o) {
        o.write_int(-7);
        o.write_uint(0xFEDCBA98u);
        o.write_int64(-1234567890123LL);
        o.write_uint64(0x8000000000000001ULL);
        o.write_short(-300);
        o.write_byte(0xFF);
        o.write_string(std::string_view("ab"));
    }));
    EXPECT_EQ(r.in.read_int(), -7);
    EXPECT_EQ(r.in.read_uint(), 0xFEDCBA98u);
    EXPECT_EQ(r.in.read_int64(), -1234567890123LL);
    EXPECT_EQ(r.in.read_uint64(), 0x8000000000000001ULL);
    EXPECT_EQ(r.in.read_short(), -300);
    EXPECT_EQ(r.in.read_byte(), 0xFF);
    EXPECT_EQ(r.in.read_ansi_string(), "ab");
    EXPECT_EQ(r.in.read_float(), 0.0f);
}

TEST(DataInputStream, ReadsUniStringsAsBigEndianUnits) {
    Reader r({0, 0, 0, 2, 0, 0x61, 0, 0x62});
    EXPECT_EQ(r.in.read_uni_string(), u"ab");
}

TEST(DataInputStream, EndOfDataInsideAValueThrowsEOF) {
    const Bytes truncated[] = {{0, 0, 0}, {0, 0, 0, 5, 'a'}, {0xFF, 0xFF, 0xFF, 0xFF}, {}};
    for (const auto& bytes : truncated) {
        Reader r(bytes);
        EXPECT_THROW(bytes.size() == 3 ? r.in.read_int() : static_cast<int>(r.in.read_ansi_string().size()),
                     EOFException);
    }
    Reader r({1, 2, 3, 4, 5, 6, 7});
    EXPECT_THROW(r.in.read_int64(), EOFException);
}

TEST(DataInputStream, PeekHoldsTheByteForTheNextRead) {
    for (std::uint8_t value : {std::uint8_t{0}, std::uint8_t{127}, std::uint8_t{128}, std::uint8_t{255}}) {
        Reader r({value, 9});
        EXPECT_EQ(r.in.peek(), value);
        EXPECT_EQ(r.in.available(), 2);
        EXPECT_EQ(r.in.read(), value);
        EXPECT_EQ(r.in.read(), 9);
        EXPECT_EQ(r.in.peek(), -1);
    }
    Reader r({1, 2, 3});
    r.in.peek();
    std::uint8_t buffer[3];
    EXPECT_EQ(r.in.read(buffer, 3), 3);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[2], 3);
}

TEST(DataInputStream, ReadLineEndsAtCrLfOrCrLf) {
    struct Case {
        Bytes bytes;
        std::vector<String> lines;
        bool ends_with_eof;
    };
    const Case cases[] = {
        {{'a', 13, 10, 'b', 10}, {u"a", u"b"}, true},
        {{'a', 13, 'b'}, {u"a"}, true},  // the unterminated b is dropped
        {{13, 10, 'x', 13}, {u"", u"x"}, true},
        {{0xFF, 10}, {u"\xDCFF"}, true},  // not UTF-8: kept as an escaped byte
        {{0xC3, 0xA9, 13, 10}, {u"\u00E9"}, true},
    };
    for (const auto& c : cases) {
        Reader r(c.bytes);
        for (const auto& line : c.lines) EXPECT_EQ(r.in.read_line(), line);
        EXPECT_THROW(r.in.read_line(), EOFException);
    }
}

TEST(DataInputStream, SkipLineSkipsThroughEachLf) {
    Reader r({'a', 10, 'b', 10, 'c', 10});
    EXPECT_EQ(r.in.skip_line(0), 0);
    EXPECT_EQ(r.in.skip_line(2), 2);
    EXPECT_EQ(r.in.read_line(), u"c");
}

TEST(DataStreams, WriteLineRoundTripsAnyText) {
    const String texts[] = {
        u"x", u"", u"caf\u00E9 \u4E2D\u6587", u"\U0001F600 pair",
        String(u"lone high \xD800 end"), String(u"lone low \xDC00"), String(u"escaped \xDCFF\xDC80"),
        String(u"\xDBFF"),
    };
    for (const auto& text : texts) {
        Reader r(written([&](auto& o) { o.write_line(text); }));
        EXPECT_EQ(r.in.read_line(), text);
    }
    EXPECT_EQ(written([](auto& o) { o.write_line(u"x"); }), (Bytes{0x78, 0x0D, 0x0A}));
}

TEST(DataStreams, ClosedStreamsRefuseWork) {
    MemoryOutputStream sink;
    DataOutputStream out(&sink, false);
    out.close();
    out.close();
    try {
        out.write_int(1);
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.message(), u"Input stream has closed.");
    }
    Reader r({1});
    r.in.close();
    EXPECT_THROW(r.in.read_byte(), IOException);
}

}  // namespace
}  // namespace bk
