#include "modStringParsing.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "modStringUtils.h"

namespace zmt {
namespace {

std::vector<std::string> Lines(const TStringList& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) {
    lines.push_back(list[i]);
  }
  return lines;
}

std::vector<std::string> Split(const std::string& text, const std::string& delimiter) {
  TStringList list;
  SplitString(list, text, delimiter);
  return Lines(list);
}

using V = std::vector<std::string>;

TEST(SplitString, CutsAtEveryDelimiterKeepingEmptyPieces) {
  EXPECT_EQ(Split("a;b;;c", ";"), (V{"a", "b", "", "c"}));
  EXPECT_EQ(Split("a;b;", ";"), (V{"a", "b", ""}));
  EXPECT_EQ(Split(";", ";"), (V{"", ""}));
  EXPECT_EQ(Split(";;", ";"), (V{"", "", ""}));
  EXPECT_EQ(Split(";a", ";"), (V{"", "a"}));
  EXPECT_EQ(Split("no delimiter here", ";"), (V{"no delimiter here"}));
}

TEST(SplitString, HandlesDelimitersOfSeveralCharacters) {
  EXPECT_EQ(Split("a--b", "--"), (V{"a", "b"}));
  EXPECT_EQ(Split("a---b", "--"), (V{"a", "-b"}));
  EXPECT_EQ(Split("--", "--"), (V{"", ""}));
  EXPECT_EQ(Split("a-b", "--"), (V{"a-b"}));
}

TEST(SplitString, KeepsTheCharactersOfADelimiterThatOverlapsTheEndOfTheText) {
  EXPECT_EQ(Split("xa", "aa"), (V{"xa"}));
  EXPECT_EQ(Split("xaaya", "aa"), (V{"x", "ya"}));
  EXPECT_EQ(Split("ab", "bcd"), (V{"ab"}));
}

TEST(SplitString, ReplacesTheContentOfTheList) {
  TStringList list;
  list.Add("old 1");
  list.Add("old 2");
  list.Add("old 3");
  SplitString(list, "new", ";");
  EXPECT_EQ(Lines(list), (V{"new"}));
}

TEST(SplitString, AnEmptyTextLeavesTheListAsItWasWithoutAnUpdate) {
  TStringList list;
  list.Add("kept");
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  SplitString(list, "", ";");
  EXPECT_EQ(Lines(list), (V{"kept"}));
  EXPECT_EQ(changes, 0);
}

TEST(SplitString, RefusesAnEmptyDelimiterAndLeavesTheListAsItWas) {
  TStringList list;
  list.Add("kept");
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  for (const std::string text : {"a;b", ""}) {
    try {
      SplitString(list, text, "");
      ADD_FAILURE() << "no error for an empty delimiter";
    } catch (const EArgumentError& e) {
      EXPECT_STREQ(e.ClassName(), "EArgumentError");
      EXPECT_NE(e.Message().find("delimiter"), std::string::npos) << e.Message();
    }
  }
  EXPECT_EQ(Lines(list), (V{"kept"}));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(list.UpdateCount(), 0);
}

TEST(SplitString, MakesAllItsChangesInOneUpdate) {
  TStringList list;
  list.Add("old");
  int changes = 0;
  int countSeen = -1;
  list.OnChange = [&] {
    ++changes;
    countSeen = list.Count();
  };
  SplitString(list, "a;b;c;d", ";");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(countSeen, 4);
  EXPECT_EQ(list.UpdateCount(), 0);
}

// A list that fails to take its third line, as a list out of memory would.
class FailingList : public TStringList {
 public:
  int Add(const std::string& S) override {
    if (Count() == 2) {
      throw EStringListError("no room for " + S);
    }
    return TStringList::Add(S);
  }
};

TEST(SplitString, ClosesTheUpdateWhenAddingALineFails) {
  FailingList list;
  EXPECT_THROW(SplitString(list, "a;b;c;d", ";"), EStringListError);
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(Lines(list), (V{"a", "b"}));
}

TEST(StringList, HoldsChangeNotificationsUntilTheOutermostUpdateEnds) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  list.BeginUpdate();
  list.BeginUpdate();
  EXPECT_EQ(list.UpdateCount(), 2);
  list.Add("b");
  list.Clear();
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list.UpdateCount(), 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(list.UpdateCount(), 0);
  list.EndUpdate();  // unmatched: ignored
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(changes, 2);
  list.Clear();  // already empty: nothing changes
  EXPECT_EQ(changes, 2);
}

TEST(StringList, AddGivesTheIndexAndIndexingOutsideTheListRaises) {
  TStringList list;
  EXPECT_EQ(list.Add("zero"), 0);
  EXPECT_EQ(list.Add("one"), 1);
  EXPECT_EQ(list.Strings(1), "one");
  EXPECT_THROW(list[2], EStringListError);
  try {
    list[-1];
    ADD_FAILURE() << "no error for index -1";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
  }
}

TEST(StringListValues, FindsTheFirstLineWhoseNameMatchesIgnoringCase) {
  TStringList list;
  SplitString(list, "Provider=SQLOLEDB.1;data_source=TILL01;Data_Source=SECOND;x=a=b;=empty", ";");
  EXPECT_EQ(list.Values("Data_Source"), "TILL01");
  EXPECT_EQ(list.IndexOfName("DATA_SOURCE"), 1);
  EXPECT_EQ(list.Values("provider"), "SQLOLEDB.1");
  EXPECT_EQ(list.Values("x"), "a=b");
  EXPECT_EQ(list.Values("x=a"), "");
  EXPECT_EQ(list.Values(""), "empty");
  EXPECT_EQ(list.Values("Data"), "");
  EXPECT_EQ(list.Values("Missing"), "");
  EXPECT_EQ(list.IndexOfName("Missing"), -1);
}

TEST(StringListValues, ALineWithoutEqualsSignHasNoName) {
  TStringList list;
  list.Add("Data_Source");
  list.Add("Data_Source=");
  EXPECT_EQ(list.IndexOfName("Data_Source"), 1);
  EXPECT_EQ(list.Values("Data_Source"), "");
}

TEST(StringListValues, IgnoresTheCaseOfAsciiLettersOnly) {
  TStringList list;
  list.Add("caf\xE9=1");
  list.Add("K[=2");
  list.Add("Zone=3");
  EXPECT_EQ(list.Values("CAF\xE9"), "1");
  EXPECT_EQ(list.Values("zONE"), "3");
  EXPECT_EQ(list.Values("caf\xC9"), "");
  // '[' and '{' differ by the same bit as 'K' and 'k' and must not be taken for each other.
  EXPECT_EQ(list.Values("k{"), "");
  EXPECT_EQ(list.Values("k["), "2");
}

// The way the service check reads the server out of a connection string.
std::string ServerOf(const std::string& connectionString) {
  TStringList list;
  SplitString(list, ReplaceChar(connectionString, ' ', '_'), ";");
  return ReplaceChar(list.Values("Data_Source"), '_', ' ');
}

TEST(ConnectionStringServer, IsFoundByBlankFreeKeyAndKeepsItsBlanks) {
  EXPECT_EQ(ServerOf("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                     "Initial Catalog=POS;Data Source=(local)"),
            "(local)");
  EXPECT_EQ(ServerOf("data source=till01;Initial Catalog=POS"), "till01");
  EXPECT_EQ(ServerOf("Data Source=MY SERVER;Initial Catalog=POS"), "MY SERVER");
  EXPECT_EQ(ServerOf("Data Source=POS_SRV"), "POS SRV");
  EXPECT_EQ(ServerOf("Data Source=TILL01\\SQLEXPRESS"), "TILL01\\SQLEXPRESS");
  EXPECT_EQ(ServerOf("Data Source = TILL01"), "");
  EXPECT_EQ(ServerOf("Provider=X; Data Source=TILL01"), "");
  EXPECT_EQ(ServerOf(""), "");
}

}  // namespace
}  // namespace zmt
