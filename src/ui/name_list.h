// The names a side's list shows, as a command sees them: the selection as an
// index (-1 when none), the entries by position, and adding or removing a
// name. The window's TableList is one; a command running on a worker thread
// gets one that carries each call over to the window's thread.
#pragma once

#include <QString>

namespace ui {

class NameList {
 public:
  virtual ~NameList() = default;

  virtual int ListIndex() const = 0;
  // -1 (or any index outside the list) clears the selection.
  virtual void SetListIndex(int index) = 0;
  virtual int ListCount() const = 0;
  virtual QString List(int index) const = 0;

  // Adds at the sorted place; the selection stays on the name it was on.
  virtual void AddItem(const QString& name) = 0;
  // Removing the selected name leaves no selection.
  virtual void RemoveItem(int index) = 0;
  virtual void Clear() = 0;
};

}  // namespace ui
