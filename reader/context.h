// ReaderContext: everything that belongs to one document. One zero-filled
// block from the host allocator per document; nothing is global.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/catalog_state.h"
#include "formats/format_state.h"
#include "frames/frame_state.h"
#include "mifreader/mifreader.h"
#include "tables/table_state.h"
#include "text/text_state.h"
#include "variables/variable_state.h"

namespace mif {

struct ReaderContext;
struct StatementFrame;

// Runs at a statement's closing '>'; 1 for success, 0 for failure.
typedef int (*StatementHandler)(ReaderContext* ctx, StatementFrame* frame);

enum class Keyword : uint8_t;

struct StatementFrame {
    StatementHandler handler;
    char* valueStart;  // first byte of the value, or null once a nested statement began
    char* valueEnd;    // last byte of the value (inclusive), or null while unknown
    StatementFrame* parent;  // the frame below; in the pool of free frames, the next free one
    Keyword keyword;
};

// Frames come from the host in blocks and are reused after their statement
// closes; the blocks live until the context is freed.
constexpr int kFramesPerBlock = 32;
struct FrameBlock {
    FrameBlock* next;
    StatementFrame frames[kFramesPerBlock];
};

constexpr int kWindowSize = 4096;
// Readable bytes after the window: one for the NUL of the header check, the
// rest so that the byte searches' loads (up to 32 bytes) never leave the context.
constexpr int kWindowSlack = 64;

struct ReaderContext {
    // Host bindings.
    uint8_t* services;
    uint8_t* stream;
    void* hostHandle;
    MifHostCallback hostCallback;

    // Input window and progress.
    uint32_t fillThreshold;
    int32_t leftoverCount;
    uint32_t tableStartPosition;
    uint32_t replayReturnPosition;
    int32_t bytesRead;       // stream position after the last counted read
    int32_t bytesConsumed;   // stream position of the scan point
    int32_t inputSize;
    uint32_t resumeWindow;
    uint32_t firstCall;
    int32_t streamPosition;  // where the host stream really stands (follows every read and seek)

    // Page geometry, twips.
    int32_t pageWidth;
    int32_t pageHeight;
    int32_t topMargin;
    int32_t bottomMargin;

    // The window and its slack: the header check writes a NUL at windowEnd.
    char window[kWindowSize + kWindowSlack];
    char* scanPointer;
    char* windowEnd;

    // Output cursor into the host's buffer.
    uint8_t* writePointer;
    uint8_t* bufferStart;
    uint8_t* bufferEnd;
    uint32_t outputOverflow;  // a token did not fit; nothing more is written this fill

    StatementFrame* topFrame;
    StatementFrame* freeFrames;  // frames ready for reuse, linked through parent
    FrameBlock* frameBlocks;

    // Section flags, raised by statement pushes and cleared by handlers.
    uint32_t inPgfCatalog;
    uint32_t inVariableFormats;
    uint32_t inPage;
    uint32_t inTextRect;
    uint32_t inTbls;
    uint32_t inTblFormat;
    uint32_t inRow;
    uint32_t inEqualizeWidths;
    uint32_t inNotes;
    uint32_t inImportObject;
    uint32_t inFontCatalog;
    uint32_t inPgf;
    uint32_t inFont;
    uint32_t inAFrames;
    uint32_t inFrame;
    uint32_t recordingPgf;
    uint32_t recordingFont;
    uint32_t inBodyFlow;

    // Table replay.
    uint32_t replaying;
    uint32_t replayRequested;
    uint32_t tableEnded;
    uint32_t tableStartPending;
    TableRecord* replayTable;

    // Import data being passed over.
    int32_t importDataDepth;

    uint32_t tableSpacing[4];

    // Formats.
    FormatState current;
    FormatState lastEmitted;
    uint32_t formatDirty;
    CatalogState catalogs;

    TextState text;
    TableState tables;
    VariableState variables;
    FrameState frames;
};

}  // namespace mif
