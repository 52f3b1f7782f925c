// A sorted single-selection list of table names. Its selection is an index:
// the selected row, -1 when none (Qt's "current item" plays no part). Names
// are kept in case-insensitive order that does not depend on the locale, and
// neither adding nor removing a name ever selects one the user did not choose.
#pragma once

#include <QListWidget>

#include "ui/name_list.h"

namespace ui {

class TableList : public QListWidget, public NameList {
  Q_OBJECT

 public:
  explicit TableList(QWidget* parent = nullptr);

  int ListIndex() const override;
  void SetListIndex(int index) override;
  int ListCount() const override { return count(); }
  QString List(int index) const override;

  // Inserts after any equal names.
  void AddItem(const QString& name) override;
  // Any selection other than the removed name stays on its name.
  void RemoveItem(int index) override;
  void Clear() override { clear(); }

  // The order the list keeps: true when `a` belongs before `b`.
  static bool SortsBefore(const QString& a, const QString& b);
};

}  // namespace ui
