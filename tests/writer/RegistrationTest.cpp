// The start-up of the report library fills the add-in registry with every family, in the order
// the families start up, so that the designer's toolbar and any file read later find them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "legacy/Factory.h"

namespace kv {
namespace {

TEST(RegistrationTest, TheRegistryHoldsEveryAddInInStartUpOrder) {
  struct TEntry {
    const char* Class;
    const char* Hint;
    bool IsControl;
  };
  const std::vector<TEntry> expected = {
      {"TkvLabelControl", "55450", true},
      {"TkvEditControl", "55451", true},
      {"TkvMemoControl", "55452", true},
      {"TkvButtonControl", "55453", true},
      {"TkvCheckBoxControl", "55454", true},
      {"TkvRadioButtonControl", "55455", true},
      {"TkvListBoxControl", "55456", true},
      {"TkvComboBoxControl", "55457", true},
      {"TkvDateEditControl", "55458", true},
      {"TkvDBLookupControl", "55473", true},
      {"TkvDBXTable", "55471", true},
      {"TkvDBXQuery", "55472", true},
      {"TkvDBXDatabase", "55470", true},
      {"TkvIBXTable", "55471", true},
      {"TkvIBXQuery", "55472", true},
      {"TkvIBXDatabase", "55470", true},
      {"TkvADOTable", "55471", true},
      {"TkvADOQuery", "55472", true},
      {"TkvADODatabase", "55470", true},
      // The cross-tab's hint is the message text itself, unlike every other family's.
      {"TkvCrossView", "Insert Cross-tab object", false},
      {"TkvRoundRectView", "55344", false},
      {"TkvChartView", "55225", false},
      {"TkvBarCodeView", "55338", false},
      {"TkvShapeView", "55226", false},
      {"TkvCheckBoxView", "55224", false},
      {"TkvRichView", "55223", false},
      {"TkvOLEView", "55222", false},
  };
  const std::vector<TkvAddInObjectInfo> addIns = AddIns();
  ASSERT_GE(addIns.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].Class);
    EXPECT_EQ(addIns[i].Class->Name, expected[i].Class);
    EXPECT_EQ(addIns[i].Hint, expected[i].Hint);
    EXPECT_EQ(addIns[i].IsControl, expected[i].IsControl);
    // The factory makes each by name, as an add-in.
    const auto object = CreateReportObject(TypeAddIn, expected[i].Class);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->ClassName(), expected[i].Class);
    EXPECT_EQ(object->TypeCode, TypeAddIn);
  }
}

}  // namespace
}  // namespace kv
