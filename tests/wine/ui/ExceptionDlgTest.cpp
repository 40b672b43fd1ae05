#include <gtest/gtest.h>

#include "DialogAutomation.h"
#include "modMessageDlg.h"
#include "UiTestSupport.h"

namespace zmt {
namespace {

using automation::Dialog;
using automation::ModalRun;

// An error with OK alone, as default and cancel button, and View Log beside it when the log file
// exists (what View Log does is the message dialog's); the text keeps its four lines however empty
// its parts are.
TEST(ExceptionReport, ShowsTheThreePartsAsAnErrorWithOkAndTheLogFile) {
  TFormSettingsScope settings;
  test::TempFile log("exception.zmtlog");
  log.Create();
  const struct {
    std::string reason, origin, logFile;
    const char* picture = nullptr;
  } rows[] = {
      {"Login failed for user 'till'", "TdmMain.SetConnected", ""},
      {"", "", ""},
      {"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.",
       "TdmMain.SetConnected", log.Path, "exception-report.png"},
  };
  const std::string msg = "Connecting to the POS database failed";
  const int lineHeight = test::TahomaMeasure().LineHeight();
  for (const auto& row : rows) {
    SCOPED_TRACE("reason \"" + row.reason + "\"");
    HANDLE icon = nullptr;
    std::string picture;
    const bool logged = !row.logFile.empty();
    const ModalRun run = automation::RunModal(
        [&] {
          ShowExceptionDlg(msg, row.reason, row.origin, row.logFile, 0);
          return int64_t{0};
        },
        [&](Dialog& d) {
          icon = reinterpret_cast<HANDLE>(SendMessageA(d.Control("Image"), STM_GETICON, 0, 0));
          if (row.picture != nullptr) picture = d.Screenshot(row.picture);
          d.PressKey(VK_ESCAPE);
        });
    EXPECT_TRUE(run.Found && run.Closed && !run.TimedOut);
    EXPECT_EQ(run.First.Caption, "Error");
    EXPECT_EQ(icon, LoadIconA(nullptr, IDI_HAND));
    EXPECT_EQ(run.First.Named("Message").Text,
              msg + "\rReason: " + row.reason + "\r\rRaised In: " + row.origin);
    EXPECT_EQ(run.First.Named("Message").Bounds.Height, 4 * lineHeight);
    EXPECT_EQ(run.First.DefaultName(), "OK");
    EXPECT_EQ(run.First.Controls.size(), logged ? 4u : 3u);
    EXPECT_EQ(picture.empty(), row.picture == nullptr);
    if (!logged) continue;
    EXPECT_EQ(run.First.Named("btnLogFile").Text, "View Log");
    EXPECT_LT(run.First.Named("OK").Bounds.Left, run.First.Named("btnLogFile").Bounds.Left);
  }
}

}  // namespace
}  // namespace zmt
