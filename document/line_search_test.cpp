#include "document/line_search.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/allocation_count.h"

namespace vorrik {
namespace {

// The search reads each line where it lies: nothing is allocated per line,
// with letters folded or not (the find window's tests cover what it finds).
TEST(FindLineTest, ReadsTheLinesInPlace) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += "Line with some text\r";
  const LineStore lines = LineStore::FromBytes(bytes);
  EXPECT_EQ(FindLine(lines, LineSearch{u"SOME", false, false}, 5), 6);  // and the folding table is made
  const std::uint64_t before = AllocationCount();
  EXPECT_EQ(FindLine(lines, LineSearch{u"absent", false, false}, 0), -1);
  EXPECT_EQ(FindLine(lines, LineSearch{u"Absent", true, true}, 0), -1);
  EXPECT_EQ(AllocationCount() - before, 0u);
}

}  // namespace
}  // namespace vorrik
