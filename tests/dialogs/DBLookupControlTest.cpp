// Tests of the database lookup control: its list source bound by path from the HostForm, also
// when the dataset comes later in the file (AfterLoad), a path that names nothing kept and
// written back, the element holding only the common parts, what the document does not carry,
// and a record under a retired class name loading as the lookup control.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "data/AccessLayer.h"
#include "dialogs/DBLookupControl.h"
#include "legacy/Component.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "support/RecordingReportPrompter.h"
#include "support/ViewProbes.h"
#include "writer/Conversion.h"

namespace kv {
namespace {

using test::Document;
using test::Losses;
using test::Saved;

using TLines = std::vector<std::string>;
using test::TBytes;

// A table and the data source that serves it, on the HostForm of a context as the database
// objects place them, freed at the end of the test.
class TTableOnHostForm {
 public:
  TTableOnHostForm(TConversionContext& context, const std::string& name)
      : Table(CreateOwned<TADOTable>(context.HostForm(), name)),
        Source(CreateOwned<TDataSource>(context.HostForm(), "S" + name)) {
    Source.SetDataSet(&Table);
  }
  ~TTableOnHostForm() {
    FreeOwned(&Source);
    FreeOwned(&Table);
  }
  TADOTable& Table;
  TDataSource& Source;
};

TEST(DBLookupControlTest, ListSourceBindsToTheDataSourceOfTheNamedDataset) {
  TConversionContext context;
  TkvDBLookupControl lookup(context);
  lookup.AssignProperty("ListSource", std::string("Table1"));
  EXPECT_EQ(lookup.ListDataSource(), nullptr);  // not there yet: no error

  {
    TTableOnHostForm table(context, "Table1");
    // The dataset is read later in the file: binding waits for the end of the load.
    EXPECT_EQ(lookup.ListDataSource(), nullptr);
    lookup.AfterLoad();
    EXPECT_EQ(lookup.ListDataSource(), &table.Source);
    EXPECT_EQ(VarToStr(lookup.QueryProperty("ListSource")), "Table1");
    // A path to something that is no dataset unbinds.
    lookup.AssignProperty("ListSource", std::string("STable1"));
    EXPECT_EQ(lookup.ListDataSource(), nullptr);
    lookup.AssignProperty("listsource", std::string("DialogForm.Table1"));
    EXPECT_EQ(lookup.ListDataSource(), &table.Source);
  }
  // The data source went with the table: the reference is cleared, the path kept.
  EXPECT_EQ(lookup.ListDataSource(), nullptr);
  EXPECT_EQ(VarToStr(lookup.QueryProperty("ListSource")), "DialogForm.Table1");
}

TEST(DBLookupControlTest, UnresolvedListSourceIsWrittenBackAsStored) {
  TConversionContext context;
  for (const std::string path : {"", "Missing", "NoForm.Table1", "DialogForm.A.B", "A.B.C.D"}) {
    SCOPED_TRACE(path);
    TBytes payload;
    payload.Str(path).Str("Id").Str("Title");
    TkvDBLookupControl lookup(context);
    const std::string common = Saved(lookup).substr(0, Saved(lookup).size() - 9);
    TMemoryStream stream(common + payload.Data);
    lookup.LoadLegacy(stream);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(lookup.ListDataSource(), nullptr);
    EXPECT_EQ(lookup.KeyField, "Id");
    EXPECT_EQ(lookup.ListField, "Title");
    EXPECT_EQ(Saved(lookup), common + payload.Data);
  }
}

TEST(DBLookupControlTest, ElementHoldsOnlyTheCommonPartsAndTheLossesAreNoted) {
  TConversionContext context;
  TkvDBLookupControl lookup(context);
  lookup.Name = "Look1";
  lookup.ListSourcePath = "Table1";
  lookup.KeyField = "ID";
  lookup.ListField = "Name";
  EXPECT_EQ(Document(lookup),
            "<TkvxDBLookupControl Name=\"Look1\" Left=\"0\" Top=\"0\" Width=\"145\" Height=\"21\""
            " Color=\"-16777211\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\" Font.Name=\"MS Sans Serif\" Font.Height=\"-11\""
            " Font.Color=\"-16777208\" Font.Style=\"0\"");
  EXPECT_EQ(Losses(lookup), (TLines{"the list source \"Table1\" is not carried into the document",
                                    "the key field \"ID\" is not carried into the document",
                                    "the list field \"Name\" is not carried into the document"}));
  lookup.ListSourcePath.clear();
  lookup.ListField.clear();
  EXPECT_EQ(Losses(lookup), TLines{"the key field \"ID\" is not carried into the document"});
  lookup.KeyField.clear();
  EXPECT_EQ(Losses(lookup), TLines{});
}

// A file whose lookup control carries a retired class name, and a table stored after it.
TEST(DBLookupControlTest, RetiredClassNameLoadsAsTheLookupControlAndBindsAfterLoading) {
  test::TRecordingPrompter prompter;
  TConversionContext context;
  TkvReport report(context);
  report.Prompter = &prompter;
  report.Pages.AddPage();
  auto lookup = std::make_unique<TkvDBLookupControl>(context);
  lookup->Name = "Look";
  lookup->ListSourcePath = "Table7";
  report.Pages.Item(0).ObjectList.push_back(std::move(lookup));
  TMemoryStream file;
  report.SaveReportStream(file);

  // The record header: class name, page index, end offset (absolute); the longer name moves
  // the end of the record one byte on.
  std::string bytes = file.Bytes();
  const std::string stored = std::string("\x12\x00", 2) + "TkvDBLookupControl";
  const std::size_t at = bytes.find(stored);
  ASSERT_NE(at, std::string::npos);
  const std::size_t offsetAt = at + stored.size() + 2;
  std::int32_t end = 0;
  for (int i = 3; i >= 0; --i) end = end * 256 + static_cast<unsigned char>(bytes[offsetAt + i]);
  TBytes patched;
  patched.Raw(bytes.substr(0, at)).Str("TkvBDELookupControl").Byte(bytes[at + stored.size() + 1]);
  patched.Int(end + 1).Raw(bytes.substr(offsetAt + 4));

  TTableOnHostForm table(context, "Table7");
  TkvReport loaded(context);
  loaded.Prompter = &prompter;
  TMemoryStream in(patched.Data);
  loaded.LoadReportStream(in);
  ASSERT_TRUE(loaded.LastLoad.Read());
  ASSERT_EQ(loaded.Pages.Item(0).ObjectList.size(), 1u);
  auto* read = dynamic_cast<TkvDBLookupControl*>(loaded.Pages.Item(0).ObjectList[0].get());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Name, "Look");
  EXPECT_EQ(read->ListDataSource(), &table.Source);
  EXPECT_TRUE(prompter.Messages.empty());

  loaded.DocumentMode = true;
  TMemoryStream document;
  loaded.SaveReportStream(document);
  EXPECT_NE(document.Bytes().find("<TkvxDBLookupControl Name=\"Look\""), std::string::npos);
}

}  // namespace
}  // namespace kv
