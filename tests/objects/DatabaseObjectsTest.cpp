// Tests of the database objects: each family's payload with its version-gated fields present and
// absent, the field and parameter lists, connected databases and over-long parameter lists,
// relinking after the load, saved record versions, the document elements with the parameter
// block, and the document writer's rewrite of a variable naming a query's field.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/Errors.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Page.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "objects/DatabaseObjects.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"
#include "writer/DocumentWriter.h"

namespace kv {
namespace {

using test::Document;
using test::Losses;
using test::PropertyNames;
using test::Saved;

using test::TBytes;
using test::TTestContext;
using TLines = std::vector<std::string>;

// The common record at Left 40, Top 24: version 23 without record version, 24 and up with it.
TBytes CommonRecord(const std::string& name, int version, int major = 2, int minor = 0) {
  TBytes b;
  b.Str(name);
  if (version >= 24) b.Byte(major).Byte(minor);
  b.Int(40).Int(24).Int(28).Int(28).Word(0x4001).Word(0).Int(1).Int(0).Word(0).Int(clBtnFace);
  b.Int(0x022E).Str("").Word(0).Byte(0);  // FormatCode (decimal point), FormatText, Memo
  b.Word(0).Byte(0).Word(0xFFFF);         // ScriptLines, Visible
  if (version >= 24) b.Word(0).Str("").Int(2).Int(1);
  if (version >= 24 && major > 1) b.Byte(0);  // BandAlign
  return b;
}

// A plain field entry and a lookup field entry of the field list.
TBytes& Field(TBytes& b, int type, const std::string& name, int size) {
  return b.Byte(type).Str(name).Byte(0).Word(size);
}
TBytes& LookupField(TBytes& b, const std::string& name, const std::string& dataset) {
  return b.Byte(1).Str(name).Byte(1).Word(30).Str("CustNo").Str(dataset).Str("Id").Str("Company");
}

// One line of a memo: word length and the bytes; the caller adds the byte that follows.
TBytes& Line(TBytes& b, const std::string& text) {
  return b.Word(static_cast<int>(text.size())).Raw(text);
}

// Loads bytes into view and returns how many were left unread (a sentinel byte is appended).
std::int64_t LoadInto(TkvView& view, const std::string& bytes) {
  TMemoryStream stream(bytes + "\x5A");
  view.LoadLegacy(stream);
  view.AssignProperty("Name", view.Name);
  return stream.Remaining();
}

// What the element holds after the position block "pLeft" 40, "pTop" 24 (the Propdata value's
// remaining hex digits, its closing quote and the class attributes).
std::string AfterPosition(TkvView& view) {
  const std::string element = Document(view);
  const std::string key = " Propdata=\"05704C65667402280470546F700218";
  const std::size_t at = element.find(key);
  if (at == std::string::npos) return "<no position block>";
  return element.substr(at + key.size());
}

TEST(DatabaseObjectsTest, EachClassDeclaresItsFamilysNames) {
  TConversionContext context;
  TkvADOTable adoTable(context);
  EXPECT_EQ(PropertyNames(adoTable),
            (TLines{"Name", "Restrictions", "Active", "Database", "Fields", "FieldCount", "Filter",
                    "EOF", "RecordCount", "IsEmpty", "EnableBCD", "IndexName", "MasterFields",
                    "MasterSource", "TableName"}));
  TkvDBXQuery dbxQuery(context);
  EXPECT_EQ(PropertyNames(dbxQuery),
            (TLines{"Name", "Restrictions", "Active", "Database", "Fields", "FieldCount", "EOF",
                    "RecordCount", "IsEmpty", "DataSource", "Params", "SQL", "SQL.Count"}));
  TkvIBXTable ibxTable(context);
  EXPECT_EQ(PropertyNames(ibxTable)[10], "IndexName");
  EXPECT_EQ(PropertyNames(ibxTable)[11], "IndexFieldNames");
  TkvIBXDatabase ibx(context);
  EXPECT_EQ(PropertyNames(ibx), (TLines{"Name", "Restrictions", "Connected", "LoginPrompt",
                                        "DatabaseName", "Params", "Params.Count", "SQLDialect"}));
  TkvDBXDatabase dbx(context);
  EXPECT_EQ(PropertyNames(dbx), (TLines{"Name", "Restrictions", "Connected", "LoginPrompt",
                                        "ConnectionName", "DriverName", "Params", "Params.Count"}));
}

// Renaming keeps the data source and report dataset named after the object; "Filter" switches
// filtering with its trimmed text.
TEST(DatabaseObjectsTest, NameAndFilterReachThePlatformComponents) {
  TConversionContext context;
  TkvIBXQuery query(context);
  EXPECT_EQ(query.NamePrefix, "Query");
  EXPECT_EQ(query.Flags & 0x4000, 0x4000);
  query.AssignProperty("name", std::string("Q7"));
  EXPECT_EQ(query.Query().Name, "Q7");
  EXPECT_EQ(query.PlatformSource()->Name, "SQ7");
  EXPECT_EQ(query.ReportDataset()->Name, "_Q7");
  EXPECT_EQ(context.HostForm().FindComponent("_Q7"), query.ReportDataset());
  query.AssignProperty("Filter", std::string(" \t "));
  EXPECT_FALSE(query.Query().Filtered);
  query.AssignProperty("Filter", std::string("X=1"));
  EXPECT_TRUE(query.Query().Filtered);
  query.AssignProperty("SQL", std::string("SELECT :A,\r\n:B"));
  EXPECT_EQ(query.QueryProperty("SQL.Count"), TVariant(std::int64_t{2}));
  EXPECT_EQ(query.Query().Params().Count(), 2);
}

TEST(DatabaseObjectsTest, LossesNameWhatTheElementDrops) {
  TTestContext context(25);
  TkvADOTable plain(context);
  EXPECT_TRUE(Losses(plain).empty());

  TBytes b = CommonRecord("Orders", 25, 2, 2);
  b.Str("Nowhere").Str("").Str("").Str("").Str("").Str("T").Byte(1).Byte(1).Word(1);
  Field(b, 3, "Id", 0);
  TkvADOTable table(context);
  ASSERT_EQ(LoadInto(table, b.Data), 1);
  EXPECT_EQ(Losses(table),
            (TLines{"its 1 persistent field(s) are not carried into the document",
                    "a dataset stored as open could not be opened during conversion and is "
                    "written closed",
                    "its database \"Nowhere\" names no database object of the report"}));
}

// ---- Tables -------------------------------------------------------------------------------------

TEST(DatabaseObjectsTest, AdoTableReadsEnableBcdOnlyFromRecordsOfMinorTwo) {
  const struct {
    int Version, Minor;
    bool WithBcd;
  } cases[] = {{23, 0, false}, {24, 1, false}, {25, 2, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Version);
    TTestContext context(c.Version);
    TkvADODatabase database(context);
    database.AssignProperty("Name", std::string("Conn1"));
    TBytes b = CommonRecord("Orders", c.Version, 2, c.Minor);
    b.Str("Conn1").Str("  Total > 5 ").Str("ByDate").Str("CustNo").Str("").Str("ORDERS");
    b.Byte(1);                 // Active
    if (c.WithBcd) b.Byte(1);  // EnableBCD
    b.Word(2);                 // field list
    Field(b, 3, "OrderNo", 0);
    LookupField(b, "Customer", "Missing");
    TkvADOTable table(context);
    EXPECT_EQ(LoadInto(table, b.Data), 1);
    TADOTable& platform = static_cast<TADOTable&>(table.Table());
    EXPECT_EQ(platform.Connection(), database.PlatformConnection());
    EXPECT_EQ(platform.Filter, "  Total > 5 ");
    EXPECT_TRUE(platform.Filtered);
    EXPECT_EQ(platform.IndexName, "ByDate");
    EXPECT_EQ(platform.MasterFields, "CustNo");
    EXPECT_EQ(platform.MasterSource(), nullptr);
    EXPECT_EQ(platform.TableName, "ORDERS");
    EXPECT_EQ(platform.EnableBCD, c.WithBcd);
    // The stored open state is kept for AfterLoad; opening failed and was ignored.
    EXPECT_FALSE(platform.Active());
    ASSERT_EQ(platform.Fields().size(), 2u);
    EXPECT_EQ(platform.Fields()[0]->FieldName, "OrderNo");
    EXPECT_EQ(platform.Fields()[0]->DataType, TFieldType::ftInteger);
    const TField& lookup = *platform.Fields()[1];
    EXPECT_TRUE(lookup.Lookup());
    EXPECT_EQ(lookup.Size, 30);
    EXPECT_EQ(lookup.KeyFields, "CustNo");
    EXPECT_EQ(lookup.LookupDataSet(), nullptr);  // names no component: no link, no error
    EXPECT_EQ(lookup.LookupKeyFields, "Id");
    EXPECT_EQ(lookup.LookupResultField, "Company");
    // The name reaches the platform components.
    EXPECT_EQ(platform.Name, "Orders");
    EXPECT_EQ(table.PlatformSource()->Name, "SOrders");
    EXPECT_EQ(table.ReportDataset()->Name, "_Orders");
    EXPECT_EQ(table.ReportDataset()->BoundDatasetOrNone(), &platform);
  }
}

TEST(DatabaseObjectsTest, IbxAndDbxTablesReadTheirOwnFieldOrder) {
  TTestContext context(25);
  {
    TBytes b = CommonRecord("T", 25);
    b.Str("").Str("PARTS").Str("").Str("Idx").Str("PartNo;Name").Str("").Str("").Byte(0).Word(0);
    TkvIBXTable table(context);
    EXPECT_EQ(LoadInto(table, b.Data), 1);
    EXPECT_EQ(table.Table().TableName, "PARTS");
    EXPECT_EQ(table.Table().Filter, "");
    EXPECT_FALSE(table.Table().Filtered);
    EXPECT_EQ(table.Table().IndexName, "Idx");
    EXPECT_EQ(table.Table().IndexFieldNames, "PartNo;Name");
  }
  {
    TBytes b = CommonRecord("T", 25);
    b.Str("").Str("PARTS").Str("Idx").Str("PartNo").Str("M").Str("").Byte(0).Word(0);
    TkvDBXTable table(context);
    EXPECT_EQ(LoadInto(table, b.Data), 1);
    EXPECT_EQ(table.Table().TableName, "PARTS");
    EXPECT_EQ(table.Table().IndexName, "Idx");
    EXPECT_EQ(table.Table().IndexFieldNames, "PartNo");
    EXPECT_EQ(table.Table().MasterFields, "M");
  }
}

// A field type this program does not name is written back as stored.
TEST(DatabaseObjectsTest, UnknownFieldTypeOrdinalIsKept) {
  TTestContext context(25);
  TBytes b = CommonRecord("T", 25);
  b.Str("").Str("").Str("").Str("").Str("").Str("").Byte(0).Word(1);
  Field(b, 40, "Geo", 8);
  TkvDBXTable table(context);
  ASSERT_EQ(LoadInto(table, b.Data), 1);
  EXPECT_EQ(Saved(table).substr(b.Data.size() - 15), b.Data.substr(b.Data.size() - 15));
}

TEST(DatabaseObjectsTest, FieldCountBeyondTheRecordFailsBeforeReading) {
  TTestContext context(25);
  TBytes b = CommonRecord("T", 25);
  b.Str("").Str("").Str("").Str("").Str("").Str("").Byte(0).Byte(1).Word(0xFFFF);
  TkvADOTable table(context);
  TMemoryStream stream(b.Data);
  EXPECT_THROW(table.LoadLegacy(stream), EReadError);
  EXPECT_TRUE(table.Table().Fields().empty());
}

// A master dataset and a lookup dataset stored after the table are linked once the page is read.
TEST(DatabaseObjectsTest, AfterLoadLinksMasterAndLookupDatasetsStoredLater) {
  TTestContext context(25);
  TkvADOTable orders(context);
  TBytes b = CommonRecord("Orders", 25, 2, 2);
  b.Str("Conn1").Str("").Str("").Str("CustNo").Str("Customers").Str("ORDERS").Byte(1).Byte(0);
  b.Word(1);
  LookupField(b, "Company", "Customers");
  ASSERT_EQ(LoadInto(orders, b.Data), 1);
  EXPECT_EQ(orders.Table().MasterSource(), nullptr);
  EXPECT_EQ(orders.Table().Connection(), nullptr);

  TkvADOTable customers(context);
  customers.AssignProperty("Name", std::string("Customers"));
  TkvADODatabase database(context);
  database.AssignProperty("Name", std::string("Conn1"));
  orders.AfterLoad();

  EXPECT_EQ(orders.Table().MasterSource(), customers.PlatformSource());
  EXPECT_EQ(orders.Table().Fields()[0]->LookupDataSet(), customers.PlatformDataset());
  EXPECT_EQ(orders.Table().Connection(), database.PlatformConnection());
  EXPECT_EQ(orders.QueryProperty("MasterSource"), TVariant(std::string("Customers")));
  EXPECT_EQ(orders.QueryProperty("database"), TVariant(std::string("Conn1")));
  // AfterLoad of an object that was not loaded keeps the links it was given.
  customers.Table().SetMasterSource(orders.PlatformSource());
  customers.AfterLoad();
  EXPECT_EQ(customers.Table().MasterSource(), orders.PlatformSource());
  // A connection of another layer is never linked.
  TkvIBXDatabase other(context);
  orders.AssignProperty("Database", other.Name);
  EXPECT_EQ(orders.Table().Connection(), nullptr);
}

TEST(DatabaseObjectsTest, TablesSaveTheirRecordVersionAndReadBack) {
  TTestContext context(25);
  TkvADOTable customers(context);
  customers.AssignProperty("Name", std::string("Customers"));
  TkvADOTable table(context);
  table.Left = 40;
  table.Top = 24;
  table.FormatCode = 0x022E;
  table.AssignProperty("Name", std::string("Orders"));
  table.AssignProperty("Filter", std::string("A=1"));
  table.AssignProperty("TableName", std::string("ORDERS"));
  table.AssignProperty("MasterSource", std::string("Customers"));
  table.AssignProperty("EnableBCD", true);
  TFieldDef& def = table.Table().FieldDefs.Add("Company", TFieldType::ftString, 30);
  TField& field = table.Table().CreateField(def);
  field.SetLookup(true);
  field.SetLookupDataSet(customers.PlatformDataset());

  const std::string bytes = Saved(table);
  EXPECT_EQ(table.RecordMajor, 2);
  EXPECT_EQ(table.RecordMinor, 2);
  TBytes expected = CommonRecord("Orders", 25, 2, 2);
  expected.Str("").Str("A=1").Str("").Str("").Str("Customers").Str("ORDERS").Byte(0).Byte(1);
  expected.Word(1).Byte(1).Str("Company").Byte(1).Word(30).Str("").Str("Customers").Str("").Str("");
  EXPECT_EQ(bytes, expected.Data);

  TkvADOTable copy(context);
  EXPECT_EQ(LoadInto(copy, bytes), 1);
  EXPECT_EQ(Saved(copy), bytes);
}

TEST(DatabaseObjectsTest, TableElementsWriteTheDatasetPartAndMasterOnlyWhenLinked) {
  TConversionContext context;
  TkvADOTable customers(context);
  customers.AssignProperty("Name", std::string("Customers"));
  TkvADODatabase database(context);
  database.AssignProperty("Name", std::string("Conn1"));

  TkvADOTable table(context);
  table.Left = 40;
  table.Top = 24;
  table.AssignProperty("Name", std::string("Orders"));
  table.AssignProperty("IndexName", std::string("By<Date>"));
  table.AssignProperty("TableName", std::string("ORDERS"));
  table.AssignProperty("MasterFields", std::string("CustNo"));
  EXPECT_EQ(AfterPosition(table),
            "\" Filter=\"\" IndexName=\"By&#60;Date&#62;\" TableName=\"ORDERS\"");
  EXPECT_TRUE(Document(table).starts_with("<TkvxADOTable "));

  table.AssignProperty("Database", std::string("Conn1"));
  table.AssignProperty("Filter", std::string("A=\"1\""));
  table.AssignProperty("MasterSource", std::string("Customers"));
  EXPECT_EQ(AfterPosition(table),
            "\" Database=\"Conn1\" Filter=\"A=&#34;1&#34;\" IndexName=\"By&#60;Date&#62;\" "
            "TableName=\"ORDERS\" Master=\"dbCustomers\" MasterFields=\"CustNo\"");

  TkvIBXTable ibx(context);
  ibx.Left = 40;
  ibx.Top = 24;
  ibx.AssignProperty("TableName", std::string("PARTS"));
  EXPECT_EQ(AfterPosition(ibx), "\" Filter=\"\" IndexName=\"\" TableName=\"PARTS\"");
  TkvDBXTable dbx(context);
  dbx.Left = 40;
  dbx.Top = 24;
  dbx.AssignProperty("TableName", std::string("PARTS"));
  EXPECT_EQ(AfterPosition(dbx), "\"");
  EXPECT_EQ(Losses(dbx), (TLines{"its table name, index and master link are not carried into the "
                                 "document"}));
}

// ---- Queries ------------------------------------------------------------------------------------

TBytes QueryRecord(int minor, bool withBcd, int paramCount) {
  TBytes b = CommonRecord("Query1", 25, 2, minor);
  b.Str("").Str("").Str("");  // Database, Filter, DataSource
  b.Word(2);
  Line(b, "SELECT * FROM T WHERE").Byte(1);
  Line(b, "Id = :Id AND Since > :From").Byte(0);
  b.Byte(1);               // Active
  if (withBcd) b.Byte(0);  // EnableBCD
  b.Word(0);               // fields
  b.Word(paramCount);
  if (paramCount > 0) b.Word(5).Word(0x0101).Str("[Code]");   // Id: ftInteger, value
  if (paramCount > 1) b.Word(3).Word(0x0100).Str("ignored");  // From: ftDate, master
  if (paramCount > 2) b.Word(8).Word(1).Str("[X]");
  return b;
}

TEST(DatabaseObjectsTest, AdoQueryReadsParametersAgainstItsSql) {
  TTestContext context(25);
  for (const int minor : {0, 2}) {
    SCOPED_TRACE(minor);
    TkvADOQuery query(context);
    EXPECT_EQ(LoadInto(query, QueryRecord(minor, minor >= 2, 2).Data), 1);
    TADOQuery& platform = static_cast<TADOQuery&>(query.Query());
    EXPECT_EQ(platform.SQL(), (TLines{"SELECT * FROM T WHERE", "Id = :Id AND Since > :From"}));
    EXPECT_EQ(platform.EnableBCD, false);
    ASSERT_EQ(platform.Params().Count(), 2);
    const TParam& id = platform.Params().Item(0);
    EXPECT_EQ(id.DataType, TFieldType::ftInteger);
    EXPECT_EQ(id.Attributes, paNullable);
    const TParam& from = platform.Params().Item(1);
    EXPECT_EQ(from.DataType, TFieldType::ftDate);
    EXPECT_EQ(from.Attributes, 0);
    EXPECT_EQ(query.ParamValues.Count(), 1);
    EXPECT_EQ(query.ParamValues.GetVariable("Id"), TVariant(std::string("[Code]")));
    // Opening failed, but the before-open hook gave the value parameter its placeholder.
    EXPECT_EQ(id.AsString(), "0");
  }
}

TEST(DatabaseObjectsTest, IbxAndDbxQueriesMarkParameterKindsByTheBoundFlag) {
  TTestContext context(25);
  TkvIBXQuery ibx(context);
  TBytes b = CommonRecord("Q", 25);
  b.Str("").Str("").Str("").Word(1).Word(8).Raw("WHERE :A").Byte(0).Byte(0).Word(0);
  b.Word(1).Word(9).Word(1).Str("[T]");
  EXPECT_EQ(LoadInto(ibx, b.Data), 1);
  EXPECT_TRUE(ibx.Query().Params().Item(0).Bound);
  EXPECT_EQ(ibx.Query().Params().Item(0).DataType, TFieldType::ftTime);

  TkvDBXQuery dbx(context);
  TBytes d = CommonRecord("Q", 25);
  d.Str("").Str("").Word(1).Word(8).Raw("WHERE :A").Byte(0).Byte(0).Word(0);
  d.Word(1).Word(12).Word(0).Str("");
  EXPECT_EQ(LoadInto(dbx, d.Data), 1);
  EXPECT_FALSE(dbx.Query().Params().Item(0).Bound);
  // An index outside the table leaves the type as the SQL text gave it.
  EXPECT_EQ(dbx.Query().Params().Item(0).DataType, TFieldType::ftUnknown);
  EXPECT_EQ(AfterPosition(dbx), "\"");
}

TEST(DatabaseObjectsTest, StoredParameterListLongerThanTheSqlFailsTheRecord) {
  TTestContext context(25);
  TkvADOQuery query(context);
  TMemoryStream stream(QueryRecord(2, true, 3).Data);
  EXPECT_THROW(query.LoadLegacy(stream), EListError);
  // The values read before the failure stay.
  EXPECT_EQ(query.ParamValues.GetVariable("Id"), TVariant(std::string("[Code]")));
}

TEST(DatabaseObjectsTest, QueriesSaveTheirParametersAndReadBack) {
  TTestContext context(25);
  TkvADOQuery query(context);
  ASSERT_EQ(LoadInto(query, QueryRecord(0, false, 2).Data), 1);
  query.Query().Params().Item(1).DataType = TFieldType::ftLargeint;
  const std::string bytes = Saved(query);
  EXPECT_EQ(query.RecordMinor, 2);
  // Tail: Active, EnableBCD, no fields, two parameters (the second with index 11).
  TBytes tail;
  tail.Byte(0).Byte(0).Word(0).Word(2).Word(5).Word(1).Str("[Code]").Word(11).Word(0).Str("");
  EXPECT_TRUE(bytes.ends_with(tail.Data));
  TkvADOQuery copy(context);
  EXPECT_EQ(LoadInto(copy, bytes), 1);
  EXPECT_EQ(Saved(copy), bytes);
}

TEST(DatabaseObjectsTest, QueryElementAppendsTheParameterBlockToPropdata) {
  TConversionContext context;
  TkvADOQuery query(context);
  query.Left = 40;
  query.Top = 24;
  query.AssignProperty("SQL", std::string("SELECT * FROM T\r\nWHERE Id = :Id"));
  TParam& id = query.Query().Params().Item(0);
  id.DataType = TFieldType::ftInteger;
  id.Attributes = paNullable;
  query.ParamValues.SetVariable("Id", std::string("[Code]"));
  // "Params", collection, item: "Name" 'Id', "DataType" ftInteger, "Expression" '[Code]'.
  const std::string block =
      "06506172616D730E01"
      "044E616D65"
      "0602"
      "4964"
      "084461746154797065"
      "07"
      "09"
      "6674496E7465676572"
      "0A45787072657373696F6E"
      "0606"
      "5B436F64655D"
      "0000";
  EXPECT_EQ(
      AfterPosition(query),
      block + "\" Filter=\"\" SQL.text=\"SELECT * FROM T&#13;&#10;WHERE Id = :Id&#13;&#10;\"");

  TkvIBXQuery plain(context);
  plain.Left = 40;
  plain.Top = 24;
  plain.AssignProperty("SQL", std::string("SELECT 1"));
  EXPECT_EQ(AfterPosition(plain), "\" Filter=\"\" SQL.text=\"SELECT 1&#13;&#10;\"");
}

// ---- Databases ----------------------------------------------------------------------------------

TEST(DatabaseObjectsTest, IbxDatabaseReadsSqlDialectFromRecordsAbove20) {
  for (const int minor : {0, 1}) {
    SCOPED_TRACE(minor);
    TTestContext context(25);
    TBytes b = CommonRecord("Db", 25, 2, minor);
    b.Str("server:/data/x.gdb").Byte(0);
    if (minor == 1) b.Int(1);
    b.Word(1).Word(9).Raw("user=SYS1").Byte(0).Byte(0);
    TkvIBXDatabase database(context);
    EXPECT_EQ(LoadInto(database, b.Data), 1);
    EXPECT_EQ(database.Connection().DatabaseName, "server:/data/x.gdb");
    EXPECT_FALSE(database.Connection().LoginPrompt);
    EXPECT_EQ(database.Connection().SQLDialect, minor == 1 ? 1 : 3);
    EXPECT_EQ(database.Connection().Params, (TLines{"user=SYS1"}));
  }
}

TEST(DatabaseObjectsTest, DatabasesSaveTheirRecordVersions) {
  TTestContext context(25);
  TkvIBXDatabase ibx(context);
  ibx.Left = 40;
  ibx.Top = 24;
  ibx.FormatCode = 0x022E;
  ibx.AssignProperty("Name", std::string("Db"));
  ibx.Connection().SQLDialect = 1;
  const std::string bytes = Saved(ibx);
  EXPECT_EQ(ibx.RecordMinor, 1);
  TBytes expected = CommonRecord("Db", 25, 2, 1);
  expected.Str("").Byte(1).Int(1).Word(0).Byte(0).Byte(0);
  EXPECT_EQ(bytes, expected.Data);

  TkvADODatabase ado(context);
  ado.AssignProperty("Name", std::string("Db"));
  Saved(ado);
  EXPECT_EQ(ado.RecordMinor, 0);
}

TEST(DatabaseObjectsTest, DbxDatabaseKeepsTheDriverWhenTheRecordHoldsNone) {
  TTestContext context(25);
  TkvDBXDatabase database(context);
  database.Connection().DriverName = "Native";
  TBytes b = CommonRecord("Db", 25);
  b.Str("Conn").Str("").Byte(1).Word(0).Byte(0).Byte(0);
  EXPECT_EQ(LoadInto(database, b.Data), 1);
  EXPECT_EQ(database.Connection().ConnectionName, "Conn");
  EXPECT_EQ(database.Connection().DriverName, "Native");
  database.Left = 40;
  database.Top = 24;
  EXPECT_EQ(AfterPosition(database), "\"");
  EXPECT_EQ(Losses(database).size(), 1u);
}

TEST(DatabaseObjectsTest, DatabaseStoredAsConnectedStopsAtTheConnectedByte) {
  TTestContext context(25);
  TkvADODatabase database(context);
  TBytes b = CommonRecord("Db", 25);
  b.Str("Provider=X").Byte(1).Byte(1).Raw("trailing");
  TMemoryStream stream(b.Data);
  EXPECT_THROW(database.LoadLegacy(stream), EDatabaseError);
  EXPECT_EQ(stream.Remaining(), 8);
  EXPECT_EQ(database.Connection().ConnectionString, "Provider=X");
  EXPECT_EQ(Losses(database),
            (TLines{"a database stored as connected could not be connected during conversion, "
                    "so the rest of its record was not read"}));
}

TEST(DatabaseObjectsTest, DatabaseElementsWriteLoginPromptOnlyWhenOff) {
  TConversionContext context;
  TkvADODatabase ado(context);
  ado.Left = 40;
  ado.Top = 24;
  ado.Connection().ConnectionString = "Provider=A;Data Source=\"x\"";
  EXPECT_EQ(AfterPosition(ado), "\" DatabaseName=\"Provider=A;Data Source=&#34;x&#34;\"");
  ado.Connection().LoginPrompt = false;
  EXPECT_EQ(AfterPosition(ado),
            "\" DatabaseName=\"Provider=A;Data Source=&#34;x&#34;\" LoginPrompt=\"False\"");

  TkvIBXDatabase ibx(context);
  ibx.Left = 40;
  ibx.Top = 24;
  ibx.Connection().DatabaseName = "x.gdb";
  ibx.Connection().Params = {"a=1", "b=2"};
  ibx.Connection().LoginPrompt = false;
  EXPECT_EQ(
      AfterPosition(ibx),
      "\" DatabaseName=\"x.gdb\" LoginPrompt=\"False\" Params.text=\"a=1&#13;&#10;b=2&#13;&#10;\" "
      "SQLDialect=\"3\"");
  EXPECT_TRUE(Document(ibx).starts_with("<TkvxIBXDatabase "));
}

// ---- Registration and the document's variables --------------------------------------------------

// The add-in registry lists the dialog controls, then the database objects of the three access
// layers, in the registry's order.
TEST(DatabaseObjectsTest, FamiliesRegisterInTheOrderOfTheRegistry) {
  TConversionContext context;
  const TLines expected{
      "TkvLabelControl",    "TkvEditControl",        "TkvMemoControl",    "TkvButtonControl",
      "TkvCheckBoxControl", "TkvRadioButtonControl", "TkvListBoxControl", "TkvComboBoxControl",
      "TkvDateEditControl", "TkvDBLookupControl",    "TkvDBXTable",       "TkvDBXQuery",
      "TkvDBXDatabase",     "TkvIBXTable",           "TkvIBXQuery",       "TkvIBXDatabase",
      "TkvADOTable",        "TkvADOQuery",           "TkvADODatabase"};
  TLines names;
  for (const auto& info : AddIns()) {
    if (info.IsControl) names.push_back(info.Class->Name);
  }
  EXPECT_EQ(names, expected);
  EXPECT_EQ(CreateReportObject(context, TypeAddIn, "TkvIBXQuery")->ClassName(), "TkvIBXQuery");
}

// A variable naming a field of a query object becomes a reference through its report dataset.
TEST(DatabaseObjectsTest, DocumentVariableNamingAQueryFieldIsRewritten) {
  TConversionContext context;
  TkvADOQuery query(context);
  query.AssignProperty("Name", std::string("Query1"));
  query.Query().CreateField(query.Query().FieldDefs.Add("Id", TFieldType::ftInteger));
  TkvReport report(context, "R");
  report.Dictionary.VariableList.SetVariable("V", std::string("DialogForm.Query1.\"Id\""));
  report.Dictionary.VariableList.SetVariable("W", std::string("DialogForm.Query1.\"No\""));
  const std::string block = ReportPropertyBlock(report);
  const auto text = [](const std::string& s) {
    return "\x06" + std::string(1, char(s.size())) + s;
  };
  EXPECT_NE(block.find(text("_Query1")), std::string::npos);
  EXPECT_NE(block.find(text("<Query1.\"Id\">")), std::string::npos);
  EXPECT_NE(block.find(text("DialogForm.Query1.\"No\"")), std::string::npos);
}

// A whole report saved and read back: the table's connection, master dataset and lookup dataset
// are stored after it in the file, and are linked once the page is read.
TEST(DatabaseObjectsTest, ReportReadBackRelinksObjectsStoredLaterInTheFile) {
  TConversionContext context;
  std::string bytes;
  {
    TkvReport source(context, "R");
    TkvPage& page = source.Pages.AddPage();
    page.PageType = ptDialog;
    auto orders = std::make_unique<TkvADOTable>(context);
    auto customers = std::make_unique<TkvADOTable>(context);
    auto database = std::make_unique<TkvADODatabase>(context);
    customers->AssignProperty("Name", std::string("Customers"));
    database->AssignProperty("Name", std::string("Conn1"));
    orders->AssignProperty("Name", std::string("Orders"));
    orders->AssignProperty("Database", std::string("Conn1"));
    orders->AssignProperty("MasterSource", std::string("Customers"));
    TField& field = orders->Table().CreateField(
        orders->Table().FieldDefs.Add("Company", TFieldType::ftString, 30));
    field.SetLookup(true);
    field.SetLookupDataSet(customers->PlatformDataset());
    page.ObjectList.push_back(std::move(orders));
    page.ObjectList.push_back(std::move(customers));
    page.ObjectList.push_back(std::move(database));
    TMemoryStream stream;
    source.SaveReportStream(stream);
    bytes = stream.Bytes();
  }
  TkvReport loaded(context, "R");
  TMemoryStream stream(bytes);
  loaded.LoadReportStream(stream);
  ASSERT_TRUE(loaded.LastLoad.Read());
  EXPECT_TRUE(loaded.LastLoad.Skipped.empty());
  ASSERT_EQ(loaded.Pages.Item(0).ObjectList.size(), 3u);
  auto& orders = dynamic_cast<TkvADOTable&>(*loaded.Pages.Item(0).ObjectList[0]);
  auto& customers = dynamic_cast<TkvADOTable&>(*loaded.Pages.Item(0).ObjectList[1]);
  auto& database = dynamic_cast<TkvADODatabase&>(*loaded.Pages.Item(0).ObjectList[2]);
  EXPECT_EQ(orders.Table().Connection(), database.PlatformConnection());
  EXPECT_EQ(orders.Table().MasterSource(), customers.PlatformSource());
  ASSERT_EQ(orders.Table().Fields().size(), 1u);
  EXPECT_EQ(orders.Table().Fields()[0]->LookupDataSet(), customers.PlatformDataset());
}

// In a whole report, the record of a database stored as connected ends at its Connected byte;
// the page loader goes on with the next record, which still links to it.
TEST(DatabaseObjectsTest, ReportWithAConnectedDatabaseGoesOnWithTheNextRecord) {
  TConversionContext context;
  std::string bytes;
  {
    TkvReport source(context, "R");
    TkvPage& page = source.Pages.AddPage();
    page.PageType = ptDialog;
    auto database = std::make_unique<TkvADODatabase>(context);
    database->AssignProperty("Name", std::string("Conn1"));
    database->Connection().ConnectionString = "Provider=Only";
    auto table = std::make_unique<TkvADOTable>(context);
    table->AssignProperty("Name", std::string("Orders"));
    table->AssignProperty("Database", std::string("Conn1"));
    page.ObjectList.push_back(std::move(database));
    page.ObjectList.push_back(std::move(table));
    TMemoryStream stream;
    source.SaveReportStream(stream);
    bytes = stream.Bytes();
  }
  // The connection string, its closing byte, LoginPrompt, then Connected.
  const std::size_t at = bytes.find("Provider=Only");
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(bytes[at + 15], '\0');
  bytes[at + 15] = '\1';

  TkvReport loaded(context, "R");
  TMemoryStream stream(bytes);
  loaded.LoadReportStream(stream);
  ASSERT_TRUE(loaded.LastLoad.Read());
  ASSERT_EQ(loaded.LastLoad.Skipped.size(), 1u);
  EXPECT_EQ(loaded.LastLoad.Skipped[0].ClassName, "TkvADODatabase");
  ASSERT_EQ(loaded.Pages.Item(0).ObjectList.size(), 2u);
  auto& database = dynamic_cast<TkvADODatabase&>(*loaded.Pages.Item(0).ObjectList[0]);
  auto& table = dynamic_cast<TkvADOTable&>(*loaded.Pages.Item(0).ObjectList[1]);
  EXPECT_EQ(database.Name, "Conn1");
  EXPECT_EQ(database.Connection().ConnectionString, "Provider=Only");
  EXPECT_FALSE(database.Connection().Connected());
  EXPECT_EQ(Losses(database).size(), 1u);
  EXPECT_EQ(table.Table().Connection(), database.PlatformConnection());
}

}  // namespace
}  // namespace kv
