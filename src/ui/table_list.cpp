#include "ui/table_list.h"

#include <QCollator>

namespace ui {

namespace {

// One fixed collation (English, case ignored) so the order is the same for
// every user; accented letters sort beside their base letters.
const QCollator& NameCollator() {
  static const QCollator collator = [] {
    QCollator c{QLocale(QLocale::English, QLocale::UnitedStates)};
    c.setCaseSensitivity(Qt::CaseInsensitive);
    c.setNumericMode(false);
    c.setIgnorePunctuation(false);
    return c;
  }();
  return collator;
}

}  // namespace

TableList::TableList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);  // Qt's own sort is case-sensitive and locale-bound
}

bool TableList::SortsBefore(const QString& a, const QString& b) {
  return NameCollator().compare(a, b) < 0;
}

int TableList::ListIndex() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : row(selected.first());
}

void TableList::SetListIndex(int index) {
  if (index < 0 || index >= count()) {
    clearSelection();
    return;
  }
  QModelIndex target = model()->index(index, 0);
  selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
}

QString TableList::List(int index) const {
  const QListWidgetItem* entry = item(index);
  return entry ? entry->text() : QString();
}

void TableList::AddItem(const QString& name) {
  const int selected = ListIndex();
  QListWidgetItem* selectedItem = selected >= 0 ? item(selected) : nullptr;

  // Upper bound: the first row whose name sorts after `name`.
  int low = 0, high = count();
  while (low < high) {
    int middle = (low + high) / 2;
    if (SortsBefore(name, item(middle)->text()))
      high = middle;
    else
      low = middle + 1;
  }
  insertItem(low, name);

  SetListIndex(selectedItem ? row(selectedItem) : -1);
}

void TableList::RemoveItem(int index) {
  if (index < 0 || index >= count()) return;
  const int selected = ListIndex();
  QListWidgetItem* selectedItem = (selected >= 0 && selected != index) ? item(selected) : nullptr;
  delete takeItem(index);
  SetListIndex(selectedItem ? row(selectedItem) : -1);
}

}  // namespace ui
