// mifread: reads MIF documents through the reader module, as a document
// filter host would. Prints the text, the decoded tokens or the raw token
// bytes of a document, or converts documents to HTML, Markdown or JSON,
// whole folders of them in parallel. This file holds the options; the
// readings live in plain_read, document_run and batch.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "host/mifhost.h"
#include "tools/mifread/batch.h"
#include "tools/mifread/document_run.h"
#include "tools/mifread/plain_read.h"

namespace fs = std::filesystem;
using namespace mifhost;

namespace {

constexpr uint32_t kMinBufferSize = 64;
constexpr uint32_t kMaxBufferSize = 1u << 30;

struct Options {
    std::vector<std::string> files;
    mifread::PlainOptions plain;
    std::string format = "text";
    std::string outDir;
    unsigned jobs = 0;
    std::string modulePath;
};

#ifdef _WIN32
constexpr const char* kModuleFileName = "mifreader.dll";
fs::path ExecutableDir() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n == 0 ? fs::path() : fs::path(std::string(buf, n)).parent_path();
}
#else
constexpr const char* kModuleFileName = "libmifreader.so";
fs::path ExecutableDir() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}
#endif

// The module given with --module, else the one installed with this program,
// else the one this build made, else one next to the executable.
std::string DefaultModulePath() {
    std::error_code ec;
#ifdef MIFREAD_INSTALLED_MODULE
    fs::path installed = ExecutableDir() / MIFREAD_INSTALLED_MODULE;
    if (fs::exists(installed, ec)) return installed.lexically_normal().string();
#endif
#ifdef MIFREAD_DEFAULT_MODULE
    if (fs::exists(MIFREAD_DEFAULT_MODULE, ec)) return MIFREAD_DEFAULT_MODULE;
#endif
    fs::path beside = ExecutableDir() / kModuleFileName;
    if (fs::exists(beside, ec)) return beside.string();
#ifdef MIFREAD_DEFAULT_MODULE
    return MIFREAD_DEFAULT_MODULE;
#else
    return kModuleFileName;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    CLI::App app{
        "Reads MIF (Maker Interchange Format) documents through the reader module, the way a document\n"
        "filter host does, and prints what the module reports, or converts the documents.\n\n"
        "Output (stdout):\n"
        "  default   the text of the body pages: one line per paragraph, tabs as tab characters,\n"
        "            table rows as tab-separated cells between blank lines, and a line\n"
        "            [frame ID: W x H in] where an anchored frame stands. Text is converted to\n"
        "            UTF-8 (from Windows-1252 for documents before MIF 8).\n"
        "  --tokens  one line per token: its byte offset in the token stream and its fields.\n"
        "  --raw     the token bytes exactly as the module wrote them.\n"
        "With several files, each is read in turn; the exit status is 1 if any of them failed\n"
        "(not a MIF file, unreadable, or the module reported a failure), else 0.\n\n"
        "Conversion (--to html|markdown|json):\n"
        "  mifread --to html FILE > page.html      one document to stdout; - reads standard input\n"
        "  mifread --to FORMAT --out-dir DIR [-j N] PATH...\n"
        "            every document named or found in the folders (*.mif, any case, searched\n"
        "            recursively) to DIR, mirroring the relative paths, N at a time; frames'\n"
        "            objects go to <name>_files/ beside each output. A document that fails is\n"
        "            reported with its reason and the rest go on; the exit status is then 1.\n"
        "  html      a self-contained page; pictures embedded as data: URIs on stdout.\n"
        "  markdown  CommonMark with pipe tables; pictures are linked only with --out-dir.\n"
        "  json      the document model described in docs/json-format.md.",
        "mifread"};
    app.set_version_flag("--version", "mifread " MIFREAD_VERSION);
    app.add_option("files", opt.files, "MIF documents to read (- for standard input); with --out-dir, also folders")
        ->required();
    auto* tokensOpt = app.add_flag("--tokens", opt.plain.tokens, "Print one decoded line per token instead of the text");
    auto* rawOpt = app.add_flag("--raw", opt.plain.raw, "Write the raw token bytes to stdout instead of the text");
    tokensOpt->excludes(rawOpt);
    app.add_option("--buffer-size", opt.plain.bufferSize,
                   "Size in bytes of the buffer handed to each fill (at least 64; default 65536, the size the "
                   "module guarantees to work with)");
    auto* fontsOpt = app.add_flag("--fonts", opt.plain.fonts,
                                  "After the output, list the font faces the module asked the host about: number, face "
                                  "name and family class (to stderr with --raw)");
    auto* extractOpt =
        app.add_option("--extract", opt.plain.extractDir,
                       "Write the embedded object of every anchored frame to DIR/frame-<ID>.<ext>, the extension "
                       "guessed from the data (png gif jpg tif bmp eps wmf emf pdf, else bin); each file written is "
                       "reported on stderr")
            ->type_name("DIR");
    app.add_option("--to", opt.format, "Output format: text (the default), html, markdown or json")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"text", "html", "markdown", "json"}));
    auto* outDirOpt = app.add_option("--out-dir", opt.outDir,
                                     "Convert every document to a file of its own under DIR (with a summary on stderr, "
                                     "and a progress line when stderr is a terminal)")
                          ->type_name("DIR");
    app.add_option("-j,--jobs", opt.jobs, "With --out-dir: documents converted at a time (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::Range(1u, 1024u));
    app.add_option("--module", opt.modulePath,
                   "The reader library to load (default: the one installed or built with this program, else " +
                       std::string(kModuleFileName) + " next to it)")
        ->type_name("PATH");
    for (auto* o : {tokensOpt, rawOpt, fontsOpt, extractOpt}) o->excludes(outDirOpt);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    const mifconvert::Format format = *mifconvert::ParseFormat(opt.format);
    if (opt.plain.bufferSize < kMinBufferSize || opt.plain.bufferSize > kMaxBufferSize) {
        std::cerr << "mifread: --buffer-size " << opt.plain.bufferSize << " is out of range: it must be at least "
                  << kMinBufferSize << " and at most " << kMaxBufferSize << " bytes\n";
        return 2;
    }
    const bool plainOnly = opt.plain.tokens || opt.plain.raw || opt.plain.fonts || !opt.plain.extractDir.empty();
    if (format != mifconvert::Format::Text && plainOnly) {
        std::cerr << "mifread: --tokens, --raw, --fonts and --extract go with the text output only\n";
        return 2;
    }
    if (format != mifconvert::Format::Text && opt.outDir.empty() && opt.files.size() != 1) {
        std::cerr << "mifread: --to " << opt.format << " writes one document to stdout; use --out-dir DIR for several\n";
        return 2;
    }
    if (!opt.plain.extractDir.empty()) {
        std::error_code ec;
        fs::create_directories(opt.plain.extractDir, ec);
        if (!fs::is_directory(opt.plain.extractDir, ec)) {
            std::cerr << "mifread: --extract: cannot create directory " << opt.plain.extractDir << "\n";
            return 2;
        }
    }
    try {
        opt.plain.refuseAllocation = mifread::RefusalFromEnvironment();
    } catch (const std::exception& e) {
        std::cerr << "mifread: " << e.what() << "\n";
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    if (opt.plain.raw) _setmode(_fileno(stdout), _O_BINARY);
#endif

    std::string modulePath = opt.modulePath.empty() ? DefaultModulePath() : opt.modulePath;
    std::unique_ptr<Module> module;
    try {
        module = std::make_unique<Module>(Module::Load(modulePath));
    } catch (const std::exception& e) {
        std::cerr << "mifread: " << e.what() << "\n";
        return 2;
    }

    mifread::ConvertJob job;
    job.format = format;
    job.bufferSize = opt.plain.bufferSize;
    job.refuseAllocation = opt.plain.refuseAllocation;

    if (!opt.outDir.empty()) {
        mifread::BatchOptions batch;
        batch.job = job;
        batch.outDir = opt.outDir;
        batch.jobs = opt.jobs != 0 ? opt.jobs : std::max(1u, std::thread::hardware_concurrency());
        return mifread::RunBatch(*module, opt.files, batch);
    }

    bool allOk = true;
    for (const std::string& file : opt.files) {
        if (opt.files.size() > 1 && !opt.plain.raw) std::cout << "==> " << file << " <==\n";
        try {
            std::unique_ptr<mifread::Source> source =
                file == "-" ? mifread::Source::FromStdin(stdin) : mifread::Source::FromFile(file);
            if (format == mifconvert::Format::Text) {
                if (!mifread::ReadPlain(*module, *source, opt.plain)) allOk = false;
                continue;
            }
            mifread::DocumentReport report = mifread::ConvertDocument(*module, *source, job, std::cout);
            std::cout.flush();
            for (const std::string& p : report.problems) std::cerr << "mifread: " << file << ": " << p << "\n";
            if (!report.ok) allOk = false;
        } catch (const std::exception& e) {
            std::cerr << "mifread: " << file << ": " << e.what() << "\n";
            allOk = false;
        }
    }
    return allOk ? 0 : 1;
}
