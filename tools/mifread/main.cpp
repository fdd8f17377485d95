// mifread: reads MIF documents through the reader module, as a document
// filter host would, and prints the text, the decoded tokens or the raw
// token bytes; lists the fonts the module asked about and writes out the
// embedded objects of anchored frames.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "host/mifhost.h"

namespace fs = std::filesystem;
using namespace mifhost;

namespace {

constexpr uint32_t kMinBufferSize = 64;
constexpr uint32_t kMaxBufferSize = 1u << 30;

struct Options {
    std::vector<std::string> files;
    bool tokens = false;
    bool raw = false;
    bool fonts = false;
    uint32_t bufferSize = MIF_MIN_BUFFER_SIZE;
    std::string extractDir;
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

std::string FileHead(const std::string& path, size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string head(n, '\0');
    in.read(head.data(), static_cast<std::streamsize>(n));
    head.resize(static_cast<size_t>(in.gcount()));
    return head;
}

std::string DescribeFailure(const RunResult& run, int64_t inputSize) {
    std::string where = " at " + std::to_string(run.lastPercent) + " percent (input read up to byte " +
                        std::to_string(run.streamPosition) + " of " + std::to_string(inputSize) + ")";
    switch (run.status) {
        case MIF_STATUS_SCAN_FAILED: return "could not read a statement" + where;
        case MIF_STATUS_BUFFER_TOO_SMALL:
            return "output buffer too small" + where + "; try a larger --buffer-size";
        default: return "fill failed with status " + std::to_string(run.status) + where;
    }
}

class FrameExtractor {
public:
    FrameExtractor(const fs::path& dir, Host& host, std::ostream& report) : dir_(dir), host_(host), report_(report) {}

    // Looks for frame tokens in one fill's output and writes their objects.
    void OnFill(std::span<const uint8_t> bytes) {
        TokenReader reader(bytes);
        try {
            while (!reader.AtEnd()) {
                Token t = reader.Next();
                if (const auto* f = std::get_if<FrameToken>(&t.value)) Extract(*f);
            }
        } catch (const TokenError&) {
            // The whole stream is decoded again afterwards and the error reported there.
        }
    }
    bool failed() const { return failed_; }

private:
    void Extract(const FrameToken& frame) {
        if (!done_.insert(frame.id).second) return;  // anchored more than once
        ObjectReader reader(host_.callback.objectRecord());
        std::vector<uint8_t> data;
        if (!reader.ReadAll(frame.id, &data)) {
            report_ << "frame " << frame.id << ": the module has no object for it\n";
            return;
        }
        fs::path out = dir_ / ("frame-" + frame.id + "." + std::string(GuessExtension(data)));
        std::ofstream file(out, std::ios::binary);
        file.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        if (!file) {
            report_ << "mifread: cannot write " << out.string() << "\n";
            failed_ = true;
            return;
        }
        report_ << "wrote " << out.string() << " (" << data.size() << " bytes)\n";
    }

    fs::path dir_;
    Host& host_;
    std::ostream& report_;
    std::set<std::string> done_;
    bool failed_ = false;
};

void PrintFonts(const HostCallback& callback, std::ostream& out) {
    out << "fonts (" << callback.fonts().size() << " faces, " << callback.fontQueries() << " queries):\n";
    for (const FontEntry& f : callback.fonts()) {
        char family[8];
        std::snprintf(family, sizeof family, "0x%02X", f.family);
        out << "  #" << f.number << "  \"" << f.face << "\"  family=" << HostCallback::FamilyName(f.family) << " ("
            << family << ")\n";
    }
}

// Reads one document; returns true when it was read to the end and all its
// output was written.
bool ReadOne(const Module& module, const std::string& path, const Options& opt) {
    const std::string name = "mifread: " + path + ": ";
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        std::cerr << name << "is a directory\n";
        return false;
    }
    std::unique_ptr<InputStream> stream;
    try {
        stream = InputStream::FromFile(path);
    } catch (const std::exception& e) {
        std::cerr << "mifread: " << e.what() << "\n";
        return false;
    }
    const TextEncoding encoding = EncodingForVersion(ReadMifVersion(FileHead(path, 64)));

    Host host;
    std::ostream& report = std::cerr;  // stdout carries the document's output
    std::unique_ptr<FrameExtractor> extractor;
    DriverOptions dopt;
    dopt.bufferSize = opt.bufferSize;
    dopt.inputSize = static_cast<int32_t>(stream->Size());
    if (!opt.extractDir.empty()) {
        extractor = std::make_unique<FrameExtractor>(opt.extractDir, host, report);
        dopt.betweenFills = [&](std::span<const uint8_t> bytes) { extractor->OnFill(bytes); };
    }

    // Each fill's output is written as it arrives: the raw bytes, or its
    // tokens decoded and rendered. The first fill of a file that is not MIF
    // writes nothing, so nothing is printed for it.
    TextRenderer renderer(encoding);
    std::string decodeError;
    uint64_t streamOffset = 0;
    char offset[32];
    dopt.onFill = [&](std::span<const uint8_t> bytes) {
        if (opt.raw) {
            std::cout.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            return;
        }
        TokenReader reader(bytes, streamOffset);
        streamOffset += bytes.size();
        if (!decodeError.empty()) return;
        try {
            while (!reader.AtEnd()) {
                Token t = reader.Next();
                if (opt.tokens) {
                    // Text is shown as escaped bytes, exactly as the module wrote them.
                    std::snprintf(offset, sizeof offset, "%8zu  ", t.offset);
                    std::cout << offset << DescribeToken(t) << "\n";
                } else {
                    renderer.Add(t);
                }
            }
        } catch (const TokenError& e) {
            decodeError = e.what();
        }
        if (!opt.tokens) std::cout << renderer.Take();
    };

    RunResult run = Driver(module).Run(host, *stream, dopt);

    bool ok = true;
    if (run.outcome == RunResult::Outcome::NoContext) {
        std::cerr << name << "the reader could not allocate a context\n";
        return false;
    }
    if (run.outcome == RunResult::Outcome::InitFailed) {
        std::cerr << name << "the reader could not be set up (status " << run.initStatus << ")\n";
        return false;
    }
    if (run.outcome == RunResult::Outcome::FillFailed && run.status == MIF_STATUS_SETUP_FAILED && run.fills.size() == 1) {
        std::cerr << name << "not a MIF file\n";
        return false;
    }
    if (!opt.raw && !opt.tokens) std::cout << renderer.Finish();
    if (!decodeError.empty()) {
        std::cerr << name << "malformed token stream: " << decodeError << "\n";
        ok = false;
    }
    if (opt.fonts) PrintFonts(host.callback, opt.raw ? std::cerr : std::cout);

    switch (run.outcome) {
        case RunResult::Outcome::Finished: break;
        case RunResult::Outcome::FillFailed:
            std::cerr << name << DescribeFailure(run, stream->Size()) << "\n";
            ok = false;
            break;
        case RunResult::Outcome::Stalled:
            std::cerr << name << "the reader stopped making progress at " << run.lastPercent << " percent after "
                      << run.fills.size() << " fills\n";
            ok = false;
            break;
        default: break;
    }
    if (run.overran) {
        std::cerr << name << "the reader wrote past the end of the output buffer\n";
        ok = false;
    }
    if (extractor && extractor->failed()) ok = false;
    std::cout.flush();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    CLI::App app{
        "Reads MIF (Maker Interchange Format) documents through the reader module, the way a document\n"
        "filter host does, and prints what the module reports.\n\n"
        "Output (stdout):\n"
        "  default   the text of the body pages: one line per paragraph, tabs as tab characters,\n"
        "            table rows as tab-separated cells between blank lines, and a line\n"
        "            [frame ID: W x H in] where an anchored frame stands. Text is converted to\n"
        "            UTF-8 (from Windows-1252 for documents before MIF 8).\n"
        "  --tokens  one line per token: its byte offset in the token stream and its fields.\n"
        "  --raw     the token bytes exactly as the module wrote them.\n"
        "With several files, each is read in turn; the exit status is 1 if any of them failed\n"
        "(not a MIF file, unreadable, or the module reported a failure), else 0.",
        "mifread"};
    app.set_version_flag("--version", "mifread " MIFREAD_VERSION);
    app.add_option("files", opt.files, "MIF documents to read")->required();
    auto* tokensOpt = app.add_flag("--tokens", opt.tokens, "Print one decoded line per token instead of the text");
    auto* rawOpt = app.add_flag("--raw", opt.raw, "Write the raw token bytes to stdout instead of the text");
    tokensOpt->excludes(rawOpt);
    app.add_option("--buffer-size", opt.bufferSize,
                   "Size in bytes of the buffer handed to each fill (at least 64; default 65536, the size the "
                   "module guarantees to work with)");
    app.add_flag("--fonts", opt.fonts,
                 "After the output, list the font faces the module asked the host about: number, face name and "
                 "family class (to stderr with --raw)");
    app.add_option("--extract", opt.extractDir,
                   "Write the embedded object of every anchored frame to DIR/frame-<ID>.<ext>, the extension "
                   "guessed from the data (png gif jpg tif bmp eps wmf emf pdf, else bin); each file written is "
                   "reported on stderr")
        ->type_name("DIR");
    app.add_option("--module", opt.modulePath,
                   "The reader library to load (default: the one installed or built with this program, else " +
                       std::string(kModuleFileName) + " next to it)")
        ->type_name("PATH");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (opt.bufferSize < kMinBufferSize || opt.bufferSize > kMaxBufferSize) {
        std::cerr << "mifread: --buffer-size " << opt.bufferSize << " is out of range: it must be at least "
                  << kMinBufferSize << " and at most " << kMaxBufferSize << " bytes\n";
        return 2;
    }
    if (!opt.extractDir.empty()) {
        std::error_code ec;
        fs::create_directories(opt.extractDir, ec);
        if (!fs::is_directory(opt.extractDir, ec)) {
            std::cerr << "mifread: --extract: cannot create directory " << opt.extractDir << "\n";
            return 2;
        }
    }
#ifdef _WIN32
    if (opt.raw) _setmode(_fileno(stdout), _O_BINARY);
#endif

    std::string modulePath = opt.modulePath.empty() ? DefaultModulePath() : opt.modulePath;
    std::unique_ptr<Module> module;
    try {
        module = std::make_unique<Module>(Module::Load(modulePath));
    } catch (const std::exception& e) {
        std::cerr << "mifread: " << e.what() << "\n";
        return 2;
    }

    bool allOk = true;
    for (const std::string& file : opt.files) {
        if (opt.files.size() > 1 && !opt.raw) std::cout << "==> " << file << " <==\n";
        try {
            if (!ReadOne(*module, file, opt)) allOk = false;
        } catch (const std::exception& e) {
            std::cerr << "mifread: " << file << ": " << e.what() << "\n";
            allOk = false;
        }
    }
    return allOk ? 0 : 1;
}
