// libFuzzer's input as a program of the mstr model (tests/mstr/mstr_model.h):
// a divergence aborts with its message, and libFuzzer keeps the input.
#include "../mstr/mstr_model.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static bool quiet = (fuzz::silence_stdout(), true); // the debug dump
    std::string divergence = mstr_model::Program(data, size).run();
    if (!divergence.empty()) fuzz::fail("%s", divergence.c_str());
    return 0;
}
