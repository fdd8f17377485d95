// The fill loop: the document header check, failure statuses, buffers of
// every size around what a fill writes, the nine-tenths stop and its
// resumption, progress over window edges, and streams that deliver short
// reads or answer -1 at their end. The header tokens are checked through the
// loaded library in the host toolkit's tests; refused allocations by the
// allocation sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/careful_host.h"
#include "support/test_host.h"

namespace {

using testhost::TestHost;

TEST(FillStatus, MissingContextOrOutputsAreRefused) {
    uint32_t written = 0, percent = 0;
    uint8_t buffer[64];
    EXPECT_EQ(mifInitDoc(nullptr, nullptr, 0, nullptr), MIF_STATUS_SETUP_FAILED);
    EXPECT_EQ(mifFreeContext(nullptr), MIF_STATUS_SETUP_FAILED);
    EXPECT_EQ(mifFillBuffer(nullptr, buffer, &written, &percent, sizeof buffer), MIF_STATUS_SETUP_FAILED);
}

TEST(InitDoc, RegistersTheObjectCallbackRecord) {
    testhost::Reading r("<MIFFile 5.00>\n", 0);
    ASSERT_NE(r.ctx, nullptr);
    ASSERT_EQ(r.host.callback.registrations(), 1);
    const mifhost::HostCallback::Record& record = r.host.callback.objectRecord();
    EXPECT_EQ(record[MIF_OC_SLOT_HEADER], 3u | uint64_t{5} << 32);
    EXPECT_EQ(record[MIF_OC_SLOT_MINUS_ONE], ~uint64_t{0});
    EXPECT_EQ(record[MIF_OC_SLOT_CONTEXT], reinterpret_cast<uintptr_t>(r.ctx));
}

// A document of many macro notices, so that output volume is known exactly.
std::string NoticeDocument(int notices) {
    std::string doc = "<MIFFile 5.00>\n";
    for (int i = 0; i < notices; ++i) doc += (i % 2 ? "define(x)\n" : "include(y)\n");
    return doc;
}

int64_t Reads(const TestHost& host) {
    return std::ranges::count(host.stream->log(), mifhost::StreamCall::Read, &mifhost::StreamCall::kind);
}

// Whatever the buffer, a fill stops once nine tenths are used (the careful
// host checks that, and that progress never falls, in Streams below) and the
// next one resumes from what is already in memory.
TEST(NineTenths, ResumedFillsDoNotReadAgain) {
    const std::string doc = NoticeDocument(2000);  // about 21 KB: six windows
    TestHost whole;
    auto reference = whole.ReadDocument(doc, 1 << 20);
    ASSERT_TRUE(reference.status == MIF_STATUS_OK && reference.fills == 1);
    for (uint32_t size : {430u, 1000u, 4096u}) {
        TestHost host;
        auto run = host.ReadDocument(doc, size);
        EXPECT_GT(run.fills, 4) << size;
        EXPECT_EQ(run.tokens, reference.tokens) << "buffer size " << size;
        EXPECT_EQ(Reads(host), Reads(whole)) << "buffer size " << size;
    }
}

TEST(NineTenths, AStopAtTheThresholdDoesNotDependOnWhatEndsTheWindow) {
    // The last notice crosses the threshold; the window then ends in a
    // comment and blanks, or in one more stray byte. Either way the fill
    // stops there and a second fill reports the end.
    std::string doc = "<MIFFile 5.00>\n";
    for (int i = 0; i < 19; ++i) doc += "define(a)\n";
    doc += "define(a) # c\n  ";
    for (const std::string& tail : {std::string(), std::string("x")}) {
        TestHost host;
        auto run = host.ReadDocument(doc + tail, 1000);
        ASSERT_EQ(run.status, MIF_STATUS_OK) << tail;
        EXPECT_EQ(run.fills, 2) << "tail '" << tail << "'";
        EXPECT_LT(run.percents.front(), 100u) << tail;
    }
}

// Buffers around what the fills write (53 header bytes, then notices of 37
// and 43 bytes): an exact fit is taken, one byte less stops the fill with
// status 5 (5 in the status word too) and nothing past the buffer, and a
// fill stops once exactly nine tenths are used. Any header version is taken
// and the rest of its line is a comment; a second header statement fails
// with status 4 (4 in the status word) after the tokens before it. Documents
// of exactly one window and sizes around it are read to their end.
TEST(FillStatus, BufferSizesHeadersAndWindowEdges) {
    struct Case { std::string doc; uint32_t size; int32_t status; int fills; size_t bytes; };
    std::vector<Case> cases = {
        {NoticeDocument(1), 0, 5, 1, 0}, {NoticeDocument(1), 52, 5, 1, 0}, {NoticeDocument(1), 53, 0, 2, 90},
        {NoticeDocument(1), 89, 5, 1, 53}, {NoticeDocument(1), 90, 0, 1, 90},
        {NoticeDocument(2), 100, 0, 2, 133},  // 90 of 100 bytes: the fill stops although the next notice is due
        {NoticeDocument(2), 132, 5, 1, 90}, {NoticeDocument(2), 133, 0, 1, 133},
        {"<MIFFile 99> # written by hand\r\n  include(x)\n", 65536, 0, 1, 90},
        {"<MIFFile 5.00>\ninclude(a)\n<MIFFile 5.00>\ninclude(b)\n", 65536, 4, 1, 90},
    };
    for (size_t size : {4095u, 4096u, 4097u, 8192u, 8193u}) {
        std::string doc = "<MIFFile 5.00>\n";
        while (doc.size() + 11 <= size) doc += "include(y)\n";
        cases.push_back({doc.append(size - doc.size(), ' '), 65536, 0, 1, 53 + 37 * ((size - 15) / 11)});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.doc.substr(0, 60) + ", buffer " + std::to_string(c.size));
        TestHost host;
        auto run = host.ReadDocument(c.doc, c.size);  // checks the bytes after the buffer
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.fills, c.fills);
        EXPECT_EQ(run.tokens.size(), c.bytes);
        EXPECT_EQ(host.StatusWord(), static_cast<uint32_t>(c.status));
        const uint32_t percent = run.percents.back();
        EXPECT_TRUE(c.status == 0 ? percent == 100 : c.status == 5 || (percent > 0 && percent < 100)) << percent;
    }
}

// However the stream delivers its bytes, short reads of any size and -1
// instead of 0 at the end of the input, and whatever the buffer, the tokens
// are the same.
TEST(Streams, ShortReadsAFailingEndAndBufferSizesGiveTheSameTokens) {
    const std::string doc = NoticeDocument(1500) + "<Unknown `cut";  // dropped at the end
    TestHost whole;
    auto reference = whole.ReadDocument(doc);
    ASSERT_EQ(reference.percents.back(), 100u);
    const uint32_t sizes[] = {430, 1000, 4096, 65536};
    int i = 0;
    for (uint32_t chunk : {0u, 1u, 7u, 4095u}) {
        for (int32_t atEnd : {0, -1}) {
            const mifcheck::Feed feed{sizes[i++ % 4], {chunk}, atEnd};
            const mifcheck::Checked c = mifcheck::Read(mifcheck::LinkedModule(), doc, feed);
            SCOPED_TRACE("reads of at most " + std::to_string(chunk) + ", " + std::to_string(atEnd) +
                         " at the end, buffer " + std::to_string(feed.bufferSize));
            EXPECT_EQ(c.problem, "");
            EXPECT_TRUE(c.run.finished());
            EXPECT_TRUE(c.run.tokens == reference.tokens);
        }
    }
}

}  // namespace
