#include <gtest/gtest.h>

#include "app/RestoreChoices.h"
#include "platform/fake/Recorders.h"

namespace stowlark {
namespace {

// Rounded down, so that no file shows larger than it is, with one decimal
// below ten of a unit.
TEST(RestoreChoices, SizesInTheUnitThatKeepsThemShort) {
  const std::pair<std::uint64_t, const char*> sizes[] = {
      {0, "0 bytes"},       {1, "1 byte"},          {1023, "1023 bytes"},
      {1024, "1.0 KB"},     {1535, "1.4 KB"},       {10 * 1024 - 1, "9.9 KB"},
      {10 * 1024, "10 KB"}, {1048575, "1023 KB"},   {1048576, "1.0 MB"},
      {3617587, "3.4 MB"},  {5ull << 40, "5.0 TB"}, {99ull << 40, "99 TB"}};
  for (const auto& [bytes, words] : sizes) EXPECT_EQ(SizeWords(bytes), words) << bytes;
}

TEST(RestoreChoices, EachBackupIsNamedByWhereItIsAndWhenItWasLastMade) {
  FixedClock clock;
  const LocalTime at{2026, 12, 9, 10, 3, 0};
  EXPECT_EQ(SourceWords({SourceKind::ThisPc, "C:\\Docs\\Stowlark", at}, clock),
            "This PC, C:\\Docs\\Stowlark (last backup 9 December 2026 10:03)");
  EXPECT_EQ(SourceWords({SourceKind::SecondPlace, "E:\\Stowlark", at}, clock),
            "The copy on E:\\Stowlark (last copy 9 December 2026 10:03)");
  EXPECT_EQ(SourceWords({SourceKind::Drive, "F:\\Stowlark", std::nullopt}, clock),
            "F:\\Stowlark (last backup not known)");
  EXPECT_EQ(PointWords(at, at, clock), "As it was before 9 December 2026 10:03");
  EXPECT_EQ(PointWords(std::nullopt, std::nullopt, clock), "Latest backup");
}

}  // namespace
}  // namespace stowlark
