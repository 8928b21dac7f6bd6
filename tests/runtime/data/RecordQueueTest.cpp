#include "runtime/data/RecordQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using runtime::data::RecordQueue;

struct TextRow {
  std::string Name;
  int Number = 0;
};
struct FixedRow {
  char Name[16];
  int Number;
};

std::string NameOf(const TextRow& r) { return r.Name; }
std::string NameOf(const FixedRow& r) { return r.Name; }
void SetRow(TextRow& r, int n) { r = {"row" + std::to_string(n), n}; }
void SetRow(FixedRow& r, int n) {
  std::memset(&r, 0, sizeof r);
  std::snprintf(r.Name, sizeof r.Name, "row%d", n);
  r.Number = n;
}

// Scrolling a list (rows off one end, on at the other), inserting, replacing and
// deleting anywhere: the queue must hold what a plain list would, row for row.
template <class Row>
void CompareWithAPlainList(unsigned seed) {
  RecordQueue<Row> queue;
  std::vector<int> model;
  std::mt19937 random(seed);
  int next = 0;
  for (int step = 0; step < 4000; ++step) {
    const size_t size = model.size();
    const auto anywhere = static_cast<size_t>(random() % (size + 2));  // 0 and past the end too
    switch (random() % 8) {
      case 0:
      case 1:  // a page down: the first row goes, one comes at the end
        if (queue.Delete(1)) model.erase(model.begin());
        SetRow(queue.Buffer, next);
        queue.Add();
        model.push_back(next++);
        break;
      case 2:
      case 3:  // a page up: the last row goes, one comes at the front
        if (queue.Delete(size)) model.pop_back();
        SetRow(queue.Buffer, next);
        queue.Add(1);
        model.insert(model.begin(), next++);
        break;
      case 4: {
        SetRow(queue.Buffer, next);
        queue.Add(anywhere);
        const size_t at = std::clamp<size_t>(anywhere, 1, size + 1) - 1;
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), next++);
        break;
      }
      case 5:
        SetRow(queue.Buffer, next);
        if (queue.Put(anywhere)) model[anywhere - 1] = next;
        ++next;
        break;
      case 6:
        EXPECT_EQ(queue.Delete(anywhere), anywhere >= 1 && anywhere <= size);
        if (anywhere >= 1 && anywhere <= size) model.erase(model.begin() + static_cast<std::ptrdiff_t>(anywhere - 1));
        break;
      default:
        if (random() % 10 == 0) {
          queue.Free();
          model.clear();
        }
        break;
    }
    ASSERT_EQ(queue.Records(), model.size()) << "step " << step;
    // All() lets the spare slots go: only now and then, so that they pile up between.
    const bool whole = step % 37 == 0;
    if (whole) {
      ASSERT_EQ(queue.All().size(), model.size());
    }
    for (size_t i = 0; i < model.size(); ++i) {
      ASSERT_TRUE(queue.Get(i + 1));
      ASSERT_EQ(queue.Buffer.Number, model[i]) << "step " << step << " row " << i + 1;
      ASSERT_EQ(NameOf(queue.Buffer), "row" + std::to_string(model[i]));
      if (whole) {
        ASSERT_EQ(queue.All()[i].Number, model[i]);
      }
      ASSERT_EQ(queue.At(i + 1).Number, model[i]);
    }
    ASSERT_FALSE(queue.Get(model.size() + 1));
    ASSERT_FALSE(queue.Get(0));
  }
}

TEST(RecordQueueTest, RowsOffAndOnEitherEndAndAnywhereStayInOrder) {
  for (unsigned seed : {1u, 2u, 3u}) {
    CompareWithAPlainList<TextRow>(seed);
    CompareWithAPlainList<FixedRow>(seed);
  }
}

TEST(RecordQueueTest, OrderedAddFindAndSortSeeOnlyTheRows) {
  RecordQueue<TextRow> queue;
  auto byNumber = [](const TextRow& a, const TextRow& b) { return a.Number < b.Number; };
  for (int n : {5, 1, 9, 3}) {
    SetRow(queue.Buffer, n);
    queue.Add();
  }
  // Spare slots at the front (rows taken off there) must not take part.
  ASSERT_TRUE(queue.Delete(1));  // 5 goes
  SetRow(queue.Buffer, 0);
  queue.Add(1);
  queue.Sort(byNumber);
  SetRow(queue.Buffer, 4);
  EXPECT_EQ(queue.AddOrdered(byNumber), 4u);
  std::vector<int> numbers;
  for (const TextRow& r : queue.All()) numbers.push_back(r.Number);
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 3, 4, 9}));
  SetRow(queue.Buffer, 3);
  EXPECT_EQ(queue.Find(byNumber), 3u);
  SetRow(queue.Buffer, 5);
  EXPECT_EQ(queue.Find(byNumber), 0u);
}

}  // namespace
