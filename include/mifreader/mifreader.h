/*
 * mifreader: a streaming reader for MIF (Maker Interchange Format) documents,
 * loaded by a document-filter host as a shared library.
 *
 * This header is everything a host author needs: the six exported entry
 * points, the slots of the interface table, the byte offsets at which the
 * module reads the host's blocks, the object-callback record, the status
 * codes and the output token codes.
 *
 * Calling order, per document:
 *   mifGetReaderInterface (once per process)
 *   ctx = mifAllocateContext(...)
 *   mifInitDoc(ctx, NULL, inputSize, stream)
 *   mifFillBuffer(ctx, ...) until *outPercent is 100 or the status is not 0
 *   mifFreeContext(ctx)
 *
 * All integers are little-endian in the token stream; all sizes handed to or
 * received from the host are 32-bit.
 */
#ifndef MIFREADER_MIFREADER_H
#define MIFREADER_MIFREADER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  if defined(MIFREADER_BUILDING)
#    define MIF_API __declspec(dllexport)
#  else
#    define MIF_API
#  endif
#else
#  if defined(MIFREADER_BUILDING)
#    define MIF_API __attribute__((visibility("default")))
#  else
#    define MIF_API
#  endif
#endif

/* ---- Status codes returned by the exported operations ------------------ */

#define MIF_STATUS_OK 0
/* A statement of the document could not be read (a handler failed or memory
 * ran out). The module also stores 4 in the host's status word. */
#define MIF_STATUS_SCAN_FAILED 4
/* The output of a single statement did not fit in the space left in the
 * host's buffer. Never returned for buffers of at least
 * MIF_MIN_BUFFER_SIZE bytes on well-formed input; the module stores 5 in the
 * host's status word. Nothing past bufferSize is ever written. */
#define MIF_STATUS_BUFFER_TOO_SMALL 5
/* Missing context, failed set-up, or input that is not a MIF file. */
#define MIF_STATUS_SETUP_FAILED 6

/* The character set of all text the module emits (the host's code 7). */
#define MIF_CHARSET 7

/*
 * A fill stops starting new statements once nine tenths of the buffer are
 * used, so the last tenth must hold everything one statement writes: up to
 * a whole 4096-byte input window of text plus its pending format tokens.
 * Buffers of at least this size keep that guarantee with a wide margin.
 * Smaller buffers still work for most documents; when one statement's output
 * does not fit, the fill stops with MIF_STATUS_BUFFER_TOO_SMALL instead of
 * writing past the buffer.
 */
#define MIF_MIN_BUFFER_SIZE 65536u

/* ---- Host callback -------------------------------------------------------- */

typedef int32_t (*MifHostCallback)(void* hostHandle, int32_t code, void* record);

/* Request codes passed to the host callback. */
#define MIF_HOST_FONT_QUERY 1          /* record: MIF_LOGFONT_SIZE-byte LOGFONTA */
#define MIF_HOST_REGISTER_CALLBACKS 2  /* record: the ObjectCallbacks record */

/* The font query record is the Windows LOGFONTA structure (60 bytes). The
 * module zero-fills it and sets only the pitch-and-family byte and the face
 * name. The answer r of the host gives font number r - 1 (0 when r is 0). */
#define MIF_LOGFONT_SIZE 60
#define MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET 27
#define MIF_LOGFONT_FACE_NAME_OFFSET 28
#define MIF_LOGFONT_FACE_NAME_SIZE 32

/* ---- Exported entry points ------------------------------------------------ */

/* Interface table: 14 pointer-sized slots that the host owns. */
#define MIF_INTERFACE_SLOTS 14
#define MIF_SLOT_ALLOCATE_CONTEXT 0
#define MIF_SLOT_FREE_CONTEXT 1
#define MIF_SLOT_INIT_DOC 2
#define MIF_SLOT_FILL_BUFFER 3
#define MIF_SLOT_CHARSET 9

MIF_API void mifGetReaderInterface(void** table);
MIF_API void* mifAllocateContext(void* hostHandle, MifHostCallback hostCallback,
                                 uint32_t* outFlag, void* services, uint32_t hostTag);
MIF_API int32_t mifFreeContext(void* ctx);
MIF_API int32_t mifInitDoc(void* ctx, void* reserved, int32_t inputSize, void* stream);
MIF_API int32_t mifFillBuffer(void* ctx, uint8_t* buffer, uint32_t* outBytesWritten,
                              uint32_t* outPercent, uint32_t bufferSize);
MIF_API int32_t mifCharSet(void);

typedef void* (*MifAllocateContextFn)(void*, MifHostCallback, uint32_t*, void*, uint32_t);
typedef int32_t (*MifFreeContextFn)(void*);
typedef int32_t (*MifInitDocFn)(void*, void*, int32_t, void*);
typedef int32_t (*MifFillBufferFn)(void*, uint8_t*, uint32_t*, uint32_t*, uint32_t);
typedef int32_t (*MifCharSetFn)(void);

/* ---- The host's blocks, as the module reads them -------------------------- */

/* HostServices: every member is a 64-bit pointer unless said otherwise. The
 * module passes (services + MIF_HS_ALLOCATOR) as the first argument of every
 * allocator operation. */
#define MIF_HS_ALLOCATOR 328
#define MIF_HS_ALLOCATE 336
#define MIF_HS_FREE 344
#define MIF_HS_ALLOCATE_ARRAY 360
#define MIF_HS_REALLOCATE 416
#define MIF_HS_STATUS_WORD 9328 /* u32 */
#define MIF_HS_MIN_SIZE 9332

typedef void* (*MifAllocateFn)(void* allocator, uint32_t size);
typedef void (*MifFreeFn)(void* allocator, void* p);
typedef void* (*MifAllocateArrayFn)(void* allocator, uint32_t elementSize, uint32_t count);
typedef void* (*MifReallocateFn)(void* allocator, void* p, uint32_t newSize);

/* InputStream: each operation receives the stream block itself first. */
#define MIF_IS_READ 64
#define MIF_IS_SEEK 80
#define MIF_IS_TELL 88
#define MIF_IS_MIN_SIZE 96

typedef int32_t (*MifReadFn)(void* stream, void* buffer, uint32_t maxBytes);
typedef int32_t (*MifSeekFn)(void* stream, int32_t offset, int32_t whence); /* 0 start, 2 end */
typedef int32_t (*MifTellFn)(void* stream);

/* ---- Object callbacks ----------------------------------------------------- */

/* The record registered with MIF_HOST_REGISTER_CALLBACKS: 18 slots of 8
 * bytes. The host keeps its own copy, writes the decimal ID text of a frame
 * (as carried by token 20) into slot 2 before ObjectOpen, and passes its copy
 * as the first argument of every callback. */
#define MIF_OC_SLOTS 18
#define MIF_OC_SIZE (MIF_OC_SLOTS * 8)
#define MIF_OC_SLOT_HEADER 0   /* two u32: 3, 5 */
#define MIF_OC_SLOT_MINUS_ONE 1
#define MIF_OC_SLOT_ID_TEXT 2  /* char* set by the host */
#define MIF_OC_SLOT_CONTEXT 3
#define MIF_OC_SLOT_OPEN 7
#define MIF_OC_SLOT_READ 8
#define MIF_OC_SLOT_SEEK 10
#define MIF_OC_SLOT_TELL 11
#define MIF_OC_SLOT_CLOSE 12

typedef int32_t (*MifObjectOpenFn)(void* record);
typedef uint32_t (*MifObjectReadFn)(void* record, uint8_t* buffer, uint32_t count);
typedef int32_t (*MifObjectSeekFn)(void* record, int32_t offset, uint32_t origin); /* 0 start, 1 current, 2 end */
typedef uint32_t (*MifObjectTellFn)(void* record);
typedef int32_t (*MifObjectCloseFn)(void* record);

/* ---- Output tokens -------------------------------------------------------- */

/* Every token: u8 code, u32 length of the whole token (code and length
 * included), then the payload. Tokens are packed without padding and are
 * never split between buffers. */
#define MIF_TOKEN_HEADER_SIZE 5

#define MIF_TOKEN_TEXT 0            /* u32 n; n bytes of text */
#define MIF_TOKEN_PARA_FORMAT 1     /* i32 left, i32 right, i32 first indent; u8 alignment */
#define MIF_TOKEN_TAB_STOPS 2       /* u32 n; n x { u8 type; i32 position } */
#define MIF_TOKEN_TAB 3             /* u8 0 */
#define MIF_TOKEN_ATTRIBUTE 4       /* u32 attribute code */
#define MIF_TOKEN_TABLE 6           /* start: u32 n, n widths, 4 spacings, i32 indent, u8 0; end: u32 0 */
#define MIF_TOKEN_CELL_END 8        /* no payload */
#define MIF_TOKEN_PARA_START 13     /* no payload */
#define MIF_TOKEN_LINE_BREAK 14     /* no payload */
#define MIF_TOKEN_FONT 15           /* u32 font number; i32 size in points */
#define MIF_TOKEN_PAGE 16           /* u8 2; six u32; two u32 0xFFFFFFFF */
#define MIF_TOKEN_LINE_SPACING 18   /* u8 class */
#define MIF_TOKEN_COLOR 19          /* u8 0; u32 0x00BBGGRR */
#define MIF_TOKEN_FRAME 20          /* ID text + NUL; width; height; kind; constants */
#define MIF_TOKEN_CHARSET 27        /* u32 character set */

/* Attribute codes of token 4. */
#define MIF_ATTR_BOLD_ON 0x8001u
#define MIF_ATTR_ITALIC_ON 0x8002u
#define MIF_ATTR_UNDERLINE_ON 0x8004u
#define MIF_ATTR_STRIKE_ON 0x8008u
#define MIF_ATTR_SUPERSCRIPT_ON 0x8010u
#define MIF_ATTR_SUBSCRIPT_ON 0x8020u
#define MIF_ATTR_SMALLCAPS_ON 0x0040u
#define MIF_ATTR_UPPERCASE_ON 0x0080u
#define MIF_ATTR_BOLD_OFF 0x0001u
#define MIF_ATTR_ITALIC_OFF 0x0002u
#define MIF_ATTR_UNDERLINE_OFF 0x0004u
#define MIF_ATTR_STRIKE_OFF 0x0008u
#define MIF_ATTR_SUPERSCRIPT_OFF 0x0010u
#define MIF_ATTR_SUBSCRIPT_OFF 0x0020u
#define MIF_ATTR_SMALLCAPS_OFF 0x8040u
#define MIF_ATTR_UPPERCASE_OFF 0x8080u

/* Fixed sizes. */
#define MIF_FIRST_FILL_HEADER_BYTES 53   /* tokens 16, 18, 27 */
#define MIF_FRAME_TOKEN_BASE_LENGTH 83   /* plus the ID text length */
#define MIF_FRAME_ID_MAX_CHARS 7

#ifdef __cplusplus
}
#endif

#endif /* MIFREADER_MIFREADER_H */
