// Tests of the message lookup: texts quoted exactly, unknown ids, the localisation callback of a
// conversion context and the length limit.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "legacy/Context.h"
#include "legacy/Messages.h"

namespace kv {
namespace {

class MessagesTest : public ::testing::Test {
 protected:
  TConversionContext Context;
};

TEST_F(MessagesTest, BuiltInTextsAreExact) {
  const struct {
    int Id;
    const char* Text;
  } cases[] = {
      {55000, "OK"},
      {55007, "Virtual printer"},
      {55209, "Untitled"},
      {55345, "Unsupported KVF format"},
      {55008, "Letter, 8 1/2 x 11\""},
      {55027, "#10 Envelope, 4 1/8  x 9 1/2\""},  // two blanks
      {55036, "C3 Envelope,  324 x 458 mm"},
      {55062, "SuperASuperAA4 227 x 356 mm"},
      {55074, "Custom"},
      {55077, "Report title"},
      {55099, "None"},
      {55172, "_;x"},
      {55337, "1"},
      {55344, "Insert an RoundRect with shadow area"},
      {55602, "Total of "},  // the trailing blank belongs to the text
      {55655, "Retype password for validate"},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageText(c.Id), c.Text) << c.Id;
}

TEST_F(MessagesTest, EveryNamedIdHasAText) {
  std::vector<int> ids = {55000, 55001, 55007, 55190, 55206, 55222, 55223,
                          55224, 55225, 55226, 55338, 55339, 55433, 55435,
                          55470, 55471, 55472, 55473, 55480, 55653, 55654};
  for (int id = 55008; id <= 55099; ++id) {
    if (id != 55075 && id != 55076) ids.push_back(id);  // paper names and band types
  }
  for (int id = 55170; id <= 55182; ++id) {
    if (id != 55174) ids.push_back(id);  // display formats
  }
  for (int id = 55450; id <= 55458; ++id) ids.push_back(id);
  for (int id = 55600; id <= 55607; ++id) ids.push_back(id);
  for (int id : ids) EXPECT_FALSE(MessageText(id).empty()) << id;

  for (int id : {0, -1, 53000, 55002, 55075, 99999}) EXPECT_EQ(MessageText(id), "") << id;
}

TEST_F(MessagesTest, LocalizerIsAskedFirstAndAnEmptyAnswerFallsBack) {
  Context.MessageLocalizer = [](int id) { return id == 55209 ? std::string("Sans titre") : ""; };
  EXPECT_EQ(Context.MessageText(55209), "Sans titre");
  EXPECT_EQ(Context.MessageText(55000), "OK");
  Context.MessageLocalizer = [](int id) { return id == 12345 ? std::string("own") : ""; };
  EXPECT_EQ(Context.MessageText(12345), "own");  // ids the table lacks may be supplied too
  EXPECT_EQ(MessageText(12345, Context.MessageLocalizer), "own");
  EXPECT_EQ(MessageText(12345), "");
  Context.MessageLocalizer = {};
  EXPECT_EQ(Context.MessageText(55209), "Untitled");
}

TEST_F(MessagesTest, TextsAreCutTo1023Characters) {
  Context.MessageLocalizer = [](int) { return std::string(5000, 'm'); };
  EXPECT_EQ(Context.MessageText(55000), std::string(1023, 'm'));
}

// Contexts converting side by side on their own threads never see each other's localizer; a new
// context has none and answers with the built-in texts.
TEST_F(MessagesTest, EachContextHasItsOwnLocalizer) {
  Context.MessageLocalizer = [](int id) { return id == 55001 ? std::string("Annuler") : ""; };
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([t] {
      TConversionContext own;
      if (t % 2 == 1) {
        own.MessageLocalizer = [](int id) { return id == 55001 ? std::string("Abbrechen") : ""; };
      }
      const std::string expected = t % 2 == 1 ? "Abbrechen" : "Cancel";
      for (int round = 0; round < 200; ++round) ASSERT_EQ(own.MessageText(55001), expected);
    });
  }
  bool ownText = true;
  for (int round = 0; round < 200; ++round) {
    ownText = ownText && Context.MessageText(55001) == "Annuler";
  }
  for (auto& reader : readers) reader.join();
  EXPECT_TRUE(ownText);
  EXPECT_EQ(TConversionContext().MessageText(55001), "Cancel");
}

}  // namespace
}  // namespace kv
