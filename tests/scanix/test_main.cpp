// The tests run under a UTF-8 character type (case rules for non-ASCII letters) and the C
// numeric locale ("." as the decimal character); the locale tests have their own program.
#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
  if (!setlocale(LC_CTYPE, "C.UTF-8")) setlocale(LC_CTYPE, "C.utf8");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
