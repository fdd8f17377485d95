// For every corpus document with embedded objects: the bytes the host reads
// through the callbacks equal a decoding of each object's first facet made
// here, straight from the file's lines.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "frames_support.h"

namespace {

using framestest::ObjectClient;

struct Object {
    int line = 0;                // line of its ImportObject statement
    int facets = 0;
    bool hasData = false;        // a data line in the first facet
    std::vector<uint8_t> bytes;  // the first facet, decoded
};

uint8_t HexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

uint8_t Escape(char c) {
    const char* letters = "abfnrtv";
    const char* at = std::strchr(letters, c);
    return c != '\0' && at != nullptr ? static_cast<uint8_t>("\a\b\f\n\r\t\v"[at - letters]) : static_cast<uint8_t>(c);
}

// Decodes the text of one data line; returns false when an '=' ended the data.
bool DecodeLine(const std::string& text, bool& hex, std::vector<uint8_t>& out) {
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '=') return false;
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\\' && next == 'x') {
            hex = !hex;
            i += 2;
        } else if (hex) {
            if (next == '\0' || next == '=') {
                i += 1;  // a lone digit at the end of its line
            } else {
                out.push_back(static_cast<uint8_t>(HexValue(c) * 16 + HexValue(next)));
                i += 2;
            }
        } else if (c == '\\' && next != '\0' && next != '=') {
            out.push_back(Escape(next));
            i += 2;
        } else {
            out.push_back(static_cast<uint8_t>(c));
            i += 1;
        }
    }
    return true;
}

// The objects with facets inside the AFrames section, in document order.
std::vector<Object> ObjectsOf(const std::string& document) {
    std::vector<Object> objects;
    std::istringstream in(document);
    std::string line;
    bool inAFrames = false;
    Object* current = nullptr;
    bool hex = false, ended = false, markerSeen = false;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("<AFrames", 0) == 0) inAFrames = true;
        if (!inAFrames) continue;
        if (line.rfind(">", 0) == 0) {
            inAFrames = false;
            continue;
        }
        size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line.compare(first, 13, "<ImportObject") == 0) {
            objects.push_back(Object{number, 0, false, {}});
            current = &objects.back();
            hex = ended = markerSeen = false;
            continue;
        }
        if (current == nullptr || line.empty()) continue;
        if (line[0] == '=') {
            if (line.rfind("=EndInset", 0) == 0) {
                current = nullptr;
                continue;
            }
            ++current->facets;
            if (current->facets > 1) ended = true;
            hex = false;
        } else if (line[0] == '&' && current->facets == 1 && !ended) {
            std::string text = line.substr(1);
            if (!markerSeen && text.size() >= 2 && text[0] == '%') {
                markerSeen = true;
                continue;
            }
            current->hasData = true;
            if (!DecodeLine(text, hex, current->bytes)) ended = true;
        }
    }
    std::vector<Object> withFacets;
    for (const Object& o : objects) {
        if (o.facets > 0) withFacets.push_back(o);
    }
    return withFacets;
}

std::vector<std::string> CorpusDocuments() {
    std::vector<std::string> names;
    std::ifstream manifest(std::string(MIF_CORPUS_DIR) + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::string name = line.substr(0, line.find('\t'));
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

TEST(CorpusObjects, CallbacksDeliverEachObjectsFirstFacet) {
    std::vector<std::string> names = CorpusDocuments();
    if (names.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    int documents = 0, compared = 0;
    for (const std::string& name : names) {
        std::ifstream file(std::string(MIF_CORPUS_DIR) + "/" + name, std::ios::binary | std::ios::ate);
        if (!file) continue;
        std::string document(static_cast<size_t>(file.tellg()), '\0');
        file.seekg(0);
        file.read(document.data(), static_cast<std::streamsize>(document.size()));
        if (document.find("\n=EndInset") == std::string::npos) continue;
        std::vector<Object> objects = ObjectsOf(document);
        if (objects.empty()) continue;
        ++documents;

        testhost::TestHost host;
        mif::ReaderContext* ctx = host.Open(document);
        ASSERT_NE(ctx, nullptr) << name;
        auto run = testhost::TestHost::Drain(ctx);
        EXPECT_EQ(run.status, MIF_STATUS_OK) << name;

        std::vector<mif::FrameRecord*> withData;
        for (mif::FrameRecord* f = ctx->frames.frameList; f != nullptr; f = f->next) {
            if (f->dataStart != 0) withData.push_back(f);
        }
        size_t expectedWithData = 0;
        for (const Object& o : objects) expectedWithData += o.hasData ? 1 : 0;
        EXPECT_EQ(withData.size(), expectedWithData) << name;

        ObjectClient client(host);
        size_t k = 0;
        for (const Object& o : objects) {
            if (!o.hasData) continue;
            if (k >= withData.size()) break;
            mif::FrameRecord* f = withData[k++];
            // Open finds the first record with the ID; later duplicates are unreachable.
            bool firstWithId = true;
            for (mif::FrameRecord* g = ctx->frames.frameList; g != f; g = g->next) firstWithId &= g->id != f->id;
            if (!firstWithId) continue;
            ASSERT_EQ(client.Open(std::to_string(f->id)), 1) << name;
            size_t pos = host.stream.pos;
            std::vector<uint8_t> got = client.ReadAll(1000);
            EXPECT_EQ(host.stream.pos, pos) << name;
            EXPECT_EQ(got.size(), o.bytes.size()) << name << " object at line " << o.line;
            EXPECT_TRUE(got == o.bytes) << name << " object at line " << o.line;
            ++compared;
        }
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0) << name;
    }
    if (documents == 0) GTEST_SKIP() << "no corpus document with embedded objects";
    std::printf("corpus: %d documents with objects, %d objects compared\n", documents, compared);
    EXPECT_GT(compared, 0);
}

}  // namespace
