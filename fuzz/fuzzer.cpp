// libFuzzer entry of one target, chosen when it is built: MIF_FUZZ_TARGET
// names it and MIF_FUZZ_CHECK is its check (read_target.h, render_target.h).
#include <cstdio>
#include <cstdlib>

#include "fuzz/render_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = MIF_FUZZ_CHECK(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s target: %s\n", MIF_FUZZ_TARGET, problem.c_str());
        std::abort();
    }
    return 0;
}
