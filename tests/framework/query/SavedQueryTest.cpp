// Saved queries: stored in the INI file through the INI manager's sectors and queues,
// read back after a restart, a column the query no longer has reported and dropped,
// and the saved queries offered (and re-applied) through the popup menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/error/ErrorStatus.h"
#include "framework/popup/PopupManager.h"
#include "framework/query/QbeForm.h"
#include "framework/query/QbeQuery.h"
#include "framework/window/IniManager.h"
#include "runtime/core/PerThread.h"
#include "tests/support/BrowseTestData.h"
#include "tests/support/TempWorkDir.h"

namespace framework::query {
namespace {

using framework::window::IniManager;

constexpr const char* IniName = "Queries.INI";
constexpr const char* Family = "BrowseUrlList";

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

class SavedQueryTest : public testing::Test {
 protected:
  void SetUp() override {
    Status().Reset();
    Errors.Construct();
    Errors.Init(Status());
    Ini.Init(IniName, IniManager::StorageIniFile, 0);
  }
  void TearDown() override {
    Ini.Teardown();
    Errors.Shutdown();
  }
  // A query over Url (string) and Count (number), plus `extra` fields.
  void Start(QbeQuery& query, const std::vector<std::string>& extra = {}) {
    query.Init(&Errors, &Ini, Family);
    query.AddField("Url", "Address", "@s200");
    query.AddField("Count", "Count", "@n9");
    for (const std::string& name : extra) query.AddField(name, name, "@s20");
  }
  // The INI manager as after a restart of the program.
  void Restart() {
    Ini.Teardown();
    Ini.Init(IniName, IniManager::StorageIniFile, 0);
  }
  std::vector<std::string> Listed(QbeQuery& query) {
    std::vector<SavedQueryEntry> list;
    query.LoadSavedQueryList(list);
    std::vector<std::string> names;
    for (const SavedQueryEntry& entry : list) names.push_back(entry.Item);
    return names;
  }

  testsupport::TempWorkDir Folder;
  testsupport::RecordingErrorManager Errors;
  IniManager Ini;
};

TEST_F(SavedQueryTest, ASavedQueryComesBackAfterARestartWithItsValuesIntact) {
  {
    QbeQuery query;
    Start(query);
    // Commas, quotes, "%" and "$" must all survive the stored form.
    query.Fields->At(1).Middle = "*a,b 'c' 100%";
    query.Fields->At(2).Low = "1";
    query.Fields->At(2).High = "9";
    ASSERT_TRUE(query.SaveQuery("Shop $ales"));
    ASSERT_TRUE(query.SaveQuery(QbeQuery::MostRecentName));
    ASSERT_TRUE(query.SaveQuery("Alpha"));
  }
  Restart();
  QbeQuery query;
  Start(query);
  EXPECT_EQ(Listed(query), (std::vector<std::string>{"Alpha", "Shop $ales"})) << "sorted, without tsMRU";
  query.Fields->At(2).Middle = "left over";
  query.RestoreQuery("Shop $ales");
  EXPECT_EQ(query.Fields->At(1).Middle, "*a,b 'c' 100%");
  EXPECT_EQ(query.Fields->At(2).Middle, "");
  EXPECT_EQ(query.Fields->At(2).Low, "1");
  EXPECT_EQ(query.Fields->At(2).High, "9");
  EXPECT_EQ(query.BuildFilter(), "INSTRING('a,b ''c'' 100%',Url,1,1) <> 0 AND (Count > 1) AND (Count < 9)");
  // Nothing saved under a name: every value ends empty.
  query.RestoreQuery("Nothing");
  EXPECT_EQ(query.BuildFilter(), "");
  EXPECT_TRUE(Errors.Titles().empty());
}

TEST_F(SavedQueryTest, AColumnTheQueryNoLongerHasIsReportedAndDropped) {
  {
    QbeQuery query;
    Start(query, {"Owner", "Topic"});
    query.Fields->At(1).Middle = "shop*";
    query.Fields->At(3).Middle = "someone";
    query.Fields->At(4).Middle = "news";
    ASSERT_TRUE(query.SaveQuery("Old"));
  }
  QbeQuery query;
  Start(query);
  query.RestoreQuery("Old");
  const std::vector<std::string> shown = Errors.Titles();
  ASSERT_EQ(shown.size(), 2u) << "once per dropped column";
  EXPECT_EQ(shown[0],
            "Unsupported QBE Column: The saved QBE column, Owner is not supported. It will be dropped from the query.");
  EXPECT_NE(shown[1].find("Topic"), std::string::npos);
  EXPECT_EQ(query.BuildFilter(), "SUB(Url,1,4) = 'shop'") << "the rest of the query is restored";
}

TEST_F(SavedQueryTest, ACaseFreeColumnMatchesItsPlainFieldAndStaysCaseFree) {
  {
    QbeQuery query;
    query.Init(&Errors, &Ini, Family);
    query.AddField("UPPER(Url)", "Address", "@s200");
    query.AddField("Title", "Title", "@s50");
    query.Fields->At(1).Middle = "shop*";
    query.Fields->At(2).Middle = "^news";
    ASSERT_TRUE(query.SaveQuery("Mixed"));
  }
  QbeQuery query;
  query.Init(&Errors, &Ini, Family);
  query.AddField("url", "Address", "@s200");
  query.AddField("UPPER(Title)", "Title", "@s50");
  query.RestoreQuery("Mixed");
  EXPECT_TRUE(Errors.Titles().empty());
  EXPECT_EQ(query.Fields->At(1).Middle, "^SHOP*");
  EXPECT_EQ(query.Fields->At(2).Middle, "^NEWS");
  EXPECT_EQ(query.BuildFilter(), "SUB(UPPER(url),1,4) = 'SHOP' AND (UPPER(Title) = 'NEWS')");
}

TEST_F(SavedQueryTest, SingleValueModeFoldsARestoredRange) {
  class SingleForm : public QbeForm {
   public:
    int32_t Mode() const override { return ModeSingle; }
    bool Ask(QbeQuery&) override { return false; }
  } single;
  {
    QbeQuery query;
    Start(query);
    query.Fields->At(2).Low = "3";
    query.Fields->At(2).High = "7";
    ASSERT_TRUE(query.SaveQuery("Range"));
  }
  QbeQuery query;
  Start(query);
  query.Form = &single;
  query.RestoreQuery("Range");
  EXPECT_EQ(query.Fields->At(2).Middle, "3");
  EXPECT_EQ(query.BuildFilter(), "(Count = 3)");
}

class SavedQueryPopupTest : public SavedQueryTest {
 protected:
  void SetUp() override {
    SavedQueryTest::SetUp();
    Popup.Init();
    Popup.AddMimicItem("!&Insert", "&Insert", InsertButton);
    Popup.AddMimicItem("!&View", "&View", ViewButton);
    Popup.AddMimicItem("!&Query", "&Query", QueryButton);
  }
  void TearDown() override {
    Popup.Teardown();
    SavedQueryTest::TearDown();
  }
  // The menu's items as "depth:text" (separators "-"), in order.
  std::vector<std::string> Menu() {
    std::vector<std::string> items;
    for (const framework::popup::PopupItem& item : Popup.Items())
      items.push_back(std::to_string(item.Depth) + ":" + item.Text + (item.Disabled == 1 ? " (off)" : ""));
    return items;
  }
  // Chooses the item named `name` as ShowMenu would record it.
  void Choose(const std::string& name) { Popup.LastSelection = name; }
  std::string NameOf(const std::string& text) {
    for (const framework::popup::PopupItem& item : Popup.Items())
      if (item.Text == text) return item.Name;
    return {};
  }

  static constexpr int32_t InsertButton = 10;
  static constexpr int32_t ViewButton = 11;
  static constexpr int32_t QueryButton = 12;
  framework::popup::PopupManager Popup;
};

TEST_F(SavedQueryPopupTest, NoSavedQueriesAndNoFilterAddNothing) {
  QbeQuery query;
  Start(query);
  const std::vector<std::string> before = Menu();
  query.RefreshPopup(Popup, QueryButton);
  EXPECT_EQ(Menu(), before);
  // A filter that goes away again takes the submenu with it.
  query.Fields->At(1).Middle = "x";
  query.RefreshPopup(Popup, QueryButton);
  EXPECT_NE(Menu(), before);
  query.ClearValues();
  query.RefreshPopup(Popup, QueryButton);
  EXPECT_EQ(Menu(), before);
}

TEST_F(SavedQueryPopupTest, AnActiveFilterWithoutSavedQueriesOffersEmptyAndClear) {
  QbeQuery query;
  Start(query);
  query.Fields->At(1).Middle = "x";
  query.RefreshPopup(Popup, QueryButton);
  EXPECT_EQ(Menu(), (std::vector<std::string>{"1:!&Insert", "1:!&View", "1:!&Query", "1:-", "1:View",
                                              "2:Empty        (off)", "2:-", "2:C&lear"}));
  EXPECT_EQ(Popup.FindItem(QbeQuery::EmptyName), 6u);
  EXPECT_EQ(Popup.FindItem(QbeQuery::SeparatorName), 4u);
  EXPECT_EQ(Popup.FindItem(QbeQuery::ClearName), 8u);
}

TEST_F(SavedQueryPopupTest, SavedQueriesAreOfferedInNameOrderWithoutTheMostRecentAndReapplied) {
  QbeQuery query;
  Start(query);
  query.Fields->At(1).Middle = "*news";
  ASSERT_TRUE(query.SaveQuery("News feeds"));
  query.ClearValues();
  query.Fields->At(2).Middle = ">5";
  ASSERT_TRUE(query.SaveQuery("Busy"));
  ASSERT_TRUE(query.SaveQuery(QbeQuery::MostRecentName));
  query.ClearValues();
  Restart();
  query.RefreshPopup(Popup, QueryButton);
  EXPECT_EQ(Menu(), (std::vector<std::string>{"1:!&Insert", "1:!&View", "1:!&Query", "1:-", "1:View", "2:Busy  ",
                                              "2:News feeds  ", "2:-", "2:C&lear"}));
  // Choosing an item restores its query and keeps it as the most recent one.
  Choose(NameOf("News feeds  "));
  ASSERT_TRUE(query.OnPopupChoice(Popup));
  EXPECT_EQ(query.LastQuery, "News feeds");
  EXPECT_EQ(query.BuildFilter(), "INSTRING('news',Url,1,1) <> 0");
  query.ClearValues();
  query.RestoreQuery(QbeQuery::MostRecentName);
  EXPECT_EQ(query.BuildFilter(), "INSTRING('news',Url,1,1) <> 0");
  // A refresh rebuilds the items in place, without doubling them.
  query.RefreshPopup(Popup, QueryButton);
  EXPECT_EQ(Menu().size(), 9u);
  // Clear restores nothing: every value ends empty, and that is the most recent query.
  Choose(QbeQuery::ClearName);
  ASSERT_TRUE(query.OnPopupChoice(Popup));
  EXPECT_EQ(query.BuildFilter(), "");
  query.RestoreQuery(QbeQuery::MostRecentName);
  EXPECT_EQ(query.BuildFilter(), "");
  // Items choose by the menu's name; each posts its event to the Query button.
  for (const framework::popup::PopupItem& item : Popup.Items())
    if (item.Depth == 2 && item.Text != "-") {
      EXPECT_EQ(item.ControlId, QueryButton);
      EXPECT_EQ(item.Event, QbeQuery::ItemEvent);
    }
  // Switched off, the query leaves popup choices alone.
  query.SaveQueries = 0;
  EXPECT_FALSE(query.OnPopupChoice(Popup));
}

TEST_F(SavedQueryPopupTest, WithoutAnIniManagerNothingIsSavedOrListed) {
  QbeQuery query;
  query.Init(&Errors, nullptr, Family);
  query.AddField("Url", "Address", "@s200");
  query.Fields->At(1).Middle = "x";
  EXPECT_FALSE(query.SaveQuery("Lost"));
  std::vector<SavedQueryEntry> list{{"a", "b", "c"}};
  query.LoadSavedQueryList(list);
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace framework::query
