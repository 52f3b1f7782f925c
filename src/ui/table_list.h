// A sorted single-selection list of table names. Its selection is an index:
// the selected row, -1 when none (Qt's "current item" plays no part). Names
// are kept in case-insensitive order that does not depend on the locale, and
// neither adding nor removing a name ever selects one the user did not choose.
#pragma once

#include <QListWidget>

namespace ui {

class TableList : public QListWidget {
  Q_OBJECT

 public:
  explicit TableList(QWidget* parent = nullptr);

  int ListIndex() const;
  // -1 (or any index outside the list) clears the selection.
  void SetListIndex(int index);
  int ListCount() const { return count(); }
  QString List(int index) const;

  // Inserts at the sorted place, after any equal names; the selection stays
  // on the name it was on.
  void AddItem(const QString& name);
  // Removing the selected name leaves no selection; any other selection
  // stays on its name.
  void RemoveItem(int index);
  void Clear() { clear(); }

  // The order the list keeps: true when `a` belongs before `b`.
  static bool SortsBefore(const QString& a, const QString& b);
};

}  // namespace ui
