// The line lists: retention, scrolling, prefixes and saving.
#include "support/device_fixture.h"

#include <windows.h>

#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;

std::vector<std::wstring> Texts(MessageList& list) {
  std::vector<std::wstring> texts;
  for (const MessageLine& line : list.Lines()) texts.push_back(line.text);
  return texts;
}

TEST(MessageListTest, KeepsTheLast100LinesWithTheViewOnTheNewest) {
  MessageList list;
  for (int i = 1; i <= 150; ++i) list.Append(L"line " + std::to_wstring(i), kBlack);
  const auto texts = Texts(list);
  ASSERT_EQ(texts.size(), 100u);
  EXPECT_EQ(texts.front(), L"line 51");
  EXPECT_EQ(texts.back(), L"line 150");
  EXPECT_EQ(list.ViewIndex(), 99u);
}

TEST(MessageListTest, ScrollingKeysFollowTheViewRules) {
  MessageList list;
  EXPECT_FALSE(list.HandleKey(VK_DOWN));  // empty: the view is at the end
  list.Append(L"a", kBlack);
  list.Append(L"b", kBlack);
  EXPECT_TRUE(list.HandleKey(VK_DOWN));  // at the newest: stays there
  EXPECT_EQ(list.ViewIndex(), 1u);
  EXPECT_TRUE(list.HandleKey(VK_UP));
  EXPECT_EQ(list.ViewIndex(), 0u);
  EXPECT_FALSE(list.HandleKey(VK_UP));  // at the oldest
  list.Append(L"c", kBlack);            // an append brings the view back
  EXPECT_EQ(list.ViewIndex(), 2u);

  EXPECT_FALSE(list.HandleKey(VK_LEFT));
  for (LONG expected : {-20, -40, -60}) {
    EXPECT_TRUE(list.HandleKey(VK_RIGHT));
    EXPECT_EQ(list.HorizontalOffset(), expected);
  }
  EXPECT_TRUE(list.HandleKey(VK_LEFT));
  EXPECT_EQ(list.HorizontalOffset(), -40);
  EXPECT_TRUE(list.HandleKey(VK_RETURN));
  EXPECT_EQ(list.HorizontalOffset(), 0);
  EXPECT_FALSE(list.HandleKey('0'));
}

TEST(MessageListTest, ErrorsAndWarningsCarryPrefixAndColourAndAreCut) {
  MessageList list;
  list.Error(L"T");
  list.Warning(L"W");
  const std::wstring long_text(600, L'x');
  list.Error(long_text.c_str());
  const auto lines = list.Lines();
  auto it = lines.begin();
  EXPECT_EQ(it->text, L"ERR: T");
  EXPECT_EQ(it->colour, kRed);
  ++it;
  EXPECT_EQ(it->text, L"WRN: W");
  EXPECT_EQ(it->colour, 56540u);
  ++it;
  EXPECT_EQ(it->text, L"ERR: " + std::wstring(506, L'x'));
}

TEST(MessageListTest, ClearEmptiesAndPutsTheViewAtTheEnd) {
  MessageList list;
  list.Append(L"a", kBlack);
  list.Clear();
  EXPECT_TRUE(list.Lines().empty());
  EXPECT_EQ(list.ViewIndex(), 0u);
  EXPECT_FALSE(list.HandleKey(VK_DOWN));
}

class SaveToFileTest : public DeviceTest {};

TEST_F(SaveToFileTest, WritesTheTextsOldestFirstWithoutColours) {
  MessageList& log = DiagnosticLog();
  log.AppendText(L"first", kBlack);
  log.Error(L"second");
  log.AppendText(L"third", kTraceGrey);
  log.SaveToFile();
  EXPECT_EQ(ReadHostFile("Program Files/Kelvane/log.txt"), "first\nERR: second\nthird\n");
  log.Clear();
  log.AppendText(L"only", kBlack);
  log.SaveToFile();
  EXPECT_EQ(ReadHostFile("Program Files/Kelvane/log.txt"), "only\n");
}

}  // namespace
