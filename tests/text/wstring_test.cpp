#include "text/wstring.h"

#include <gtest/gtest.h>

#include <climits>

namespace abacine {
namespace {

TEST(WString, DefaultIsEmptyAndTerminated) {
  WString s;
  EXPECT_EQ(s.Length(), 0);
  EXPECT_EQ(s.CStr()[0], u'\0');
  EXPECT_TRUE(s.Equals(u""));
}

TEST(WString, ConstructFromPartCutsCount) {
  WString s(u"abcdef");
  EXPECT_EQ(WString(s, 2, 3), u"cde");
  EXPECT_EQ(WString(s, 4, 100), u"ef");
  EXPECT_EQ(WString(s, 6, 1), u"");
}

TEST(WString, AssignShorterAndLonger) {
  WString s(u"hello world");
  s.Assign(u"hi");
  EXPECT_EQ(s, u"hi");
  s.Assign(u"a much longer text than before");
  EXPECT_EQ(s, u"a much longer text than before");
  s.AssignRepeated(3, u'x');
  EXPECT_EQ(s, u"xxx");
}

TEST(WString, AppendGrowsAndStaysTerminated) {
  WString s;
  for (int i = 0; i < 1000; ++i) s.Append(static_cast<char16_t>(u'a' + i % 26));
  EXPECT_EQ(s.Length(), 1000);
  EXPECT_EQ(s.CStr()[1000], u'\0');
  EXPECT_EQ(s[25], u'z');
  s.Append(s);
  EXPECT_EQ(s.Length(), 2000);
  EXPECT_EQ(s[1025], u'z');
}

TEST(WString, AppendIntInRadixes) {
  struct Row { int32_t value; int radix; const char16_t* text; };
  const Row rows[] = {
      {0, 10, u"0"},        {7, 10, u"7"},          {-45, 10, u"-45"},
      {255, 16, u"ff"},     {-255, 16, u"-ff"},     {5, 2, u"101"},
      {INT32_MAX, 10, u"2147483647"}, {INT32_MIN, 10, u"-2147483648"},
      {INT32_MIN, 2, u"-10000000000000000000000000000000"},
      {35, 36, u"z"},       {12, 99, u"12"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    WString s(u"x");
    s.AppendInt(row.value, row.radix);
    EXPECT_EQ(WString(s, 1, 100), row.text);
  }
}

TEST(WString, InsertAndRemove) {
  WString s(u"ace");
  s.Insert(1, WString(u"b"));
  s.Insert(3, WString(u"d"));
  s.Insert(5, WString(u"f"));
  s.Insert(0, WString(u">"));
  EXPECT_EQ(s, u">abcdef");
  s.Insert(2, s);
  EXPECT_EQ(s, u">a>abcdefbcdef");
  s.Remove(2, 7);
  EXPECT_EQ(s, u">abcdef");
  s.Remove(5, 100);
  EXPECT_EQ(s, u">abcd");
  s.RemoveAt(0);
  EXPECT_EQ(s, u"abcd");
}

TEST(WString, GuardedRemoval) {
  WString s(u"ab");
  EXPECT_FALSE(s.TryRemoveAt(2));
  EXPECT_FALSE(s.TryRemoveAt(-1));
  EXPECT_TRUE(s.TryRemoveAt(1));
  EXPECT_EQ(s, u"a");
  EXPECT_TRUE(s.TryRemoveAt(0));
  EXPECT_FALSE(s.TryRemoveAt(0));
  EXPECT_TRUE(s.Empty());
}

TEST(WString, ComparisonsUseUnsignedUnits) {
  EXPECT_TRUE(WString(u"\u0080").IsChar(u'\u0080'));
  EXPECT_FALSE(WString(u"\u0080\u0080").IsChar(u'\u0080'));
  EXPECT_FALSE(WString(u"abc").Equals(u"ab"));
  EXPECT_EQ(WString::CompareUnits(u"ab\uffff", u"ab\u0001", 3), 1);
  EXPECT_EQ(WString::CompareUnits(u"ab\u0001", u"ab\uffff", 3), -1);
  EXPECT_EQ(WString::CompareUnits(u"abX", u"abY", 2), 0);
  EXPECT_EQ(WString(u"sin") + u"(30)", u"sin(30)");
}

TEST(WStringDeath, PositionBeyondLengthIsFatal) {
  WString s(u"ab");
  EXPECT_DEATH(s.Insert(3, WString(u"x")), "position");
  EXPECT_DEATH(s.RemoveAt(2), "position");
}

}  // namespace
}  // namespace abacine
