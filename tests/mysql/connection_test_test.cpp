// "Test Connection": its two answers and the pointer while each is shown.
#include <gtest/gtest.h>

#include "ui/mouse_pointer.h"
#include "module_fixture.h"
#include "mysql/connection_test.h"

namespace {

class RecordingWindow : public ui::PointerHost {
 public:
  void SetMousePointer(int shape) override { shapes.push_back(shape); }
  int MousePointer() const override { return shapes.empty() ? ui::kDefaultPointer : shapes.back(); }
  std::vector<int> shapes;
};

const QString kCouldNotConnect = QStringLiteral(
    "Could not connect. Please check server, username, password, database with your administrator. "
    "Also, you can email me at support@quenmark.example.");

class ConnectionTestTest : public testing_mysql::ModuleTest {
 protected:
  // Runs the test and returns what was shown, each with the pointer at that moment.
  std::vector<std::pair<QString, int>> RunTest() {
    std::vector<std::pair<QString, int>> shown;
    prompter_.SetObserver([&](const ui::ScriptedPrompter::Shown& item) {
      shown.emplace_back(item.text, window_.MousePointer());
    });
    mysql::TestMySqlConnection(settings_, window_, prompter_);
    return shown;
  }

  RecordingWindow window_;
};

TEST_F(ConnectionTestTest, WorkingValuesSaySoWhileTheHourglassStays) {
  auto shown = RunTest();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Connection successful.");
  EXPECT_EQ(shown[0].second, ui::kHourglass);
  EXPECT_EQ(window_.shapes, (std::vector<int>{ui::kHourglass, ui::kArrow}));
}

TEST_F(ConnectionTestTest, WorksBySocketAndWithTheSemicolonPassword) {
  settings_.SetServer(QString::fromStdString(Server().socket));
  ASSERT_TRUE(settings_.Password().contains(';'));
  auto shown = RunTest();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Connection successful.");
}

TEST_F(ConnectionTestTest, RefusedValuesGiveTheCouldNotConnectMessageThenTheArrow) {
  struct Case {
    const char* what;
    void (*breakSettings)(settings::ConnectionSettings&);
  };
  std::vector<Case> cases = {
      {"wrong password", [](settings::ConnectionSettings& s) { s.SetPassword("wrong"); }},
      {"unknown database", [](settings::ConnectionSettings& s) { s.SetDatabase("no_such_database_here"); }},
      {"nothing listening", [](settings::ConnectionSettings& s) { s.SetServer("127.0.0.1:1"); }},
      {"empty boxes", [](settings::ConnectionSettings& s) {
         s.SetServer("127.0.0.1:1");  // empty would try this machine's default server, if any
         s.SetUser("");
         s.SetPassword("");
         s.SetDatabase("");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_mysql::PointSettingsAt(settings_, Server(), Db().Name());
    c.breakSettings(settings_);
    QString passwordBefore = settings_.Password();
    window_.shapes.clear();
    ui::ScriptedPrompter fresh;
    prompter_ = fresh;
    auto shown = RunTest();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, kCouldNotConnect);
    EXPECT_EQ(window_.shapes, (std::vector<int>{ui::kHourglass, ui::kArrow}));
    EXPECT_EQ(settings_.Password(), passwordBefore);
  }
}

}  // namespace
