// What the MySQL module's tests share: settings pointing at a scratch
// database on the test server, kept in a private settings folder, and a
// prompter that records what the user would have seen.
#pragma once

#include <gtest/gtest.h>

#include "ui/scripted_prompter.h"
#include "config_home.h"
#include "settings/connection_settings.h"
#include "test_server.h"

namespace testing_mysql {

inline void PointSettingsAt(settings::ConnectionSettings& settings, const TestServer& server,
                            const std::string& database) {
  settings.SetServer(QString::fromStdString(server.host + ":" + server.port));
  settings.SetUser(QString::fromStdString(server.user));
  settings.SetPassword(QString::fromStdString(server.password));
  settings.SetDatabase(QString::fromStdString(database));
}

// Skips the test when no test server is configured.
class ModuleTest : public testing::Test {
 protected:
  void SetUp() override {
    found_ = FromEnvironment();
    if (!found_) GTEST_SKIP() << "No test MariaDB: TABLORIA_TEST_MYSQL_* are not set (scripts/test sets them).";
    db_ = std::make_unique<ScratchDatabase>(*found_);
    PointSettingsAt(settings_, *found_, db_->Name());
  }

  const TestServer& Server() const { return *found_; }
  const ScratchDatabase& Db() const { return *db_; }

  testsupport::ScopedConfigHome configHome_;
  settings::ConnectionSettings settings_;
  ui::ScriptedPrompter prompter_;

 private:
  std::optional<TestServer> found_;
  std::unique_ptr<ScratchDatabase> db_;
};

}  // namespace testing_mysql
