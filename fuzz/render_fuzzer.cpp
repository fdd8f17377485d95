// libFuzzer entry of the render target (see render_target.h).
#include <cstdio>
#include <cstdlib>

#include "fuzz/render_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = mifcheck::CheckRenderInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "render target: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
