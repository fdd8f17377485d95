// Tests of the module built as a Windows DLL: loaded by the host toolkit with
// LoadLibraryA and GetProcAddress and called through the Windows x64 calling
// convention with the host's blocks at the agreed offsets. (mifrecord,
// built for Windows, compares what it reports for every document with the
// Linux library's record.)
//
// Environment: MIF_DLL (the DLL; default: mifreader.dll beside this program).
// Unix paths are reached through wine's Z: drive. The document read is the
// sample: body text with paragraph and font changes, three font families, a
// table anchored in the text and a frame holding a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/careful_host.h"

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
    return "libmifreader.so";
#endif
}

const std::string kSample = [] {
    std::ifstream in(HostPath(MIF_SAMPLES_DIR "/sample.mif"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}();

class DllTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        try {
            module_.emplace(mifhost::Module::Load(ModulePath()));
        } catch (const mifhost::ModuleError& e) {
            loadError_ = e.what();
        }
    }
    static void TearDownTestSuite() { module_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(module_.has_value()) << loadError_;
        ASSERT_FALSE(kSample.empty()) << "no sample at " << MIF_SAMPLES_DIR;
    }

    static const mifhost::EntryPoints& Exports() { return module_->exports(); }

    static std::optional<mifhost::Module> module_;
    static std::string loadError_;
};
std::optional<mifhost::Module> DllTest::module_;
std::string DllTest::loadError_;

TEST_F(DllTest, InterfaceTableHoldsTheExportsAndNullsElsewhere) {
    EXPECT_EQ(mifhost::Module::CheckInterface(Exports(), nullptr), "");
    void* table[MIF_INTERFACE_SLOTS];
    std::memset(table, 0x5A, sizeof table);
    Exports().getReaderInterface(table);
    EXPECT_EQ(table[MIF_SLOT_FILL_BUFFER], reinterpret_cast<void*>(Exports().fillBuffer));
    EXPECT_EQ(Exports().charSet(), MIF_CHARSET);
}

// Each allocation refused in turn, the careful host's checks on the DLL: a
// documented status or a clean early end, a prefix of the full output, the
// objects read between fills, every block back with its guards intact.
TEST_F(DllTest, EveryRefusedAllocationFailsCleanly) {
    mifcheck::Feed feed;
    feed.bufferSize = 300;
    EXPECT_EQ(mifcheck::SweepRefusals(*module_, kSample, feed), "");
}

// The font query hands the host the platform's LOGFONTA.
struct CapturedFonts {
    std::vector<std::vector<uint8_t>> records;
    static int32_t Callback(void* handle, int32_t code, void* record) {
        if (code != MIF_HOST_FONT_QUERY) return 0;
        auto* self = static_cast<CapturedFonts*>(handle);
        auto* bytes = static_cast<uint8_t*>(record);
        self->records.emplace_back(bytes, bytes + MIF_LOGFONT_SIZE);
        return static_cast<int32_t>(self->records.size());
    }
};

TEST_F(DllTest, FontQueryPassesTheSystemLogfont) {
#ifdef _WIN32
    static_assert(sizeof(LOGFONTA) == MIF_LOGFONT_SIZE);
    static_assert(offsetof(LOGFONTA, lfPitchAndFamily) == MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET);
    static_assert(offsetof(LOGFONTA, lfFaceName) == MIF_LOGFONT_FACE_NAME_OFFSET);
    static_assert(sizeof(LOGFONTA::lfFaceName) == MIF_LOGFONT_FACE_NAME_SIZE);
#endif
    CapturedFonts fonts;
    mifhost::Host host;
    auto stream = mifhost::InputStream::FromMemory(kSample);
    uint32_t flag = 0;
    void* ctx = Exports().allocateContext(&fonts, &CapturedFonts::Callback, &flag, host.services.block(), 0);
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(Exports().initDoc(ctx, nullptr, 0, stream->block()), MIF_STATUS_OK);
    std::vector<uint8_t> buffer(65536);
    uint32_t written = 0, percent = 0;
    while (Exports().fillBuffer(ctx, buffer.data(), &written, &percent, 65536) == MIF_STATUS_OK && percent < 100) {
    }
    Exports().freeContext(ctx);
    EXPECT_EQ(host.allocator.stats().liveBlocks + host.allocator.stats().damaged, 0u);
    // Each query is the whole LOGFONTA: face name and pitch-and-family byte, zero elsewhere.
    const std::pair<std::string, uint8_t> expected[] = {{"Times New Roman", 0x10}, {"Courier New", 0x30}, {"Arial", 0x20}};
    for (const auto& [face, family] : expected) {
        std::vector<uint8_t> record(MIF_LOGFONT_SIZE, 0);
        record[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET] = family;
        std::memcpy(record.data() + MIF_LOGFONT_FACE_NAME_OFFSET, face.data(), face.size());
        EXPECT_NE(std::find(fonts.records.begin(), fonts.records.end(), record), fonts.records.end()) << face;
    }
}

}  // namespace
