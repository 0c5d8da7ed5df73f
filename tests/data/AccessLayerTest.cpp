// The database access layers: parameters derived from SQL text, properties that read back, links
// cleared when their target goes, and connecting, opening and moving that always fail.
#include <gtest/gtest.h>

#include "data/AccessLayer.h"

namespace kv {
namespace {

using Names = std::vector<std::string>;

TEST(AccessLayer, ParametersOfSqlText) {
  const struct {
    const char* Sql;
    Names Expected;
  } cases[] = {
      {"select * from T where A = :A and B = :b", {"A", "b"}},
      {"where A = :Id or B = :ID or C = :id", {"Id"}},  // each name once, case ignored
      {"where S = ':no' and D = \":neither\" and E = :yes", {"yes"}},
      {"where S = 'it''s :inside' and E = :after", {"after"}},   // a doubled quote stays quoted
      {"where S = ':open", {}},                                  // quoted to the end
      {"select X::int, Y:::z from T where A = :a", {"z", "a"}},  // "::" is no parameter
      {":1 :_x :x1 : y :", {"_x", "x1"}},                        // an identifier must follow
      {"A:b(:c,:d)", {"b", "c", "d"}},
      {"where N = :\xE9t\xE9", {"\xE9t\xE9"}},  // letters of the code page
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParamNamesOfSQL(c.Sql), c.Expected) << c.Sql;
}

TEST(AccessLayer, QueryDerivesItsParametersFromItsLines) {
  TComponent owner("DialogForm");
  auto& query = CreateOwned<TADOQuery>(owner, "Query1");
  query.SetSQL({"select * from T", "where A = :a and B = ':quoted", ":still' and C = :c"});
  EXPECT_EQ(query.SQLText(),
            "select * from T\r\nwhere A = :a and B = ':quoted\r\n"
            ":still' and C = :c\r\n");
  ASSERT_EQ(query.Params().Count(), 2);
  EXPECT_EQ(query.Params().Item(1).Name, "c");

  // New text: names that stay keep what was set on them.
  TParam& a = query.Params().ParamByName("A");
  a.DataType = TFieldType::ftInteger;
  a.Attributes = paNullable;
  a.Bound = true;
  a.SetAsString("7");
  query.SetSQL({"select * from T where B = :b and A = :a"});
  ASSERT_EQ(query.Params().Count(), 2);
  const TParam& b = query.Params().Item(0);
  EXPECT_EQ(b.Name, "b");
  EXPECT_EQ(b.DataType, TFieldType::ftUnknown);
  EXPECT_FALSE(b.Bound);
  const TParam& kept = query.Params().Item(1);
  EXPECT_EQ(kept.DataType, TFieldType::ftInteger);
  EXPECT_EQ(kept.Attributes, paNullable);
  EXPECT_TRUE(kept.Bound);
  EXPECT_EQ(kept.AsString(), "7");

  try {
    query.Params().Item(2);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(query.Params().ParamByName("c"), EDatabaseError);
  EXPECT_EQ(query.Params().FindParam("c"), nullptr);
}

TEST(AccessLayer, ConnectingAndOpeningFailClosingSucceeds) {
  TComponent owner("DialogForm");
  auto& ado = CreateOwned<TADOConnection>(owner, "Database1");
  auto& ib = CreateOwned<TIBDatabase>(owner, "Database2");
  auto& dbx = CreateOwned<TSQLConnection>(owner, "Database3");
  for (TCustomConnection* connection :
       {static_cast<TCustomConnection*>(&ado), static_cast<TCustomConnection*>(&ib),
        static_cast<TCustomConnection*>(&dbx)}) {
    EXPECT_TRUE(connection->LoginPrompt);
    try {
      connection->SetConnected(true);
      FAIL() << connection->Name;
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot connect " + connection->Name +
                                           ": database access is not available in this build");
    }
    EXPECT_FALSE(connection->Connected());
    EXPECT_NO_THROW(connection->SetConnected(false));
  }
  EXPECT_EQ(ib.SQLDialect, 3);

  auto& table = CreateOwned<TADOTable>(owner, "Table1");
  EXPECT_TRUE(table.EnableBCD);
  std::vector<std::string> events;
  table.BeforeOpen = [&](TDataSet& d) { events.push_back("before " + d.Name); };
  try {
    table.SetActive(true);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot open Table1: database access is not available in this build");
  }
  EXPECT_EQ(events, (std::vector<std::string>{"before Table1"}));
  EXPECT_FALSE(table.Active());
  EXPECT_NO_THROW(table.SetActive(false));

  // A dataset that was never open: every move fails, and it stands at its end.
  EXPECT_THROW(table.First(), EDatabaseError);
  EXPECT_THROW(table.Next(), EDatabaseError);
  EXPECT_THROW(table.Prior(), EDatabaseError);
  EXPECT_THROW(table.GetBookmark(), EDatabaseError);
  EXPECT_THROW(table.GotoBookmark(TBookmark{1}), EDatabaseError);
  EXPECT_TRUE(table.Eof());
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_EQ(table.CompareBookmarks(TBookmark{1}, TBookmark{1}), 0);
}

TEST(AccessLayer, LinksAreClearedWhenTheirTargetGoes) {
  TComponent owner("DialogForm");
  auto& table = CreateOwned<TIBTable>(owner, "Table1");
  auto& master = CreateOwned<TIBTable>(owner, "Master");
  auto& source = CreateOwned<TDataSource>(owner, "SMaster");
  auto& database = CreateOwned<TIBDatabase>(owner, "Database1");
  auto& transaction = CreateOwned<TIBTransaction>(owner, "Transaction1");
  auto& query = CreateOwned<TIBQuery>(owner, "Query1");

  // A connection of another access layer does not fit.
  TADOConnection foreign("Foreign");
  EXPECT_THROW(table.SetConnection(&foreign), EDatabaseError);
  EXPECT_EQ(table.Connection(), nullptr);

  table.SetConnection(&database);
  query.SetConnection(&database);
  database.SetDefaultTransaction(&transaction);
  EXPECT_EQ(transaction.DefaultDatabase(), &database);
  source.SetDataSet(&master);
  table.SetMasterSource(&source);
  query.SetDataSource(&source);
  TField& lookup = table.CreateField(table.FieldDefs.Add("Title", TFieldType::ftString, 30));
  lookup.SetLookup(true);
  lookup.SetLookupDataSet(&master);
  EXPECT_EQ(lookup.FieldKind, TFieldKind::fkLookup);

  FreeOwned(&master);
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_EQ(lookup.LookupDataSet(), nullptr);
  EXPECT_EQ(table.MasterSource(), &source);
  FreeOwned(&source);
  EXPECT_EQ(table.MasterSource(), nullptr);
  EXPECT_EQ(query.DataSource(), nullptr);
  FreeOwned(&transaction);
  EXPECT_EQ(database.DefaultTransaction(), nullptr);
  FreeOwned(&database);
  EXPECT_EQ(table.Connection(), nullptr);
  EXPECT_EQ(query.Connection(), nullptr);
}

TEST(AccessLayer, FieldNamesComeFromPersistentFieldsElseFromDefinitions) {
  TComponent owner("DialogForm");
  auto& table = CreateOwned<TSQLTable>(owner, "Table1");
  EXPECT_TRUE(table.FieldNames().empty());
  table.FieldDefs.Add("Id", TFieldType::ftInteger);
  TFieldDef& name = table.FieldDefs.Add("Name", TFieldType::ftString, 40, true);
  EXPECT_EQ(table.FieldNames(), (Names{"Id", "Name"}));
  EXPECT_TRUE(table.HasFieldName("ID"));
  EXPECT_EQ(table.FieldDefs.IndexOf("name"), 1);

  TField& field = table.CreateField(name);
  EXPECT_EQ(field.Size, 40);
  EXPECT_TRUE(field.Required);
  EXPECT_EQ(&field.DataSet(), &table);
  EXPECT_EQ(table.FieldNames(), (Names{"Name"}));
  EXPECT_FALSE(table.HasFieldName("Id"));
  EXPECT_EQ(table.FindField("NAME"), &field);
  EXPECT_THROW(table.FieldByName("Id"), EDatabaseError);
  EXPECT_THROW(table.FieldDefs.Item(2), EListError);
}

TEST(AccessLayer, FieldTypesByOrdinal) {
  EXPECT_EQ(FieldTypeName(TFieldType::ftUnknown), "ftUnknown");
  EXPECT_EQ(FieldTypeName(TFieldType::ftInteger), "ftInteger");
  EXPECT_EQ(FieldTypeName(TFieldType::ftLargeint), "ftLargeint");
  EXPECT_EQ(FieldTypeName(TFieldType::ftFMTBcd), "ftFMTBcd");
  EXPECT_EQ(FieldTypeFromOrdinal(3), TFieldType::ftInteger);
  EXPECT_EQ(FieldTypeFromOrdinal(25), TFieldType::ftLargeint);
  EXPECT_EQ(FieldTypeFromOrdinal(37), TFieldType::ftFMTBcd);
  EXPECT_EQ(FieldTypeFromOrdinal(38), std::nullopt);
  EXPECT_EQ(FieldTypeFromOrdinal(-1), std::nullopt);
}

}  // namespace
}  // namespace kv
