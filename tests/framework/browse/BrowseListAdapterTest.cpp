// Rows of the display queue read where they are stored: a field of the buffer is
// found in each row (a text, a number, a std::string member), a field outside the
// buffer stays itself, and a position is matched in place whether it is kept in a
// fixed text or a std::string.
#include "framework/browse/BrowseListAdapter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runtime/data/FieldRef.h"
#include "runtime/data/RecordQueue.h"

namespace framework::browse {
namespace {

using runtime::data::FieldRef;

struct FixedRow {
  char Name[12];
  int32_t Count;
  char Position[64];
};

struct OwningRow {
  std::string Name;
  std::string Position;
};

TEST(BrowseListAdapterTest, FieldsAndPositionsAreReadInEachStoredRow) {
  runtime::data::RecordQueue<FixedRow> queue;
  BrowseListAdapter list(queue, FieldRef::Of(queue.Buffer.Position), 1, nullptr);
  const char* names[] = {"ALPHA", "BRAVO", "CHARLIE"};
  for (int32_t i = 0; i < 3; ++i) {
    FieldRef::Of(queue.Buffer.Name).SetText(names[i]);
    queue.Buffer.Count = 10 * (i + 1);
    list.SetRowPosition("K1|t" + std::string(names[i]) + "|i" + std::to_string(i + 1));
    list.InsertRowAt(1);  // the front of the queue, as a page read backward fills it
  }
  FieldRef::Of(queue.Buffer.Name).SetText("IN BUFFER");
  int32_t outside = 7;

  ASSERT_TRUE(list.LendsRows());
  EXPECT_EQ(list.FieldOfRow(1, FieldRef::Of(queue.Buffer.Name)).GetText(), "CHARLIE");
  EXPECT_EQ(list.FieldOfRow(3, FieldRef::Of(queue.Buffer.Name)).GetText(), "ALPHA");
  EXPECT_EQ(list.FieldOfRow(2, FieldRef::Of(queue.Buffer.Count)).GetInteger(), 20);
  EXPECT_EQ(list.FieldOfRow(2, FieldRef::Of(outside)).Address(), &outside);
  EXPECT_EQ(FieldRef::Of(queue.Buffer.Name).GetText(), "IN BUFFER");  // reading in place copies nothing in

  EXPECT_TRUE(list.RowPositionIs(2, "K1|tBRAVO|i2"));
  EXPECT_FALSE(list.RowPositionIs(2, "K1|tBRAVO|i"));
  EXPECT_FALSE(list.RowPositionIs(2, "K1|tBRAVO|i22"));
  EXPECT_FALSE(list.RowPositionIs(4, ""));
  EXPECT_FALSE(list.RowPositionIs(0, ""));

  runtime::data::RecordQueue<OwningRow> owning;
  BrowseListAdapter strings(owning, FieldRef::Of(owning.Buffer.Position), 1, nullptr);
  for (const char* name : names) {
    owning.Buffer.Name = std::string(name) + " with a text longer than a small string";
    strings.SetRowPosition(std::string("P|") + name);
    strings.AppendRow();
  }
  EXPECT_EQ(strings.FieldOfRow(3, FieldRef::Of(owning.Buffer.Name)).GetText(),
            "CHARLIE with a text longer than a small string");
  EXPECT_TRUE(strings.RowPositionIs(1, "P|ALPHA"));
  EXPECT_FALSE(strings.RowPositionIs(1, "P|BRAVO"));
}

}  // namespace
}  // namespace framework::browse
