/*
 * A program that uses the installed library the way an outside project
 * would: only <mifreader/mifreader.h> and the library it links. It plays a
 * minimal host (malloc allocator, FILE* stream, a callback that answers
 * nothing), reads a document, prints its text, one line per paragraph,
 * and fails unless every PHRASE given is in that text.
 *
 *   mif_consumer FILE PHRASE...
 */
#include <mifreader/mifreader.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void* Allocate(void* allocator, uint32_t size) { (void)allocator; return malloc(size ? size : 1); }
static void Free(void* allocator, void* p) { (void)allocator; free(p); }
static void* AllocateArray(void* allocator, uint32_t elementSize, uint32_t count) {
    (void)allocator;
    return calloc(count ? count : 1, elementSize ? elementSize : 1);
}
static void* Reallocate(void* allocator, void* p, uint32_t newSize) {
    (void)allocator;
    return realloc(p, newSize ? newSize : 1);
}

static FILE* StreamFile(void* stream) {
    FILE* f;
    memcpy(&f, stream, sizeof f);
    return f;
}
static int32_t Read(void* stream, void* buffer, uint32_t maxBytes) {
    return (int32_t)fread(buffer, 1, maxBytes, StreamFile(stream));
}
static int32_t Seek(void* stream, int32_t offset, int32_t whence) {
    return fseek(StreamFile(stream), offset, whence == 2 ? SEEK_END : SEEK_SET) == 0 ? 0 : -1;
}
static int32_t Tell(void* stream) { return (int32_t)ftell(StreamFile(stream)); }

static int32_t Callback(void* host, int32_t code, void* record) {
    (void)host, (void)code, (void)record;
    return 0;
}

static void Put(unsigned char* block, size_t offset, const void* pointer, size_t size) {
    memcpy(block + offset, pointer, size);
}

static uint32_t U32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

/* Appends the text of one fill's tokens to text (of capacity cap). */
static int Collect(const uint8_t* tokens, uint32_t n, char* text, size_t* used, size_t cap) {
    uint32_t at = 0;
    while (at < n) {
        if (n - at < MIF_TOKEN_HEADER_SIZE) return 0;
        uint8_t code = tokens[at];
        uint32_t length = U32(tokens + at + 1);
        if (length < MIF_TOKEN_HEADER_SIZE || length > n - at) return 0;
        const uint8_t* payload = tokens + at + MIF_TOKEN_HEADER_SIZE;
        const char* add = NULL;
        size_t addLength = 0;
        if (code == MIF_TOKEN_TEXT && length >= 9 && U32(payload) == length - 9) {
            add = (const char*)payload + 4;
            addLength = length - 9;
        } else if ((code == MIF_TOKEN_PARA_START || code == MIF_TOKEN_LINE_BREAK) && *used > 0) {
            add = "\n";
            addLength = 1;
        } else if (code == MIF_TOKEN_TAB) {
            add = "\t";
            addLength = 1;
        }
        if (addLength > cap - *used - 1) return 0;
        if (add != NULL) memcpy(text + *used, add, addLength);
        *used += addLength;
        at += length;
    }
    text[*used] = '\0';
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s FILE PHRASE...\n", argv[0]);
        return 2;
    }
    /* The interface table holds the exported functions themselves. */
    void* table[MIF_INTERFACE_SLOTS] = {0};
    mifGetReaderInterface(table);
    MifFillBufferFn exported = mifFillBuffer;
    if (memcmp(&table[MIF_SLOT_FILL_BUFFER], &exported, sizeof exported) != 0 || mifCharSet() != MIF_CHARSET) {
        fprintf(stderr, "the interface table does not match the exports\n");
        return 1;
    }

    FILE* file = fopen(argv[1], "rb");
    if (file == NULL || fseek(file, 0, SEEK_END) != 0) {
        perror(argv[1]);
        return 1;
    }
    long size = ftell(file);
    rewind(file);

    static uint64_t services[(MIF_HS_MIN_SIZE + 7) / 8];
    unsigned char* hs = (unsigned char*)services;
    MifAllocateFn allocate = Allocate;
    MifFreeFn release = Free;
    MifAllocateArrayFn allocateArray = AllocateArray;
    MifReallocateFn reallocate = Reallocate;
    Put(hs, MIF_HS_ALLOCATE, &allocate, sizeof allocate);
    Put(hs, MIF_HS_FREE, &release, sizeof release);
    Put(hs, MIF_HS_ALLOCATE_ARRAY, &allocateArray, sizeof allocateArray);
    Put(hs, MIF_HS_REALLOCATE, &reallocate, sizeof reallocate);

    static uint64_t stream[MIF_IS_MIN_SIZE / 8];
    unsigned char* is = (unsigned char*)stream;
    MifReadFn read = Read;
    MifSeekFn seek = Seek;
    MifTellFn tell = Tell;
    Put(is, 0, &file, sizeof file);
    Put(is, MIF_IS_READ, &read, sizeof read);
    Put(is, MIF_IS_SEEK, &seek, sizeof seek);
    Put(is, MIF_IS_TELL, &tell, sizeof tell);

    uint32_t flag = 0;
    void* ctx = mifAllocateContext(NULL, Callback, &flag, services, 0);
    if (ctx == NULL || mifInitDoc(ctx, NULL, (int32_t)size, stream) != MIF_STATUS_OK) {
        fprintf(stderr, "%s: the reader could not be set up\n", argv[1]);
        return 1;
    }
    static uint8_t buffer[MIF_MIN_BUFFER_SIZE];
    static char text[1 << 20];
    size_t used = 0;
    uint32_t percent = 0;
    int32_t status = MIF_STATUS_OK;
    for (int fills = 0; status == MIF_STATUS_OK && percent < 100 && fills < 100000; ++fills) {
        uint32_t written = 0;
        status = mifFillBuffer(ctx, buffer, &written, &percent, sizeof buffer);
        if (status == MIF_STATUS_OK && !Collect(buffer, written, text, &used, sizeof text)) {
            fprintf(stderr, "%s: malformed token stream\n", argv[1]);
            return 1;
        }
    }
    if (mifFreeContext(ctx) != MIF_STATUS_OK || status != MIF_STATUS_OK || percent < 100) {
        fprintf(stderr, "%s: reading stopped with status %d at %u percent\n", argv[1], (int)status, (unsigned)percent);
        return 1;
    }
    fclose(file);
    printf("%s\n", text);
    for (int i = 2; i < argc; ++i) {
        if (strstr(text, argv[i]) == NULL) {
            fprintf(stderr, "%s: the text has no \"%s\"\n", argv[1], argv[i]);
            return 1;
        }
    }
    return 0;
}
