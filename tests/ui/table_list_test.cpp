// The table list: case-insensitive order that no locale changes, and a
// selection that only the user (or SetListIndex) moves.
#include "ui/table_list.h"

#include <QCollator>
#include <QItemSelectionModel>
#include <QLocale>
#include <gtest/gtest.h>

namespace {

using ui::TableList;

QStringList Entries(const TableList& list) {
  QStringList names;
  for (int i = 0; i < list.ListCount(); ++i) names << list.List(i);
  return names;
}

void AddAll(TableList& list, const QStringList& names) {
  for (const QString& name : names) list.AddItem(name);
}

struct SortCase {
  const char* what;
  QStringList added;
  QStringList shown;
};

TEST(TableListOrder, SortsCaseInsensitivelyWhateverTheInsertionOrder) {
  const SortCase cases[] = {
      {"plain", {"b", "a", "c"}, {"a", "b", "c"}},
      {"capitals do not sort first", {"Zebra", "apple", "Mango"}, {"apple", "Mango", "Zebra"}},
      {"equal but for case keeps arrival order", {"abc", "ABC", "Abc"}, {"abc", "ABC", "Abc"}},
      {"prefix first", {"Orders2", "orders", "Order"}, {"Order", "orders", "Orders2"}},
      {"accented beside their letters", {"Zoo", "Öl", "apfel", "Ärger", "Brot", "élan", "Eagle"},
       {"apfel", "Ärger", "Brot", "Eagle", "élan", "Öl", "Zoo"}},
      {"blanks and digits", {"t 2", "T1", "t10", "t 1"}, {"t 1", "t 2", "T1", "t10"}},
  };
  for (const SortCase& c : cases) {
    TableList list;
    AddAll(list, c.added);
    EXPECT_EQ(Entries(list), c.shown) << c.what;
  }
}

// In Swedish, Ä and Ö come after Z; Qt's own item sort would follow the
// locale (and put capitals first). The list must not.
TEST(TableListOrder, SameOrderUnderALocaleThatSortsOtherwise) {
  const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
  QCollator swedishCollator(swedish);
  ASSERT_GT(swedishCollator.compare(QStringLiteral("Ärger"), QStringLiteral("Zoo")), 0)
      << "this case needs a locale that orders differently";

  const QLocale saved;
  QLocale::setDefault(swedish);
  TableList list;
  AddAll(list, {"Zoo", "Ärger", "apfel", "Öl", "Brot"});
  QLocale::setDefault(saved);

  EXPECT_EQ(Entries(list), (QStringList{"apfel", "Ärger", "Brot", "Öl", "Zoo"}));
}

TEST(TableListSelection, IsTheSelectedRowNotQtsCurrentItem) {
  TableList list;
  EXPECT_EQ(list.ListIndex(), -1);
  AddAll(list, {"a", "b", "c"});
  EXPECT_EQ(list.ListIndex(), -1) << "adding selects nothing";

  // Qt's current item without a selection is no selection.
  list.selectionModel()->setCurrentIndex(list.model()->index(1, 0), QItemSelectionModel::NoUpdate);
  EXPECT_EQ(list.ListIndex(), -1);

  list.SetListIndex(2);
  EXPECT_EQ(list.ListIndex(), 2);
  list.SetListIndex(-1);
  EXPECT_EQ(list.ListIndex(), -1);
  list.SetListIndex(3);
  EXPECT_EQ(list.ListIndex(), -1) << "past the end selects nothing";
}

TEST(TableListSelection, AddingNeverMovesTheSelectionOffItsName) {
  TableList list;
  AddAll(list, {"b", "d"});
  list.SetListIndex(1);  // d
  list.AddItem("a");
  list.AddItem("c");
  list.AddItem("e");
  EXPECT_EQ(list.ListIndex(), 3);
  EXPECT_EQ(list.List(list.ListIndex()), "d");
  EXPECT_EQ(list.selectedItems().size(), 1);
}

struct RemoveCase {
  const char* what;
  int selected;  // before the removal
  int removed;
  int selectedAfter;
};

TEST(TableListSelection, RemovingFollowsTheRules) {
  const RemoveCase cases[] = {
      {"removing the selected entry leaves no selection", 1, 1, -1},
      {"removing the selected last entry leaves no selection", 3, 3, -1},
      {"removing the selected first entry leaves no selection", 0, 0, -1},
      {"an entry above the selection: selection stays on its name", 2, 0, 1},
      {"an entry below the selection: selection unchanged", 1, 3, 1},
      {"no selection before, none after", -1, 2, -1},
      {"an index outside the list removes nothing", 1, 7, 1},
  };
  for (const RemoveCase& c : cases) {
    TableList list;
    AddAll(list, {"a", "b", "c", "d"});
    list.SetListIndex(c.selected);
    const QString selectedName = c.selected >= 0 ? list.List(c.selected) : QString();
    list.RemoveItem(c.removed);
    EXPECT_EQ(list.ListIndex(), c.selectedAfter) << c.what;
    if (c.selectedAfter >= 0) {
      EXPECT_EQ(list.List(c.selectedAfter), selectedName) << c.what;
    }
  }
}

TEST(TableListSelection, SecondRemovalOfTheSelectionFindsNothingSelected) {
  // A delete command reads ListIndex, removes that entry; a second press must
  // find no selection rather than a neighbour the user never chose.
  TableList list;
  AddAll(list, {"Items", "Orders", "Staff"});
  list.SetListIndex(1);
  list.RemoveItem(list.ListIndex());
  EXPECT_EQ(Entries(list), (QStringList{"Items", "Staff"}));
  EXPECT_EQ(list.ListIndex(), -1);
}

TEST(TableList, ClearEmptiesAndUnselects) {
  TableList list;
  AddAll(list, {"a", "b"});
  list.SetListIndex(0);
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(list.List(0), QString());
}

}  // namespace
