// The InputStream block handed to mifInitDoc: read, seek and tell at the
// offsets the module reads, over a file or a memory buffer. Reads can be cut
// to a maximum chunk or to a cycle of chunk sizes to exercise the module's
// handling of short reads, the end of the input can answer -1 as a failing
// read does, and every call can be logged to check the order of the module's
// stream calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mifreader/mifreader.h"

namespace mifhost {

struct StreamCall {
    enum Kind { Read, Seek, Tell } kind;
    int64_t a = 0;       // read: bytes asked; seek: offset
    int64_t b = 0;       // seek: whence
    int64_t result = 0;  // read: bytes delivered; seek: 0 or -1; tell: position
    int64_t positionAfter = 0;
};

class InputStream {
public:
    // A stream over a copy of the bytes.
    static std::unique_ptr<InputStream> FromMemory(std::string_view bytes);
    // A stream over an open file; throws std::runtime_error when it cannot
    // be opened.
    static std::unique_ptr<InputStream> FromFile(const std::string& path);

    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    virtual ~InputStream() = default;

    void* block() { return block_.data(); }

    // Largest number of bytes one read delivers (0: as many as asked).
    void SetMaxChunk(uint32_t n) { SetChunks({n}); }
    // The largest counts of successive reads, taken in turn and repeated
    // (0 in the cycle: as many as asked; empty: every read as asked).
    void SetChunks(std::vector<uint32_t> sizes) {
        chunks_ = std::move(sizes);
        nextChunk_ = 0;
    }
    // What a read answers once nothing is left: 0, or -1 like a failing read.
    void SetEndResult(int32_t result) { endResult_ = result; }
    void SetLogging(bool on) { logging_ = on; }
    const std::vector<StreamCall>& log() const { return log_; }
    void ClearLog() { log_.clear(); }

    virtual int64_t Size() const = 0;
    int64_t Position() const { return position_; }

protected:
    InputStream();
    // Delivers up to n bytes from position_ into buffer; returns the count.
    virtual uint32_t ReadAt(void* buffer, uint32_t n) = 0;
    int64_t position_ = 0;

private:
    static int32_t ReadThunk(void* block, void* buffer, uint32_t maxBytes);
    static int32_t SeekThunk(void* block, int32_t offset, int32_t whence);
    static int32_t TellThunk(void* block);
    static InputStream* FromBlock(void* block);

    int32_t DoRead(void* buffer, uint32_t maxBytes);
    int32_t DoSeek(int32_t offset, int32_t whence);
    int32_t DoTell();
    void Log(StreamCall::Kind kind, int64_t a, int64_t b, int64_t result);

    std::vector<uint64_t> block_;
    std::vector<uint32_t> chunks_;
    size_t nextChunk_ = 0;
    int32_t endResult_ = 0;
    bool logging_ = false;
    std::vector<StreamCall> log_;
};

}  // namespace mifhost
