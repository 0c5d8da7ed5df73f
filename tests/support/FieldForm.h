// A form "Form1" holding the report kvReport1 and an ADO table Table1 with one field, registered
// with the application of the test's context and owning its current report: the data-field
// references of the views' tests (made in Context) resolve against it ("Table1.\"Field\"").
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "data/AccessLayer.h"
#include "legacy/Context.h"
#include "legacy/Report.h"

namespace kv::test {

class TFieldFormTest : public ::testing::Test {
 protected:
  TFieldFormTest(std::string field, TFieldType type, int size = 0)
      : Field(std::move(field)), Type(type), Size(size) {}

  void SetUp() override {
    Report = &CreateOwned<TkvReport>(Form, Context, "kvReport1");
    Table1 = &CreateOwned<TADOTable>(Form, "Table1");
    Table1->FieldDefs.Add(Field, Type, Size);
    Context.Application.AddForm(&Form);
    Context.Load.CurrentReport = Report;
  }
  void TearDown() override {
    Context.Load.CurrentReport = nullptr;
    Context.Application.RemoveForm(&Form);
  }

  TConversionContext Context;
  TComponent Form{"Form1"};
  TkvReport* Report = nullptr;
  TADOTable* Table1 = nullptr;

 private:
  std::string Field;
  TFieldType Type;
  int Size;
};

}  // namespace kv::test
