// The Main procedures: list scans, Null defaults and window centring.
#include "ui/main_module.h"
#include "ui/table_list.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using ui::TableList;
using dataaccess::Value;

// Builds a list in the given order, bypassing the sort, so that scans over
// adjacent duplicates can be shown.
void Fill(TableList& list, const QStringList& names) {
  list.Clear();
  for (const QString& name : names) list.addItem(name);
}

QStringList Entries(const TableList& list) {
  QStringList names;
  for (int i = 0; i < list.ListCount(); ++i) names << list.List(i);
  return names;
}

TEST(ListContains, ComparesWholeEntriesExactly) {
  struct Case {
    QStringList entries;
    const char* text;
    bool expected;
  } cases[] = {
      {{}, "", false},
      {{}, "a", false},
      {{"a", "b"}, "", false},
      {{"a", "", "b"}, "", true},
      {{"Orders"}, "Orders", true},
      {{"Orders"}, "orders", false},
      {{"Orders"}, "Orders ", false},
      {{"Orders"}, "Order", false},
      {{"a", "b", "c"}, "c", true},
  };
  for (const Case& c : cases) {
    TableList list;
    Fill(list, c.entries);
    EXPECT_EQ(ui::ListContains(c.text, list), c.expected)
        << c.entries.join(',').toStdString() << " / '" << c.text << "'";
  }
}

TEST(RemoveListItem, ScansOncePastEachRemoval) {
  struct Case {
    QStringList before;
    const char* text;
    QStringList after;
  } cases[] = {
      {{"a", "b", "b", "c"}, "b", {"a", "b", "c"}},
      {{"a", "b", "c"}, "d", {"a", "b", "c"}},
      {{"a", "b", "c"}, "B", {"a", "b", "c"}},
      {{}, "a", {}},
      {{"x", "x"}, "x", {"x"}},
      {{"x", "y", "x"}, "x", {"y"}},
      {{"", "a"}, "", {"a"}},
      {{"a", "", ""}, "", {"a", ""}},
  };
  for (const Case& c : cases) {
    TableList list;
    Fill(list, c.before);
    ui::RemoveListItem(list, c.text);
    EXPECT_EQ(Entries(list), c.after) << c.before.join(',').toStdString() << " - '" << c.text << "'";
  }
}

TEST(RemoveListItem, RemovedSelectionLeavesNone) {
  TableList list;
  Fill(list, {"a", "b", "c"});
  list.SetListIndex(1);
  ui::RemoveListItem(list, "b");
  EXPECT_EQ(list.ListIndex(), -1);
}

TEST(NullToDefault, OnlyNullIsReplacedAndTypesAreKept) {
  const Value empty = std::string();
  const Value cases[] = {
      std::string(),       std::string(" "),         std::int64_t{0},
      false,               0.0,                      0.0f,
      dataaccess::Currency{0}, dataaccess::Decimal{false, "0", 0}, dataaccess::DateTime{0},
      dataaccess::Bytes{},
  };
  for (const Value& value : cases) {
    Value result = ui::NullToDefault(value, empty);
    EXPECT_EQ(result.index(), value.index());
    EXPECT_EQ(result, value);
  }
  EXPECT_EQ(ui::NullToDefault(dataaccess::Null{}, empty), empty);
  EXPECT_EQ(ui::NullToDefault(dataaccess::Null{}, Value{std::int64_t{7}}), Value{std::int64_t{7}});
  EXPECT_TRUE(dataaccess::IsNull(ui::NullToDefault(dataaccess::Null{}, dataaccess::Null{})));
}

TEST(CenterForm, ComputesInTwipsWithSinglePrecision) {
  struct Case {
    float width, height, screenWidth, screenHeight;
    float left, top;
  } cases[] = {
      {3000, 3000, 4000, 4000, 500, -500},           // 1000 above the centre
      {3001, 2000, 4000, 12000, 499.5f, 4000},       // half a twip is kept
      {6000, 1000, 4000, 1000, -1000, -1000},        // wider than the screen: negative
      {0, 0, 19200, 14400, 9600, 6200},
      // 16777217 is not a float: single precision rounds it before halving.
      {0, 0, 16777217.0f, 0, 8388608, -1000},
  };
  for (const Case& c : cases) {
    const ui::TwipPosition at = ui::CenterForm(c.width, c.height, c.screenWidth, c.screenHeight);
    EXPECT_EQ(at.left, c.left) << c.width << " on " << c.screenWidth;
    EXPECT_EQ(at.top, c.top) << c.height << " on " << c.screenHeight;
  }
}

TEST(CenterForm, PlacesTheWindowByItsOuterSize) {
  QWidget window;
  window.setFixedSize(487, 295);
  window.show();
  const QRect frame = window.frameGeometry();
  ASSERT_GT(frame.width(), window.width()) << "the offscreen platform should draw a frame";

  ui::CenterForm(window);

  const QRect screen = window.screen()->geometry();
  const QRect placed = window.frameGeometry();
  // Twips: left = (screen - outer) / 2, top = (screen - outer) / 2 - 1000,
  // converted at 15 twips to the pixel.
  const double left = (screen.width() - frame.width()) / 2.0;
  const double top = (screen.height() - frame.height()) / 2.0 - 1000.0 / 15;
  EXPECT_NEAR(placed.x() - screen.x(), left, 0.5);
  EXPECT_NEAR(placed.y() - screen.y(), top, 0.5);
}

TEST(SetOuterWidth, SetsTheFrameWidthNotTheClientWidth) {
  QWidget window;
  window.setFixedSize(423, 337);
  window.show();
  ui::SetOuterWidth(window, 6495);
  EXPECT_EQ(window.frameGeometry().width(), 433);
  EXPECT_EQ(window.height(), 337);
}

}  // namespace
