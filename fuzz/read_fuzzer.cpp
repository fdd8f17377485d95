// libFuzzer entry of the read target (see read_target.h).
#include <cstdio>
#include <cstdlib>

#include "fuzz/read_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = mifcheck::CheckReadInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "read target: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
