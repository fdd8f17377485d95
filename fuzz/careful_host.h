// A careful host: reads one document through the module with a chosen
// buffer size, pattern of short reads, end-of-input answer and refused
// allocation, and checks what the module promises whatever the bytes:
//  - every fill returns a documented status (6 only on the first fill, with
//    both outputs untouched), writes nothing past bufferSize and reports a
//    percentage of at most 100 that never falls;
//  - every fill that returns 0 before 100 percent used nine tenths of the
//    buffer, so the number of fills is bounded by the output;
//  - each fill's tokens are well formed on their own;
//  - between fills, every frame's object opens, reads the same to its end in
//    odd chunk sizes as in one call, seeks and tells consistently and
//    closes, and the stream stands where it stood;
//  - once the context is freed every block is back with its guards intact.
// Shared by the fuzz targets and by the tests that replay their findings,
// sweep refused allocations and read in parallel threads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/mifhost.h"

namespace mifcheck {

struct Feed {
    uint32_t bufferSize = MIF_MIN_BUFFER_SIZE;
    std::vector<uint32_t> chunks;  // largest counts of successive reads, in turn (empty: as asked)
    int32_t endResult = 0;         // what a read answers at the end of the input
    uint64_t failAt = 0;           // allocation attempt to refuse (0: none)
    bool readObjects = true;       // read every frame's object between fills
};

struct Checked {
    mifhost::RunResult run;            // every fill's tokens kept
    mifhost::Allocator::Stats memory;  // after mifFreeContext
    uint32_t statusWord = 0;
    std::string problem;               // the first broken promise; empty when none
};

// The module linked into this program.
inline const mifhost::Module& LinkedModule() {
    static const mifhost::Module module(mifhost::EntryPoints{
        {&mifAllocateContext, &mifFreeContext, &mifInitDoc, &mifFillBuffer, &mifCharSet}, &mifGetReaderInterface});
    return module;
}

namespace detail {

constexpr uint32_t kObjectLimit = 1u << 20;  // bytes of one object read at most

// Reads the object of every frame token in one fill's output three times:
// to its end in odd chunk sizes, in one call, and one byte after a seek into
// its middle; the three must agree, and the stream must stand where it
// stood. Returns the first broken promise.
inline std::string ReadObjects(mifhost::Host& host, const mifhost::InputStream& stream,
                               std::span<const uint8_t> tokens) {
    std::vector<mifhost::Token> decoded;
    try {
        decoded = mifhost::DecodeTokens(tokens);
    } catch (const mifhost::TokenError&) {
        return "";  // reported with the fill
    }
    static const uint32_t kChunks[] = {1, 3, 61, 509, 4093};
    for (const mifhost::Token& t : decoded) {
        const auto* frame = std::get_if<mifhost::FrameToken>(&t.value);
        if (frame == nullptr) continue;
        const std::string where = "object " + frame->id + ": ";
        const int64_t position = stream.Position();
        const uint64_t refused = host.allocator.stats().refused;
        mifhost::ObjectReader reader(host.callback.objectRecord());
        if (!reader.Open(frame->id)) return where + "a frame token names an object that does not open";
        reader.Seek(0, 2);
        const uint32_t limit = std::min(reader.Tell(), kObjectLimit);
        if (reader.Seek(0, 0) != 1 || reader.Tell() != 0) return where + "seek to the start failed";
        std::vector<uint8_t> chunked, whole(limit + 16);
        for (size_t i = 0; chunked.size() < limit; ++i) {
            const uint32_t want = std::min<uint32_t>(kChunks[i % 5], limit - static_cast<uint32_t>(chunked.size()));
            const uint32_t got = reader.Read(whole.data(), want);
            if (got > want) return where + "a read delivered more than it was asked for";
            chunked.insert(chunked.end(), whole.begin(), whole.begin() + got);
            if (got < want) break;
        }
        reader.Open(frame->id);
        whole.resize(std::min<uint32_t>(reader.Read(whole.data(), limit), limit));
        uint8_t byte = 0;
        const uint32_t at = static_cast<uint32_t>(chunked.size() / 2);
        reader.Open(frame->id);
        const bool sought = reader.Seek(static_cast<int32_t>(at), 0) == 1 && reader.Tell() == at;
        const bool readAgain = chunked.empty() || reader.Read(&byte, 1) == 1;
        reader.Close();
        // Where memory was refused a read may end early.
        if (host.allocator.stats().refused == refused) {
            if (whole != chunked) return where + "reading in chunks and in one call differ";
            if (!sought || !readAgain || (!chunked.empty() && byte != chunked[at])) {
                return where + "seek and read again differ";
            }
        }
        if (stream.Position() != position) return where + "the object calls moved the stream";
    }
    return "";
}

}  // namespace detail

inline Checked Read(const mifhost::Module& module, std::string_view document, const Feed& feed) {
    Checked c;
    auto note = [&c](const std::string& what) {
        if (c.problem.empty()) c.problem = what;
    };
    auto stream = mifhost::InputStream::FromMemory(document);
    stream->SetChunks(feed.chunks);
    stream->SetEndResult(feed.endResult);
    mifhost::Host host;
    host.allocator.FailAt(feed.failAt);
    mifhost::DriverOptions options;
    options.bufferSize = feed.bufferSize;
    options.keepTokens = true;
    if (feed.readObjects) {
        options.betweenFills = [&](std::span<const uint8_t> tokens) {
            note(detail::ReadObjects(host, *stream, tokens));
        };
    }
    c.run = mifhost::Driver(module).Run(host, *stream, options);
    c.statusWord = host.services.StatusWord();

    const mifhost::RunResult& run = c.run;
    const uint64_t threshold = static_cast<uint64_t>(feed.bufferSize) * 9 / 10;
    size_t at = 0;
    uint32_t lastPercent = 0;
    for (size_t i = 0; i < run.fills.size(); ++i) {
        const mifhost::FillRecord& f = run.fills[i];
        const std::string where = "fill " + std::to_string(i + 1) + ": ";
        if (f.status != MIF_STATUS_OK && f.status != MIF_STATUS_SCAN_FAILED &&
            f.status != MIF_STATUS_BUFFER_TOO_SMALL && f.status != MIF_STATUS_SETUP_FAILED) {
            note(where + "undocumented status " + std::to_string(f.status));
        }
        if (f.status == MIF_STATUS_SETUP_FAILED) {
            if (i != 0 || f.bytesWrittenSet || f.percentSet) note(where + "status 6 after the first fill or with outputs set");
            continue;
        }
        if (!f.bytesWrittenSet || !f.percentSet) note(where + "an output was left unset");
        if (f.bytesWritten > feed.bufferSize) note(where + "reported more bytes than the buffer holds");
        if (f.percent > 100 || f.percent < lastPercent) {
            note(where + "percentage " + std::to_string(f.percent) + " after " + std::to_string(lastPercent));
        }
        if (f.status == MIF_STATUS_OK && f.percent < 100 && f.bytesWritten < threshold) {
            note(where + "stopped after " + std::to_string(f.bytesWritten) + " bytes, before nine tenths of the buffer");
        }
        lastPercent = f.percent;
        const size_t n = std::min(f.bytesWritten, feed.bufferSize);
        try {
            mifhost::DecodeTokens(std::span<const uint8_t>(run.tokens).subspan(at, n));
        } catch (const mifhost::TokenError& e) {
            note(where + e.what());
        }
        at += n;
    }
    if (run.overran) note("a fill wrote past bufferSize");
    if ((run.status == MIF_STATUS_SCAN_FAILED || run.status == MIF_STATUS_BUFFER_TOO_SMALL) &&
        c.statusWord != static_cast<uint32_t>(run.status)) {
        note("status " + std::to_string(run.status) + " but " + std::to_string(c.statusWord) + " in the status word");
    }
    using Outcome = mifhost::RunResult::Outcome;
    const bool refused = host.allocator.stats().refused > 0;
    if (run.outcome == Outcome::NoContext && (!refused || run.allocateFlag != 1)) note("no context");
    if (run.outcome == Outcome::InitFailed && !refused) note("mifInitDoc failed without a refused allocation");
    if (run.outcome == Outcome::Stalled) note("the fills stopped making progress");
    if (run.outcome != Outcome::NoContext && run.freeStatus != MIF_STATUS_OK) note("mifFreeContext failed");
    const uint64_t damaged = host.allocator.CheckGuards();
    c.memory = host.allocator.stats();
    if (c.memory.liveBlocks != 0) note(std::to_string(c.memory.liveBlocks) + " blocks never given back");
    if (c.memory.badFrees != 0) note(std::to_string(c.memory.badFrees) + " frees of blocks never handed out");
    if (damaged != 0) note(std::to_string(damaged) + " blocks written outside their bounds");
    // Whatever counts a document declares, the module holds at most the
    // current and the last written tab stops at the host's block limit,
    // and little else.
    const uint64_t bound = 4ull * mifhost::Allocator::kBlockLimit + (16u << 20);
    if (c.memory.peakBytes > bound) note("held " + std::to_string(c.memory.peakBytes) + " bytes at once");
    return c;
}

// True when a is b or begins b.
inline bool IsPrefix(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    return a.size() <= b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Refuses each allocation of the document's full read in turn: every run
// must pass the checks, fail with status 4 if a fill fails, and write a
// prefix of the full output (a refused block for carrying a cut statement
// ends the input early, cleanly). Returns the first problem, or empty.
inline std::string SweepRefusals(const mifhost::Module& module, std::string_view document, Feed feed) {
    const Checked full = Read(module, document, feed);
    if (!full.problem.empty()) return "unrefused: " + full.problem;
    for (feed.failAt = 1; feed.failAt <= full.memory.allocations; ++feed.failAt) {
        const Checked c = Read(module, document, feed);
        const std::string where = "allocation " + std::to_string(feed.failAt) + " refused: ";
        if (!c.problem.empty()) return where + c.problem;
        if (c.run.outcome == mifhost::RunResult::Outcome::FillFailed && c.run.status != MIF_STATUS_SCAN_FAILED) {
            return where + "status " + std::to_string(c.run.status);
        }
        if (!IsPrefix(c.run.tokens, full.run.tokens)) return where + "not a prefix of the full output";
    }
    return "";
}

}  // namespace mifcheck
