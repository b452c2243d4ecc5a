// Replays the fuzzers' regression inputs (tests/scanix/regressions/<target>/*) and a few
// hand-made malformed inputs through the same bodies as the fuzz targets.
#include <gtest/gtest.h>

#include "fuzz_bodies.h"
#include "helpers.h"

namespace {
using sxt::regressionFiles;
using sxt::slurp;
template <class F>
int replay(const char *target, F body) {
  int n = 0;
  for (const std::string &f : regressionFiles(target)) {
    SCOPED_TRACE(f);
    std::string d = slurp(f);
    body(reinterpret_cast<const uint8_t *>(d.data()), d.size());
    ++n;
  }
  return n;
}
}  // namespace

TEST(ScanixRegressions, Fields) {
  EXPECT_GT(replay("fields", scanix_fuzz::fields), 0);
  const std::string hand[] = {std::string(), std::string("\x01", 1),
                              std::string("\x81\x01,'a,b' \"c"),
                              std::string("\x43\x02\x00\xD8\x20\x00\x61\x00\x00\xDC", 10)};
  for (const std::string &h : hand)
    scanix_fuzz::fields(reinterpret_cast<const uint8_t *>(h.data()), h.size());
}

TEST(ScanixRegressions, Eval) {
  EXPECT_GT(replay("eval", scanix_fuzz::eval), 0);
  const std::string hand[] = {std::string("\x00(((((", 6), std::string("\x01Sin(1e300)"),
                              std::string("\x00x(((", 5), std::string("\x00" "1e99999", 8),
                              std::string("\x00y^0.5", 6)};
  for (const std::string &h : hand)
    scanix_fuzz::eval(reinterpret_cast<const uint8_t *>(h.data()), h.size());
}

TEST(ScanixRegressions, Stream) {
  EXPECT_GT(replay("stream", scanix_fuzz::stream), 0);
}

TEST(ScanixRegressions, Scan) {
  EXPECT_GT(replay("scan", scanix_fuzz::scan), 0);
}
