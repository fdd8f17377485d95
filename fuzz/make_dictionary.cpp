// Prints a libFuzzer dictionary for MIF: every keyword of the module's table
// as it opens a statement, then the bits of syntax around statements.
#include <cstdio>
#include <initializer_list>

#include "scanner/keywords.h"

int main() {
    for (const auto& row : mif::kKeywordTable) {
        if (row.text != nullptr && row.text[0] != '\0') std::printf("\"<%s \"\n", row.text);
    }
    for (const char* syntax : {"<MIFFile 5.00>", "<MIFFile 8.00>", " `", "'>", "\\\\>", "\\\\x", "\\\\t", "\\\\q",
                               "\\\\Q", "\\\"", " pt", " cm", "define(", "include(", "\\x0A=EndInset", "\\x0A&%v\\x0A"}) {
        std::printf("\"%s\"\n", syntax);
    }
    return 0;
}
