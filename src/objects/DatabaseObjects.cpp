// Database connection, table and query objects: platform components, records, relinking after
// the load, and document elements.
#include "objects/DatabaseObjects.h"

#include "base/Ascii.h"
#include "base/DocumentText.h"
#include "base/Errors.h"
#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"

namespace kv {

namespace {

// Smallest stored field entry: type byte, empty name (3 bytes), lookup byte, size word.
constexpr std::int64_t MinFieldBytes = 7;
// Smallest stored parameter entry: type word, kind word, empty expression (3 bytes).
constexpr std::int64_t MinParamBytes = 7;

std::string TrimAscii(const std::string& text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Every line followed by CR LF.
std::string LinesText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// A count read from a file must fit in the bytes left, at least minBytes per entry.
void CheckCount(TStream& stream, std::int64_t count, std::int64_t minBytes) {
  if (count * minBytes > stream.Remaining()) throw EReadError("Stream read error");
}

// The component a stored path names from the HostForm; none when it names none.
TComponent* ComponentAt(TConversionContext& context, const std::string& path) {
  if (path.empty()) return nullptr;
  try {
    return FindComponentByPath(context, &context.HostForm(), path);
  } catch (const EClassNotFound&) {
    return nullptr;
  }
}

}  // namespace

int ParamTypeIndex(TFieldType type) {
  for (int i = 0; i < ParamTypeCount; ++i) {
    if (ParamTypeTable[i] == type) return i;
  }
  return ParamTypeCount;
}

// ---- TkvDatabaseDataset -------------------------------------------------------------------------

TkvDatabaseDataset::TkvDatabaseDataset(TConversionContext& context) : TPropertiesOf(context) {
  Flags |= 0x4000;
  auto& source = CreateOwned<TDataSource>(Context().HostForm());
  Source = &source;
  auto& report = CreateOwned<TkvDBDataSet>(Context().HostForm());
  report.SetDataSource(&source);
  Report = &report;
}

TkvDatabaseDataset::~TkvDatabaseDataset() {
  TComponent* report = Report.Get();
  TComponent* source = Source.Get();
  Report = nullptr;
  Source = nullptr;
  FreeOwned(report);
  FreeOwned(source);
}

void TkvDatabaseDataset::Adopt(TDataSet& dataset) {
  Component = &dataset;
  PlatformSource()->SetDataSet(&dataset);
}

std::string TkvDatabaseDataset::ReferenceName(const TComponent* component) const {
  if (!component) return {};
  const TComponent* owner = component->Owner();
  if (owner && owner != &Context().HostForm()) return owner->Name + "." + component->Name;
  return component->Name;
}

TDataSet* TkvDatabaseDataset::DatasetAt(const std::string& path) const {
  TComponent* found = ComponentAt(Context(), path);
  if (auto* source = dynamic_cast<TDataSource*>(found)) return source->DataSet();
  return dynamic_cast<TDataSet*>(found);
}

TDataSource* TkvDatabaseDataset::SourceAt(const std::string& path) const {
  TComponent* found = ComponentAt(Context(), path);
  if (auto* source = dynamic_cast<TDataSource*>(found)) return source;
  auto* dataset = dynamic_cast<TDataSet*>(found);
  if (!dataset || !dataset->Owner()) return nullptr;
  for (const auto& component : dataset->Owner()->Components()) {
    auto* source = dynamic_cast<TDataSource*>(component.get());
    if (source && source->DataSet() == dataset) return source;
  }
  return nullptr;
}

const TPropertyTable<TkvDatabaseDataset>& TkvDatabaseDataset::Properties() {
  using C = TkvDatabaseDataset;
  static const TPropertyTable<C> table{
      TPropertyTable<C>::TAfterParent{},
      {
          {.Name = "Name",
           .Set =
               [](C& c, const TVariant& x) {
                 c.TkvNonVisualControl::AssignProperty("Name", x);
                 if (c.Source) c.Source->Name = "S" + c.Name;
                 if (c.Report) c.Report->Name = "_" + c.Name;
               },
           .Declared = false},
          {.Name = "Active",
           .Get = [](const C& c) -> TVariant { return c.PlatformDataset()->Active(); },
           .Set = [](C& c,
                     const TVariant& x) { c.PlatformDataset()->SetActive(VarToInt(x) != 0); }},
          {.Name = "Database",
           .Get = [](const C& c) -> TVariant {
             return c.ReferenceName(c.PlatformDataset()->Connection());
           },
           .Set =
               [](C& c, const TVariant& x) {
                 auto* connection = dynamic_cast<TCustomConnection*>(ComponentAt(c.Context(), VarToStr(x)));
                 TDataSet& dataset = *c.PlatformDataset();
                 if (c.Family() == TDataAccessFamily::dfADO) dataset.Close();
                 // A connection of another layer cannot serve this dataset: no link.
                 if (connection && connection->Family() != c.Family()) connection = nullptr;
                 dataset.SetConnection(connection);
               }},
          {"Fields"},
          {.Name = "FieldCount",
           .Get = [](const C& c) -> TVariant {
             return static_cast<std::int64_t>(c.PlatformDataset()->Fields().size());
           }},
          {.Name = "Filter",
           .Get = [](const C& c) -> TVariant { return c.PlatformDataset()->Filter; },
           .Set = [](C& c, const TVariant& x) { c.SetFilter(VarToStr(x)); },
           .DeclaredWhen = [](const C& c) { return c.Family() != TDataAccessFamily::dfDBX; }},
          {.Name = "EOF", .Get = [](const C& c) -> TVariant { return c.PlatformDataset()->Eof(); }},
          {.Name = "RecordCount",
           .Get = [](const C& c) -> TVariant {
             return static_cast<std::int64_t>(c.PlatformDataset()->RecordCount());
           }},
          {.Name = "IsEmpty",
           .Get = [](const C& c) -> TVariant { return c.PlatformDataset()->IsEmpty(); }},
          {.Name = "EnableBCD",
           .Get = [](const C& c) -> TVariant {
             if (auto* t = dynamic_cast<TADOTable*>(c.PlatformDataset())) return t->EnableBCD;
             if (auto* q = dynamic_cast<TADOQuery*>(c.PlatformDataset())) return q->EnableBCD;
             return TVariant{};
           },
           .Set =
               [](C& c, const TVariant& x) {
                 const bool on = VarToInt(x) != 0;
                 if (auto* t = dynamic_cast<TADOTable*>(c.PlatformDataset())) t->EnableBCD = on;
                 if (auto* q = dynamic_cast<TADOQuery*>(c.PlatformDataset())) q->EnableBCD = on;
               },
           .DeclaredWhen = [](const C& c) { return c.Family() == TDataAccessFamily::dfADO; }},
      }};
  return table;
}

void TkvDatabaseDataset::ReadReference(TStream& stream, const std::string& name) {
  const std::string path = ReadLegacyString(stream);
  Fixups.SetVariable(name, path);
  AssignProperty(name, path);
}

void TkvDatabaseDataset::SetFilter(const std::string& text) {
  PlatformDataset()->Filter = text;
  PlatformDataset()->Filtered = !TrimAscii(text).empty();
}

void TkvDatabaseDataset::ReadActive(TStream& stream) {
  StoredActive = ReadBool8(stream);
  Fixups.SetVariable("Active", StoredActive);
}

void TkvDatabaseDataset::ApplyActive() {
  if (Fixups.IndexOfName("Active") < 0) return;
  try {
    PlatformDataset()->SetActive(VarToInt(Fixups.GetVariable("Active")) != 0);
  } catch (const EKvError&) {
    // Our access layer never opens a dataset; it stays closed.
  }
}

// Field list:
//   u16 count, then per field:
//   u8 field type | string name | u8 lookup | u16 size
//   [lookup: string key fields | string lookup dataset | string lookup keys | string result]
void TkvDatabaseDataset::ReadFieldList(TStream& stream) {
  TDataSet& dataset = *PlatformDataset();
  const int count = static_cast<std::uint16_t>(ReadWord(stream));
  CheckCount(stream, count, MinFieldBytes);
  for (int i = 0; i < count; ++i) {
    const int ordinal = ReadByte(stream);
    const std::string name = ReadLegacyString(stream);
    const bool lookup = ReadBool8(stream);
    const int size = static_cast<std::uint16_t>(ReadWord(stream));
    // An ordinal this program does not name is kept as stored, so that saving writes it back.
    const auto type = static_cast<TFieldType>(ordinal);
    TField& field = dataset.CreateField(dataset.FieldDefs.Add(name, type, size, false));
    if (!lookup) continue;
    field.SetLookup(true);
    field.KeyFields = ReadLegacyString(stream);
    const std::string path = ReadLegacyString(stream);
    Fixups.SetVariable("." + name, path);
    field.SetLookupDataSet(DatasetAt(path));
    field.LookupKeyFields = ReadLegacyString(stream);
    field.LookupResultField = ReadLegacyString(stream);
  }
}

void TkvDatabaseDataset::WriteFieldList(TStream& stream) {
  TDataSet& dataset = *PlatformDataset();
  // Our datasets are never open, so there is no active state to close and restore around it.
  WriteWord(stream, static_cast<std::int16_t>(dataset.Fields().size()));
  for (const auto& field : dataset.Fields()) {
    WriteByte(stream, static_cast<std::uint8_t>(field->DataType));
    WriteLegacyString(stream, field->FieldName);
    WriteBool8(stream, field->Lookup());
    WriteWord(stream, static_cast<std::int16_t>(field->Size));
    if (!field->Lookup()) continue;
    WriteLegacyString(stream, field->KeyFields);
    WriteLegacyString(stream, ReferenceName(field->LookupDataSet()));
    WriteLegacyString(stream, field->LookupKeyFields);
    WriteLegacyString(stream, field->LookupResultField);
  }
}

void TkvDatabaseDataset::AfterLoad() {
  const auto ignoring = [](auto&& step) {
    try {
      step();
    } catch (const EKvError&) {
    }
  };
  // Only what a load stored is applied: an object built in code keeps the links it was given.
  if (Fixups.IndexOfName("DataBase") >= 0) {
    ignoring([&] { AssignProperty("DataBase", Fixups.GetVariable("DataBase")); });
  }
  for (int i = 0; i < Fixups.Count(); ++i) {
    const std::string name = Fixups.Name(i);
    if (name.empty() || name.front() != '.') continue;
    ignoring([&] {
      if (TField* field = PlatformDataset()->FindField(name.substr(1))) {
        field->SetLookupDataSet(DatasetAt(VarToStr(Fixups.Value(i))));
      }
    });
  }
  ApplyActive();
}

void TkvDatabaseDataset::WriteDatasetAttributes(TDocumentStream& stream) const {
  if (const TCustomConnection* connection = PlatformDataset()->Connection()) {
    WriteTextAttribute(stream, "Database", connection->Name);
  }
  WriteTextAttribute(stream, "Filter", PlatformDataset()->Filter);
}

void TkvDatabaseDataset::DocumentLosses(std::vector<std::string>& losses) const {
  const std::size_t fields = PlatformDataset()->Fields().size();
  if (fields > 0) {
    losses.push_back("its " + std::to_string(fields) +
                     " persistent field(s) are not carried into the document");
  }
  if (StoredActive) {
    losses.push_back(
        "a dataset stored as open could not be opened during conversion and is "
        "written closed");
  }
  const std::string database = VarToStr(Fixups.GetVariable("DataBase"));
  if (!database.empty() && !PlatformDataset()->Connection()) {
    losses.push_back("its database \"" + database + "\" names no database object of the report");
  }
}

// ---- TkvDatabaseQuery ---------------------------------------------------------------------------

bool TkvDatabaseQuery::IsValueParam(TDataAccessFamily family, const TParam& param) {
  if (family == TDataAccessFamily::dfADO) return (param.Attributes & paNullable) != 0;
  return param.Bound;
}

void TkvDatabaseQuery::MarkParam(TDataAccessFamily family, TParam& param, bool value) {
  if (family == TDataAccessFamily::dfADO) {
    param.Attributes = value ? paNullable : 0;
  } else if (value) {
    param.Clear();
    param.Bound = true;
  } else {
    param.Bound = false;
  }
}

// Parameter list:
//   u16 count, then per parameter of the query, in order:
//   u16 type index (ParamTypeTable) | u16 kind (low byte: 1 value, 0 master) | string expression
void TkvDatabaseQuery::ReadParamList(TStream& stream, TCustomQuery& query,
                                     TDataAccessFamily family) {
  const int count = static_cast<std::uint16_t>(ReadWord(stream));
  CheckCount(stream, count, MinParamBytes);
  for (int i = 0; i < count; ++i) {
    // A stored list longer than the SQL text's parameters fails here (list index error).
    TParam& param = query.Params().Item(i);
    const int typeIndex = static_cast<std::uint16_t>(ReadWord(stream));
    // An index outside the table leaves the type as the SQL text gave it.
    if (typeIndex < ParamTypeCount) param.DataType = ParamTypeTable[typeIndex];
    const bool value = (ReadWord(stream) & 0xFF) != 0;
    MarkParam(family, param, value);
    if (value) {
      ParamValues.SetVariable(param.Name, std::string());
    } else if (const int at = ParamValues.IndexOfName(param.Name); at >= 0) {
      ParamValues.Delete(at);
    }
    const std::string expression = ReadLegacyString(stream);
    if (value) ParamValues.SetVariable(param.Name, expression);
  }
}

void TkvDatabaseQuery::WriteParamList(TStream& stream, const TCustomQuery& query,
                                      TDataAccessFamily family) const {
  const TParams& params = query.Params();
  WriteWord(stream, static_cast<std::int16_t>(params.Count()));
  for (int i = 0; i < params.Count(); ++i) {
    const TParam& param = params.Item(i);
    const bool value = IsValueParam(family, param);
    WriteWord(stream, static_cast<std::int16_t>(ParamTypeIndex(param.DataType)));
    WriteWord(stream, value ? 1 : 0);
    WriteLegacyString(stream, value ? VarToStr(ParamValues.GetVariable(param.Name)) : "");
  }
}

// The parameter block, in the value codes of binary form streams:
//   "Params" 14 { 1 "Name" text "DataType" 7 ident "Expression" text 0 }... 0
void TkvDatabaseQuery::WriteParamBlock(TFormWriter& writer, const TCustomQuery& query,
                                       TDataAccessFamily family) const {
  const TParams& params = query.Params();
  if (params.Count() == 0) return;
  writer.WritePropName("Params");
  writer.WriteCollectionBegin();
  for (int i = 0; i < params.Count(); ++i) {
    const TParam& param = params.Item(i);
    writer.WriteListBegin();
    writer.WritePropName("Name");
    writer.WriteText(param.Name);
    writer.WritePropName("DataType");
    writer.WriteIdent(FieldTypeName(param.DataType));
    writer.WritePropName("Expression");
    writer.WriteText(IsValueParam(family, param) ? VarToStr(ParamValues.GetVariable(param.Name))
                                                 : std::string());
    writer.WriteListEnd();
  }
  writer.WriteListEnd();
}

// Conversion never prepares a report, so no expression is evaluated: every value parameter gets
// the placeholder of its type.
void TkvDatabaseQuery::AssignPlaceholders(TCustomQuery& query, TDataAccessFamily family) {
  for (int i = 0; i < query.Params().Count(); ++i) {
    TParam& param = query.Params().Item(i);
    if (!IsValueParam(family, param)) continue;
    switch (param.DataType) {
      case TFieldType::ftDate:
      case TFieldType::ftDateTime:
        param.SetAsString("01.01.00");
        break;
      case TFieldType::ftTime:
        param.SetAsString("00:00");
        break;
      default:
        param.SetAsString("0");
    }
  }
}

// ---- Tables -------------------------------------------------------------------------------------

template <class Base>
const TPropertyTable<TkvTableOf<Base>>& TkvTableOf<Base>::Properties() {
  using C = TkvTableOf<Base>;
  static const TPropertyTable<C> table{
      typename TPropertyTable<C>::TAfterParent{},
      {
          {.Name = "IndexName",
           .Get = [](const C& c) -> TVariant { return c.Table().IndexName; },
           .Set = [](C& c, const TVariant& x) { c.Table().IndexName = VarToStr(x); }},
          {.Name = "IndexFieldNames",
           .Get = [](const C& c) -> TVariant { return c.Table().IndexFieldNames; },
           .Set = [](C& c, const TVariant& x) { c.Table().IndexFieldNames = VarToStr(x); },
           .DeclaredWhen = [](const C& c) { return c.Family() != TDataAccessFamily::dfADO; }},
          {.Name = "MasterFields",
           .Get = [](const C& c) -> TVariant { return c.Table().MasterFields; },
           .Set = [](C& c, const TVariant& x) { c.Table().MasterFields = VarToStr(x); }},
          {.Name = "MasterSource",
           .Get = [](const C& c) -> TVariant {
             const TDataSource* source = c.Table().MasterSource();
             return c.ReferenceName(source ? source->DataSet() : nullptr);
           },
           .Set = [](C& c,
                     const TVariant& x) { c.Table().SetMasterSource(c.SourceAt(VarToStr(x))); }},
          {.Name = "TableName",
           .Get = [](const C& c) -> TVariant { return c.Table().TableName; },
           .Set = [](C& c, const TVariant& x) { c.Table().TableName = VarToStr(x); }},
      }};
  return table;
}

template <class Base>
void TkvTableOf<Base>::AfterLoad() {
  if (this->Fixups.IndexOfName("MasterSource") >= 0) {
    this->AssignProperty("MasterSource", this->Fixups.GetVariable("MasterSource"));
  }
  Base::AfterLoad();
}

template <class Base>
void TkvTableOf<Base>::WriteTableAttributes(TDocumentStream& stream) const {
  TCustomTable& table = Table();
  WriteTextAttribute(stream, "IndexName", table.IndexName);
  WriteTextAttribute(stream, "TableName", table.TableName);
  if (table.MasterSource()) {
    const std::string master =
        VarToStr(const_cast<TkvTableOf&>(*this).QueryProperty("MasterSource"));
    WriteTextAttribute(stream, "Master", "db" + master);
    WriteTextAttribute(stream, "MasterFields", table.MasterFields);
  }
}

template <class Base>
void TkvTableOf<Base>::DocumentLosses(std::vector<std::string>& losses) const {
  Base::DocumentLosses(losses);
  const TCustomTable& table = Table();
  if (this->Family() == TDataAccessFamily::dfDBX) {
    if (!table.TableName.empty() || !table.IndexName.empty() || !table.IndexFieldNames.empty() ||
        table.MasterSource() || !table.MasterFields.empty()) {
      losses.push_back("its table name, index and master link are not carried into the document");
    }
    return;
  }
  if (!table.IndexFieldNames.empty()) {
    losses.push_back("the index field names are not carried into the document");
  }
}

template class TkvTableOf<TkvADODataset>;
template class TkvTableOf<TkvIBXDataset>;
template class TkvTableOf<TkvDBXDataset>;

TkvADOTable::TkvADOTable(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Table";
  auto& table = CreateOwned<TADOTable>(Context().HostForm());
  table.EnableBCD = false;
  Adopt(table);
}

// ADO table payload:
//   Database | Filter | IndexName | MasterFields | MasterSource | TableName (strings)
//   u8 Active | [u8 EnableBCD: RecordMinor >= 2] | field list
void TkvADOTable::LoadLegacy(TStream& stream) {
  Fixups.Clear();
  TkvView::LoadLegacy(stream);
  ReadReference(stream, "DataBase");
  SetFilter(ReadLegacyString(stream));
  Table().IndexName = ReadLegacyString(stream);
  Table().MasterFields = ReadLegacyString(stream);
  ReadReference(stream, "MasterSource");
  Table().TableName = ReadLegacyString(stream);
  ReadActive(stream);
  if (RecordMinor >= 2) static_cast<TADOTable&>(Table()).EnableBCD = ReadBool8(stream);
  ReadFieldList(stream);
  ApplyActive();
}

void TkvADOTable::SaveLegacy(TStream& stream) {
  RecordMinor = 2;
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, VarToStr(QueryProperty("Database")));
  WriteLegacyString(stream, Table().Filter);
  WriteLegacyString(stream, Table().IndexName);
  WriteLegacyString(stream, Table().MasterFields);
  WriteLegacyString(stream, VarToStr(QueryProperty("MasterSource")));
  WriteLegacyString(stream, static_cast<TADOTable&>(Table()).CommandText());
  WriteBool8(stream, Table().Active());
  WriteBool8(stream, static_cast<TADOTable&>(Table()).EnableBCD);
  WriteFieldList(stream);
}

void TkvADOTable::SaveToDocument(TDocumentStream& stream) {
  TkvNonVisualControl::SaveToDocument(stream);
  WriteDatasetAttributes(stream);
  WriteTableAttributes(stream);
}

TkvIBXTable::TkvIBXTable(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Table";
  Adopt(CreateOwned<TIBTable>(Context().HostForm()));
}

// IBX table payload:
//   Database | TableName | Filter | IndexName | IndexFieldNames | MasterFields | MasterSource
//   u8 Active | field list
void TkvIBXTable::LoadLegacy(TStream& stream) {
  Fixups.Clear();
  TkvView::LoadLegacy(stream);
  ReadReference(stream, "DataBase");
  Table().TableName = ReadLegacyString(stream);
  SetFilter(ReadLegacyString(stream));
  Table().IndexName = ReadLegacyString(stream);
  Table().IndexFieldNames = ReadLegacyString(stream);
  Table().MasterFields = ReadLegacyString(stream);
  ReadReference(stream, "MasterSource");
  ReadActive(stream);
  ReadFieldList(stream);
  ApplyActive();
}

void TkvIBXTable::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, VarToStr(QueryProperty("Database")));
  WriteLegacyString(stream, Table().TableName);
  WriteLegacyString(stream, Table().Filter);
  WriteLegacyString(stream, Table().IndexName);
  WriteLegacyString(stream, Table().IndexFieldNames);
  WriteLegacyString(stream, Table().MasterFields);
  WriteLegacyString(stream, VarToStr(QueryProperty("MasterSource")));
  WriteBool8(stream, Table().Active());
  WriteFieldList(stream);
}

void TkvIBXTable::SaveToDocument(TDocumentStream& stream) {
  TkvNonVisualControl::SaveToDocument(stream);
  WriteDatasetAttributes(stream);
  WriteTableAttributes(stream);
}

TkvDBXTable::TkvDBXTable(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Table";
  Adopt(CreateOwned<TSQLTable>(Context().HostForm()));
}

// DBX table payload:
//   Database | TableName | IndexName | IndexFieldNames | MasterFields | MasterSource
//   u8 Active | field list
void TkvDBXTable::LoadLegacy(TStream& stream) {
  Fixups.Clear();
  TkvView::LoadLegacy(stream);
  ReadReference(stream, "DataBase");
  Table().TableName = ReadLegacyString(stream);
  Table().IndexName = ReadLegacyString(stream);
  Table().IndexFieldNames = ReadLegacyString(stream);
  Table().MasterFields = ReadLegacyString(stream);
  ReadReference(stream, "MasterSource");
  ReadActive(stream);
  ReadFieldList(stream);
  ApplyActive();
}

void TkvDBXTable::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, VarToStr(QueryProperty("Database")));
  WriteLegacyString(stream, Table().TableName);
  WriteLegacyString(stream, Table().IndexName);
  WriteLegacyString(stream, Table().IndexFieldNames);
  WriteLegacyString(stream, Table().MasterFields);
  WriteLegacyString(stream, VarToStr(QueryProperty("MasterSource")));
  WriteBool8(stream, Table().Active());
  WriteFieldList(stream);
}

// ---- Queries ------------------------------------------------------------------------------------

template <class Base>
const TPropertyTable<TkvQueryOf<Base>>& TkvQueryOf<Base>::Properties() {
  using C = TkvQueryOf<Base>;
  static const TPropertyTable<C> table{
      typename TPropertyTable<C>::TAfterParent{},
      {
          {.Name = "DataSource",
           .Get = [](const C& c) -> TVariant {
             const TDataSource* source = c.Query().DataSource();
             return c.ReferenceName(source ? source->DataSet() : nullptr);
           },
           .Set = [](C& c,
                     const TVariant& x) { c.Query().SetDataSource(c.SourceAt(VarToStr(x))); }},
          {"Params"},
          {.Name = "SQL",
           .Get = [](const C& c) -> TVariant { return LinesText(c.Query().SQL()); },
           .Set = [](C& c, const TVariant& x) { c.Query().SetSQL(TextLines(VarToStr(x))); }},
          {.Name = "SQL.Count",
           .Get = [](const C& c) -> TVariant {
             return static_cast<std::int64_t>(c.Query().SQL().size());
           }},
      }};
  return table;
}

template <class Base>
void TkvQueryOf<Base>::Adopt(TCustomQuery& query) {
  this->NamePrefix = "Query";
  Base::Adopt(query);
  const TDataAccessFamily family = this->Family();
  query.BeforeOpen = [family](TDataSet& dataset) {
    AssignPlaceholders(static_cast<TCustomQuery&>(dataset), family);
  };
}

template <class Base>
void TkvQueryOf<Base>::AfterLoad() {
  if (this->Fixups.IndexOfName("DataSource") >= 0) {
    this->AssignProperty("DataSource", this->Fixups.GetVariable("DataSource"));
  }
  Base::AfterLoad();
}

template <class Base>
void TkvQueryOf<Base>::ReadQueryRest(TStream& stream, bool withBCD) {
  std::vector<std::string> sql;
  ReadLegacyMemo(stream, sql);
  Query().SetSQL(std::move(sql));
  this->ReadActive(stream);
  if (withBCD) static_cast<TADOQuery&>(Query()).EnableBCD = ReadBool8(stream);
  this->ReadFieldList(stream);
  ReadParamList(stream, Query(), this->Family());
  this->ApplyActive();
}

template <class Base>
void TkvQueryOf<Base>::WriteQueryRest(TStream& stream, bool withBCD) {
  WriteLegacyMemo(stream, Query().SQL());
  WriteBool8(stream, Query().Active());
  if (withBCD) WriteBool8(stream, static_cast<TADOQuery&>(Query()).EnableBCD);
  this->WriteFieldList(stream);
  WriteParamList(stream, Query(), this->Family());
}

template <class Base>
void TkvQueryOf<Base>::WritePropdata(TFormWriter& writer) {
  Base::WritePropdata(writer);
  if (WritesParamBlock) WriteParamBlock(writer, Query(), this->Family());
}

template <class Base>
void TkvQueryOf<Base>::DocumentLosses(std::vector<std::string>& losses) const {
  Base::DocumentLosses(losses);
  if (this->Family() == TDataAccessFamily::dfDBX) {
    if (!Query().SQL().empty() || Query().Params().Count() > 0) {
      losses.push_back("its SQL text and parameters are not carried into the document");
    }
  }
  if (Query().DataSource()) {
    losses.push_back("its master data source is not carried into the document");
  }
}

template class TkvQueryOf<TkvADODataset>;
template class TkvQueryOf<TkvIBXDataset>;
template class TkvQueryOf<TkvDBXDataset>;

TkvADOQuery::TkvADOQuery(TConversionContext& context) : TViewClassOf(context) {
  auto& query = CreateOwned<TADOQuery>(Context().HostForm());
  query.EnableBCD = false;
  Adopt(query);
}

// ADO query payload:
//   Database | Filter | DataSource (strings) | SQL (memo) | u8 Active
//   [u8 EnableBCD: RecordMinor >= 2] | field list | parameter list
void TkvADOQuery::LoadLegacy(TStream& stream) {
  Fixups.Clear();
  TkvView::LoadLegacy(stream);
  ReadReference(stream, "DataBase");
  SetFilter(ReadLegacyString(stream));
  ReadReference(stream, "DataSource");
  ReadQueryRest(stream, RecordMinor >= 2);
}

void TkvADOQuery::SaveLegacy(TStream& stream) {
  RecordMinor = 2;
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, VarToStr(QueryProperty("Database")));
  WriteLegacyString(stream, Query().Filter);
  WriteLegacyString(stream, VarToStr(QueryProperty("DataSource")));
  WriteQueryRest(stream, true);
}

void TkvADOQuery::SaveToDocument(TDocumentStream& stream) {
  TkvNonVisualControl::SaveToDocument(stream);
  WriteDatasetAttributes(stream);
  WriteTextAttribute(stream, "SQL.text", LinesText(Query().SQL()));
}

TkvIBXQuery::TkvIBXQuery(TConversionContext& context) : TViewClassOf(context) {
  Adopt(CreateOwned<TIBQuery>(Context().HostForm()));
}

// IBX query payload: Database | Filter | DataSource | SQL | u8 Active | fields | parameters
void TkvIBXQuery::LoadLegacy(TStream& stream) {
  Fixups.Clear();
  TkvView::LoadLegacy(stream);
  ReadReference(stream, "DataBase");
  SetFilter(ReadLegacyString(stream));
  ReadReference(stream, "DataSource");
  ReadQueryRest(stream, false);
}

void TkvIBXQuery::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, VarToStr(QueryProperty("Database")));
  WriteLegacyString(stream, Query().Filter);
  WriteLegacyString(stream, VarToStr(QueryProperty("DataSource")));
  WriteQueryRest(stream, false);
}

void TkvIBXQuery::SaveToDocument(TDocumentStream& stream) {
  TkvNonVisualControl::SaveToDocument(stream);
  WriteDatasetAttributes(stream);
  WriteTextAttribute(stream, "SQL.text", LinesText(Query().SQL()));
}

TkvDBXQuery::TkvDBXQuery(TConversionContext& context) : TViewClassOf(context) {
  Adopt(CreateOwned<TSQLQuery>(Context().HostForm()));
  // The element holds the common attributes and the position block only.
  WritesParamBlock = false;
}

// DBX query payload: Database | DataSource | SQL | u8 Active | fields | parameters
void TkvDBXQuery::LoadLegacy(TStream& stream) {
  Fixups.Clear();
  TkvView::LoadLegacy(stream);
  ReadReference(stream, "DataBase");
  ReadReference(stream, "DataSource");
  ReadQueryRest(stream, false);
}

void TkvDBXQuery::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, VarToStr(QueryProperty("Database")));
  WriteLegacyString(stream, VarToStr(QueryProperty("DataSource")));
  WriteQueryRest(stream, false);
}

// ---- Databases ----------------------------------------------------------------------------------

TkvDatabaseObject::TkvDatabaseObject(TConversionContext& context) : TPropertiesOf(context) {
  NamePrefix = "Database";
  Flags |= 0x4000;
}

const TPropertyTable<TkvDatabaseObject>& TkvDatabaseObject::Properties() {
  using C = TkvDatabaseObject;
  static const TPropertyTable<C> table{
      TPropertyTable<C>::TAfterParent{},
      {
          {.Name = "Connected",
           .Get = [](const C& c) -> TVariant { return c.PlatformConnection()->Connected(); },
           .Set =
               [](C& c, const TVariant& x) {
                 c.PlatformConnection()->SetConnected(VarToInt(x) != 0);
               }},
          {.Name = "LoginPrompt",
           .Get = [](const C& c) -> TVariant { return c.PlatformConnection()->LoginPrompt; },
           .Set =
               [](C& c, const TVariant& x) {
                 c.PlatformConnection()->LoginPrompt = VarToInt(x) != 0;
               }},
      }};
  return table;
}

void TkvDatabaseObject::ReadConnected(TStream& stream) {
  if (!ReadBool8(stream)) return;
  ConnectFailed = true;
  PlatformConnection()->SetConnected(true);
  ConnectFailed = false;
}

void TkvDatabaseObject::WriteLoginPrompt(TDocumentStream& stream) const {
  if (!PlatformConnection()->LoginPrompt) WriteAttribute(stream, "LoginPrompt", "False");
}

void TkvDatabaseObject::WriteConnected(TDocumentStream& stream) const {
  if (PlatformConnection()->Connected()) WriteAttribute(stream, "Connected", "True");
}

void TkvDatabaseObject::DocumentLosses(std::vector<std::string>& losses) const {
  if (ConnectFailed) {
    losses.push_back(
        "a database stored as connected could not be connected during conversion, so the rest "
        "of its record was not read");
  }
}

TkvADODatabase::TkvADODatabase(TConversionContext& context) : TViewClassOf(context) {
  Component = &CreateOwned<TADOConnection>(Context().HostForm());
}

const TPropertyTable<TkvADODatabase>& TkvADODatabase::Properties() {
  using C = TkvADODatabase;
  static const TPropertyTable<C> table{
      TPropertyTable<C>::TAfterParent{},
      {
          {.Name = "DatabaseName",
           .Get = [](const C& c) -> TVariant { return c.Connection().ConnectionString; },
           .Set = [](C& c, const TVariant& x) { c.Connection().ConnectionString = VarToStr(x); }},
      }};
  return table;
}

// ADO database payload: connection string | u8 LoginPrompt | u8 Connected
void TkvADODatabase::LoadLegacy(TStream& stream) {
  ConnectFailed = false;
  TkvView::LoadLegacy(stream);
  Connection().ConnectionString = ReadLegacyString(stream);
  Connection().LoginPrompt = ReadBool8(stream);
  ReadConnected(stream);
}

void TkvADODatabase::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, Connection().ConnectionString);
  WriteBool8(stream, Connection().LoginPrompt);
  WriteBool8(stream, Connection().Connected());
}

void TkvADODatabase::SaveToDocument(TDocumentStream& stream) {
  TkvNonVisualControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "DatabaseName", Connection().ConnectionString);
  WriteLoginPrompt(stream);
  WriteConnected(stream);
}

TkvIBXDatabase::TkvIBXDatabase(TConversionContext& context) : TViewClassOf(context) {
  auto& database = CreateOwned<TIBDatabase>(Context().HostForm());
  auto& transaction = CreateOwned<TIBTransaction>(Context().HostForm());
  database.SetDefaultTransaction(&transaction);
  Transaction = &transaction;
  Component = &database;
}

TkvIBXDatabase::~TkvIBXDatabase() {
  TComponent* transaction = Transaction.Get();
  Transaction = nullptr;
  FreeOwned(transaction);
}

const TPropertyTable<TkvIBXDatabase>& TkvIBXDatabase::Properties() {
  using C = TkvIBXDatabase;
  static const TPropertyTable<C> table{
      TPropertyTable<C>::TAfterParent{},
      {
          {.Name = "DatabaseName",
           .Get = [](const C& c) -> TVariant { return c.Connection().DatabaseName; },
           .Set = [](C& c, const TVariant& x) { c.Connection().DatabaseName = VarToStr(x); }},
          {.Name = "Params",
           .Get = [](const C& c) -> TVariant { return LinesText(c.Connection().Params); },
           .Set = [](C& c, const TVariant& x) { c.Connection().Params = TextLines(VarToStr(x)); }},
          {.Name = "Params.Count",
           .Get = [](const C& c) -> TVariant {
             return static_cast<std::int64_t>(c.Connection().Params.size());
           }},
          {.Name = "SQLDialect",
           .Get = [](const C& c) -> TVariant {
             return static_cast<std::int64_t>(c.Connection().SQLDialect);
           },
           .Set = [](C& c, const TVariant& x) { c.Connection().SQLDialect = VarToInt32(x); }},
      }};
  return table;
}

// IBX database payload:
//   DatabaseName | u8 LoginPrompt | [i32 SQLDialect: record version above 20] | Params (memo)
//   u8 Connected
void TkvIBXDatabase::LoadLegacy(TStream& stream) {
  ConnectFailed = false;
  TkvView::LoadLegacy(stream);
  Connection().DatabaseName = ReadLegacyString(stream);
  Connection().LoginPrompt = ReadBool8(stream);
  if (RecordVersion() > 20) Connection().SQLDialect = ReadInt(stream);
  ReadLegacyMemo(stream, Connection().Params);
  ReadConnected(stream);
}

void TkvIBXDatabase::SaveLegacy(TStream& stream) {
  RecordMinor = 1;
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, Connection().DatabaseName);
  WriteBool8(stream, Connection().LoginPrompt);
  WriteInt(stream, Connection().SQLDialect);
  WriteLegacyMemo(stream, Connection().Params);
  WriteBool8(stream, Connection().Connected());
}

void TkvIBXDatabase::SaveToDocument(TDocumentStream& stream) {
  TkvNonVisualControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "DatabaseName", Connection().DatabaseName);
  WriteLoginPrompt(stream);
  WriteTextAttribute(stream, "Params.text", LinesText(Connection().Params));
  WriteConnected(stream);
  WriteAttribute(stream, "SQLDialect", Connection().SQLDialect);
}

TkvDBXDatabase::TkvDBXDatabase(TConversionContext& context) : TViewClassOf(context) {
  Component = &CreateOwned<TSQLConnection>(Context().HostForm());
}

const TPropertyTable<TkvDBXDatabase>& TkvDBXDatabase::Properties() {
  using C = TkvDBXDatabase;
  static const TPropertyTable<C> table{
      TPropertyTable<C>::TAfterParent{},
      {
          {.Name = "ConnectionName",
           .Get = [](const C& c) -> TVariant { return c.Connection().ConnectionName; },
           .Set = [](C& c, const TVariant& x) { c.Connection().ConnectionName = VarToStr(x); }},
          {.Name = "DriverName",
           .Get = [](const C& c) -> TVariant { return c.Connection().DriverName; },
           .Set = [](C& c, const TVariant& x) { c.Connection().DriverName = VarToStr(x); }},
          {.Name = "Params",
           .Get = [](const C& c) -> TVariant { return LinesText(c.Connection().Params); },
           .Set = [](C& c, const TVariant& x) { c.Connection().Params = TextLines(VarToStr(x)); }},
          {.Name = "Params.Count",
           .Get = [](const C& c) -> TVariant {
             return static_cast<std::int64_t>(c.Connection().Params.size());
           }},
      }};
  return table;
}

// DBX database payload:
//   ConnectionName | DriverName (applied only when not empty) | u8 LoginPrompt | Params (memo)
//   u8 Connected
void TkvDBXDatabase::LoadLegacy(TStream& stream) {
  ConnectFailed = false;
  TkvView::LoadLegacy(stream);
  Connection().ConnectionName = ReadLegacyString(stream);
  const std::string driver = ReadLegacyString(stream);
  if (!driver.empty()) Connection().DriverName = driver;
  Connection().LoginPrompt = ReadBool8(stream);
  ReadLegacyMemo(stream, Connection().Params);
  ReadConnected(stream);
}

void TkvDBXDatabase::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, Connection().ConnectionName);
  WriteLegacyString(stream, Connection().DriverName);
  WriteBool8(stream, Connection().LoginPrompt);
  WriteLegacyMemo(stream, Connection().Params);
  WriteBool8(stream, Connection().Connected());
}

void TkvDBXDatabase::DocumentLosses(std::vector<std::string>& losses) const {
  TkvDatabaseObject::DocumentLosses(losses);
  const TSQLConnection& connection = Connection();
  if (!connection.ConnectionName.empty() || !connection.DriverName.empty() ||
      !connection.Params.empty() || !connection.LoginPrompt) {
    losses.push_back(
        "its connection name, driver, parameters and login prompt are not carried into the "
        "document");
  }
}

// ---- Registration -------------------------------------------------------------------------------

void RegisterDatabaseFamilies() {
  constexpr int InsertDatabase = 55470, InsertTable = 55471, InsertQuery = 55472;
  RegisterAddIn(TkvDBXTable::Class(), InsertTable, true);
  RegisterAddIn(TkvDBXQuery::Class(), InsertQuery, true);
  RegisterAddIn(TkvDBXDatabase::Class(), InsertDatabase, true);
  RegisterAddIn(TkvIBXTable::Class(), InsertTable, true);
  RegisterAddIn(TkvIBXQuery::Class(), InsertQuery, true);
  RegisterAddIn(TkvIBXDatabase::Class(), InsertDatabase, true);
  RegisterAddIn(TkvADOTable::Class(), InsertTable, true);
  RegisterAddIn(TkvADOQuery::Class(), InsertQuery, true);
  RegisterAddIn(TkvADODatabase::Class(), InsertDatabase, true);
}

}  // namespace kv
