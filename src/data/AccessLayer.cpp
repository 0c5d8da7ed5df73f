// The property-holding components of the three database access layers.
#include "data/AccessLayer.h"

#include <array>

#include "base/Ascii.h"

namespace kv {

namespace {

constexpr const char* NotAvailable = "database access is not available in this build";

std::string ComponentLabel(const TComponent& component) {
  return component.Name.empty() ? component.ClassName() : component.Name;
}

bool IsIdentifierStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 128;
}

bool IsIdentifierChar(unsigned char c) {
  return IsIdentifierStart(c) || (c >= '0' && c <= '9');
}

const char* FamilyName(TDataAccessFamily family) {
  switch (family) {
    case TDataAccessFamily::dfADO:
      return "ADO";
    case TDataAccessFamily::dfIBX:
      return "InterBase Express";
    case TDataAccessFamily::dfDBX:
      return "dbExpress";
  }
  return "";
}

}  // namespace

std::string FieldTypeName(TFieldType type) {
  static const std::array<const char*, FieldTypeCount> names{
      "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
      "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
      "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
      "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
      "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
      "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
      "ftTimeStamp",  "ftFMTBcd"};
  const auto index = static_cast<std::size_t>(type);
  return index < names.size() ? names[index] : "";
}

std::optional<TFieldType> FieldTypeFromOrdinal(int ordinal) {
  if (ordinal < 0 || ordinal >= FieldTypeCount) return std::nullopt;
  return static_cast<TFieldType>(ordinal);
}

// ---- Connections --------------------------------------------------------------------------------

void TCustomConnection::SetConnected(bool value) {
  if (value) {
    Open();
  } else {
    Close();
  }
}

void TCustomConnection::Open() {
  throw EDatabaseError("Cannot connect " + ComponentLabel(*this) + ": " + NotAvailable);
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* database) {
  SetReference(Database, database);
}

void TIBTransaction::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == Database) Database = nullptr;
}

void TIBDatabase::SetDefaultTransaction(TIBTransaction* transaction) {
  SetReference(Transaction, transaction);
  if (transaction && !transaction->DefaultDatabase()) transaction->SetDefaultDatabase(this);
}

void TIBDatabase::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == Transaction) Transaction = nullptr;
}

// ---- Fields -------------------------------------------------------------------------------------

TFieldDef& TFieldDefs::Add(std::string name, TFieldType dataType, std::int32_t size,
                           bool required) {
  Items.push_back(
      std::make_unique<TFieldDef>(TFieldDef{std::move(name), dataType, size, required}));
  return *Items.back();
}

TFieldDef& TFieldDefs::Item(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return *Items[static_cast<std::size_t>(index)];
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < Items.size(); ++i) {
    if (SameTextAscii(Items[i]->Name, name)) return static_cast<int>(i);
  }
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : Items[static_cast<std::size_t>(index)].get();
}

TField::TField(TDataSet& dataSet, const TFieldDef& definition)
    : FieldName(definition.Name),
      DataType(definition.DataType),
      Size(definition.Size),
      Required(definition.Required),
      Owning(dataSet) {}

void TField::SetLookup(bool value) {
  FieldKind = value ? TFieldKind::fkLookup : TFieldKind::fkData;
}

void TField::SetLookupDataSet(TDataSet* dataSet) {
  SetReference(LookupSource, dataSet);
}

void TField::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == LookupSource) LookupSource = nullptr;
}

// ---- TDataSet -----------------------------------------------------------------------------------

TDataSet::~TDataSet() = default;

void TDataSet::SetConnection(TCustomConnection* connection) {
  if (connection && connection->Family() != Family()) {
    throw EDatabaseError(ComponentLabel(*this) + ": a " + FamilyName(Family()) +
                         " dataset cannot use the " + FamilyName(connection->Family()) +
                         " connection " + ComponentLabel(*connection));
  }
  SetReference(Link, connection);
}

TField& TDataSet::CreateField(const TFieldDef& definition) {
  FieldList.push_back(std::make_unique<TField>(*this, definition));
  return *FieldList.back();
}

TField* TDataSet::FindField(std::string_view name) const {
  for (const auto& field : FieldList) {
    if (SameTextAscii(field->FieldName, name)) return field.get();
  }
  return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const {
  if (TField* field = FindField(name)) return *field;
  throw EDatabaseError(ComponentLabel(*this) + ": Field '" + std::string(name) + "' not found");
}

std::vector<std::string> TDataSet::FieldNames() const {
  std::vector<std::string> names;
  if (!FieldList.empty()) {
    for (const auto& field : FieldList) names.push_back(field->FieldName);
  } else {
    for (int i = 0; i < FieldDefs.Count(); ++i) names.push_back(FieldDefs.Item(i).Name);
  }
  return names;
}

bool TDataSet::HasFieldName(std::string_view name) const {
  for (const std::string& field : FieldNames()) {
    if (SameTextAscii(field, name)) return true;
  }
  return false;
}

void TDataSet::SetActive(bool value) {
  if (value) {
    Open();
  } else {
    Close();
  }
}

void TDataSet::Open() {
  if (BeforeOpen) BeforeOpen(*this);
  throw EDatabaseError("Cannot open " + ComponentLabel(*this) + ": " + NotAvailable);
}

void TDataSet::Closed() const {
  throw EDatabaseError(ComponentLabel(*this) +
                       ": Cannot perform this operation on a closed dataset");
}

void TDataSet::First() {
  Closed();
}

void TDataSet::Next() {
  Closed();
}

void TDataSet::Prior() {
  Closed();
}

void TDataSet::Last() {
  Closed();
}

TBookmark TDataSet::GetBookmark() const {
  Closed();
}

void TDataSet::GotoBookmark(const TBookmark&) {
  Closed();
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  return a.Record == b.Record ? 0 : (a.Record < b.Record ? -1 : 1);
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == Link) Link = nullptr;
}

// ---- Tables -------------------------------------------------------------------------------------

void TCustomTable::SetMasterSource(TDataSource* source) {
  SetReference(Master, source);
}

void TCustomTable::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation == TOperation::opRemove && component == Master) Master = nullptr;
}

// ---- Queries ------------------------------------------------------------------------------------

TParam& TParams::Item(int index) {
  return const_cast<TParam&>(static_cast<const TParams&>(*this).Item(index));
}

const TParam& TParams::Item(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return Items[static_cast<std::size_t>(index)];
}

TParam* TParams::FindParam(std::string_view name) {
  for (TParam& param : Items) {
    if (SameTextAscii(param.Name, name)) return &param;
  }
  return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) {
  if (TParam* param = FindParam(name)) return *param;
  throw EDatabaseError("Parameter '" + std::string(name) + "' not found");
}

TParam& TParams::Add(std::string name) {
  Items.push_back(TParam{});
  Items.back().Name = std::move(name);
  return Items.back();
}

std::vector<std::string> ParamNamesOfSQL(std::string_view sql) {
  std::vector<std::string> names;
  char quote = 0;  // the quote of the quoted text being read, or 0
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (quote) {
      // A doubled quote inside quoted text closes and reopens it, which leaves it quoted.
      if (c == quote) quote = 0;
      ++i;
    } else if (c == '\'' || c == '"') {
      quote = c;
      ++i;
    } else if (c == ':') {
      if (i + 1 < sql.size() && sql[i + 1] == ':') {
        i += 2;  // "::" is no parameter (a type cast in several SQL dialects)
        continue;
      }
      std::size_t end = i + 1;
      if (end < sql.size() && IsIdentifierStart(static_cast<unsigned char>(sql[end]))) {
        while (end < sql.size() && IsIdentifierChar(static_cast<unsigned char>(sql[end]))) ++end;
        std::string name(sql.substr(i + 1, end - i - 1));
        bool known = false;
        for (const std::string& n : names) known = known || SameTextAscii(n, name);
        if (!known) names.push_back(std::move(name));
      }
      i = end;
    } else {
      ++i;
    }
  }
  return names;
}

void TCustomQuery::SetSQL(std::vector<std::string> lines) {
  Lines = std::move(lines);
  TParams derived;
  for (std::string& name : ParamNamesOfSQL(SQLText())) {
    if (const TParam* kept = ParamList.FindParam(name)) {
      TParam& param = derived.Add(std::move(name));
      param.DataType = kept->DataType;
      param.Attributes = kept->Attributes;
      param.Bound = kept->Bound;
      param.Value = kept->Value;
    } else {
      derived.Add(std::move(name));
    }
  }
  ParamList = std::move(derived);
}

std::string TCustomQuery::SQLText() const {
  std::string text;
  for (const std::string& line : Lines) text += line + "\r\n";
  return text;
}

void TCustomQuery::SetDataSource(TDataSource* source) {
  SetReference(Source, source);
}

void TCustomQuery::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation == TOperation::opRemove && component == Source) Source = nullptr;
}

// ---- TDataSource --------------------------------------------------------------------------------

void TDataSource::SetDataSet(TDataSet* dataSet) {
  SetReference(Served, dataSet);
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == Served) Served = nullptr;
}

}  // namespace kv
