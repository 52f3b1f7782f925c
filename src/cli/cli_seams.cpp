#include "cli/cli_seams.h"

#include <csignal>

#include "ui/table_list.h"

namespace cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
  interrupted = 1;
  std::signal(SIGINT, SIG_DFL);
}

}  // namespace

NameRoster::NameRoster(const QStringList& names) {
  for (const QString& name : names) AddItem(name);
}

bool NameRoster::Select(const QString& name) {
  int caseless = -1, matches = 0;
  for (int i = 0; i < names_.size(); ++i) {
    if (names_[i] == name) {
      selected_ = i;
      return true;
    }
    if (names_[i].compare(name, Qt::CaseInsensitive) == 0) {
      caseless = i;
      ++matches;
    }
  }
  selected_ = matches == 1 ? caseless : -1;
  return selected_ != -1;
}

void NameRoster::SetListIndex(int index) { selected_ = index >= 0 && index < names_.size() ? index : -1; }

QString NameRoster::List(int index) const { return index >= 0 && index < names_.size() ? names_[index] : QString(); }

void NameRoster::AddItem(const QString& name) {
  int at = 0;
  while (at < names_.size() && !ui::TableList::SortsBefore(name, names_[at])) ++at;
  names_.insert(at, name);
  if (selected_ >= at) ++selected_;
}

void NameRoster::RemoveItem(int index) {
  if (index < 0 || index >= names_.size()) return;
  names_.removeAt(index);
  if (selected_ == index) selected_ = -1;
  else if (selected_ > index) --selected_;
}

void NameRoster::Clear() {
  names_.clear();
  selected_ = -1;
}

void HearInterrupts() { std::signal(SIGINT, OnInterrupt); }

bool Interrupted() { return interrupted != 0; }

bool CliProgress::Phase(const QString& text, ui::CancelMode) {
  if (!text.isEmpty()) terminal_.SetPhase(text.toStdString());
  return !Interrupted();
}

}  // namespace cli
