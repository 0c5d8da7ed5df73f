// The database access layers behind the database objects of legacy reports: ADO, InterBase
// Express and dbExpress. Conversion never needs a database to answer, so these components only
// hold their properties: connections, tables, queries, data sources, field definitions,
// persistent fields and query parameters read back what was set, a query derives its parameters
// from its SQL text, and connecting or opening always fails with a clear error. A dataset is
// never open: moving through it fails, and it is always at its end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "base/Variant.h"
#include "legacy/Component.h"
#include "legacy/ComponentPath.h"

namespace kv {

// A failure of a connection or dataset (the access layers' error class).
class EDatabaseError : public EKvError {
 public:
  using EKvError::EKvError;
};

// The three access layers. A dataset works only with a connection of its own layer.
enum class TDataAccessFamily { dfADO, dfIBX, dfDBX };

// Field types, in the order of their ordinals as legacy files store them.
enum class TFieldType : std::uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd,
};

inline constexpr int FieldTypeCount = 38;

// The name of a field type, such as "ftInteger".
std::string FieldTypeName(TFieldType type);
// The field type of an ordinal; none outside 0 to 37.
std::optional<TFieldType> FieldTypeFromOrdinal(int ordinal);

class TDataSet;
class TDataSource;

// ---- Connections --------------------------------------------------------------------------------

// A connection to a database. It never connects: Open (and Connected := true) fails.
class TCustomConnection : public TComponent {
 public:
  using TComponent::TComponent;

  virtual TDataAccessFamily Family() const = 0;

  bool LoginPrompt = true;

  bool Connected() const { return false; }
  // True raises EDatabaseError; false closes, which always succeeds.
  void SetConnected(bool value);
  void Open();
  void Close() {}
};

class TADOConnection : public TCustomConnection {
 public:
  using TCustomConnection::TCustomConnection;
  std::string ClassName() const override { return "TADOConnection"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfADO; }

  std::string ConnectionString;
};

class TIBDatabase;

// The transaction an InterBase database runs its statements in.
class TIBTransaction : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TIBTransaction"; }

  TIBDatabase* DefaultDatabase() const { return Database; }
  void SetDefaultDatabase(TIBDatabase* database);
  bool Active() const { return false; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TIBDatabase* Database = nullptr;
};

class TIBDatabase : public TCustomConnection {
 public:
  using TCustomConnection::TCustomConnection;
  std::string ClassName() const override { return "TIBDatabase"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfIBX; }

  std::string DatabaseName;
  std::vector<std::string> Params;
  std::int32_t SQLDialect = 3;

  TIBTransaction* DefaultTransaction() const { return Transaction; }
  // Also makes this the transaction's default database when it has none.
  void SetDefaultTransaction(TIBTransaction* transaction);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TIBTransaction* Transaction = nullptr;
};

class TSQLConnection : public TCustomConnection {
 public:
  using TCustomConnection::TCustomConnection;
  std::string ClassName() const override { return "TSQLConnection"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfDBX; }

  std::string ConnectionName;
  std::string DriverName;
  std::vector<std::string> Params;
};

// ---- Fields -------------------------------------------------------------------------------------

enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// The definition of a field: what the dataset's table or query delivers.
struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  std::int32_t Size = 0;
  bool Required = false;
};

// The field definitions of a dataset, in order. Names compare ignoring ASCII case.
class TFieldDefs {
 public:
  TFieldDef& Add(std::string name, TFieldType dataType, std::int32_t size = 0,
                 bool required = false);
  int Count() const { return static_cast<int>(Items.size()); }
  // Raises EListError outside the list.
  TFieldDef& Item(int index) const;
  int IndexOf(std::string_view name) const;
  TFieldDef* Find(std::string_view name) const;
  void Clear() { Items.clear(); }

 private:
  std::vector<std::unique_ptr<TFieldDef>> Items;  // stable addresses for the callers' references
};

// A persistent field of a dataset, created from a field definition; the dataset owns it. A
// lookup field takes its value from another dataset: the record whose LookupKeyFields match this
// dataset's KeyFields gives its LookupResultField.
class TField : public TComponent {
 public:
  TField(TDataSet& dataSet, const TFieldDef& definition);
  std::string ClassName() const override { return "TField"; }

  TDataSet& DataSet() const { return Owning; }

  std::string FieldName;
  TFieldType DataType = TFieldType::ftUnknown;
  std::int32_t Size = 0;
  bool Required = false;
  TFieldKind FieldKind = TFieldKind::fkData;

  bool Lookup() const { return FieldKind == TFieldKind::fkLookup; }
  void SetLookup(bool value);
  std::string KeyFields;
  std::string LookupKeyFields;
  std::string LookupResultField;
  // Cleared when that dataset is destroyed.
  TDataSet* LookupDataSet() const { return LookupSource; }
  void SetLookupDataSet(TDataSet* dataSet);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSet& Owning;
  TDataSet* LookupSource = nullptr;
};

// ---- Datasets -----------------------------------------------------------------------------------

// A position in a dataset, to come back to.
struct TBookmark {
  std::int64_t Record = -1;
  bool operator==(const TBookmark&) const = default;
};

// A table or query of one of the access layers. It is never open: Open (and Active := true)
// fails after the BeforeOpen event, Close succeeds, moving fails, and the dataset is at its end.
class TDataSet : public TComponent, public TFieldNames {
 public:
  using TComponent::TComponent;
  ~TDataSet() override;

  virtual TDataAccessFamily Family() const = 0;

  // The connection; one of another access layer raises EDatabaseError. Cleared when it is
  // destroyed.
  TCustomConnection* Connection() const { return Link; }
  void SetConnection(TCustomConnection* connection);

  std::string Filter;
  bool Filtered = false;

  TFieldDefs FieldDefs;
  // The persistent fields in order.
  const std::vector<std::unique_ptr<TField>>& Fields() const { return FieldList; }
  // Creates a persistent field from a definition and appends it.
  TField& CreateField(const TFieldDef& definition);
  void ClearFields() { FieldList.clear(); }
  // The field of that name (ignoring ASCII case), or none.
  TField* FindField(std::string_view name) const;
  // The same; a missing field raises EDatabaseError.
  TField& FieldByName(std::string_view name) const;
  // The names of the dataset's fields: its persistent fields, or its field definitions when it
  // has none.
  std::vector<std::string> FieldNames() const;
  // True when FieldNames holds name, ignoring ASCII case.
  bool HasFieldName(std::string_view name) const override;

  bool Active() const { return false; }
  // True raises EDatabaseError; false closes.
  void SetActive(bool value);
  // Fires BeforeOpen, then fails: no database can be reached.
  void Open();
  void Close() {}
  // Fired by Open before the dataset would be opened; queries assign their parameters here.
  std::function<void(TDataSet&)> BeforeOpen;

  // Moving through the records: every move raises EDatabaseError, as the dataset is closed.
  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const { return true; }
  bool Bof() const { return true; }
  std::int32_t RecordCount() const { return 0; }
  bool IsEmpty() const { return true; }

  // Bookmarks: taking one or going to one raises EDatabaseError, as the dataset is closed.
  TBookmark GetBookmark() const;
  void GotoBookmark(const TBookmark& bookmark);
  // 0 for the same record, -1 or 1 by record order.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
  void FreeBookmark(TBookmark& bookmark) const { bookmark = TBookmark{}; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  [[noreturn]] void Closed() const;

 private:
  TCustomConnection* Link = nullptr;
  std::vector<std::unique_ptr<TField>> FieldList;
};

// A table of one of the access layers.
class TCustomTable : public TDataSet {
 public:
  using TDataSet::TDataSet;

  std::string TableName;
  std::string IndexName;
  std::string IndexFieldNames;
  std::string MasterFields;
  // The data source of the master dataset; cleared when it is destroyed.
  TDataSource* MasterSource() const { return Master; }
  void SetMasterSource(TDataSource* source);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSource* Master = nullptr;
};

// Attributes of an ADO parameter.
enum TParameterAttribute : std::uint8_t { paSigned = 1, paNullable = 2, paLong = 4 };

// A query parameter. ADO marks its kind in Attributes, the other two layers in Bound.
struct TParam {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  std::uint8_t Attributes = 0;  // TParameterAttribute bits
  bool Bound = false;
  TVariant Value;

  // Empties the value.
  void Clear() { Value = TVariant{}; }
  std::string AsString() const { return VarToStr(Value); }
  void SetAsString(std::string text) { Value = std::move(text); }
};

// The parameters of a query, in the order the SQL text names them.
class TParams {
 public:
  int Count() const { return static_cast<int>(Items.size()); }
  // Raises EListError outside the list.
  TParam& Item(int index);
  const TParam& Item(int index) const;
  // The parameter of that name (ignoring ASCII case), or none.
  TParam* FindParam(std::string_view name);
  // The same; a missing parameter raises EDatabaseError.
  TParam& ParamByName(std::string_view name);
  void Clear() { Items.clear(); }
  TParam& Add(std::string name);

 private:
  std::vector<TParam> Items;
};

// The parameter names of an SQL text in order of first appearance, each once (compared ignoring
// ASCII case): a colon followed by an identifier (a letter or "_", then letters, digits and "_";
// bytes from 128 up count as letters), outside single- and double-quoted text; "::" is no
// parameter.
std::vector<std::string> ParamNamesOfSQL(std::string_view sql);

// A query of one of the access layers.
class TCustomQuery : public TDataSet {
 public:
  using TDataSet::TDataSet;

  const std::vector<std::string>& SQL() const { return Lines; }
  // Sets the SQL lines and derives the parameters from them; a parameter whose name stays keeps
  // its type, attributes, bound flag and value.
  void SetSQL(std::vector<std::string> lines);
  // The lines, each followed by CR LF.
  std::string SQLText() const;

  TParams& Params() { return ParamList; }
  const TParams& Params() const { return ParamList; }

  // The data source whose dataset gives the values of master parameters; cleared when it is
  // destroyed.
  TDataSource* DataSource() const { return Source; }
  void SetDataSource(TDataSource* source);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::vector<std::string> Lines;
  TParams ParamList;
  TDataSource* Source = nullptr;
};

class TADOTable : public TCustomTable {
 public:
  using TCustomTable::TCustomTable;
  std::string ClassName() const override { return "TADOTable"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfADO; }
  bool EnableBCD = true;
  // An ADO table's name is the command text it sends.
  const std::string& CommandText() const { return TableName; }
};

class TADOQuery : public TCustomQuery {
 public:
  using TCustomQuery::TCustomQuery;
  std::string ClassName() const override { return "TADOQuery"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfADO; }
  bool EnableBCD = true;
};

class TIBTable : public TCustomTable {
 public:
  using TCustomTable::TCustomTable;
  std::string ClassName() const override { return "TIBTable"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfIBX; }
};

class TIBQuery : public TCustomQuery {
 public:
  using TCustomQuery::TCustomQuery;
  std::string ClassName() const override { return "TIBQuery"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfIBX; }
};

class TSQLTable : public TCustomTable {
 public:
  using TCustomTable::TCustomTable;
  std::string ClassName() const override { return "TSQLTable"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfDBX; }
};

class TSQLQuery : public TCustomQuery {
 public:
  using TCustomQuery::TCustomQuery;
  std::string ClassName() const override { return "TSQLQuery"; }
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfDBX; }
};

// ---- Data sources -------------------------------------------------------------------------------

// Hands a dataset to the components that read it.
class TDataSource : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TDataSource"; }

  // Cleared when that dataset is destroyed.
  TDataSet* DataSet() const { return Served; }
  void SetDataSet(TDataSet* dataSet);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSet* Served = nullptr;
};

}  // namespace kv
