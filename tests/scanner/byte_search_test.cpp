#include <gtest/gtest.h>

#include <cstring>

#include "scanner/byte_search.h"

namespace {

struct Search {
    const char* name;
    char* (*find)(char*, const char*);
    bool (*stops)(unsigned char);  // the byte-by-byte meaning
    char filler;                    // a byte that never stops the search
};

char* KeywordEnd(char* p, const char* end) { return mif::FindKeywordEnd(p, end); }
char* ValueStop(char* p, const char* end) { return mif::FindValueStop(p, end); }
char* LineEnd(char* p, const char* end) { return mif::FindLineEnd(p, end); }
char* NonSpace(char* p, const char* end) { return mif::SkipSpaces(p, end); }
char* Nul(char* p, const char* end) { return mif::FindFirstNul(p, end); }
char* Parenthesis(char* p, const char* end) { return mif::FindByte(p, end, ')'); }

bool IsCSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

const Search kSearches[] = {
    {"keyword end", KeywordEnd, [](unsigned char c) { return IsCSpace(c) || c == '>'; }, 'K'},
    {"value stop", ValueStop, [](unsigned char c) { return std::strchr("`#><di", c) != nullptr && c != 0; }, 'V'},
    {"line end", LineEnd, [](unsigned char c) { return c == '\n' || c == '\r'; }, 'L'},
    {"non-space", NonSpace, [](unsigned char c) { return !IsCSpace(c); }, ' '},
    {"NUL", Nul, [](unsigned char c) { return c == 0; }, 'N'},
    {"byte", Parenthesis, [](unsigned char c) { return c == ')'; }, 'B'},
};

// Every byte value at every offset across two 16-byte blocks, with the end
// just after it and just before it: the vector searches must agree with the
// byte-by-byte meaning, and never report a byte at or past the end.
TEST(ByteSearch, EveryByteAtEveryOffsetAgreesWithItsMeaning) {
    char buffer[96];
    for (const Search& search : kSearches) {
        for (int value = 0; value < 256; ++value) {
            const bool stops = search.stops(static_cast<unsigned char>(value));
            for (int at = 0; at < 40; ++at) {
                std::memset(buffer, search.filler, sizeof buffer);
                buffer[at] = static_cast<char>(value);
                char* found = search.find(buffer, buffer + at + 1);
                ASSERT_EQ(found - buffer, stops ? at : at + 1) << search.name << " byte " << value << " at " << at;
                found = search.find(buffer, buffer + at);
                ASSERT_EQ(found - buffer, at) << search.name << " byte " << value << " past the end at " << at;
            }
        }
    }
}

// The look-aheads answer from their 32 classified bytes what the searches
// answer, from every start within and past them, wherever the end falls.
TEST(ByteSearch, TheLookaheadAgreesWithTheSearches) {
    static const char kText[] = "<Pgf `a>' d\tin#x\n >\r";
    char buffer[160];
    for (int i = 0; i < 96; ++i) buffer[i] = kText[i % (sizeof kText - 1)];
    for (int i = 96; i < 160; ++i) buffer[i] = static_cast<char>(0x80 + i);
    for (int endAt = 1; endAt <= 96; ++endAt) {
        const char* end = buffer + endAt;
        const mif::Lookahead look(buffer, end);
        const mif::CommentLookahead comment(buffer, end);
        for (int from = 0; from <= endAt; ++from) {
            char* p = buffer + from;
            ASSERT_EQ(comment.LineEnd(p, end), mif::FindLineEnd(p, end)) << from << " to " << endAt;
            ASSERT_EQ(comment.NonSpace(p, end), mif::SkipSpaces(p, end)) << from << " to " << endAt;
            ASSERT_EQ(look.KeywordEnd(p, end), mif::FindKeywordEnd(p, end)) << from << " to " << endAt;
            ASSERT_EQ(look.ValueStop(p, end), mif::FindValueStop(p, end)) << from << " to " << endAt;
            ASSERT_EQ(look.NonSpace(p, end), mif::SkipSpaces(p, end)) << from << " to " << endAt;
            ASSERT_EQ(look.Close(p, end), mif::FindByte(p, end, '>')) << from << " to " << endAt;
        }
    }
}

}  // namespace
