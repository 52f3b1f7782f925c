#include "ui/scripted_prompter.h"

#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace ui {

QStringList ScriptedPrompter::ShownTexts() const {
  QStringList texts;
  for (const Shown& item : shown_) texts << item.text;
  return texts;
}

void ScriptedPrompter::Record(Kind kind, const QString& title, const QString& text) {
  shown_.push_back({kind, title, text});
  if (observer_) observer_(shown_.back());
}

void ScriptedPrompter::Unanswered(const char* what, const QString& text) {
  std::fprintf(stderr, "ScriptedPrompter: no scripted answer for the %s \"%s\"\n", what,
               text.toUtf8().constData());
  std::abort();
}

void ScriptedPrompter::DoShowMessage(const QString& text, const QString& title) {
  Record(Kind::Message, title, text);
}

void ScriptedPrompter::DoShowNote(const QString& text, const QString& title) { Record(Kind::Note, title, text); }

bool ScriptedPrompter::DoAskYesNo(const QString& text, const QString& title) {
  Record(Kind::YesNo, title, text);
  if (yesNo_.empty()) Unanswered("question", text);
  bool yes = yesNo_.front();
  yesNo_.pop_front();
  return yes;
}

Prompter::TextAnswer ScriptedPrompter::DoAskText(const QString& prompt, const QString& title,
                                                 const QString& /*defaultText*/) {
  Record(Kind::Text, title, prompt);
  if (texts_.empty()) Unanswered("input box", prompt);
  TextAnswer answer = texts_.front();
  texts_.pop_front();
  return answer;
}

std::optional<QString> ScriptedPrompter::DoChooseOpenFile(const QString& title,
                                                          const QString& filter) {
  Record(Kind::OpenFile, title, filter);
  if (files_.empty()) Unanswered("file chooser", title);
  std::optional<QString> path = files_.front();
  files_.pop_front();
  return path;
}

}  // namespace ui
