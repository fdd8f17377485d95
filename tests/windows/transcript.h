// A document read through the host toolkit, written as a byte record that
// two runs can compare: the outcome, every fill's status, percentage and
// byte count, the tokens, the object data read through the callbacks between
// fills, the fonts the host was asked about, and the allocator's balance.
// The same code runs on Linux against the shared library and on Windows
// against the DLL; only the module differs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/mifhost.h"

namespace transcript {

inline void PutU32(std::string* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Reads the object of every frame token in one fill's output.
inline void ReadFrameObjects(const mifhost::HostCallback& callback, std::span<const uint8_t> tokens, std::string* out) {
    for (size_t at = 0; at + MIF_TOKEN_HEADER_SIZE <= tokens.size();) {
        uint32_t length = GetU32(tokens.data() + at + 1);
        if (length < MIF_TOKEN_HEADER_SIZE || length > tokens.size() - at) return;
        if (tokens[at] == MIF_TOKEN_FRAME) {
            const char* id = reinterpret_cast<const char*>(tokens.data() + at + MIF_TOKEN_HEADER_SIZE);
            std::string idText(id, strnlen(id, length - MIF_TOKEN_HEADER_SIZE));
            mifhost::ObjectReader reader(callback.objectRecord());
            std::vector<uint8_t> data;
            bool opened = reader.usable() && reader.ReadAll(idText, &data);
            out->append("O" + idText);
            PutU32(out, opened ? 1 : 0);
            PutU32(out, static_cast<uint32_t>(data.size()));
            out->append(reinterpret_cast<const char*>(data.data()), data.size());
        }
        at += length;
    }
}

struct Result {
    std::string bytes;
    mifhost::RunResult run;
    uint64_t liveBlocks = 0;
    uint64_t badFrees = 0;
    uint64_t damaged = 0;
};

inline Result Record(const mifhost::Module& module, std::string_view document, uint32_t bufferSize = 65536) {
    Result r;
    mifhost::Host host;
    auto stream = mifhost::InputStream::FromMemory(document);
    std::string objects;
    mifhost::DriverOptions options;
    options.bufferSize = bufferSize;
    options.keepTokens = true;
    options.betweenFills = [&](std::span<const uint8_t> bytes) { ReadFrameObjects(host.callback, bytes, &objects); };
    r.run = mifhost::Driver(module).Run(host, *stream, options);

    std::string& out = r.bytes;
    PutU32(&out, static_cast<uint32_t>(r.run.outcome));
    PutU32(&out, static_cast<uint32_t>(r.run.initStatus));
    PutU32(&out, static_cast<uint32_t>(r.run.fills.size()));
    for (const mifhost::FillRecord& f : r.run.fills) {
        PutU32(&out, static_cast<uint32_t>(f.status));
        PutU32(&out, f.percentSet ? f.percent : 0xFFFFFFFFu);
        PutU32(&out, f.bytesWrittenSet ? f.bytesWritten : 0xFFFFFFFFu);
    }
    PutU32(&out, static_cast<uint32_t>(r.run.tokens.size()));
    out.append(reinterpret_cast<const char*>(r.run.tokens.data()), r.run.tokens.size());
    out.append(objects);
    PutU32(&out, static_cast<uint32_t>(host.callback.fontQueries()));
    for (const mifhost::FontEntry& font : host.callback.fonts()) {
        out.append("F" + font.face);
        out.push_back('\0');
        out.push_back(static_cast<char>(font.family));
        PutU32(&out, font.number);
    }
    PutU32(&out, static_cast<uint32_t>(r.run.streamPosition));
    PutU32(&out, host.services.StatusWord());
    r.liveBlocks = host.allocator.stats().liveBlocks;
    r.badFrees = host.allocator.stats().badFrees;
    r.damaged = host.allocator.stats().damaged;
    return r;
}

inline bool ReadFile(const std::string& path, std::string* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    out->clear();
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out->append(chunk, n);
    bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

inline bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace transcript
