// Report datasets: the walking protocol, the binding to database datasets, band sources and the
// listing of the application's report datasets.
#include "data/Datasets.h"

#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Report.h"

namespace kv {

namespace {

// The whole text as a decimal integer of 32 bits.
std::int32_t StrToInt(std::string_view text) {
  std::int64_t value = 0;
  bool valid = !text.empty();
  for (const char c : text) {
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) {
      valid = false;
      break;
    }
  }
  if (!valid) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return static_cast<std::int32_t>(value);
}

void CollectDatasets(const TComponent& component, std::vector<TkvDataset*>& found) {
  for (const auto& owned : component.Components()) {
    if (auto* dataset = dynamic_cast<TkvDataset*>(owned.get())) found.push_back(dataset);
    CollectDatasets(*owned, found);
  }
}

}  // namespace

// ---- TkvDataset ---------------------------------------------------------------------------------

void TkvDataset::First() {
  RecordNumber = 0;
  if (OnFirst) OnFirst(*this);
}

void TkvDataset::Next() {
  ++RecordNumber;
  const bool pastCount = RangeEnd == TRangeEnd::reCount && RecordNumber >= RangeEndCount;
  if (!pastCount && OnNext) OnNext(*this);
}

void TkvDataset::Prior() {
  --RecordNumber;
  if (OnPrior) OnPrior(*this);
}

bool TkvDataset::CheckEof() {
  bool eof = RangeEnd == TRangeEnd::reCount && RecordNumber >= RangeEndCount;
  if (OnCheckEOF) OnCheckEOF(*this, eof);
  return eof;
}

// ---- TkvDBDataSet -------------------------------------------------------------------------------

void TkvDBDataSet::SetDataSet(TDataSet* dataSet) {
  SetReference(DirectSet, dataSet);
  SetReference(Source, static_cast<TDataSource*>(nullptr));
}

void TkvDBDataSet::SetDataSource(TDataSource* source) {
  SetReference(Source, source);
  if (source) SetReference(DirectSet, static_cast<TDataSet*>(nullptr));
}

TDataSet* TkvDBDataSet::BoundDatasetOrNone() const {
  if (Source && Source->DataSet()) return Source->DataSet();
  return DirectSet;
}

TDataSet& TkvDBDataSet::BoundDataset() const {
  if (TDataSet* bound = BoundDatasetOrNone()) return *bound;
  throw EDatabaseError("Unable to open dataset " + Name);
}

void TkvDBDataSet::BeginRead() {
  if (OpenDataSource) BoundDataset().Open();
  if (OnOpen) OnOpen(*this);
  RangeBookmark.reset();
  if (RangeBegin == TRangeBegin::rbCurrent || RangeEnd == TRangeEnd::reCurrent) {
    RangeBookmark = BoundDataset().GetBookmark();
  }
  AtRangeEnd = false;
}

void TkvDBDataSet::EndRead() {
  if (RangeBookmark) {
    TDataSet& bound = BoundDataset();
    bound.GotoBookmark(*RangeBookmark);
    bound.FreeBookmark(*RangeBookmark);
    RangeBookmark.reset();
  }
  if (OnClose) OnClose(*this);
  if (CloseDataSource) BoundDataset().Close();
}

void TkvDBDataSet::First() {
  if (RangeBegin == TRangeBegin::rbFirst) {
    BoundDataset().First();
  } else if (RangeBookmark) {
    BoundDataset().GotoBookmark(*RangeBookmark);
  }
  AtRangeEnd = false;
  TkvDataset::First();
}

void TkvDBDataSet::Next() {
  AtRangeEnd = false;
  if (RangeEnd == TRangeEnd::reCurrent) {
    // Only tells whether the walk stands on the record where reading began; nothing moves.
    if (RangeBookmark) {
      TDataSet& bound = BoundDataset();
      AtRangeEnd = bound.CompareBookmarks(bound.GetBookmark(), *RangeBookmark) == 0;
    }
    return;
  }
  BoundDataset().Next();
  TkvDataset::Next();
}

void TkvDBDataSet::Prior() {
  BoundDataset().Prior();
  TkvDataset::Prior();
}

bool TkvDBDataSet::CheckEof() {
  const bool baseEof = TkvDataset::CheckEof();
  return baseEof || BoundDataset().Eof() || AtRangeEnd;
}

void TkvDBDataSet::Notification(TComponent* component, TOperation operation) {
  if (operation != TOperation::opRemove) return;
  if (component == DirectSet) DirectSet = nullptr;
  if (component == Source) Source = nullptr;
}

// ---- Band sources and listing -------------------------------------------------------------------

TBandSource ResolveBandSource(TConversionContext& context, std::string_view text) {
  TBandSource result;
  if (!text.empty() && text[0] >= '1' && text[0] <= '9') {
    auto counting = std::make_unique<TkvUserDataset>();
    counting->RangeEnd = TRangeEnd::reCount;
    counting->RangeEndCount = StrToInt(text);
    result.Dataset = counting.get();
    result.Created = std::move(counting);
  } else {
    const TkvReport* report = context.Load.CurrentReport;
    TComponent* found = FindComponentByPath(context, report ? report->Owner() : nullptr, text);
    if (found) {
      result.Dataset = dynamic_cast<TkvDataset*>(found);
      if (!result.Dataset) throw EInvalidCast();
    }
  }
  if (result.Dataset) result.Dataset->BeginRead();
  return result;
}

std::vector<TkvDataset*> ReportDatasets(TConversionContext& context) {
  std::vector<TkvDataset*> found;
  for (const TComponent* form : context.Application.Forms()) CollectDatasets(*form, found);
  return found;
}

TkvDBDataSet* ReportDatasetBoundTo(TConversionContext& context, const TDataSet& dataSet) {
  for (TkvDataset* dataset : ReportDatasets(context)) {
    auto* database = dynamic_cast<TkvDBDataSet*>(dataset);
    if (database && database->BoundDatasetOrNone() == &dataSet) return database;
  }
  return nullptr;
}

}  // namespace kv
