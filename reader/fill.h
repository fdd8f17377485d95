// The input window, progress and the fill loop; the table replay's stream moves.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

// Moves a carried piece to the window's start and reads behind it; returns
// the number of bytes the stream delivered (0 at the end of the input).
int32_t RefillWindow(ReaderContext* ctx);

// Seek back to the table being replayed / forward to where the text goes
// on. Both return 1.
int StartReplay(ReaderContext* ctx);
int EndReplay(ReaderContext* ctx);

// bytesConsumed as a percentage of inputSize, 0 to 100.
uint32_t ProgressPercent(const ReaderContext* ctx);

int32_t FillBuffer(ReaderContext* ctx, uint8_t* buffer, uint32_t* outBytesWritten, uint32_t* outPercent,
                   uint32_t bufferSize);

}  // namespace mif
