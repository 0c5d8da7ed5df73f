// Database objects of dialog pages: connections, tables and queries of the three access layers
// (ADO, InterBase Express, dbExpress). Each object stands for a platform component owned by the
// HostForm; tables and queries also own a data source ("S" + name) and a report dataset
// ("_" + name) through which report bands reach their records. An object reads its legacy record,
// keeps the references it names in Fixups until every page is loaded, relinks them in AfterLoad,
// and writes one element with its position block (and a query's parameter block) in Propdata.
// The three families share their code here; they differ only in their payloads and elements.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/AccessLayer.h"
#include "data/Datasets.h"
#include "objects/Control.h"

namespace kv {

// The parameter type table of stored query parameters: index -> field type.
inline constexpr TFieldType ParamTypeTable[] = {
    TFieldType::ftBCD,      TFieldType::ftBoolean, TFieldType::ftCurrency, TFieldType::ftDate,
    TFieldType::ftDateTime, TFieldType::ftInteger, TFieldType::ftFloat,    TFieldType::ftSmallint,
    TFieldType::ftString,   TFieldType::ftTime,    TFieldType::ftWord};
inline constexpr int ParamTypeCount = 11;
// The first index of the table holding type, else ParamTypeCount (11).
int ParamTypeIndex(TFieldType type);

// What the datasets of the three families share: the platform dataset, its data source and
// report dataset, the references kept in Fixups, the field list and the parameter list. Never
// registered or stored.
class TkvDatabaseDataset : public TPropertiesOf<TkvDatabaseDataset, TkvNonVisualControl> {
 public:
  explicit TkvDatabaseDataset(TConversionContext& context);
  ~TkvDatabaseDataset() override;

  virtual TDataAccessFamily Family() const = 0;

  // "Name" (also renames PlatformSource and ReportDataset), "Active", "Database", "Fields",
  // "FieldCount", "Filter" (ADO and IBX), "EOF", "RecordCount", "IsEmpty", "EnableBCD" (ADO).
  static const TPropertyTable<TkvDatabaseDataset>& Properties();

  // The platform table or query (the Component); none until the concrete class creates it.
  TDataSet* PlatformDataset() const { return dynamic_cast<TDataSet*>(Component.Get()); }
  TDataSource* PlatformSource() const { return dynamic_cast<TDataSource*>(Source.Get()); }
  TkvDBDataSet* ReportDataset() const { return dynamic_cast<TkvDBDataSet*>(Report.Get()); }

  // Applies "DataBase", the lookup datasets and "Active" from Fixups, ignoring errors.
  void AfterLoad() override;
  void DocumentLosses(std::vector<std::string>& losses) const override;

 protected:
  // Makes dataset (owned by the HostForm) the Component and binds PlatformSource to it.
  void Adopt(TDataSet& dataset);
  // Stores a reference read from the file under name and applies it at once.
  void ReadReference(TStream& stream, const std::string& name);
  // Sets the filter text; filtering is on exactly when the trimmed text is not empty.
  void SetFilter(const std::string& text);
  // Reads the stored active state into Fixups without applying it.
  void ReadActive(TStream& stream);
  // Opens or closes the dataset as Fixups says; errors are ignored.
  void ApplyActive();
  void ReadFieldList(TStream& stream);
  void WriteFieldList(TStream& stream);
  // The dataset part of ADO and IBX elements: Database when a connection is linked, Filter.
  void WriteDatasetAttributes(TDocumentStream& stream) const;
  // The name of a linked component as references are stored and read back: owner-prefixed when
  // its owner is not the HostForm; empty for none.
  std::string ReferenceName(const TComponent* component) const;
  // The platform dataset a stored path names (none when it names none or no dataset).
  TDataSet* DatasetAt(const std::string& path) const;
  // The data source serving the dataset a stored path names.
  TDataSource* SourceAt(const std::string& path) const;

  TComponentLink Source;
  TComponentLink Report;
  bool StoredActive = false;
};

// Query behaviour shared by the three families: ParamValues, the parameter list of the record
// and of the document, the placeholder values assigned before opening.
class TkvDatabaseQuery {
 public:
  virtual ~TkvDatabaseQuery() = default;
  // Each value parameter's expression, by parameter name.
  TkvVariables ParamValues;

 protected:
  // ADO keeps the kind in the attributes, the other layers in the bound flag.
  static bool IsValueParam(TDataAccessFamily family, const TParam& param);
  static void MarkParam(TDataAccessFamily family, TParam& param, bool value);
  void ReadParamList(TStream& stream, TCustomQuery& query, TDataAccessFamily family);
  void WriteParamList(TStream& stream, const TCustomQuery& query, TDataAccessFamily family) const;
  // The "Params" collection; nothing for a query without parameters.
  void WriteParamBlock(TFormWriter& writer, const TCustomQuery& query,
                       TDataAccessFamily family) const;
  // The before-open hook: a placeholder text for every value parameter, by data type.
  static void AssignPlaceholders(TCustomQuery& query, TDataAccessFamily family);
};

// ---- Dataset bases ------------------------------------------------------------------------------

class TkvADODataset : public TViewClassOf<TkvADODataset, TkvDatabaseDataset, "TkvADODataset"> {
 public:
  using TViewClassOf::TViewClassOf;
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfADO; }
};
class TkvIBXDataset : public TViewClassOf<TkvIBXDataset, TkvDatabaseDataset, "TkvIBXDataset"> {
 public:
  using TViewClassOf::TViewClassOf;
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfIBX; }
};
class TkvDBXDataset : public TViewClassOf<TkvDBXDataset, TkvDatabaseDataset, "TkvDBXDataset"> {
 public:
  using TViewClassOf::TViewClassOf;
  TDataAccessFamily Family() const override { return TDataAccessFamily::dfDBX; }
};

// ---- Tables -------------------------------------------------------------------------------------

// Table behaviour over a family's dataset base: "IndexName", "IndexFieldNames" (IBX, DBX),
// "MasterFields", "MasterSource", "TableName"; AfterLoad applies "MasterSource" first.
template <class Base>
class TkvTableOf : public TPropertiesOf<TkvTableOf<Base>, Base> {
 public:
  using TPropertiesOf<TkvTableOf<Base>, Base>::TPropertiesOf;
  static const TPropertyTable<TkvTableOf>& Properties();
  TCustomTable& Table() const { return static_cast<TCustomTable&>(*this->PlatformDataset()); }
  void AfterLoad() override;
  void DocumentLosses(std::vector<std::string>& losses) const override;

 protected:
  // IndexName, TableName, and Master with MasterFields when a master is linked.
  void WriteTableAttributes(TDocumentStream& stream) const;
};

class TkvADOTable : public TViewClassOf<TkvADOTable, TkvTableOf<TkvADODataset>, "TkvADOTable"> {
 public:
  explicit TkvADOTable(TConversionContext& context);
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  void SaveToDocument(TDocumentStream& stream) override;
};
class TkvIBXTable : public TViewClassOf<TkvIBXTable, TkvTableOf<TkvIBXDataset>, "TkvIBXTable"> {
 public:
  explicit TkvIBXTable(TConversionContext& context);
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  void SaveToDocument(TDocumentStream& stream) override;
};
class TkvDBXTable : public TViewClassOf<TkvDBXTable, TkvTableOf<TkvDBXDataset>, "TkvDBXTable"> {
 public:
  explicit TkvDBXTable(TConversionContext& context);
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
};

// ---- Queries ------------------------------------------------------------------------------------

// Query behaviour over a family's dataset base: "DataSource", "Params", "SQL", "SQL.Count";
// AfterLoad applies "DataSource" first.
template <class Base>
class TkvQueryOf : public TPropertiesOf<TkvQueryOf<Base>, Base>, public TkvDatabaseQuery {
 public:
  using TPropertiesOf<TkvQueryOf<Base>, Base>::TPropertiesOf;
  static const TPropertyTable<TkvQueryOf>& Properties();
  TCustomQuery& Query() const { return static_cast<TCustomQuery&>(*this->PlatformDataset()); }
  void AfterLoad() override;
  void DocumentLosses(std::vector<std::string>& losses) const override;

 protected:
  void Adopt(TCustomQuery& query);
  // The payload from SQL on: SQL memo, Active, [EnableBCD], field list, parameter list.
  void ReadQueryRest(TStream& stream, bool withBCD);
  void WriteQueryRest(TStream& stream, bool withBCD);
  // The position block, then the parameter block.
  void WritePropdata(TFormWriter& writer) override;
  bool WritesParamBlock = true;
};

class TkvADOQuery : public TViewClassOf<TkvADOQuery, TkvQueryOf<TkvADODataset>, "TkvADOQuery"> {
 public:
  explicit TkvADOQuery(TConversionContext& context);
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  void SaveToDocument(TDocumentStream& stream) override;
};
class TkvIBXQuery : public TViewClassOf<TkvIBXQuery, TkvQueryOf<TkvIBXDataset>, "TkvIBXQuery"> {
 public:
  explicit TkvIBXQuery(TConversionContext& context);
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  void SaveToDocument(TDocumentStream& stream) override;
};
class TkvDBXQuery : public TViewClassOf<TkvDBXQuery, TkvQueryOf<TkvDBXDataset>, "TkvDBXQuery"> {
 public:
  explicit TkvDBXQuery(TConversionContext& context);
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
};

// ---- Databases ----------------------------------------------------------------------------------

// What the three database objects share: the connection (the Component), "Connected" and
// "LoginPrompt", and the note of a connection that failed while the record was read.
class TkvDatabaseObject : public TPropertiesOf<TkvDatabaseObject, TkvNonVisualControl> {
 public:
  explicit TkvDatabaseObject(TConversionContext& context);
  static const TPropertyTable<TkvDatabaseObject>& Properties();

  TCustomConnection* PlatformConnection() const {
    return dynamic_cast<TCustomConnection*>(Component.Get());
  }
  // True when the record said connected and the connection failed, ending the record there.
  bool ConnectFailed = false;
  void DocumentLosses(std::vector<std::string>& losses) const override;

 protected:
  // Reads the Connected byte and connects when it is set; a failure ends the record.
  void ReadConnected(TStream& stream);
  // LoginPrompt="False" when the prompt is off; Connected="True" when connected.
  void WriteLoginPrompt(TDocumentStream& stream) const;
  void WriteConnected(TDocumentStream& stream) const;
};

class TkvADODatabase : public TViewClassOf<TkvADODatabase, TkvDatabaseObject, "TkvADODatabase"> {
 public:
  explicit TkvADODatabase(TConversionContext& context);
  static const TPropertyTable<TkvADODatabase>& Properties();
  TADOConnection& Connection() const { return static_cast<TADOConnection&>(*PlatformConnection()); }
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  void SaveToDocument(TDocumentStream& stream) override;
};

class TkvIBXDatabase : public TViewClassOf<TkvIBXDatabase, TkvDatabaseObject, "TkvIBXDatabase"> {
 public:
  explicit TkvIBXDatabase(TConversionContext& context);
  ~TkvIBXDatabase() override;
  static const TPropertyTable<TkvIBXDatabase>& Properties();
  TIBDatabase& Connection() const { return static_cast<TIBDatabase&>(*PlatformConnection()); }
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  void SaveToDocument(TDocumentStream& stream) override;

 private:
  TComponentLink Transaction;
};

class TkvDBXDatabase : public TViewClassOf<TkvDBXDatabase, TkvDatabaseObject, "TkvDBXDatabase"> {
 public:
  explicit TkvDBXDatabase(TConversionContext& context);
  static const TPropertyTable<TkvDBXDatabase>& Properties();
  TSQLConnection& Connection() const { return static_cast<TSQLConnection&>(*PlatformConnection()); }
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  void DocumentLosses(std::vector<std::string>& losses) const override;
};

// Registers the nine classes as dialog controls, in the order of the add-in registry: DBX table,
// query, database; IBX table, query, database; ADO table, query, database.
void RegisterDatabaseFamilies();

}  // namespace kv
