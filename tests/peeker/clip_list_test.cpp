#include "clip_list.h"

#include <gtest/gtest.h>

namespace {

// Counts its live copies, so the tests see every element the list destroys.
struct Counted {
  explicit Counted(int v) : value(v) { alive++; }
  Counted(const Counted& other) : value(other.value) { alive++; }
  ~Counted() { alive--; }
  Counted& operator=(const Counted&) = delete;

  int value;
  static int alive;
};
int Counted::alive = 0;

TEST(ClipList, AtGivesNullOutsideTheElements) {
  ClipList<int> list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.At(0), nullptr) << "empty list";
  EXPECT_EQ(list.At(-1), nullptr) << "empty list, -1";

  for (int i = 0; i < 3; i++) list.Append(10 + i);
  EXPECT_EQ(list.At(-1), nullptr);
  EXPECT_EQ(list.At(3), nullptr) << "At(count)";
  EXPECT_EQ(list.At(-2147483647 - 1), nullptr);
  ASSERT_NE(list.At(2), nullptr);
  EXPECT_EQ(*list.At(2), 12);
}

TEST(ClipList, AppendLinksACopyBehindTheLast) {
  ClipList<Counted> list;
  {
    Counted first(1);
    list.Append(first);
    first.value = 99;  // the list holds its own copy
  }
  ASSERT_EQ(list.Count(), 1);
  ASSERT_NE(list.At(0), nullptr);
  EXPECT_EQ(list.At(0)->value, 1);
  EXPECT_EQ(Counted::alive, 1);

  // Steps keep pointers to frames: appending must leave earlier elements in place.
  Counted* const firstElement = list.At(0);
  for (int n = 1; n < 5; n++) {
    list.Append(Counted(n + 1));
    EXPECT_EQ(list.Count(), n + 1);
  }
  EXPECT_EQ(list.At(0), firstElement);
  for (int i = 0; i < 5; i++) {
    ASSERT_NE(list.At(i), nullptr) << i;
    EXPECT_EQ(list.At(i)->value, i + 1) << i;
  }
  EXPECT_EQ(Counted::alive, 5);
  list.Clear();
}

TEST(ClipList, ClearAndDestructionDestroyEveryElement) {
  {
    ClipList<Counted> list;
    for (int i = 0; i < 4; i++) list.Append(Counted(i));
    ASSERT_EQ(Counted::alive, 4);

    list.Clear();
    EXPECT_EQ(Counted::alive, 0) << "after Clear";
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.At(0), nullptr);
    list.Clear();
    EXPECT_EQ(list.Count(), 0) << "Clear on an empty list";

    // Still usable: the new element becomes the head.
    list.Append(Counted(7));
    list.Append(Counted(8));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0)->value, 7);
    EXPECT_EQ(list.At(1)->value, 8);
    EXPECT_EQ(Counted::alive, 2);
  }
  EXPECT_EQ(Counted::alive, 0) << "after the list's destruction";
}

}  // namespace
