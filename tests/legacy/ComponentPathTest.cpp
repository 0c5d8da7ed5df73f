// Component paths and data-field references against forms of the application, and the cleaning
// of alias tables read from the previous dictionary layout, which resolves its entries in turn.
#include <gtest/gtest.h>

#include "data/AccessLayer.h"
#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Dictionary.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "support/TempDir.h"

namespace kv {
namespace {

// A form "Form1" holding the report being loaded and a table with the fields Name, Amount and
// "Na.me"; on the hidden form a table Table2, a query Query1 that owns a data source Source1 and
// a table Inner, and a data source Src that is no dataset.
class ComponentPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Report = &CreateOwned<TkvReport>(Form, Context, "kvReport1");
    Table1 = &CreateOwned<TADOTable>(Form, "Table1");
    Table1->FieldDefs.Add("Name", TFieldType::ftString, 20);
    Table1->FieldDefs.Add("Amount", TFieldType::ftCurrency);
    Table1->FieldDefs.Add("Na.me", TFieldType::ftString, 5);
    Context.Application.AddForm(&Form);
    Context.Load.CurrentReport = Report;

    TForm& host = Context.HostForm();
    Table2 = &CreateOwned<TIBTable>(host, "Table2");
    Table2->CreateField(Table2->FieldDefs.Add("Amount", TFieldType::ftFloat));
    Query1 = &CreateOwned<TSQLQuery>(host, "Query1");
    Source1 = &CreateOwned<TDataSource>(*Query1, "Source1");
    Inner = &CreateOwned<TIBTable>(*Query1, "Inner");
    Inner->FieldDefs.Add("Code", TFieldType::ftInteger);
    Src = &CreateOwned<TDataSource>(host, "Src");
  }
  void TearDown() override {
    Context.Load.CurrentReport = nullptr;
    Context.Application.RemoveForm(&Form);
    FreeOwned(Table2);
    FreeOwned(Query1);
    FreeOwned(Src);
  }

  TConversionContext Context;
  TComponent Form{"Form1"};
  TkvReport* Report = nullptr;
  TADOTable* Table1 = nullptr;
  TIBTable* Table2 = nullptr;
  TSQLQuery* Query1 = nullptr;
  TDataSource* Source1 = nullptr;
  TIBTable* Inner = nullptr;
  TDataSource* Src = nullptr;
};

TEST_F(ComponentPathTest, PathsOfNoneToTwoDots) {
  const struct {
    const char* Path;
    TComponent* Owner;
    TComponent* Expected;
  } cases[] = {
      {"Table1", &Form, Table1},
      {"TABLE1", &Form, Table1},
      {"Table1", nullptr, nullptr},  // a plain name needs an owner
      {"Table2", &Form, nullptr},    // not a component of that owner
      {"", &Form, nullptr},
      {"Form1.Table1", nullptr, Table1},
      {"dialogform.table2", &Form, Table2},
      {"DialogForm.Query1.Source1", nullptr, Source1},
      {"DialogForm.Query1.Inner", nullptr, Inner},
      {"DialogForm.Source1", nullptr, nullptr},  // owned by Query1, not by the form
      {"DialogForm.Query1.Missing", nullptr, nullptr},
      {"DialogForm.Missing.Source1", nullptr, nullptr},
      {"NoForm.Table1", nullptr, nullptr},
      {"Form1.", nullptr, nullptr},
      {"DialogForm.Query1.Source1.More", nullptr, nullptr},  // the rest names no component
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindComponentByPath(Context, c.Owner, c.Path), c.Expected) << c.Path;
  }
}

TEST_F(ComponentPathTest, FieldReferences) {
  const std::string longName(253, 'L');  // quoted: a piece of exactly 255 characters
  const std::string tooLong(254, 'M');   // quoted: cut to 255, losing its closing quote
  Table1->FieldDefs.Add(longName, TFieldType::ftString);
  Table1->FieldDefs.Add(tooLong, TFieldType::ftString);
  const struct {
    std::string Text;
    TComponent* Dataset;
    std::string FieldName;
  } cases[] = {
      {"Table1.\"Name\"", Table1, "Name"},
      {"Table1.Name", Table1, "Name"},
      {"table1.\"AMOUNT\"", Table1, "AMOUNT"},  // kept as written, found ignoring case
      {"Table1.\"Na.me\"", Table1, "Na.me"},    // dots inside quotes do not cut
      {"Table1.\"" + longName + "\"", Table1, longName},
      {"Table1.\"" + tooLong + "\"", Table1, ""},
      {"Table1.\"Missing\"", Table1, ""},  // the dataset, but no field: not resolved
      {"Table1.\"\"", Table1, ""},         // two quotes stay as they are
      {"Form1.Table1.\"Name\"", Table1, "Name"},
      {"DialogForm.Table2.\"Amount\"", Table2, "Amount"},  // persistent fields count too
      {"DialogForm.Table2.\"Name\"", Table2, ""},
      {"DialogForm.Query1.Inner.\"Code\"", Inner, "Code"},
      {"DialogForm.Src.\"Name\"", Src, ""},  // found, but not a database dataset
      {"Table1", nullptr, ""},               // no dot
      {"\"Name\"", nullptr, ""},
      {"", nullptr, ""},
      {"Missing.\"Name\"", nullptr, ""},
      {"NoForm.Table1.\"Name\"", nullptr, ""},
      {"DialogForm.Missing.\"Name\"", nullptr, ""},
      {"DialogForm.Query1.Missing.\"Code\"", nullptr, ""},
      {"A.B.C.D.\"Name\"", nullptr, ""},  // more than three dots
      // Ending with a dot names nothing, also where the form and component exist.
      {"Table1.", nullptr, ""},
      {"DialogForm.Table2.", nullptr, ""},
      {"DialogForm.Query1.Inner.", nullptr, ""},
  };
  for (const auto& c : cases) {
    TFieldReference r;
    ASSERT_NO_THROW(r = ResolveFieldReference(Context, c.Text)) << c.Text;
    EXPECT_EQ(r.Dataset, c.Dataset) << c.Text;
    EXPECT_EQ(r.FieldName, c.FieldName) << c.Text;
    EXPECT_EQ(r.Resolved(), c.Dataset && !c.FieldName.empty()) << c.Text;
  }
}

TEST_F(ComponentPathTest, PlainDatasetNamesNeedTheOwnerOfTheCurrentReport) {
  EXPECT_TRUE(ResolveFieldReference(Context, "Table1.\"Name\"").Resolved());
  Context.Load.CurrentReport = nullptr;
  EXPECT_FALSE(ResolveFieldReference(Context, "Table1.\"Name\"").Resolved());
  EXPECT_TRUE(ResolveFieldReference(Context, "Form1.Table1.\"Name\"").Resolved());
  TkvReport unowned(Context);
  Context.Load.CurrentReport = &unowned;
  EXPECT_FALSE(ResolveFieldReference(Context, "Table1.\"Name\"").Resolved());
}

// Builds a dictionary block: the mark, then the variable, alias and dataset-alias lists.
std::string DictionaryBlock(int mark,
                            const std::vector<std::pair<std::string, std::string>>& aliases,
                            const std::vector<std::pair<std::string, std::string>>& datasets = {}) {
  TMemoryStream s;
  WriteWord(s, static_cast<std::int16_t>(mark));
  WriteInt(s, 0);
  for (const auto* list : {&aliases, &datasets}) {
    WriteInt(s, static_cast<std::int32_t>(list->size()));
    for (const auto& [name, value] : *list) {
      WriteLegacyString(s, name);
      WriteLegacyString(s, value);
    }
  }
  return s.Bytes();
}

std::vector<std::string> Names(const TkvVariables& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
  return names;
}

TEST_F(ComponentPathTest, PreviousDictionaryLayoutKeepsOnlyAliasEntriesThatNameFields) {
  const std::vector<std::pair<std::string, std::string>> aliases{
      {"Amount", ""},                   // no dataset remembered yet: dropped
      {"Form1.Table1", "Customers"},    // has an alias: kept without looking
      {"Table1.\"Name\"", ""},          // a field of Table1, which is remembered from here on
      {"Table1.\"Gone\"", ""},          // the dataset, but no such field
      {"Amount2", ""},                  // tested against Table1: not a field of it
      {"AMOUNT", ""},                   // the same name as the first entry: that one's value
      {"NoForm.Query.\"Na.me\"", ""},   // its form is missing: its field piece, against Table1
      {"Table1.", ""},                  // ends with a dot: names nothing
      {"DialogForm.Table2.\"X\"", ""},  // determines Table2, which has no field X
      {"Amount3", ""},                  // tested against Table2 now
  };
  TMemoryStream previous(DictionaryBlock(-1, aliases, {{"frmMain.A", ""}, {"frmMain.B", "B"}}));
  TkvDataDictionary d(Context);
  d.LoadDictionary(previous);
  // "AMOUNT" only set the value of the first entry, which stays empty and is tested first.
  EXPECT_EQ(Names(d.AliasList), (std::vector<std::string>{"Form1.Table1", "Table1.\"Name\"",
                                                          "NoForm.Query.\"Na.me\""}));
  EXPECT_EQ(Names(d.DatasetAliasList), (std::vector<std::string>{"frmMain.B"}));

  Table2->CreateField(Table2->FieldDefs.Add("Amount3", TFieldType::ftFloat));
  TMemoryStream again(DictionaryBlock(-1, aliases));
  d.LoadDictionary(again);
  EXPECT_EQ(Names(d.AliasList).back(), "Amount3");

  // The current layout keeps every entry.
  TMemoryStream current(DictionaryBlock(-2, aliases, {{"frmMain.A", ""}}));
  d.LoadDictionary(current);
  EXPECT_EQ(d.AliasList.Count(), 9);
  EXPECT_EQ(d.DatasetAliasList.Count(), 1);
}

TEST(DictionaryFile, HoldsAVersionByteBeforeTheBlock) {
  test::TTempDir dir;
  TConversionContext context;
  TkvDataDictionary d(context);
  d.VariableList.SetVariable(" Totals", std::string());
  d.VariableList.SetVariable("Sum", std::string("[Amount]"));
  d.DatasetAliasList.SetVariable("frmMain.kvUserDataset1", std::string("Lines"));
  d.SaveToFile(dir / "report.dic");
  const std::string bytes = dir.Read("report.dic");
  TMemoryStream block;
  d.SaveDictionary(block);
  EXPECT_EQ(bytes, "\x19" + block.Bytes());

  // The byte is skipped whatever it holds.
  dir.Write("other.dic", "\x07" + block.Bytes());
  TkvDataDictionary read(context);
  read.LoadFromFile(dir / "other.dic");
  EXPECT_EQ(Names(read.VariableList), (std::vector<std::string>{" Totals", "Sum"}));
  EXPECT_EQ(VarToStr(read.VariableList.Value(1)), "[Amount]");
  EXPECT_EQ(VarToStr(read.DatasetAliasList.GetVariable("frmMain.kvUserDataset1")), "Lines");
  EXPECT_THROW(read.LoadFromFile(dir / "missing.dic"), EFileError);
}

}  // namespace
}  // namespace kv
