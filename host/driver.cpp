#include "host/driver.h"

#include <algorithm>

namespace mifhost {

namespace {
constexpr uint32_t kGuardBytes = 64;
constexpr uint8_t kGuardByte = 0xEE;
constexpr uint32_t kUnset = 0xDEADBEEF;
}  // namespace

RunResult Driver::Run(Host& host, InputStream& stream, const DriverOptions& options) const {
    const ReaderInterface& r = module_.reader();
    RunResult result;

    uint32_t flag = 0;
    void* ctx = r.allocateContext(host.callback.handle(), HostCallback::function(), &flag, host.services.block(), 0);
    result.allocateFlag = flag;
    if (ctx == nullptr) {
        result.outcome = RunResult::Outcome::NoContext;
        return result;
    }

    result.initStatus = r.initDoc(ctx, nullptr, options.inputSize, stream.block());
    if (result.initStatus != MIF_STATUS_OK) {
        result.outcome = RunResult::Outcome::InitFailed;
        result.freeStatus = r.freeContext(ctx);
        result.streamPosition = stream.Position();
        return result;
    }

    std::vector<uint8_t> buffer(static_cast<size_t>(options.bufferSize) + kGuardBytes, kGuardByte);
    uint32_t idle = 0;
    uint32_t lastPercent = 0;
    result.outcome = RunResult::Outcome::Stalled;
    for (uint32_t i = 0; i < options.maxFills; ++i) {
        std::fill(buffer.end() - kGuardBytes, buffer.end(), kGuardByte);
        uint32_t written = kUnset;
        uint32_t percent = kUnset;
        FillRecord fill;
        fill.status = r.fillBuffer(ctx, buffer.data(), &written, &percent, options.bufferSize);
        fill.bytesWrittenSet = written != kUnset;
        fill.percentSet = percent != kUnset;
        fill.bytesWritten = fill.bytesWrittenSet ? written : 0;
        fill.percent = fill.percentSet ? percent : 0;
        result.fills.push_back(fill);
        result.status = fill.status;
        if (!std::all_of(buffer.end() - kGuardBytes, buffer.end(), [](uint8_t b) { return b == kGuardByte; })) {
            result.overran = true;
        }
        uint32_t n = std::min(fill.bytesWritten, options.bufferSize);
        std::span<const uint8_t> output(buffer.data(), n);
        result.tokenBytes += n;
        if (options.keepTokens) result.tokens.insert(result.tokens.end(), output.begin(), output.end());
        if (options.onFill) options.onFill(output);
        if (fill.percentSet) result.lastPercent = fill.percent;

        if (fill.status != MIF_STATUS_OK) {
            result.outcome = RunResult::Outcome::FillFailed;
            break;
        }
        if (options.betweenFills) options.betweenFills(output);
        if (fill.percentSet && fill.percent >= 100) {
            result.outcome = RunResult::Outcome::Finished;
            break;
        }
        bool progressed = n > 0 || (fill.percentSet && fill.percent != lastPercent);
        if (fill.percentSet) lastPercent = fill.percent;
        idle = progressed ? 0 : idle + 1;
        if (idle > options.maxIdleFills) break;  // Stalled
    }

    result.streamPosition = stream.Position();
    result.freeStatus = r.freeContext(ctx);
    return result;
}

}  // namespace mifhost
