#include "tools/mifread/document_run.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

namespace mifread {

namespace fs = std::filesystem;
using namespace mifhost;
using mifconvert::FrameInfo;

std::string SetupProblem(const RunResult& run) {
    switch (run.outcome) {
        case RunResult::Outcome::NoContext: return "the reader could not allocate a context";
        case RunResult::Outcome::InitFailed:
            return "the reader could not be set up (status " + std::to_string(run.initStatus) + ")";
        case RunResult::Outcome::FillFailed:
            if (run.status == MIF_STATUS_SETUP_FAILED && run.fills.size() == 1) return "not a MIF file";
            return "";
        default: return "";
    }
}

std::string OutcomeProblem(const RunResult& run, int64_t inputSize) {
    if (run.outcome == RunResult::Outcome::Stalled) {
        return "the reader stopped making progress at " + std::to_string(run.lastPercent) + " percent after " +
               std::to_string(run.fills.size()) + " fills";
    }
    if (run.outcome != RunResult::Outcome::FillFailed) return "";
    std::string where = " at " + std::to_string(run.lastPercent) + " percent (input read up to byte " +
                        std::to_string(run.streamPosition) + " of " + std::to_string(inputSize) + ")";
    switch (run.status) {
        case MIF_STATUS_SCAN_FAILED: return "could not read a statement" + where;
        case MIF_STATUS_BUFFER_TOO_SMALL: return "output buffer too small" + where + "; try a larger --buffer-size";
        default: return "fill failed with status " + std::to_string(run.status) + where;
    }
}

std::string RefusalProblem(const Allocator::Stats& stats) {
    if (stats.refused == 0) return "";
    std::string why;
    if (stats.oversized != 0) {
        why = stats.oversized == stats.refused ? ", larger than " : ", " + std::to_string(stats.oversized) + " larger than ";
        why += std::to_string(Allocator::kBlockLimit >> 20) + " MiB";
    }
    return "the host refused memory the reader asked for (" + std::to_string(stats.refused) +
           (stats.refused == 1 ? " request" : " requests") + why + "); the output may be incomplete";
}

uint64_t RefusalFromEnvironment() {
    const char* value = std::getenv("MIFREAD_REFUSE_ALLOCATION");
    if (value == nullptr || *value == '\0') return 0;
    char* end = nullptr;
    unsigned long long n = std::strtoull(value, &end, 10);
    if (*end != '\0' || n == 0) throw std::invalid_argument("MIFREAD_REFUSE_ALLOCATION must be a positive number");
    return n;
}

namespace {

struct Pass {
    RunResult run;
    int64_t inputSize = 0;
    std::string decodeError;
    Allocator::Stats allocations;
};

// Runs the module over the document once, handing every token to onToken.
// A fill's tokens are decoded after the fill, between fills, where the
// object callbacks may be used (objectsReadable is set meanwhile); the
// tokens of a fill that failed are decoded after the run, without objects.
Pass Read(const Module& module, Source& source, const ConvertJob& job, Host& host, bool& objectsReadable,
          const std::function<void(const Token&)>& onToken, const std::function<void(uint64_t)>& progress) {
    Pass pass;
    if (job.refuseAllocation != 0) host.allocator.FailAt(job.refuseAllocation);
    std::unique_ptr<InputStream> stream = source.Open();
    pass.inputSize = stream->Size();

    std::vector<uint8_t> pending;
    bool hasPending = false;
    uint64_t offset = 0;
    int64_t reached = 0;
    auto decode = [&](bool readable) {
        hasPending = false;
        TokenReader reader(pending, offset);
        offset += pending.size();
        if (!pass.decodeError.empty()) return;
        objectsReadable = readable;
        try {
            while (!reader.AtEnd()) onToken(reader.Next());
        } catch (const TokenError& e) {
            pass.decodeError = e.what();
        }
        objectsReadable = false;
    };
    auto report = [&](int64_t position) {
        position = std::min(position, pass.inputSize);
        if (position > reached) {
            progress(static_cast<uint64_t>(position - reached));
            reached = position;
        }
    };

    DriverOptions options;
    options.bufferSize = job.bufferSize;
    options.inputSize = static_cast<int32_t>(pass.inputSize);
    options.onFill = [&](std::span<const uint8_t> bytes) {
        pending.assign(bytes.begin(), bytes.end());
        hasPending = true;
    };
    options.betweenFills = [&](std::span<const uint8_t>) {
        decode(true);
        if (progress) report(stream->Position());
    };
    pass.run = Driver(module).Run(host, *stream, options);
    if (hasPending) decode(false);
    if (progress) report(pass.inputSize);
    pass.allocations = host.allocator.stats();
    return pass;
}

class OutlineCounter final : public mifconvert::BlockSink {
public:
    explicit OutlineCounter(mifconvert::Outline& outline) : outline_(outline) {}
    void Paragraph(const mifconvert::Paragraph& p) override { outline_.Count(p); }
    void TableStart(const mifconvert::Table&) override {}
    void TableRow(const std::vector<mifconvert::Cell>&) override {}
    void TableEnd() override {}

private:
    mifconvert::Outline& outline_;
};

std::string Label(std::string_view format, std::span<const uint8_t> data) {
    static const std::map<std::string_view, const char*> kLabels = {
        {"png", "PNG image"},     {"gif", "GIF image"},    {"jpg", "JPEG image"},   {"bmp", "BMP image"},
        {"tif", "TIFF image"},    {"eps", "EPS graphic"},  {"wmf", "WMF drawing"},  {"emf", "EMF drawing"},
        {"pdf", "PDF document"},
    };
    if (auto it = kLabels.find(format); it != kLabels.end()) return it->second;
    // The publishing system's own vector format opens with a tag such as
    // "<...Vector5.0>".
    std::string_view head(reinterpret_cast<const char*>(data.data()), std::min<size_t>(data.size(), 32));
    if (!head.empty() && head[0] == '<' && head.find("Vector") != std::string_view::npos) return "vector drawing";
    return "embedded data";
}

// Answers the converter's questions about frames: reads each frame's object
// through the module's callbacks and, when there is an output folder,
// writes it there once.
class FrameFetcher {
public:
    FrameFetcher(Host& host, const bool& readable, fs::path dir, std::string href, DocumentReport& report)
        : host_(host), readable_(readable), dir_(std::move(dir)), href_(std::move(href)), report_(report) {}

    std::shared_ptr<const FrameInfo> operator()(const FrameToken& token, bool embed) {
        auto known = done_.find(token.id);
        if (known != done_.end() && (!embed || !known->second->browserImage || !known->second->file.empty() || !readable_)) {
            return Resized(known->second, token);
        }
        auto info = std::make_shared<FrameInfo>();
        info->id = token.id;
        info->width = token.width;
        info->height = token.height;
        info->kind = token.kind;
        if (!readable_) return info;
        ObjectReader reader(host_.callback.objectRecord());
        std::vector<uint8_t> data;
        if (!reader.ReadAll(token.id, &data)) {
            done_[token.id] = info;
            return info;
        }
        info->found = true;
        info->dataSize = data.size();
        info->format = std::string(GuessExtension(data));
        info->label = Label(info->format, data);
        info->browserImage = info->format == "png" || info->format == "gif" || info->format == "jpg" || info->format == "bmp";
        if (known != done_.end()) {
            info->file = known->second->file;
        } else if (!dir_.empty()) {
            Write(*info, data);
        }
        done_[token.id] = info;
        if (embed && info->browserImage && info->file.empty()) {
            auto withData = std::make_shared<FrameInfo>(*info);
            withData->bytes = std::make_shared<const std::vector<uint8_t>>(std::move(data));
            return withData;
        }
        return info;
    }

private:
    // The same object anchored again, perhaps in a frame of another size.
    static std::shared_ptr<const FrameInfo> Resized(const std::shared_ptr<FrameInfo>& info, const FrameToken& token) {
        if (info->width == token.width && info->height == token.height && info->kind == token.kind) return info;
        auto copy = std::make_shared<FrameInfo>(*info);
        copy->width = token.width;
        copy->height = token.height;
        copy->kind = token.kind;
        return copy;
    }

    void Write(FrameInfo& info, const std::vector<uint8_t>& data) {
        const std::string name = "frame-" + info.id + "." + info.format;
        std::error_code ec;
        fs::create_directories(dir_, ec);
        std::ofstream file(dir_ / name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        file.close();
        if (!file) {
            report_.ok = false;
            report_.problems.push_back("cannot write " + (dir_ / name).string());
            return;
        }
        info.file = href_ + name;
    }

    Host& host_;
    const bool& readable_;
    fs::path dir_;
    std::string href_;
    DocumentReport& report_;
    std::map<std::string, std::shared_ptr<FrameInfo>> done_;
};

std::string Title(const Source& source) {
    if (source.name() == "-") return "standard input";
    return CleanUtf8(fs::path(source.name()).stem().string(), TextEncoding::Utf8);
}

}  // namespace

DocumentReport ConvertDocument(const Module& module, Source& source, const ConvertJob& job, std::ostream& out,
                               const std::function<void(uint64_t)>& progress) {
    DocumentReport report;
    auto fail = [&](std::string problem) {
        report.ok = false;
        report.problems.push_back(std::move(problem));
    };
    std::error_code ec;
    if (source.name() != "-" && fs::is_directory(source.name(), ec)) {
        fail("is a directory");
        return report;
    }
    const TextEncoding encoding = EncodingForVersion(ReadMifVersion(source.Head(64)));
    std::ofstream file;
    try {
        // The first reading: sizes of body text and headings.
        mifconvert::Outline outline;
        Allocator::Stats firstStats;
        if (mifconvert::NeedsOutline(job.format)) {
            Host host;
            bool readable = false;
            OutlineCounter counter(outline);
            mifconvert::DocumentBuilder builder(encoding, counter);
            Pass first = Read(module, source, job, host, readable, [&](const Token& t) { builder.Add(t); }, {});
            if (std::string p = SetupProblem(first.run); !p.empty()) {
                fail(p);
                if (std::string r = RefusalProblem(first.allocations); !r.empty()) fail(r);
                return report;
            }
            builder.Finish();
            outline.Finish();
            if (auto font = outline.bodyFont(); font && *font < host.callback.fonts().size()) {
                outline.SetBodyFace(CleanUtf8(host.callback.fonts()[*font].face, encoding));
            }
            firstStats = first.allocations;
        }

        std::ostream* sink = &out;
        fs::path framesDir;
        std::string framesHref;
        if (!job.output.empty()) {
            fs::create_directories(job.output.parent_path(), ec);
            file.open(job.output, std::ios::binary);
            if (!file) {
                fail("cannot write " + job.output.string());
                return report;
            }
            sink = &file;
            const std::string stem = job.output.stem().string();
            framesDir = job.output.parent_path() / (stem + "_files");
            framesHref = stem + "_files/";
        }

        Host host;
        bool readable = false;
        FrameFetcher fetcher(host, readable, framesDir, framesHref, report);
        mifconvert::ConvertOptions options;
        options.encoding = encoding;
        options.title = Title(source);
        options.outline = mifconvert::NeedsOutline(job.format) ? &outline : nullptr;
        options.fontFace = [&host, encoding](uint32_t n) -> std::optional<std::string> {
            const auto& fonts = host.callback.fonts();
            if (n < fonts.size()) return CleanUtf8(fonts[n].face, encoding);
            return std::nullopt;
        };
        options.frames = [&fetcher](const FrameToken& t, bool embed) { return fetcher(t, embed); };
        options.embedImages = job.format == mifconvert::Format::Html && job.output.empty();
        std::unique_ptr<mifconvert::Converter> converter = mifconvert::MakeConverter(job.format, *sink, options);

        Pass pass = Read(module, source, job, host, readable, [&](const Token& t) { converter->Add(t); }, progress);
        if (std::string p = SetupProblem(pass.run); !p.empty()) {
            fail(p);
            if (std::string r = RefusalProblem(pass.allocations); !r.empty()) fail(r);
            if (file.is_open()) {
                file.close();
                fs::remove(job.output, ec);
            }
            return report;
        }
        converter->Finish();
        if (!pass.decodeError.empty()) fail("malformed token stream: " + pass.decodeError);
        if (std::string p = OutcomeProblem(pass.run, pass.inputSize); !p.empty()) fail(p);
        if (pass.run.overran) fail("the reader wrote past the end of the output buffer");
        const Allocator::Stats& stats = pass.allocations.refused >= firstStats.refused ? pass.allocations : firstStats;
        if (std::string p = RefusalProblem(stats); !p.empty()) fail(p);
        sink->flush();
        if (!*sink) fail(job.output.empty() ? "cannot write the output" : "cannot write " + job.output.string());
    } catch (const std::exception& e) {
        std::string what = e.what();
        const std::string prefix = "cannot open " + source.name() + ": ";
        fail(what.rfind(prefix, 0) == 0 ? "cannot open: " + what.substr(prefix.size()) : what);
        // Leave no half-written output behind.
        if (file.is_open()) {
            file.close();
            fs::remove(job.output, ec);
        }
    }
    return report;
}

}  // namespace mifread
