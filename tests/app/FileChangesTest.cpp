// The changes of a project file that the window shows: what a run would change before it, what
// it changed after it (also in a binary form and under a relative path), and errors as text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/FileChanges.h"
#include "app/Workbench.h"
#include "support/Environment.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace kv {
namespace {

using TKind = TFileChanges::TKind;

class FileChangesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OldDir = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path());
    test::SetEnvironment(test::StateHomeVariable, Dir / "state");
    Form = std::make_unique<TfrmMain>(Prompter, Dir / "kv3converter.ini");
    Form->FormCreate();
  }
  void TearDown() override {
    std::filesystem::current_path(OldDir);
    test::UnsetEnvironment(test::StateHomeVariable);
  }
  test::TTempDir Dir;
  std::filesystem::path OldDir;
  test::TScriptedPrompter Prompter;
  std::unique_ptr<TfrmMain> Form;
};

TEST_F(FileChangesTest, WhatARunWouldChangeThenWhatItChanged) {
  TfrmMain& f = *Form;
  f.SetTableLines({"TkvReport=TkvxReport"});
  Dir.Write("a.pas", "uses TkvReport;\nkeep\n");
  Dir.Write("b.pas", "nothing here\n");
  std::filesystem::copy_file(KV_EXAMPLES_DIR "/project/Unit2.dfm", Dir / "Unit2.dfm");
  f.AddFile("a.pas");  // relative to the working folder, as the journal notes it absolute
  f.AddFile(Dir / "b.pas");
  f.AddFile(Dir / "Unit2.dfm");
  f.AddFile(Dir / "missing.pas");

  // Before a run: a dry run of the one file, which writes nothing.
  TFileChanges a = SourceFileChanges(f, 0);
  EXPECT_EQ(a.Kind, TKind::Preview);
  EXPECT_EQ(a.OldText, "uses TkvReport;\nkeep\n");
  EXPECT_EQ(a.NewText, "uses TkvxReport;\r\nkeep\r\n");
  EXPECT_EQ(Dir.Read("a.pas"), "uses TkvReport;\nkeep\n");
  EXPECT_EQ(SourceFileChanges(f, 1).Kind, TKind::None);
  EXPECT_EQ(SourceFileChanges(f, 1).Note, "No pair of the table changes this file.");
  const TFileChanges form = SourceFileChanges(f, 2);
  EXPECT_EQ(form.Kind, TKind::Preview);
  EXPECT_TRUE(form.BinaryForm);
  EXPECT_TRUE(form.OldText.starts_with("object ")) << form.OldText;
  const TFileChanges missing = SourceFileChanges(f, 3);
  EXPECT_EQ(missing.Kind, TKind::Error);
  EXPECT_NE(missing.Note.find("missing.pas"), std::string::npos) << missing.Note;
  EXPECT_EQ(SourceFileChanges(f, 4).Kind, TKind::None);  // no such row

  // After the run (which ends at the missing file): what it changed, from the backups.
  EXPECT_THROW(f.btnStartClick(), std::exception);
  f.SetTableLines({"keep=KEPT"});  // a later table does not change what the run did
  a = SourceFileChanges(f, 0);
  EXPECT_EQ(a.Kind, TKind::Made);
  EXPECT_EQ(a.OldText, "uses TkvReport;\nkeep\n");
  EXPECT_EQ(a.NewText, "uses TkvxReport;\r\nkeep\r\n");
  EXPECT_EQ(SourceFileChanges(f, 1).Note, "The last run made no change to this file.");
  const TFileChanges madeForm = SourceFileChanges(f, 2);
  EXPECT_EQ(madeForm.Kind, TKind::Made);
  EXPECT_TRUE(madeForm.BinaryForm);
  EXPECT_EQ(madeForm.OldText, form.OldText);
  EXPECT_EQ(madeForm.NewText, form.NewText);
  EXPECT_EQ(SourceFileChanges(f, 3).Kind, TKind::Error);
  EXPECT_EQ(SourceFileChanges(f, 3).Note, f.SearchList.Rows[3].Error);

  // A backup removed by hand: said, not shown as an empty original.
  std::filesystem::rename(Dir / "a.BAK", Dir / "a.moved");
  a = SourceFileChanges(f, 0);
  EXPECT_EQ(a.Kind, TKind::Error);
  EXPECT_NE(a.Note.find("a.BAK"), std::string::npos) << a.Note;
  std::filesystem::rename(Dir / "a.moved", Dir / "a.BAK");

  // Once the run is undone, the row shows what a run with the table would change again.
  Prompter.Confirmations = {true};
  f.UndoLastRunClick();
  a = SourceFileChanges(f, 0);
  EXPECT_EQ(a.Kind, TKind::Preview);
  EXPECT_EQ(a.NewText, "uses TkvReport;\r\nKEPT\r\n");
  EXPECT_NE(a.Note.find("undone"), std::string::npos);
}

}  // namespace
}  // namespace kv
