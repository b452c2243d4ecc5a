// libFuzzer target: scan (see fuzz_bodies.h).
#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  return scanix_fuzz::scan(data, size);
}
