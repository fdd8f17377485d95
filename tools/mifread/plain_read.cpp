#include "tools/mifread/plain_read.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "tools/mifread/document_run.h"

namespace mifread {

namespace fs = std::filesystem;
using namespace mifhost;

namespace {

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
}  // namespace

bool ReadPlain(const Module& module, Source& source, const PlainOptions& opt) {
    const std::string& path = source.name();
    const std::string name = "mifread: " + path + ": ";
    std::error_code ec;
    if (path != "-" && fs::is_directory(path, ec)) {
        std::cerr << name << "is a directory\n";
        return false;
    }
    std::unique_ptr<InputStream> stream;
    try {
        stream = source.Open();
    } catch (const std::exception& e) {
        std::cerr << "mifread: " << e.what() << "\n";
        return false;
    }
    const TextEncoding encoding = EncodingForVersion(ReadMifVersion(source.Head(64)));

    Host host;
    if (opt.refuseAllocation != 0) host.allocator.FailAt(opt.refuseAllocation);
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
    if (std::string setup = SetupProblem(run); !setup.empty()) {
        std::cerr << name << setup << "\n";
        if (std::string refused = RefusalProblem(host.allocator.stats()); !refused.empty()) std::cerr << name << refused << "\n";
        return false;
    }
    if (!opt.raw && !opt.tokens) std::cout << renderer.Finish();
    if (!decodeError.empty()) {
        std::cerr << name << "malformed token stream: " << decodeError << "\n";
        ok = false;
    }
    if (opt.fonts) PrintFonts(host.callback, opt.raw ? std::cerr : std::cout);

    if (std::string problem = OutcomeProblem(run, stream->Size()); !problem.empty()) {
        std::cerr << name << problem << "\n";
        ok = false;
    }
    if (run.overran) {
        std::cerr << name << "the reader wrote past the end of the output buffer\n";
        ok = false;
    }
    if (extractor && extractor->failed()) ok = false;
    // The module may end a document cleanly with what it read so far when
    // the host refused it memory: say so, and fail.
    if (std::string refused = RefusalProblem(host.allocator.stats()); !refused.empty()) {
        std::cerr << name << refused << "\n";
        ok = false;
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << name << "cannot write the output\n";
        ok = false;
    }
    return ok;
}

}  // namespace mifread
