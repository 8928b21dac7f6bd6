// The commands as a person runs them from a terminal, in a fresh working folder:
// import, add, list and export on the folder's data file, each with its one summary
// line last on the standard error and its exit status.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/UrlCommands.h"
#include "tests/support/TempWorkDir.h"

namespace app {
namespace {

struct Outcome {
  int Status = -1;
  std::string Out;
  std::string Err;
  std::string LastErrLine() const {
    std::string s = Err;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s.substr(s.rfind('\n') == std::string::npos ? 0 : s.rfind('\n') + 1);
  }
};

Outcome Command(std::vector<std::string> args) {
  std::ostringstream out;
  std::ostringstream err;
  Outcome o;
  o.Status = UrlCommands::Run(args, out, err);
  o.Out = out.str();
  o.Err = err.str();
  return o;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(UrlCommandsTest, ImportAddListAndExportFromATerminal) {
  testsupport::TempWorkDir dir;
  std::ofstream("marks.html") << "<DL><p><DT><A HREF=\"https://shop.example/\">s</A>\n"
                                 "<DT><A HREF=\"https://news.example/\">n</A>\n"
                                 "<DT><A HREF=\"javascript:go()\">j</A></DL>\n";
  Outcome o = Command({"import", "marks.html"});
  EXPECT_EQ(o.Status, 1);  // one entry refused
  EXPECT_EQ(o.LastErrLine(), "2 added, 0 already present, 1 refused");
  EXPECT_NE(o.Err.find("line 3: a javascript: entry opens nothing: javascript:go()"), std::string::npos) << o.Err;

  o = Command({"import", "marks.html"});
  EXPECT_EQ(o.LastErrLine(), "0 added, 2 already present, 1 refused");

  o = Command({"add", "https://eshop.example/", "3"});
  EXPECT_EQ(o.Status, 0);
  EXPECT_EQ(o.LastErrLine(), "1 added, 0 already present, 0 refused");
  o = Command({"add", "https://eshop.example/"});
  EXPECT_EQ(o.Status, 1);
  EXPECT_EQ(o.LastErrLine(), "0 added, 1 already present, 0 refused");

  o = Command({"list", "SHOP"});
  EXPECT_EQ(o.Status, 0);
  EXPECT_EQ(o.Out, "https://eshop.example/\t3\nhttps://shop.example/\t1\n");
  EXPECT_EQ(o.LastErrLine(), "2 listed");

  o = Command({"export", "out.data", "--format", "csv"});
  EXPECT_EQ(o.Status, 0);
  EXPECT_EQ(o.LastErrLine(), "3 exported");
  EXPECT_EQ(Read("out.data"),
            "Url,NumberOfTimesToOpen\r\nhttps://eshop.example/,3\r\nhttps://news.example/,1\r\n"
            "https://shop.example/,1\r\n");
  o = Command({"export", "shops.txt", "--find=shop"});
  EXPECT_EQ(o.LastErrLine(), "2 exported");
  EXPECT_EQ(Read("shops.txt"), "https://eshop.example/\t3\nhttps://shop.example/\n");
}

TEST(UrlCommandsTest, UsageErrorsGiveTwoAndRefusedInputOne) {
  testsupport::TempWorkDir dir;
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{"import"}, 2},
      {{"import", "a.txt", "b.txt"}, 2},
      {{"import", "list.data"}, 2},                   // no format from the extension
      {{"import", "a.txt", "--format", "xml"}, 2},
      {{"export", "a.txt", "--format"}, 2},
      {{"list", "--verbose"}, 2},
      {{"add"}, 2},
      {{"frobnicate"}, 2},
      {{"import", "missing.txt"}, 1},
      {{"add", "https://a.example/", "lots"}, 1},
      {{"add", std::string(200, 'a')}, 1},
      {{"export", "no/such/dir/a.csv"}, 1},
  };
  for (const auto& [args, status] : cases) {
    const Outcome o = Command(args);
    EXPECT_EQ(o.Status, status) << args[0] << " " << (args.size() > 1 ? args[1] : "") << ": " << o.Err;
    EXPECT_FALSE(o.Err.empty());
  }
  // Nothing refused was stored.
  EXPECT_EQ(Command({"list"}).Out, "");
}

}  // namespace
}  // namespace app
