// Tests of the root object's property descriptors and the ";" list splitting of enumerations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "legacy/KvObject.h"

namespace kv {
namespace {

using TItems = std::vector<std::string>;

TEST(KvObjectTest, SplitSemicolonList) {
  struct TCase {
    const char* Text;
    TItems Expected;
  };
  const TCase cases[] = {
      {"a;b", {"a", "b"}},
      {"a;b;", {"a", "b"}},
      {";a", {"", "a"}},
      {"", {}},
      {";", {""}},
      {"a;;b", {"a", "", "b"}},
      {"abc", {"abc"}},
      {"a;b;;", {"a", "b", ""}},
      {" x ; y", {" x ", " y"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitSemicolonList(c.Text), c.Expected) << c.Text;
}

TEST(KvObjectTest, PropertiesAreFoundAndDeletedByNameIgnoringCase) {
  TkvObject object;
  object.AddProperty("Font.Name", 1);
  object.AddProperty("Stretched", 2);
  object.AddProperty("STRETCHED", 3);

  const struct {
    const char* Name;
    int Type;  // 0: not found
  } lookups[] = {{"font.name", 1}, {"FONT.NAME", 1}, {"stretched", 2}, {"Font", 0}, {"", 0}};
  for (const auto& l : lookups) {
    const TkvPropRec* rec = object.FindProperty(l.Name);
    if (l.Type == 0) {
      EXPECT_EQ(rec, nullptr) << l.Name;
    } else {
      ASSERT_NE(rec, nullptr) << l.Name;
      EXPECT_EQ(rec->Type, l.Type) << l.Name;
    }
  }

  object.DeleteProperty("sTrEtChEd");  // only the first of two
  ASSERT_EQ(object.PropList.size(), 2u);
  EXPECT_EQ(object.FindProperty("Stretched")->Type, 3);
  object.DeleteProperty("Missing");
  EXPECT_EQ(object.PropList.size(), 2u);
}

TEST(KvObjectTest, NamesAreCutTo32Characters) {
  TkvObject object;
  const std::string longName = std::string(32, 'N') + "tail";
  object.AddProperty(longName, 1);
  object.AddEnumProperty(std::string(40, 'E'), "a", {std::int64_t{0}});
  EXPECT_EQ(object.PropList[0]->Name, std::string(32, 'N'));
  EXPECT_EQ(object.PropList[1]->Name, std::string(32, 'E'));
  // The name given when adding finds the descriptor again.
  EXPECT_EQ(object.FindProperty(longName), object.PropList[0].get());
}

TEST(KvObjectTest, EnumPropertyKeepsNamesAndValuesParallel) {
  TkvObject object;
  object.AddEnumProperty("Alignment", "Left;Right;Center;",
                         {std::int64_t{0}, std::int64_t{1}, std::int64_t{2}});
  object.AddEnumProperty("Short", "a;b;c", {std::string("x")});
  object.AddEnumProperty("Long", "a", {std::int64_t{1}, std::int64_t{2}});

  const TkvPropRec* alignment = object.FindProperty("ALIGNMENT");
  ASSERT_NE(alignment, nullptr);
  EXPECT_EQ(alignment->Type, PropEnumType);
  EXPECT_EQ(alignment->EnumNames, (TItems{"Left", "Right", "Center"}));
  EXPECT_EQ(alignment->EnumValues,
            (std::vector<TVariant>{std::int64_t{0}, std::int64_t{1}, std::int64_t{2}}));

  // A missing value is empty and a surplus one is dropped, so an index into the names is always
  // an index into the values.
  const TkvPropRec* shortRec = object.FindProperty("Short");
  ASSERT_EQ(shortRec->EnumValues.size(), 3u);
  EXPECT_EQ(shortRec->EnumValues[0], TVariant(std::string("x")));
  EXPECT_TRUE(VarIsEmpty(shortRec->EnumValues[2]));
  EXPECT_EQ(object.FindProperty("Long")->EnumValues, (std::vector<TVariant>{std::int64_t{1}}));
}

TEST(KvObjectTest, AddPropertyKeepsTheEditor) {
  TkvObject object;
  int calls = 0;
  object.AddProperty("Memo", 7, [&](TkvObject& target) { calls += &target == &object; });
  object.AddProperty("Plain", 1);
  ASSERT_TRUE(object.FindProperty("Memo")->Editor);
  object.FindProperty("Memo")->Editor(object);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(object.FindProperty("Plain")->Editor);
  EXPECT_TRUE(object.FindProperty("Plain")->EnumNames.empty());
}

}  // namespace
}  // namespace kv
