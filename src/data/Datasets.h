// Report datasets: the components through which a band of a report walks records. TkvDataset
// defines the walking protocol and the record range; TkvUserDataset is driven by callbacks or a
// fixed record count; TkvDBDataSet reads a database dataset of the access layer, directly or
// through a data source. Conversion creates, binds and lists report datasets but never walks
// one; the walk is the run-time engine's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/AccessLayer.h"
#include "legacy/Component.h"

namespace kv {

class TConversionContext;

// Where a walk starts: the first record, or the record current when reading begins.
enum class TRangeBegin { rbFirst, rbCurrent };
// Where a walk ends: after the last record, at the record current when reading began, or after
// RangeEndCount records.
enum class TRangeEnd { reLast, reCurrent, reCount };

class TkvDataset;
using TkvDatasetEvent = std::function<void(TkvDataset& dataset)>;
// May change the end flag that CheckEof is about to answer.
using TkvCheckEofEvent = std::function<void(TkvDataset& dataset, bool& eof)>;

class TkvDataset : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TkvDataset"; }

  TRangeBegin RangeBegin = TRangeBegin::rbFirst;
  TRangeEnd RangeEnd = TRangeEnd::reLast;
  std::int32_t RangeEndCount = 0;
  TkvDatasetEvent OnFirst, OnNext, OnPrior;
  TkvCheckEofEvent OnCheckEOF;

  // The 0-based number of the current record of the walk.
  std::int32_t RecordNumber = 0;

  // The walk: BeginRead, First, then the band's work and Next until CheckEof, then EndRead.
  virtual void BeginRead() {}
  virtual void EndRead() {}
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool CheckEof();
};

// Records exist only through its callbacks or its count.
class TkvUserDataset : public TkvDataset {
 public:
  using TkvDataset::TkvDataset;
  std::string ClassName() const override { return "TkvUserDataset"; }
};

class TkvDBDataSet : public TkvDataset {
 public:
  using TkvDataset::TkvDataset;
  std::string ClassName() const override { return "TkvDBDataSet"; }

  // The dataset read directly. Setting it also clears DataSource.
  TDataSet* DataSet() const { return DirectSet; }
  void SetDataSet(TDataSet* dataSet);
  // The data source whose dataset is read; it wins over DataSet. Setting a data source clears
  // DataSet; setting none leaves DataSet alone.
  TDataSource* DataSource() const { return Source; }
  void SetDataSource(TDataSource* source);

  bool OpenDataSource = true;    // open the bound dataset in BeginRead
  bool CloseDataSource = false;  // close it in EndRead
  TkvDatasetEvent OnOpen, OnClose;

  // The record current when reading began, when the range needs it.
  std::optional<TBookmark> RangeBookmark;
  bool AtRangeEnd = false;

  // The dataset of DataSource when it has one, else DataSet; with neither, EDatabaseError
  // "Unable to open dataset " + Name.
  TDataSet& BoundDataset() const;
  // The same without raising: none when unbound.
  TDataSet* BoundDatasetOrNone() const;

  void BeginRead() override;
  void EndRead() override;
  void First() override;
  void Next() override;
  void Prior() override;
  bool CheckEof() override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSet* DirectSet = nullptr;
  TDataSource* Source = nullptr;
};

// The dataset a band's data source text gives. A dataset created for it (a record count) is
// held in Created and belongs to the caller; one found by name is only pointed at.
struct TBandSource {
  TkvDataset* Dataset = nullptr;
  std::unique_ptr<TkvDataset> Created;
  bool IsCreated() const { return Created != nullptr; }
};

// Text beginning with a digit 1 to 9 is a record count: a new counting TkvUserDataset (a text
// that is not a whole integer raises EConvertError). Any other text is a component path from the
// owner of the current report; the component must be a report dataset (EInvalidCast otherwise).
// The dataset found or created has begun reading.
TBandSource ResolveBandSource(TConversionContext& context, std::string_view text);

// Every report dataset of the application: the components of each form in the application's
// order, each followed by the components it owns, recursively.
std::vector<TkvDataset*> ReportDatasets(TConversionContext& context);

// The first report dataset of the application that reads dataSet; unbound ones are passed over.
TkvDBDataSet* ReportDatasetBoundTo(TConversionContext& context, const TDataSet& dataSet);

}  // namespace kv
