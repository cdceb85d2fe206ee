// The main of the test programs that need an X desktop.

#include <gtest/gtest.h>

#include "x_session.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  scrivlet::testing::UseTestXSession();
  return RUN_ALL_TESTS();
}
