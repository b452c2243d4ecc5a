// libFuzzer target: any statement text against the simulated instance.
//   build-fuzz/bin/fuzz_sql -max_total_time=600 fuzz/simulator/corpus
#include "sqlfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    sqlfuzz::runOne(data, size);
    return 0;
}
