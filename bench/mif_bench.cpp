// Throughput of the fill loop on a generated document of several megabytes,
// read through the module's entry points with a 64 KiB output buffer, beside
// a raw byte scan of the same bytes (counting '<') as a baseline. The ratio
// of the two is printed at the end of the run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mifreader/mifreader.h"

namespace {

constexpr uint32_t kBufferSize = 64 * 1024;

// ---- The document ---------------------------------------------------------

std::string Inches(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f\"", v);
    return text;
}

// A realistic mix: font, paragraph and variable catalogs, table definitions,
// frames with hexadecimal image data, body pages, and a long text flow of
// paragraphs with strings, escapes, font changes, tabs, markers, variable
// references and table and frame anchors.
std::string GenerateDocument(size_t targetBytes) {
    static const char* const kFamilies[] = {"Times New Roman", "Arial", "Courier New", "Symbol", "Zapf Cursive"};
    static const char* const kWords[] = {"reader", "stream",  "window", "token",  "catalog", "format", "table",
                                         "frame",  "anchor",  "buffer", "escape", "column",  "paragraph",
                                         "host",   "document", "value", "string", "measure"};
    std::string d;
    d.reserve(targetBytes + (1 << 16));
    d += "<MIFFile 7.00> # generated for the throughput benchmark\n<Units Uin>\n";

    d += "<FontCatalog\n";
    for (int i = 0; i < 24; ++i) {
        d += " <Font <FTag `Char" + std::to_string(i) + "'> <FFamily `" + kFamilies[i % 5] + "'> <FSize " +
             std::to_string(8 + i % 7) + ".0 pt> <FWeight `" + (i % 3 == 0 ? "Bold" : "Regular") + "'> <FAngle `" +
             (i % 4 == 0 ? "Italic" : "Regular") + "'> <FColor `" + (i % 5 == 0 ? "Red" : "Black") + "'>>\n";
    }
    d += "> # end of FontCatalog\n<PgfCatalog\n";
    for (int i = 0; i < 32; ++i) {
        d += " <Pgf <PgfTag `Style" + std::to_string(i) + "'> <PgfLIndent " + Inches(0.25 * (i % 4)) +
             "> <PgfRIndent " + Inches(0.1 * (i % 3)) + "> <PgfFIndent " + Inches(0.2 * (i % 2)) +
             "> <PgfAlignment " + (i % 3 == 0 ? "Center" : "LeftRight") + "> <PgfLeading 2.0 pt>\n"
             "  <PgfNumTabs 2> <TabStop <TSX 1.5\"> <TSType Left>> <TabStop <TSX 4.0\"> <TSType Right>>\n"
             "  <PgfFont <FFamily `" + kFamilies[i % 5] + "'> <FSize " + std::to_string(9 + i % 5) + ".0 pt>>>\n";
    }
    d += "> # end of PgfCatalog\n<VariableFormats\n";
    for (int i = 0; i < 12; ++i) {
        d += " <VariableFormat <VariableName `Var" + std::to_string(i) + "'> <VariableDef `value " +
             std::to_string(i) + " of the variable'>>\n";
    }
    d += "> # end of VariableFormats\n";

    const int tables = 60;
    d += "<Tbls\n";
    for (int t = 1; t <= tables; ++t) {
        d += " <Tbl <TblID " + std::to_string(t) + "> <TblNumColumns 3>\n  <TblColumnWidth 1.5\"> "
             "<TblColumnWidth 2.0\"> <TblColumnWidth 2.5\">\n  <TblH <Row <Cell <CellContent <Para <PgfTag `Style1'> "
             "<ParaLine <String `Name'>>>>> <Cell <CellContent <Para <ParaLine <String `Kind'>>>>> "
             "<Cell <CellContent <Para <ParaLine <String `Value'>>>>>>>\n  <TblBody\n";
        for (int r = 0; r < 6; ++r) {
            d += "   <Row";
            for (int c = 0; c < 3; ++c) {
                d += " <Cell <CellContent <Para <PgfTag `Style2'> <ParaLine <String `" + std::string(kWords[(t + r + c) % 18]) +
                     " " + std::to_string(r * 3 + c) + "'>>>>>";
            }
            d += ">\n";
        }
        d += "  > # end of TblBody\n > # end of Tbl\n";
    }
    d += "> # end of Tbls\n";

    const int frames = 24;
    d += "<AFrames\n";
    for (int f = 1; f <= frames; ++f) {
        d += " <Frame <ID " + std::to_string(1000 + f) + "> <ShapeRect  0.0\" 0.0\" 3.0\" 2.0\"> <FrameType Below>\n"
             "  <ImportObject <ShapeRect  0.0\" 0.0\" 3.0\" 2.0\">\n=TIFF\n&%v\n";
        for (int line = 0; line < 64; ++line) {
            d += "&\\x";
            for (int b = 0; b < 32; ++b) {
                static const char kHex[] = "0123456789ABCDEF";
                unsigned v = static_cast<unsigned>((f * 131 + line * 17 + b * 7) & 0xFF);
                d += kHex[v >> 4];
                d += kHex[v & 15];
            }
            d += "\\x\n";
        }
        d += "=EndInset\n  > # end of ImportObject\n > # end of Frame\n";
    }
    d += "> # end of AFrames\n";

    for (int p = 1; p <= 4; ++p) {
        d += "<Page <PageType BodyPage> <PageNum `" + std::to_string(p) + "'> <PageSize  8.5\" 11.0\">\n <TextRect <ID " +
             std::to_string(10 + p) + "> <ShapeRect  1.0\" 1.0\" 6.5\" 9.0\">>\n>\n";
    }
    d += "<Page <PageType MasterPage> <TextRect <ID 90> <ShapeRect  1.0\" 1.0\" 6.5\" 9.0\">>>\n";

    d += "<TextFlow\n";
    unsigned state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFF;
    };
    int paragraph = 0;
    while (d.size() < targetBytes) {
        ++paragraph;
        d += " <Para <PgfTag `Style" + std::to_string(next() % 32) + "'>\n";
        int lines = 1 + static_cast<int>(next() % 4);
        for (int l = 0; l < lines; ++l) {
            d += "  <ParaLine <TextRectID " + std::to_string(paragraph % 97 == 0 ? 90 : 11 + paragraph % 4) + ">\n";
            if (next() % 5 == 0) d += "   <Font <FTag `Char" + std::to_string(next() % 24) + "'>>\n";
            std::string text;
            int words = 6 + static_cast<int>(next() % 10);
            for (int w = 0; w < words; ++w) {
                if (w > 0) text += ' ';
                text += kWords[next() % 18];
            }
            switch (next() % 6) {
                case 0: text += " \\t tabbed"; break;
                case 1: text += " caf\\xe9 \\xd5 quoted"; break;
                case 2: text += " a \\> b \\\\ c"; break;
                default: break;
            }
            d += "   <String `" + text + "'>\n";
            if (next() % 4 == 0) d += "   <Char Tab>\n   <String `after the tab'>\n";
            if (next() % 9 == 0) d += "   <Marker <MType 2> <MText `index entry'>>\n";
            if (next() % 11 == 0) d += "   <Variable <VariableName `Var" + std::to_string(next() % 12) + "'>>\n";
            if (next() % 7 == 0) d += "   <Font <FWeight `Bold'>> <String `bold words'> <Font <FWeight `Regular'>>\n";
            d += "  > # end of ParaLine\n";
        }
        if (paragraph % 40 == 0) d += "  <ParaLine <ATbl " + std::to_string(1 + (paragraph / 40) % tables) + ">>\n";
        if (paragraph % 150 == 0) d += "  <ParaLine <AFrame " + std::to_string(1001 + (paragraph / 150) % frames) + ">>\n";
        d += " > # end of Para\n";
    }
    d += "> # end of TextFlow\n# End of MIFFile\n";
    return d;
}

const std::string& Document() {
    static const std::string doc = GenerateDocument(8u << 20);
    return doc;
}

// ---- A lean host ------------------------------------------------------------

void* Allocate(void*, uint32_t size) { return std::malloc(size == 0 ? 1 : size); }
void Free(void*, void* p) { std::free(p); }
void* AllocateArray(void*, uint32_t elementSize, uint32_t count) {
    uint64_t total = static_cast<uint64_t>(elementSize) * count;
    return total > 0xFFFFFFFFu ? nullptr : std::malloc(total == 0 ? 1 : total);
}
void* Reallocate(void*, void* p, uint32_t size) { return std::realloc(p, size == 0 ? 1 : size); }

struct Stream {
    uint8_t block[MIF_IS_MIN_SIZE];  // the operations at their offsets; this struct starts with it
    const char* data;
    size_t size;
    size_t position;
};

Stream* FromBlock(void* block) { return reinterpret_cast<Stream*>(block); }
int32_t Read(void* block, void* buffer, uint32_t maxBytes) {
    Stream* s = FromBlock(block);
    size_t at = s->position < s->size ? s->position : s->size;
    size_t n = s->size - at < maxBytes ? s->size - at : maxBytes;
    std::memcpy(buffer, s->data + at, n);
    s->position = at + n;
    return static_cast<int32_t>(n);
}
int32_t Seek(void* block, int32_t offset, int32_t whence) {
    Stream* s = FromBlock(block);
    int64_t base = whence == 2 ? static_cast<int64_t>(s->size) : whence == 1 ? static_cast<int64_t>(s->position) : 0;
    if (base + offset < 0) return -1;
    s->position = static_cast<size_t>(base + offset);
    return 0;
}
int32_t Tell(void* block) { return static_cast<int32_t>(FromBlock(block)->position); }

int32_t Callback(void*, int32_t code, void* record) {
    if (code != MIF_HOST_FONT_QUERY) return 0;
    // Number fonts by the first letter of the face: cheap and stable.
    return 1 + static_cast<uint8_t>(static_cast<const char*>(record)[MIF_LOGFONT_FACE_NAME_OFFSET]) % 16;
}

template <typename Fn>
void Put(uint8_t* block, int offset, Fn fn) {
    std::memcpy(block + offset, &fn, sizeof fn);
}

// Adds the number of tokens of each code in one fill's output.
void CountCodes(const uint8_t* tokens, uint32_t size, uint64_t* counts) {
    for (uint32_t at = 0; at + MIF_TOKEN_HEADER_SIZE <= size;) {
        uint32_t length;
        std::memcpy(&length, tokens + at + 1, 4);
        if (length < MIF_TOKEN_HEADER_SIZE || length > size - at) return;
        ++counts[tokens[at]];
        at += length;
    }
}

struct BenchHost {
    std::vector<uint8_t> services = std::vector<uint8_t>(MIF_HS_MIN_SIZE, 0);
    Stream stream{};
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kBufferSize);

    explicit BenchHost(const std::string& doc) {
        Put(services.data(), MIF_HS_ALLOCATE, &Allocate);
        Put(services.data(), MIF_HS_FREE, &Free);
        Put(services.data(), MIF_HS_ALLOCATE_ARRAY, &AllocateArray);
        Put(services.data(), MIF_HS_REALLOCATE, &Reallocate);
        Put(stream.block, MIF_IS_READ, &Read);
        Put(stream.block, MIF_IS_SEEK, &Seek);
        Put(stream.block, MIF_IS_TELL, &Tell);
        stream.data = doc.data();
        stream.size = doc.size();
    }

    // One whole document: allocate, bind, fill to 100 percent, free. Returns
    // the number of token bytes, or 0 when the read did not finish.
    uint64_t ReadDocument(uint64_t* codeCounts = nullptr) {
        stream.position = 0;
        uint32_t flag = 0;
        void* ctx = mifAllocateContext(this, &Callback, &flag, services.data(), 0);
        if (ctx == nullptr) return 0;
        uint64_t total = 0;
        bool finished = false;
        if (mifInitDoc(ctx, nullptr, static_cast<int32_t>(stream.size), stream.block) == MIF_STATUS_OK) {
            for (;;) {
                uint32_t written = 0, percent = 0;
                int32_t status = mifFillBuffer(ctx, buffer.data(), &written, &percent, kBufferSize);
                if (status != MIF_STATUS_OK) break;
                total += written;
                if (codeCounts != nullptr) CountCodes(buffer.data(), written, codeCounts);
                if (percent >= 100) {
                    finished = true;
                    break;
                }
            }
        }
        mifFreeContext(ctx);
        return finished ? total : 0;
    }
};

// ---- Benchmarks -------------------------------------------------------------

// MB/s of the last run of each benchmark, for the closing lines.
double g_reader = 0;
double g_byteLoop = 0;
double g_memchr = 0;

void BM_FillLoop(benchmark::State& state) {
    const std::string& doc = Document();
    BenchHost host(doc);
    uint64_t tokens = 0;
    for (auto _ : state) {
        tokens = host.ReadDocument();
        if (tokens == 0) {
            state.SkipWithError("the document was not read to the end");
            break;
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
    state.counters["input_MB"] = static_cast<double>(doc.size()) / 1e6;
    state.counters["tokens_MB"] = static_cast<double>(tokens) / 1e6;
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(doc.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The baselines: one pass over the same bytes that counts the '<' among
// them, byte by byte and with memchr.
void BM_RawByteLoop(benchmark::State& state) {
    const std::string& doc = Document();
    for (auto _ : state) {
        uint64_t opens = 0;
        for (char c : doc) opens += c == '<';
        benchmark::DoNotOptimize(opens);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(doc.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RawMemchr(benchmark::State& state) {
    const std::string& doc = Document();
    for (auto _ : state) {
        const char* p = doc.data();
        const char* end = p + doc.size();
        uint64_t opens = 0;
        while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)))) != nullptr) {
            ++opens;
            ++p;
        }
        benchmark::DoNotOptimize(opens);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(doc.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_FillLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RawByteLoop)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RawMemchr)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps the MB/s of both benchmarks for the closing line.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            auto it = run.counters.find("MB/s");
            if (it == run.counters.end()) continue;
            const std::string name = run.benchmark_name();
            if (name.rfind("BM_FillLoop", 0) == 0) g_reader = it->second;
            if (name.rfind("BM_RawByteLoop", 0) == 0) g_byteLoop = it->second;
            if (name.rfind("BM_RawMemchr", 0) == 0) g_memchr = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("document: %.2f MB generated\n", static_cast<double>(Document().size()) / 1e6);
    {
        // One untimed read that shows what the document makes the reader write.
        BenchHost host(Document());
        uint64_t counts[256] = {};
        uint64_t bytes = host.ReadDocument(counts);
        std::printf("tokens: %.2f MB; %llu text, %llu paragraph ends, %llu font, %llu table start/end, %llu cell ends, "
                    "%llu frames\n",
                    static_cast<double>(bytes) / 1e6, static_cast<unsigned long long>(counts[MIF_TOKEN_TEXT]),
                    static_cast<unsigned long long>(counts[MIF_TOKEN_PARA_START]),
                    static_cast<unsigned long long>(counts[MIF_TOKEN_FONT]),
                    static_cast<unsigned long long>(counts[MIF_TOKEN_TABLE]),
                    static_cast<unsigned long long>(counts[MIF_TOKEN_CELL_END]),
                    static_cast<unsigned long long>(counts[MIF_TOKEN_FRAME]));
        if (bytes == 0) {
            std::fprintf(stderr, "the generated document was not read to the end\n");
            return 1;
        }
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const struct {
        const char* name;
        double mbps;
    } baselines[] = {{"byte loop", g_byteLoop}, {"memchr", g_memchr}};
    for (const auto& b : baselines) {
        if (g_reader <= 0 || b.mbps <= 0) continue;
        std::printf("reader %.1f MB/s vs raw scan (%s) %.1f MB/s: ratio %.4f (the scan is %.1f times faster)\n",
                    g_reader, b.name, b.mbps, g_reader / b.mbps, b.mbps / g_reader);
    }
    return 0;
}
