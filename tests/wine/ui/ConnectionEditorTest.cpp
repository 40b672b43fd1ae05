#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "DialogAutomation.h"
#include "FConnectionEditor.h"
#include "FTimerForm.h"
#include "modMessageDlg.h"

namespace zmt {
namespace {

using automation::Dialog;
using automation::DialogInfo;
using automation::ModalRun;
using automation::Step;
using Script = std::function<void(Dialog&)>;

constexpr char kStart[] = "Provider=MSDASQL.1;Persist Security Info=True;User ID=quro;Password=;";
constexpr char kEdited[] = "Provider=MSDASQL.1;Data Source=localhost;Password=s3cret;";

void SetText(const Dialog& d, const std::string& text) {
  SendMessageA(d.Control("edtConnectionString"), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(text.c_str()));
}

// As a paste over the whole text does it, which the edit control's text limit applies to.
void PasteOver(const Dialog& d, const std::string& text) {
  HWND edit = d.Control("edtConnectionString");
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

class ConnectionEditor : public ::testing::Test {
 protected:
  struct Outcome {
    ModalRun Run;
    bool Accepted = false;
    std::string Result;
  };

  // The host's active window on this thread, on top of all others as some tills keep it, which
  // the editor must disable while it is open and be owned by, so as to open above it.
  void SetUp() override {
    host_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 120, 40,
                            nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host_, nullptr);
    SetActiveWindow(host_);
    ASSERT_EQ(GetActiveWindow(), host_);
  }
  void TearDown() override { DestroyWindow(host_); }

  // The editor's script, then the steps of the dialogs that it opens.
  Outcome Edit(const std::string& start, const TConnectionTester& test, const Script& script,
               const std::vector<Step>& opened = {}) {
    Outcome out;
    bool hostDisabled = false;
    std::vector<Step> steps = {{kConnectionEditorClassName, [&](Dialog& d) {
                                  hostDisabled = !IsWindowEnabled(host_);
                                  script(d);
                                }}};
    steps.insert(steps.end(), opened.begin(), opened.end());
    out.Run = automation::RunModalSequence(
        [&] {
          try {
            out.Accepted = EditConnectionStringDialog(start, out.Result, test);
          } catch (int carried) {
            return int64_t{carried};
          }
          return int64_t{0};
        },
        steps);
    EXPECT_TRUE(out.Run.Found) << "the editor or a dialog it opens did not appear";
    EXPECT_FALSE(out.Run.TimedOut) << "the editor had to be closed by force";
    EXPECT_TRUE(out.Run.Unexpected.empty());
    EXPECT_EQ(out.Run.ScriptError, "");
    EXPECT_TRUE(hostDisabled) << "the thread's other window stayed enabled";
    EXPECT_TRUE(IsWindowEnabled(host_)) << "the thread's other window was not enabled again";
    return out;
  }

  HWND host_ = nullptr;
  TFormSettingsScope settings_;
};

TEST_F(ConnectionEditor, IsADialogOfTheActiveWindowWithNamedControls) {
  const DialogInfo info = Edit(kStart, nullptr, [](Dialog& d) { d.Click("btnCancel"); }).Run.First;
  EXPECT_EQ(info.Caption, "Connection String");
  EXPECT_EQ(info.Name, "frmConnectionEditor");
  EXPECT_EQ(info.Owner, host_);
  EXPECT_EQ(info.DefaultName(), "btnOK");
  const std::pair<const char*, int> ids[] = {{"lblConnectionString", 100},
                                             {"edtConnectionString", 101},
                                             {"btnTest", 102},
                                             {"btnOK", IDOK},
                                             {"btnCancel", IDCANCEL}};
  for (const auto& [name, id] : ids) EXPECT_EQ(info.Named(name).Id, id) << name;
  EXPECT_EQ(info.Named("edtConnectionString").Text, kStart);
  EXPECT_EQ(info.Named("btnTest").Text, "Test Connection");
  EXPECT_FALSE(info.Named("btnTest").Enabled) << "no tester, nothing to test with";
}

TEST_F(ConnectionEditor, AnswersGiveTheEditedTextOrTheStart) {
  const std::string big =
      "Provider=MSDASQL.1;Extended Properties=\"" + std::string(1 << 20, 'x') + "\";";
  const struct {
    const char* name;
    std::string start;
    std::string typed;  // empty: leave the text as it is
    std::function<void(Dialog&)> answer;
    bool accepted;
    std::string result;
  } rows[] = {
      {"OK", kStart, kEdited, [](Dialog& d) { d.Click("btnOK"); }, true, kEdited},
      {"Enter", kStart, kEdited, [](Dialog& d) { d.PressKey(VK_RETURN); }, true, kEdited},
      {"Cancel", kStart, kEdited, [](Dialog& d) { d.Click("btnCancel"); }, false, kStart},
      {"Escape", kStart, kEdited, [](Dialog& d) { d.PressKey(VK_ESCAPE); }, false, kStart},
      {"close box", kStart, kEdited, [](Dialog& d) { d.SystemClose(); }, false, kStart},
      {"empty start", "", kEdited, [](Dialog& d) { d.Click("btnOK"); }, true, kEdited},
      {"1 MB start", big, "", [](Dialog& d) { d.Click("btnOK"); }, true, big},
      {"1 MB pasted", kStart, "",
       [&](Dialog& d) {
         PasteOver(d, big);
         d.Click("btnOK");
       },
       true, big},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome out = Edit(row.start, nullptr, [&](Dialog& d) {
      if (!row.typed.empty()) SetText(d, row.typed);
      row.answer(d);
    });
    EXPECT_EQ(out.Accepted, row.accepted);
    EXPECT_EQ(out.Result.size(), row.result.size());
    EXPECT_TRUE(out.Result == row.result);
  }
}

TEST_F(ConnectionEditor, TestConnectionReportsTheOutcomeAndKeepsTheEditorOpen) {
  const struct {
    const char* name;
    TConnectionTester tester;
    const char* caption;
    std::string message;
  } rows[] = {
      {"opens", [](const std::string&) {}, "Information", "Test connection succeeded."},
      {"refused",
       [](const std::string&) {
         throw EOleException("[Microsoft][ODBC Driver Manager] Data source name not found");
       },
       "Error",
       "Test connection failed:\r[Microsoft][ODBC Driver Manager] Data source name not found"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string tested;
    bool openAfterReport = false;
    const Outcome out = Edit(
        kStart,
        [&](const std::string& s) {
          tested = s;
          row.tester(s);
        },
        [&](Dialog& d) {
          SetText(d, kEdited);
          d.Click("btnTest");  // returns once the report has come and gone
          openAfterReport = d.IsOpen();
          d.Click("btnOK");
        },
        {{kTimerFormClassName, [](Dialog& report) { report.Click("OK"); }}});
    EXPECT_EQ(tested, kEdited);
    EXPECT_EQ(out.Run.Seen.size(), 2u);
    const DialogInfo report = out.Run.Seen.size() > 1 ? out.Run.Seen[1] : DialogInfo{};
    EXPECT_EQ(report.Caption, row.caption);
    EXPECT_EQ(report.Named("Message").Text, row.message);
    EXPECT_TRUE(openAfterReport);
    EXPECT_TRUE(out.Accepted);
    EXPECT_EQ(out.Result, kEdited);
  }
}

TEST_F(ConnectionEditor, AnErrorThatIsNoReportClosesTheEditorAndReachesTheCaller) {
  const Outcome out = Edit(
      kStart, [](const std::string&) { throw 7; }, [](Dialog& d) { d.Click("btnTest"); });
  EXPECT_EQ(out.Run.Result, 7);
  EXPECT_TRUE(out.Run.Closed);
}

}  // namespace
}  // namespace zmt
