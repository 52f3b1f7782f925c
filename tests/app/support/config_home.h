// Points XDG_CONFIG_HOME at a fresh temporary folder for one test, so the
// settings store under test is empty and private, and restores it afterwards.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class ScopedConfigHome {
 public:
  ScopedConfigHome() : had_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
                       old_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
  }
  ~ScopedConfigHome() {
    if (had_) qputenv("XDG_CONFIG_HOME", old_);
    else qunsetenv("XDG_CONFIG_HOME");
  }
  ScopedConfigHome(const ScopedConfigHome&) = delete;
  ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

  QString Path() const { return dir_.path(); }
  QString StoreFile() const { return dir_.path() + QStringLiteral("/Quenmark.conf"); }

 private:
  QTemporaryDir dir_;
  bool had_;
  QByteArray old_;
};

}  // namespace testsupport
