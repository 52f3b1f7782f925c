// The test prompter records what a command showed and fails loudly when a
// command asks something the test did not foresee.
#include "ui/scripted_prompter.h"

#include <gtest/gtest.h>

namespace {

using ui::ScriptedPrompter;
using Kind = ScriptedPrompter::Kind;

TEST(ScriptedPrompter, RecordsInOrderAndAnswersFromQueues) {
  ScriptedPrompter prompter;
  prompter.QueueYesNo(false);
  prompter.QueueText("Renamed");
  prompter.QueueTextCancel();
  prompter.QueueOpenFile(std::nullopt);

  prompter.ShowMessage("Please select a table to insert");
  EXPECT_FALSE(prompter.AskYesNo("Would you like to overwrite T?", "Overwrite?"));
  EXPECT_EQ(prompter.AskText("Enter new name of T:").text, "Renamed");
  const auto cancelled = prompter.AskText("Enter new name of T:");
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_TRUE(cancelled.text.isEmpty());
  EXPECT_EQ(prompter.ChooseOpenFile("Pick", "Microsoft Database (*.mdb)"), std::nullopt);

  const std::vector<ScriptedPrompter::Shown> expected = {
      {Kind::Message, "Tabloria", "Please select a table to insert"},
      {Kind::YesNo, "Overwrite?", "Would you like to overwrite T?"},
      {Kind::Text, "Tabloria", "Enter new name of T:"},
      {Kind::Text, "Tabloria", "Enter new name of T:"},
      {Kind::OpenFile, "Pick", "Microsoft Database (*.mdb)"},
  };
  EXPECT_EQ(prompter.ShownItems(), expected);
  EXPECT_TRUE(prompter.AllAnswersUsed());
}

TEST(ScriptedPrompterDeathTest, UnforeseenQuestionStopsTheTest) {
  EXPECT_DEATH(
      {
        ScriptedPrompter prompter;
        prompter.AskYesNo("Would you like to overwrite T?", "Overwrite?");
      },
      "no scripted answer for the question \"Would you like to overwrite T\\?\"");
}

}  // namespace
