// Runs one document through the module in the host's calling order:
// allocate a context, bind the stream, fill until 100 percent or a status
// other than 0, free the context.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "host/allocator.h"
#include "host/callback.h"
#include "host/module.h"
#include "host/services.h"
#include "host/stream.h"

namespace mifhost {

// Everything the host hands to one context: allocator, services block and
// callback. One Host per document (the callback keeps that document's fonts
// and object record).
struct Host {
    Allocator allocator;
    Services services{allocator};
    HostCallback callback;
};

struct FillRecord {
    int32_t status = 0;
    uint32_t bytesWritten = 0;
    uint32_t percent = 0;
    bool bytesWrittenSet = false;  // the module wrote *outBytesWritten
    bool percentSet = false;       // the module wrote *outPercent
};

struct DriverOptions {
    uint32_t bufferSize = MIF_MIN_BUFFER_SIZE;
    int32_t inputSize = 0;         // 0: the module measures the stream
    uint32_t maxFills = 1000000;   // hard cap on fill calls
    uint32_t maxIdleFills = 3;     // fills in a row that neither write nor advance
    // Called after every fill, whatever its status, with the bytes it wrote:
    // the place to render or write output as it arrives.
    std::function<void(std::span<const uint8_t>)> onFill;
    // Called after every fill that returned 0, between fills, with that
    // fill's bytes: the only time the object callbacks may be used.
    std::function<void(std::span<const uint8_t>)> betweenFills;
    // Keep every fill's bytes in RunResult::tokens (memory grows with the
    // document; for tests and tools that want the whole stream at once).
    bool keepTokens = false;
};

struct RunResult {
    enum class Outcome {
        Finished,          // a fill reported 100 percent with status 0
        NoContext,         // mifAllocateContext returned null
        InitFailed,        // mifInitDoc returned a status other than 0
        FillFailed,        // a fill returned a status other than 0
        Stalled,           // the module stopped making progress
    };
    Outcome outcome = Outcome::NoContext;
    uint32_t allocateFlag = 0;   // *outFlag of mifAllocateContext
    int32_t initStatus = -1;
    int32_t status = 0;          // the last fill's status
    uint32_t lastPercent = 0;
    int64_t streamPosition = 0;  // the stream position when the run ended
    bool overran = false;        // a fill wrote past bufferSize
    uint64_t tokenBytes = 0;     // bytes written by all fills
    std::vector<uint8_t> tokens; // every fill's output, concatenated (with keepTokens)
    std::vector<FillRecord> fills;
    int32_t freeStatus = -1;

    bool finished() const { return outcome == Outcome::Finished; }
};

class Driver {
public:
    explicit Driver(const Module& module) : module_(module) {}
    RunResult Run(Host& host, InputStream& stream, const DriverOptions& options = {}) const;

private:
    const Module& module_;
};

}  // namespace mifhost
