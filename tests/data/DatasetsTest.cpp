// Report datasets: the walk of user datasets by count and by callback, the binding rules of
// database report datasets, band sources and the listing of the application's report datasets.
#include <gtest/gtest.h>

#include "data/Datasets.h"
#include "legacy/Context.h"
#include "legacy/Report.h"

namespace kv {
namespace {

TEST(ReportDataset, CountedWalkFiresNextOnlyForRecordsInRange) {
  TkvUserDataset d("kvUserDataset1");
  EXPECT_EQ(d.RangeBegin, TRangeBegin::rbFirst);
  EXPECT_EQ(d.RangeEnd, TRangeEnd::reLast);
  EXPECT_EQ(d.RangeEndCount, 0);
  d.RangeEnd = TRangeEnd::reCount;
  d.RangeEndCount = 3;
  std::vector<std::string> events;
  d.OnFirst = [&](TkvDataset& x) { events.push_back("first " + std::to_string(x.RecordNumber)); };
  d.OnNext = [&](TkvDataset& x) { events.push_back("next " + std::to_string(x.RecordNumber)); };
  d.OnPrior = [&](TkvDataset& x) { events.push_back("prior " + std::to_string(x.RecordNumber)); };

  d.BeginRead();
  d.RecordNumber = 9;
  d.First();
  EXPECT_FALSE(d.CheckEof());
  std::vector<bool> ends;
  for (int i = 0; i < 3; ++i) {
    d.Next();
    ends.push_back(d.CheckEof());
  }
  EXPECT_EQ(ends, (std::vector<bool>{false, false, true}));
  d.Prior();
  EXPECT_FALSE(d.CheckEof());
  d.EndRead();
  EXPECT_EQ(events, (std::vector<std::string>{"first 0", "next 1", "next 2", "prior 2"}));
}

TEST(ReportDataset, CheckEofCallbackDecidesTheEnd) {
  // A "reLast" user dataset never ends by itself; the callback ends it after five records.
  TkvUserDataset d;
  d.OnCheckEOF = [](TkvDataset& x, bool& eof) {
    EXPECT_FALSE(eof);
    eof = x.RecordNumber >= 5;
  };
  int walked = 0;
  for (d.First(); !d.CheckEof() && walked < 100; d.Next()) ++walked;
  EXPECT_EQ(walked, 5);

  // It may also keep a counted walk going past its count.
  TkvUserDataset counted;
  counted.RangeEnd = TRangeEnd::reCount;
  counted.RangeEndCount = 1;
  counted.First();
  counted.Next();
  counted.OnCheckEOF = [](TkvDataset&, bool& eof) {
    EXPECT_TRUE(eof);
    eof = false;
  };
  EXPECT_FALSE(counted.CheckEof());
}

// Platform datasets on a form of their own, for the binding rules.
class DBDataSetTest : public ::testing::Test {
 protected:
  TComponent Owner{"Data"};
  TADOTable& Direct = CreateOwned<TADOTable>(Owner, "Direct");
  TADOQuery& Served = CreateOwned<TADOQuery>(Owner, "Served");
  TDataSource& Source = CreateOwned<TDataSource>(Owner, "Source");
  TkvDBDataSet& Report = CreateOwned<TkvDBDataSet>(Owner, "kvDBDataSet1");
};

TEST_F(DBDataSetTest, DataSourceWinsOverDataSetAndEachSettingClearsTheOther) {
  EXPECT_TRUE(Report.OpenDataSource);
  EXPECT_FALSE(Report.CloseDataSource);
  try {
    Report.BoundDataset();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Unable to open dataset kvDBDataSet1");
  }
  EXPECT_EQ(Report.BoundDatasetOrNone(), nullptr);

  Source.SetDataSet(&Served);
  Report.SetDataSet(&Direct);
  EXPECT_EQ(&Report.BoundDataset(), &Direct);
  Report.SetDataSource(nullptr);  // none leaves the dataset alone
  EXPECT_EQ(Report.DataSet(), &Direct);
  Report.SetDataSource(&Source);
  EXPECT_EQ(Report.DataSet(), nullptr);
  EXPECT_EQ(&Report.BoundDataset(), &Served);
  Report.SetDataSet(&Direct);  // a dataset clears the data source
  EXPECT_EQ(Report.DataSource(), nullptr);
  EXPECT_EQ(&Report.BoundDataset(), &Direct);

  // A data source without a dataset binds nothing.
  Report.SetDataSource(&Source);
  Source.SetDataSet(nullptr);
  EXPECT_THROW(Report.BoundDataset(), EDatabaseError);

  // References go with their targets.
  FreeOwned(&Source);
  EXPECT_EQ(Report.DataSource(), nullptr);
  Report.SetDataSet(&Direct);
  FreeOwned(&Direct);
  EXPECT_EQ(Report.DataSet(), nullptr);
}

TEST_F(DBDataSetTest, WalkFollowsTheBoundDatasetWhichNeverOpens) {
  Report.SetDataSet(&Direct);
  std::vector<std::string> events;
  Report.OnOpen = [&](TkvDataset&) { events.push_back("open"); };
  Report.OnClose = [&](TkvDataset&) { events.push_back("close"); };

  EXPECT_THROW(Report.BeginRead(), EDatabaseError);  // opening the bound dataset fails
  EXPECT_TRUE(events.empty());

  Report.OpenDataSource = false;
  Report.CloseDataSource = true;
  Report.BeginRead();
  EXPECT_FALSE(Report.RangeBookmark.has_value());
  EXPECT_FALSE(Report.AtRangeEnd);
  EXPECT_THROW(Report.First(), EDatabaseError);  // moving a closed dataset fails
  EXPECT_TRUE(Report.CheckEof());                // a closed dataset is at its end
  Report.EndRead();
  EXPECT_EQ(events, (std::vector<std::string>{"open", "close"}));

  // A range that starts at the current record needs a bookmark of it.
  Report.RangeBegin = TRangeBegin::rbCurrent;
  EXPECT_THROW(Report.BeginRead(), EDatabaseError);

  // Ending at the current record only compares positions; without a bookmark nothing moves.
  Report.RangeBegin = TRangeBegin::rbFirst;
  Report.RangeEnd = TRangeEnd::reCurrent;
  Report.RecordNumber = 4;
  Report.Next();
  EXPECT_EQ(Report.RecordNumber, 4);
  EXPECT_FALSE(Report.AtRangeEnd);
}

// A form with the current report and report datasets, one of which counts its BeginRead calls.
class TCountingDataset : public TkvUserDataset {
 public:
  using TkvUserDataset::TkvUserDataset;
  void BeginRead() override { ++Reads; }
  int Reads = 0;
};

class BandSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Context.Application.AddForm(&Form);
    Context.Load.CurrentReport = &Report;
  }
  void TearDown() override {
    Context.Load.CurrentReport = nullptr;
    Context.Application.RemoveForm(&Form);
  }
  TConversionContext Context;
  TComponent Form{"Form1"};
  TkvReport& Report = CreateOwned<TkvReport>(Form, Context, "kvReport1");
  TCountingDataset& Named = CreateOwned<TCountingDataset>(Form, "012");
  TkvDBDataSet& Unbound = CreateOwned<TkvDBDataSet>(Form, "kvDBDataSet1");
  TComponent& Other = CreateOwned<TComponent>(Form, "Other");
};

TEST_F(BandSourceTest, CountsCreateDatasetsOtherTextsNameThem) {
  TBandSource counted = ResolveBandSource(Context, "12");
  ASSERT_TRUE(counted.IsCreated());
  EXPECT_EQ(counted.Dataset, counted.Created.get());
  EXPECT_EQ(counted.Dataset->ClassName(), "TkvUserDataset");
  EXPECT_EQ(counted.Dataset->Owner(), nullptr);
  EXPECT_EQ(counted.Dataset->RangeEnd, TRangeEnd::reCount);
  EXPECT_EQ(counted.Dataset->RangeEndCount, 12);

  // Texts that do not begin with 1 to 9 are component paths.
  TBandSource named = ResolveBandSource(Context, "012");
  EXPECT_EQ(named.Dataset, &Named);
  EXPECT_FALSE(named.IsCreated());
  EXPECT_EQ(Named.Reads, 1);
  EXPECT_EQ(ResolveBandSource(Context, "Form1.012").Dataset, &Named);
  EXPECT_EQ(Named.Reads, 2);
  EXPECT_EQ(ResolveBandSource(Context, "0").Dataset, nullptr);
  EXPECT_EQ(ResolveBandSource(Context, "").Dataset, nullptr);
  EXPECT_EQ(ResolveBandSource(Context, "Missing.Dataset").Dataset, nullptr);

  EXPECT_THROW(ResolveBandSource(Context, "12x"), EConvertError);
  EXPECT_THROW(ResolveBandSource(Context, "99999999999"), EConvertError);
  EXPECT_THROW(ResolveBandSource(Context, "Other"), EInvalidCast);
  // A database report dataset begins reading, which needs its bound dataset.
  EXPECT_THROW(ResolveBandSource(Context, "kvDBDataSet1"), EDatabaseError);
}

TEST_F(BandSourceTest, ListsEveryReportDatasetFormByFormInOrder) {
  auto& nested = CreateOwned<TkvUserDataset>(Other, "Nested");
  auto& hosted = CreateOwned<TkvDBDataSet>(Context.HostForm(), "_Table1");
  TADOTable& table = CreateOwned<TADOTable>(Context.HostForm(), "Table1");
  // The context's forms hold these alone, in this order.
  EXPECT_EQ(ReportDatasets(Context),
            (std::vector<TkvDataset*>{&Named, &Unbound, &nested, &hosted}));
  // Another context lists the datasets of its own forms only.
  TConversionContext other;
  EXPECT_TRUE(ReportDatasets(other).empty());

  // The one bound to a table; unbound ones are passed over without an error.
  EXPECT_EQ(ReportDatasetBoundTo(Context, table), nullptr);
  hosted.SetDataSet(&table);
  EXPECT_EQ(ReportDatasetBoundTo(Context, table), &hosted);
  EXPECT_EQ(ReportDatasetBoundTo(other, table), nullptr);
  FreeOwned(&hosted);
  FreeOwned(&table);
}

}  // namespace
}  // namespace kv
