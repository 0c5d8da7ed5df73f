// The main function of the test programs: the report library starts as in both programs, then
// every test runs.
#include <gtest/gtest.h>

#include "writer/Registration.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kv::RegisterReportLibrary();
  return RUN_ALL_TESTS();
}
