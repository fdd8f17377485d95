// Named special characters: <Char Name> inside a paragraph line.
#include <cstring>

#include "reader/token_writer.h"
#include "text/text.h"

namespace mif {

const CharNameEntry kCharNameTable[kCharNameCount] = {
    {0x09, "Tab"},        {0x20, "HardSpace"},  {0x2D, "SoftHyphen"},   {0x2D, "DiscHyphen"}, {0x2D, "NoHyphen"},
    {0xA2, "Cent"},       {0xA3, "Pound"},      {0xA5, "Yen"},          {0x2D, "EnDash"},     {0x2D, "EmDash"},
    {0x86, "Dagger"},     {0x87, "DoubleDagger"}, {0x95, "Bullet"},     {0x0A, "HardReturn"}, {0x20, "NumberSpace"},
    {0x20, "ThinSpace"},  {0x20, "EnSpace"},    {0x20, "EmSpace"},
};

int LookupCharName(ReaderContext* ctx, const char* name) {
    for (const CharNameEntry& entry : kCharNameTable) {
        if (entry.name[0] != name[0] || std::strcmp(entry.name, name) != 0) continue;
        switch (entry.replacement) {
            case 0x09:
                WriteU8Token(ctx, MIF_TOKEN_TAB, 0);
                return 1;
            case 0x0A:
                WriteBareToken(ctx, MIF_TOKEN_LINE_BREAK);
                return 1;
            case 0x20:
            case 0xA2:
            case 0xA3:
            case 0xA5: {
                char byte = static_cast<char>(entry.replacement);
                WriteTextToken(ctx, &byte, 1);
                return 1;
            }
            default:
                // Hyphens, dashes, daggers and the bullet have no output.
                return 0;
        }
    }
    return 0;
}

int HandleChar(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->inPage || ctx->inAFrames || ctx->inTbls || ctx->inTblFormat || ctx->inNotes) return 1;
    if (frame->valueStart == nullptr || frame->valueEnd == nullptr) return 0;
    // The name is the whole value, not unquoted. "<Char >" leaves the value
    // end before its start: the name is then empty.
    const char* name = "";
    if (frame->valueEnd >= frame->valueStart) {
        frame->valueEnd[1] = '\0';
        name = frame->valueStart;
    }
    if (ctx->formatDirty && !FlushPendingFormat(ctx)) return 0;
    if (!ctx->inBodyFlow) return 1;
    LookupCharName(ctx, name);
    return 1;
}

}  // namespace mif
