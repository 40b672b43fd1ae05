#include "KvMemory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zmt {
namespace {

TEST(KvString, EmptyTextIsNullAndOwnsNoBlock) {
  KvString empty("");
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Share(), nullptr);
  EXPECT_EQ(empty.RefCount(), 0);
  EXPECT_EQ(KvString(static_cast<const char*>(nullptr)).View(), "");
}

TEST(KvString, BlockHasCountLengthAndTerminator) {
  KvString text("About");
  KvStr chars = text.Share();
  ASSERT_NE(chars, nullptr);
  EXPECT_EQ(KV_BLOCK_HEADER(chars)->Length, 5);
  EXPECT_EQ(KV_BLOCK_HEADER(chars)->RefCount, 2);
  EXPECT_STREQ(chars, "About");
  EXPECT_EQ(chars[5], '\0');
  KvString::Adopt(chars);  // gives the shared reference back
  EXPECT_EQ(text.RefCount(), 1);
}

TEST(KvString, EmbeddedZeroKeepsItsLength) {
  KvString text(std::string_view("a\0b", 3));
  EXPECT_EQ(text.View().size(), 3u);
}

TEST(KvString, CopiesShareOneBlockThatOutlivesTheOriginal) {
  KvStr kept = nullptr;
  {
    KvString original("Tessinor Plugin");
    KvString copy = original;
    EXPECT_EQ(original.RefCount(), 2);
    kept = copy.Share();
    EXPECT_EQ(original.RefCount(), 3);
  }
  // Only the caller's reference is left, and the text is intact.
  EXPECT_EQ(KV_BLOCK_HEADER(kept)->RefCount, 1);
  EXPECT_STREQ(kept, "Tessinor Plugin");
  EXPECT_TRUE(ReleaseBlock(kept));
  SharedFree(KV_BLOCK_HEADER(kept));
}

TEST(KvString, AssignmentReleasesTheOldText) {
  KvString a("first");
  KvString b("second");
  KvString keepA = a;
  a = b;
  EXPECT_EQ(keepA.RefCount(), 1);
  EXPECT_EQ(b.RefCount(), 2);
  EXPECT_EQ(a.View(), "second");
}

}  // namespace
}  // namespace zmt
