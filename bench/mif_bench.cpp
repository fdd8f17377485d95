// Throughput of the fill loop, read through the module's entry points with a
// 64 KiB output buffer from memory, on the corpus (when present) and on a
// generated document dense in catalogs, tables and frames, each beside a
// memchr scan of the same bytes in the same run; the ratios (also as the median
// of back-to-back pairs, which takes a shared machine's drift out), token bytes
// and host allocations per MB are printed at the end, then mifread's whole-process
// times over the corpus. With --memory: the module's peak live memory and
// mifread's peak resident memory at 30 MB and 300 MB of generated input.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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

// ---- A lean host ------------------------------------------------------------

// Plain malloc behind a count of calls and of live bytes; the host object
// sits in the allocator slot of the services block.
struct AllocatorCounts {
    uint64_t calls = 0;
    int64_t liveBytes = 0;
    int64_t peakBytes = 0;
};

// Each block carries its size in front, so that live bytes can be counted.
constexpr size_t kSizeHeader = 16;

AllocatorCounts* Counts(void* object) {
    AllocatorCounts* c;
    std::memcpy(&c, object, sizeof c);
    return c;
}
void* Allocate(void* object, uint32_t size) {
    AllocatorCounts* c = Counts(object);
    ++c->calls;
    auto* p = static_cast<uint8_t*>(std::malloc(kSizeHeader + size));
    if (p == nullptr) return nullptr;
    std::memcpy(p, &size, sizeof size);
    c->liveBytes += size;
    if (c->liveBytes > c->peakBytes) c->peakBytes = c->liveBytes;
    return p + kSizeHeader;
}
void Free(void* object, void* block) {
    if (block == nullptr) return;
    auto* p = static_cast<uint8_t*>(block) - kSizeHeader;
    uint32_t size;
    std::memcpy(&size, p, sizeof size);
    Counts(object)->liveBytes -= size;
    std::free(p);
}
void* AllocateArray(void* object, uint32_t elementSize, uint32_t count) {
    uint64_t total = static_cast<uint64_t>(elementSize) * count;
    return total > 0xFFFFFFFFu ? nullptr : Allocate(object, static_cast<uint32_t>(total));
}
void* Reallocate(void* object, void* block, uint32_t size) {
    if (block == nullptr) return Allocate(object, size);
    AllocatorCounts* c = Counts(object);
    ++c->calls;
    auto* p = static_cast<uint8_t*>(block) - kSizeHeader;
    uint32_t old;
    std::memcpy(&old, p, sizeof old);
    auto* q = static_cast<uint8_t*>(std::realloc(p, kSizeHeader + size));
    if (q == nullptr) return nullptr;
    std::memcpy(q, &size, sizeof size);
    c->liveBytes += static_cast<int64_t>(size) - old;
    if (c->liveBytes > c->peakBytes) c->peakBytes = c->liveBytes;
    return q + kSizeHeader;
}

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

struct BenchHost {
    std::vector<uint8_t> services = std::vector<uint8_t>(MIF_HS_MIN_SIZE, 0);
    Stream stream{};
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kBufferSize);
    AllocatorCounts counts;

    BenchHost() {
        AllocatorCounts* c = &counts;
        std::memcpy(services.data() + MIF_HS_ALLOCATOR, &c, sizeof c);
        Put(services.data(), MIF_HS_ALLOCATE, &Allocate);
        Put(services.data(), MIF_HS_FREE, &Free);
        Put(services.data(), MIF_HS_ALLOCATE_ARRAY, &AllocateArray);
        Put(services.data(), MIF_HS_REALLOCATE, &Reallocate);
        Put(stream.block, MIF_IS_READ, &Read);
        Put(stream.block, MIF_IS_SEEK, &Seek);
        Put(stream.block, MIF_IS_TELL, &Tell);
    }

    // One whole document: allocate, bind, fill to 100 percent, free. Returns
    // the number of token bytes, or -1 when the read did not finish.
    int64_t ReadDocument(const std::string& doc) {
        stream.data = doc.data();
        stream.size = doc.size();
        stream.position = 0;
        uint32_t flag = 0;
        void* ctx = mifAllocateContext(this, &Callback, &flag, services.data(), 0);
        if (ctx == nullptr) return -1;
        int64_t total = 0;
        bool finished = false;
        if (mifInitDoc(ctx, nullptr, static_cast<int32_t>(stream.size), stream.block) == MIF_STATUS_OK) {
            for (;;) {
                uint32_t written = 0, percent = 0;
                int32_t status = mifFillBuffer(ctx, buffer.data(), &written, &percent, kBufferSize);
                total += written;
                // A document that ends with a failure status (the corpus has one
                // whose frame anchors have no frame section) still counts as read.
                if (status != MIF_STATUS_OK || percent >= 100) {
                    finished = status == MIF_STATUS_OK || status == MIF_STATUS_SCAN_FAILED;
                    break;
                }
            }
        }
        mifFreeContext(ctx);
        return finished ? total : -1;
    }
};

// ---- Inputs -------------------------------------------------------------------

struct Input {
    std::string name;
    std::vector<std::string> documents;
    std::vector<std::string> paths;  // on disk, for whole-process runs
    uint64_t bytes = 0;
};

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const Input& Corpus() {
    static const Input corpus = [] {
        Input in;
        in.name = "corpus";
        std::error_code ec;
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::directory_iterator(MIF_CORPUS_DIR, ec)) {
            if (e.path().extension() == ".mif" && e.is_regular_file()) files.push_back(e.path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& f : files) {
            in.documents.push_back(ReadWholeFile(f));
            in.paths.push_back(f.string());
            in.bytes += in.documents.back().size();
        }
        return in;
    }();
    return corpus;
}

const Input& Generated() {
    static const Input generated = [] {
        Input in;
        in.name = "generated";
        in.documents.push_back(GenerateDocument(8u << 20));
        in.bytes = in.documents.back().size();
        return in;
    }();
    return generated;
}

// ---- Benchmarks -------------------------------------------------------------

struct Figures {
    double reader = 0;  // MB/s
    double memchr = 0;  // MB/s
    double tokensMB = 0;
    double allocationsPerMB = 0;
};
std::map<std::string, Figures> g_figures;

void BM_Reader(benchmark::State& state, const Input* (*input)()) {
    const Input* in = input();
    if (in->documents.empty()) {
        state.SkipWithError("no documents (the corpus folder is absent)");
        return;
    }
    BenchHost host;
    int64_t tokens = 0;
    for (auto _ : state) {
        tokens = 0;
        for (const std::string& doc : in->documents) {
            int64_t n = host.ReadDocument(doc);
            if (n < 0) {
                state.SkipWithError("a document was not read to the end");
                return;
            }
            tokens += n;
        }
        benchmark::DoNotOptimize(tokens);
    }
    double mb = static_cast<double>(in->bytes) / 1e6;
    Figures& f = g_figures[in->name];
    f.tokensMB = static_cast<double>(tokens) / 1e6;
    f.allocationsPerMB = static_cast<double>(host.counts.calls) / static_cast<double>(state.iterations()) / mb;
    state.counters["MB/s"] = benchmark::Counter(mb, benchmark::Counter::kIsIterationInvariantRate);
}

// The baseline: one pass over the same bytes that counts the '<' among them.
uint64_t CountOpens(const Input& in) {
    uint64_t opens = 0;
    for (const std::string& doc : in.documents) {
        const char* p = doc.data();
        const char* end = p + doc.size();
        while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)))) != nullptr) {
            ++opens;
            ++p;
        }
    }
    return opens;
}

void BM_Memchr(benchmark::State& state, const Input* (*input)()) {
    const Input* in = input();
    if (in->documents.empty()) {
        state.SkipWithError("no documents (the corpus folder is absent)");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(CountOpens(*in));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(in->bytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

// The ratio with the drift of a shared machine taken out: a memchr pass and
// a reader pass, one right after the other, many times; the median of the
// pairs' ratios.
double PairedRatio(const Input& in, int pairs) {
    using Clock = std::chrono::steady_clock;
    BenchHost host;
    std::vector<double> ratios;
    for (int i = 0; i < pairs; ++i) {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(CountOpens(in));
        auto t1 = Clock::now();
        for (const std::string& doc : in.documents) benchmark::DoNotOptimize(host.ReadDocument(doc));
        auto t2 = Clock::now();
        ratios.push_back(std::chrono::duration<double>(t1 - t0).count() / std::chrono::duration<double>(t2 - t1).count());
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

const Input* CorpusInput() { return &Corpus(); }
const Input* GeneratedInput() { return &Generated(); }

BENCHMARK_CAPTURE(BM_Reader, corpus, &CorpusInput)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Memchr, corpus, &CorpusInput)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_Reader, generated, &GeneratedInput)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Memchr, generated, &GeneratedInput)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each benchmark's MB/s for the closing lines.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            auto it = run.counters.find("MB/s");
            if (it == run.counters.end()) continue;
            const std::string name = run.benchmark_name();
            const std::string input = name.find("corpus") != std::string::npos ? "corpus" : "generated";
            (name.rfind("BM_Reader", 0) == 0 ? g_figures[input].reader : g_figures[input].memchr) = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// ---- Whole processes --------------------------------------------------------

struct ProcessRun {
    double seconds = 0;     // wall time
    double cpuSeconds = 0;  // user + system
    long peakKiB = 0;       // resident set
    int status = -1;
};

// Spawns a command with stdout and stderr to /dev/null and waits for it.
ProcessRun SpawnAndWait(const std::vector<std::string>& args) {
    ProcessRun r;
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto start = std::chrono::steady_clock::now();
    pid_t pid;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return r;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.peakKiB = usage.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Runs a command and returns its times and peak resident memory. A child's
// peak counts the memory of the process it was spawned from, so the command
// is started from a fresh, small copy of this program (--spawn-report),
// which writes the figures to a file.
ProcessRun RunProcess(const std::vector<std::string>& args) {
    std::string report = std::filesystem::temp_directory_path() / ("mif_bench_report." + std::to_string(getpid()));
    std::vector<std::string> trampoline{"/proc/self/exe", "--spawn-report", report};
    trampoline.insert(trampoline.end(), args.begin(), args.end());
    SpawnAndWait(trampoline);
    ProcessRun r;
    std::ifstream in(report);
    in >> r.seconds >> r.cpuSeconds >> r.peakKiB >> r.status;
    std::filesystem::remove(report);
    return r;
}

int SpawnReport(int argc, char** argv) {
    ProcessRun r = SpawnAndWait(std::vector<std::string>(argv + 3, argv + argc));
    std::ofstream out(argv[2]);
    out << r.seconds << " " << r.cpuSeconds << " " << r.peakKiB << " " << r.status << "\n";
    return 0;
}

// The best of three runs of mifread over the whole corpus.
void TimeMifread(const char* mode) {
    const Input& corpus = Corpus();
    std::vector<std::string> args{MIFREAD_PATH};
    if (mode[0] != '\0') args.push_back(mode);
    args.insert(args.end(), corpus.paths.begin(), corpus.paths.end());
    ProcessRun best;
    for (int i = 0; i < 3; ++i) {
        ProcessRun r = RunProcess(args);
        if (i == 0 || r.seconds < best.seconds) best = r;
    }
    double mb = static_cast<double>(corpus.bytes) / 1e6;
    std::printf("mifread %-5s over the corpus: %.3f s wall, %.3f s CPU, %.1f MB/s, peak %.1f MiB (exit %d)\n",
                mode[0] != '\0' ? mode : "text", best.seconds, best.cpuSeconds, mb / best.seconds,
                static_cast<double>(best.peakKiB) / 1024.0, best.status);
}

// ---- Memory against document size -----------------------------------------

// The sample's first text flow (with its table and frame anchors) repeated
// until the document has about targetBytes.
std::string RepeatedSample(size_t targetBytes) {
    std::string sample = ReadWholeFile(MIF_SAMPLES_DIR "/sample.mif");
    size_t flow = sample.find("<TextFlow");
    size_t flowEnd = sample.find("> # end of TextFlow", flow);
    if (flow == std::string::npos || flowEnd == std::string::npos) return {};
    flowEnd += std::strlen("> # end of TextFlow\n");
    std::string body = sample.substr(flow, flowEnd - flow);
    std::string doc = sample.substr(0, flow);
    doc.reserve(targetBytes + sample.size());
    while (doc.size() < targetBytes) doc += body;
    doc += sample.substr(flowEnd);
    return doc;
}

void MemoryAgainstSize() {
    for (size_t mb : {30, 300}) {
        std::string doc = RepeatedSample(mb << 20);
        BenchHost host;
        auto start = std::chrono::steady_clock::now();
        int64_t tokens = host.ReadDocument(doc);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("repeated sample, %.0f MB: module peak live %.1f KiB, %.1f MB/s, tokens %.1f MB\n",
                    static_cast<double>(doc.size()) / 1e6, static_cast<double>(host.counts.peakBytes) / 1024.0,
                    static_cast<double>(doc.size()) / 1e6 / seconds, static_cast<double>(tokens) / 1e6);
        std::string path = std::filesystem::temp_directory_path() / "mif_bench_repeated.mif";
        {
            std::ofstream out(path, std::ios::binary);
            out.write(doc.data(), static_cast<std::streamsize>(doc.size()));
        }
        for (const char* mode : {"--raw", ""}) {
            std::vector<std::string> args{MIFREAD_PATH};
            if (mode[0] != '\0') args.push_back(mode);
            args.push_back(path);
            ProcessRun r = RunProcess(args);
            std::printf("  mifread %-5s peak resident %.1f MiB, %.1f MB/s (exit %d)\n", mode[0] ? mode : "text",
                        static_cast<double>(r.peakKiB) / 1024.0, static_cast<double>(doc.size()) / 1e6 / r.seconds,
                        r.status);
        }
        std::filesystem::remove(path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--spawn-report") == 0) return SpawnReport(argc, argv);
    // --memory: only the memory-against-size measurement (it writes a 300 MB
    // temporary file and takes a minute).
    bool memory = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--memory") == 0) {
            memory = true;
            for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
    if (memory) {
        MemoryAgainstSize();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("corpus: %zu documents, %.2f MB; generated document: %.2f MB\n", Corpus().documents.size(),
                static_cast<double>(Corpus().bytes) / 1e6, static_cast<double>(Generated().bytes) / 1e6);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const auto& [name, f] : g_figures) {
        if (f.reader <= 0 || f.memchr <= 0) continue;
        const double paired = PairedRatio(name == "corpus" ? Corpus() : Generated(), 15);
        std::printf("%-9s reader %.1f MB/s, memchr %.1f MB/s: ratio %.3f (paired runs: %.3f); tokens %.2f MB; "
                    "%.1f host allocations per MB\n",
                    name.c_str(), f.reader, f.memchr, f.reader / f.memchr, paired, f.tokensMB, f.allocationsPerMB);
    }
#ifdef MIFREAD_PATH
    if (!Corpus().documents.empty() && std::filesystem::exists(MIFREAD_PATH)) {
        TimeMifread("--raw");
        TimeMifread("");
    }
#endif
    return 0;
}
