// The host's own services: allocator accounting and refusal, the services
// and stream blocks at the module's offsets, and the font numbering.
#include <gtest/gtest.h>

#include <cstring>

#include "host/callback.h"
#include "host/services.h"
#include "host/stream.h"

using namespace mifhost;

namespace {

template <typename Fn>
Fn At(void* block, int offset) {
    Fn fn;
    std::memcpy(&fn, static_cast<uint8_t*>(block) + offset, sizeof fn);
    return fn;
}

TEST(Allocator, CountsThroughTheServicesBlock) {
    Allocator a;
    Services s(a);
    void* object = static_cast<uint8_t*>(s.block()) + MIF_HS_ALLOCATOR;
    auto allocate = At<MifAllocateFn>(s.block(), MIF_HS_ALLOCATE);
    auto free = At<MifFreeFn>(s.block(), MIF_HS_FREE);
    auto array = At<MifAllocateArrayFn>(s.block(), MIF_HS_ALLOCATE_ARRAY);
    auto realloc = At<MifReallocateFn>(s.block(), MIF_HS_REALLOCATE);

    void* p = allocate(object, 100);
    void* q = array(object, 6, 10);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(a.stats().liveBlocks, 2u);
    EXPECT_EQ(a.stats().liveBytes, 160u);
    std::memset(p, 0x42, 100);
    void* r = realloc(object, p, 400);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(r)[99], 0x42);
    EXPECT_EQ(a.stats().liveBlocks, 2u);
    EXPECT_EQ(a.stats().liveBytes, 460u);
    EXPECT_EQ(a.stats().peakBytes, 460u);
    free(object, r);
    free(object, q);
    free(object, nullptr);
    EXPECT_EQ(a.stats().liveBlocks, 0u);
    EXPECT_EQ(a.stats().liveBytes, 0u);
    EXPECT_EQ(a.stats().allocations, 3u);
    int foreign = 0;
    free(object, &foreign);
    EXPECT_EQ(a.stats().badFrees, 1u);
}

TEST(Allocator, RefusesTheChosenAttemptAndOverflowingArrays) {
    Allocator a;
    a.FailAt(2);
    void* first = a.Allocate(8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(a.Reallocate(first, 16), nullptr);  // attempt 2: refused, block kept
    EXPECT_EQ(a.stats().liveBlocks, 1u);
    EXPECT_NE(a.Allocate(8), nullptr);
    EXPECT_EQ(a.AllocateArray(0x10000, 0x10000), nullptr);  // 2^32 bytes
    EXPECT_EQ(a.stats().refused, 2u);
    a.Free(first);
}

TEST(Services, StatusWordAtItsOffset) {
    Allocator a;
    Services s(a);
    EXPECT_EQ(s.StatusWord(), 0u);
    uint32_t four = 4;
    std::memcpy(static_cast<uint8_t*>(s.block()) + MIF_HS_STATUS_WORD, &four, 4);
    EXPECT_EQ(s.StatusWord(), 4u);
}

TEST(InputStream, ReadSeekTellThroughTheBlock) {
    auto s = InputStream::FromMemory("0123456789");
    s->SetLogging(true);
    auto read = At<MifReadFn>(s->block(), MIF_IS_READ);
    auto seek = At<MifSeekFn>(s->block(), MIF_IS_SEEK);
    auto tell = At<MifTellFn>(s->block(), MIF_IS_TELL);
    char buf[16] = {};
    EXPECT_EQ(read(s->block(), buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(seek(s->block(), -3, 2), 0);
    EXPECT_EQ(tell(s->block()), 7);
    EXPECT_EQ(read(s->block(), buf, 16), 3);
    EXPECT_EQ(read(s->block(), buf, 16), 0);
    EXPECT_EQ(seek(s->block(), 2, 0), 0);
    EXPECT_EQ(seek(s->block(), 3, 1), 0);
    EXPECT_EQ(tell(s->block()), 5);
    EXPECT_EQ(seek(s->block(), -1, 0), -1);
    EXPECT_EQ(tell(s->block()), 5);
    s->SetMaxChunk(2);
    EXPECT_EQ(read(s->block(), buf, 16), 2);
    EXPECT_EQ(std::string(buf, 2), "56");
    ASSERT_EQ(s->log().size(), 11u);
    EXPECT_EQ(s->log()[1].kind, StreamCall::Seek);
    EXPECT_EQ(s->log()[1].b, 2);
}

TEST(InputStream, FileThatCannotBeOpenedThrows) {
    EXPECT_THROW(InputStream::FromFile("/nonexistent/file.mif"), std::runtime_error);
}

TEST(HostCallback, NumbersFacesInFirstSeenOrder) {
    HostCallback cb;
    auto query = [&](const char* face, uint8_t family) {
        uint8_t record[MIF_LOGFONT_SIZE] = {};
        record[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET] = family;
        std::memcpy(record + MIF_LOGFONT_FACE_NAME_OFFSET, face, std::strlen(face) + 1);
        return HostCallback::function()(cb.handle(), MIF_HOST_FONT_QUERY, record);
    };
    EXPECT_EQ(query("Times New Roman", 0x10), 1);
    EXPECT_EQ(query("Arial", 0x20), 2);
    EXPECT_EQ(query("Times New Roman", 0x10), 1);
    EXPECT_EQ(query("Courier", 0x30), 3);
    ASSERT_EQ(cb.fonts().size(), 3u);
    EXPECT_EQ(cb.fonts()[1].face, "Arial");
    EXPECT_EQ(cb.fonts()[1].family, 0x20);
    EXPECT_EQ(cb.fonts()[2].number, 2u);
    EXPECT_EQ(cb.fontQueries(), 4u);
    EXPECT_EQ(HostCallback::FamilyName(0x30), "modern");

    uint64_t record[MIF_OC_SLOTS] = {};
    record[3] = 0x1234;
    EXPECT_EQ(HostCallback::function()(cb.handle(), MIF_HOST_REGISTER_CALLBACKS, record), 0);
    EXPECT_TRUE(cb.registered());
    EXPECT_EQ(cb.objectRecord()[3], 0x1234u);
}

}  // namespace
