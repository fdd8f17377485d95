// Tests of the module built as a Windows DLL: loaded with LoadLibraryA, its
// exports found by name with GetProcAddress, driven through the Windows x64
// calling convention by a host whose blocks sit at the agreed offsets, and
// compared byte for byte with the transcripts the Linux library wrote.
//
// Environment: MIF_DLL (the DLL; default: mifreader.dll beside this program),
// MIF_EXPECTED_DIR (transcripts written by mif_token_dump; the comparison is
// skipped without it). Unix paths are reached through wine's Z: drive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

#include "documents.h"
#include "module_host.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string FromEnvironment(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// A Unix absolute path as wine's Z: drive shows it; other paths unchanged.
std::string HostPath(const std::string& path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') return "Z:" + path;
#endif
    return path;
}

std::string ModulePath() {
    std::string path = FromEnvironment("MIF_DLL");
    if (!path.empty()) return HostPath(path);
#ifdef _WIN32
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self, n);
    size_t slash = dir.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : dir.substr(0, slash + 1)) + "mifreader.dll";
#else
    return MIF_NATIVE_MODULE;
#endif
}

class DllTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        loaded_ = modhost::LoadModule(ModulePath(), &exports_, &error);
        loadError_ = error;
    }
    static void TearDownTestSuite() { modhost::UnloadModule(&exports_); }
    void SetUp() override { ASSERT_TRUE(loaded_) << loadError_; }

    static modhost::Exports exports_;
    static bool loaded_;
    static std::string loadError_;
};
modhost::Exports DllTest::exports_;
bool DllTest::loaded_ = false;
std::string DllTest::loadError_;

std::vector<modhost::FontQuery> FontQueriesOf(const modhost::Exports& exports, const char* document) {
    modhost::Host host(exports);
    host.input = document;
    void* ctx = host.NewContext();
    if (ctx == nullptr) return {};
    exports.initDoc(ctx, nullptr, static_cast<int32_t>(host.input.size()), host.stream());
    std::vector<uint8_t> buffer(65536);
    for (int i = 0; i < 100; ++i) {
        uint32_t written = 0, percent = 0;
        if (exports.fillBuffer(ctx, buffer.data(), &written, &percent, 65536) != 0 || percent >= 100) break;
    }
    exports.freeContext(ctx);
    return host.fontQueries;
}

TEST_F(DllTest, InterfaceTableHoldsTheExportsAndNullsElsewhere) {
    void* table[MIF_INTERFACE_SLOTS];
    std::memset(table, 0x5A, sizeof table);
    exports_.getReaderInterface(table);
    const struct {
        int slot;
        void* expected;
    } filled[] = {
        {MIF_SLOT_ALLOCATE_CONTEXT, reinterpret_cast<void*>(exports_.allocateContext)},
        {MIF_SLOT_FREE_CONTEXT, reinterpret_cast<void*>(exports_.freeContext)},
        {MIF_SLOT_INIT_DOC, reinterpret_cast<void*>(exports_.initDoc)},
        {MIF_SLOT_FILL_BUFFER, reinterpret_cast<void*>(exports_.fillBuffer)},
        {MIF_SLOT_CHARSET, reinterpret_cast<void*>(exports_.charSet)},
    };
    for (int slot = 0; slot < MIF_INTERFACE_SLOTS; ++slot) {
        void* expected = nullptr;
        for (const auto& f : filled) {
            if (f.slot == slot) expected = f.expected;
        }
        EXPECT_EQ(table[slot], expected) << "slot " << slot;
    }
    EXPECT_EQ(exports_.charSet(), MIF_CHARSET);
}

TEST_F(DllTest, MissingContextOrArgumentsGiveSetupFailed) {
    uint8_t buffer[64];
    uint32_t written = 0, percent = 0;
    modhost::Host host(exports_);
    EXPECT_EQ(exports_.initDoc(nullptr, nullptr, 10, host.stream()), MIF_STATUS_SETUP_FAILED);
    EXPECT_EQ(exports_.freeContext(nullptr), MIF_STATUS_SETUP_FAILED);
    EXPECT_EQ(exports_.fillBuffer(nullptr, buffer, &written, &percent, sizeof buffer), MIF_STATUS_SETUP_FAILED);
}

TEST_F(DllTest, AllocateContextUsesTheAllocatorObjectAndReportsRefusal) {
    for (long refuse : {-1L, 1L}) {
        SCOPED_TRACE(refuse);
        modhost::Host host(exports_);
        host.refuseAt = refuse;
        uint32_t flag = 0;
        void* ctx = exports_.allocateContext(&host, nullptr, &flag, host.services(), 77);
        EXPECT_EQ(flag, 1u);
        EXPECT_FALSE(host.wrongAllocatorSeen);
        if (refuse == 1) {
            EXPECT_EQ(ctx, nullptr);
            EXPECT_EQ(host.live, 0);
        } else {
            ASSERT_NE(ctx, nullptr);
            EXPECT_EQ(host.live, 1);
            EXPECT_EQ(exports_.freeContext(ctx), MIF_STATUS_OK);
            EXPECT_EQ(host.live, 0);
        }
    }
}

TEST_F(DllTest, InitDocMeasuresTheStreamOnlyWhenTheSizeIsZero) {
    const struct {
        int32_t size;
        const char* log;
    } cases[] = {{0, "S0,2;T;S0,0;"}, {24, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        modhost::Host host(exports_);
        host.input = "<MIFFile 5.00>\n# End of MIFFile\n";
        host.position = 0;
        void* ctx = host.NewContext();
        ASSERT_NE(ctx, nullptr);
        EXPECT_EQ(exports_.initDoc(ctx, nullptr, c.size, host.stream()), MIF_STATUS_OK);
        EXPECT_EQ(host.streamLog, c.log);
        EXPECT_EQ(host.position, 0u);
        exports_.freeContext(ctx);
        EXPECT_EQ(host.live, 0);
    }
}

TEST_F(DllTest, RegisteredObjectRecordHasItsFixedSlots) {
    modhost::Host host(exports_);
    host.input = "<MIFFile 5.00>\n";
    void* ctx = host.NewContext();
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(exports_.initDoc(ctx, nullptr, 15, host.stream()), MIF_STATUS_OK);
    ASSERT_EQ(host.registrations, 1);
    ASSERT_EQ(host.objectRecord.size(), static_cast<size_t>(MIF_OC_SIZE));
    const uint8_t* r = host.objectRecord.data();
    EXPECT_EQ(modhost::LoadU32(r), 3u);
    EXPECT_EQ(modhost::LoadU32(r + 4), 5u);
    int64_t minusOne;
    std::memcpy(&minusOne, r + 8 * MIF_OC_SLOT_MINUS_ONE, 8);
    EXPECT_EQ(minusOne, -1);
    void* slot3;
    std::memcpy(&slot3, r + 8 * MIF_OC_SLOT_CONTEXT, 8);
    EXPECT_EQ(slot3, ctx);
    const int callbacks[] = {MIF_OC_SLOT_OPEN, MIF_OC_SLOT_READ, MIF_OC_SLOT_SEEK, MIF_OC_SLOT_TELL,
                             MIF_OC_SLOT_CLOSE};
    for (int slot = 0; slot < MIF_OC_SLOTS; ++slot) {
        if (slot == MIF_OC_SLOT_HEADER || slot == MIF_OC_SLOT_MINUS_ONE || slot == MIF_OC_SLOT_CONTEXT) continue;
        bool isCallback = std::find(std::begin(callbacks), std::end(callbacks), slot) != std::end(callbacks);
        void* p;
        std::memcpy(&p, r + 8 * slot, 8);
        EXPECT_EQ(p != nullptr, isCallback) << "slot " << slot;
    }
    exports_.freeContext(ctx);
}

TEST_F(DllTest, DocumentsRunToTheEndWithinTheBuffer) {
    const struct {
        const char* name;
        const char* document;
        uint32_t bufferSize;
        int32_t status;
    } cases[] = {
        {"header only", "<MIFFile 5.00> # comment\r\n# End of MIFFile\n", 65536, MIF_STATUS_OK},
        {"mixed", moddocs::kMixedDocument, 65536, MIF_STATUS_OK},
        {"mixed, small buffer", moddocs::kMixedDocument, 600, MIF_STATUS_OK},
        {"not MIF", "<Document 1>\n", 65536, MIF_STATUS_SETUP_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        modhost::Transcript t = modhost::ReadDocument(exports_, c.document, c.bufferSize);
        EXPECT_EQ(t.lastStatus, c.status);
        EXPECT_EQ(t.finished, c.status == MIF_STATUS_OK);
        EXPECT_FALSE(t.overran);
        EXPECT_EQ(t.liveAfterFree, 0);
    }
}

TEST_F(DllTest, EveryRefusedAllocationFailsCleanly) {
    long total = 0;
    {
        modhost::Host probe(exports_);
        probe.input = moddocs::kMixedDocument;
        void* ctx = probe.NewContext();
        ASSERT_NE(ctx, nullptr);
        exports_.initDoc(ctx, nullptr, static_cast<int32_t>(probe.input.size()), probe.stream());
        std::vector<uint8_t> buffer(65536);
        uint32_t written = 0, percent = 0;
        while (exports_.fillBuffer(ctx, buffer.data(), &written, &percent, 65536) == 0 && percent < 100) {
        }
        exports_.freeContext(ctx);
        total = probe.requests;
    }
    ASSERT_GT(total, 1);
    for (long k = 1; k <= total; ++k) {
        SCOPED_TRACE(k);
        modhost::Host host(exports_);
        host.input = moddocs::kMixedDocument;
        host.refuseAt = k;
        void* ctx = host.NewContext();
        if (ctx != nullptr) {
            int32_t init = exports_.initDoc(ctx, nullptr, static_cast<int32_t>(host.input.size()), host.stream());
            std::vector<uint8_t> buffer(65536);
            uint32_t written = 0, percent = 0;
            for (int i = 0; init == 0 && i < 100; ++i) {
                int32_t status = exports_.fillBuffer(ctx, buffer.data(), &written, &percent, 65536);
                if (status != 0 || percent >= 100) {
                    if (status == MIF_STATUS_SCAN_FAILED) {
                        EXPECT_EQ(host.statusWord(), static_cast<uint32_t>(MIF_STATUS_SCAN_FAILED));
                    }
                    break;
                }
            }
            exports_.freeContext(ctx);
        }
        EXPECT_EQ(host.live, 0);
    }
}

TEST_F(DllTest, FontQueryPassesTheSystemLogfont) {
#ifdef _WIN32
    static_assert(sizeof(LOGFONTA) == MIF_LOGFONT_SIZE);
    static_assert(offsetof(LOGFONTA, lfPitchAndFamily) == MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET);
    static_assert(offsetof(LOGFONTA, lfFaceName) == MIF_LOGFONT_FACE_NAME_OFFSET);
    static_assert(sizeof(LOGFONTA::lfFaceName) == MIF_LOGFONT_FACE_NAME_SIZE);
#endif
    std::vector<modhost::FontQuery> queries = FontQueriesOf(exports_, moddocs::kMixedDocument);
    ASSERT_FALSE(queries.empty());
    const struct {
        const char* face;
        uint8_t family;
    } expected[] = {{"Times New Roman", 0x10}, {"Courier New", 0x30}, {"Arial", 0x20}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.face);
        bool seen = false;
        for (const modhost::FontQuery& q : queries) {
#ifdef _WIN32
            LOGFONTA font;
            std::memcpy(&font, q.record, sizeof font);
            if (std::strcmp(font.lfFaceName, e.face) != 0) continue;
            seen = true;
            EXPECT_EQ(font.lfPitchAndFamily, e.family);
            EXPECT_EQ(font.lfHeight, 0);
            EXPECT_EQ(font.lfWeight, 0);
            EXPECT_EQ(font.lfItalic, 0);
            EXPECT_EQ(font.lfCharSet, 0);
#else
            const char* face = reinterpret_cast<const char*>(q.record) + MIF_LOGFONT_FACE_NAME_OFFSET;
            if (std::strcmp(face, e.face) != 0) continue;
            seen = true;
            EXPECT_EQ(q.record[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET], e.family);
#endif
        }
        EXPECT_TRUE(seen);
    }
}

TEST_F(DllTest, ObjectDataIsReadThroughTheCallbacks) {
    modhost::Host host(exports_);
    host.input = moddocs::kMixedDocument;
    void* ctx = host.NewContext();
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(exports_.initDoc(ctx, nullptr, static_cast<int32_t>(host.input.size()), host.stream()), 0);
    std::vector<uint8_t> buffer(65536);
    uint32_t written = 0, percent = 0;
    ASSERT_EQ(exports_.fillBuffer(ctx, buffer.data(), &written, &percent, 65536), MIF_STATUS_OK);
    size_t positionAfterFill = host.position;
    ASSERT_TRUE(host.HasObjectCallbacks());
    EXPECT_EQ(host.ObjectOpen("99"), 0);
    ASSERT_EQ(host.ObjectOpen("7"), 1);
    uint8_t data[16];
    std::memset(data, 0xFF, sizeof data);
    EXPECT_EQ(host.ObjectRead(data, sizeof data), 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), "Hello");
    for (size_t i = 5; i < sizeof data; ++i) EXPECT_EQ(data[i], 0) << i;
    EXPECT_EQ(host.ObjectTell(), 5u);
    EXPECT_EQ(host.ObjectRead(data, sizeof data), 0u);
    EXPECT_EQ(host.ObjectClose(), 1);
    EXPECT_EQ(host.position, positionAfterFill);
    exports_.freeContext(ctx);
    EXPECT_EQ(host.live, 0);
}

// The DLL must write, for every recorded document, exactly what the Linux
// library wrote: the same tokens, fill by fill, the same percentages, the
// same object data and the same font query records.
TEST_F(DllTest, TranscriptsMatchTheLinuxLibrary) {
    std::string dir = FromEnvironment("MIF_EXPECTED_DIR");
    if (dir.empty()) GTEST_SKIP() << "MIF_EXPECTED_DIR not set";
    dir = HostPath(dir);
    std::string index;
    ASSERT_TRUE(modhost::ReadFile(dir + "/index.txt", &index)) << dir;
    int compared = 0;
    for (size_t at = 0; at < index.size();) {
        size_t end = index.find('\n', at);
        if (end == std::string::npos) end = index.size();
        std::string line = index.substr(at, end - at);
        at = end + 1;
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string name = line.substr(0, tab);
        std::string docPath = HostPath(line.substr(tab + 1));
        SCOPED_TRACE(docPath);
        std::string expected, input;
        ASSERT_TRUE(modhost::ReadFile(dir + "/" + name, &expected));
        ASSERT_TRUE(modhost::ReadFile(docPath, &input));
        modhost::Transcript t = modhost::ReadDocument(exports_, input);
        EXPECT_EQ(t.liveAfterFree, 0);
        if (t.bytes != expected) {
            size_t diff = 0;
            while (diff < t.bytes.size() && diff < expected.size() && t.bytes[diff] == expected[diff]) ++diff;
            ADD_FAILURE() << "transcript differs at byte " << diff << " (" << t.bytes.size() << " bytes, expected "
                          << expected.size() << ")";
        }
        ++compared;
    }
    EXPECT_GT(compared, 0);
    std::printf("compared %d documents with the Linux transcripts\n", compared);
}

}  // namespace
