#include <gtest/gtest.h>

#include "DialogAutomation.h"
#include "modMessageDlg.h"
#include "UiTestSupport.h"

namespace zmt {
namespace {

using automation::Dialog;
using automation::ModalRun;
using automation::RunModal;

class ExceptionReport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { handlerRegistered = test::RegisterLogFileHandler(); }
  ModalRun Report(const std::string& msg, const std::string& reason, const std::string& origin,
                  const std::string& logFile, const std::function<void(Dialog&)>& script) {
    ModalRun run = RunModal(
        [&] {
          ShowExceptionDlg(msg, reason, origin, logFile, 0);
          return int64_t{0};
        },
        script);
    EXPECT_TRUE(run.Found);
    EXPECT_FALSE(run.TimedOut);
    return run;
  }
  TFormSettingsScope settings;
  static bool handlerRegistered;
};

bool ExceptionReport::handlerRegistered = false;

TEST_F(ExceptionReport, ShowsTheThreePartsAsAnErrorWithOkAlone) {
  HANDLE icon = nullptr;
  const ModalRun run = Report(
      "Connecting to the POS database failed", "Login failed for user 'till'",
      "TdmMain.SetConnected", "", [&](Dialog& d) {
        DWORD_PTR shown = 0;
        SendMessageTimeoutA(d.Control("Image"), STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &shown);
        icon = reinterpret_cast<HANDLE>(shown);
        d.PressKey(VK_ESCAPE);
      });
  EXPECT_EQ(run.First.Caption, "Error");
  EXPECT_EQ(icon, LoadIconA(nullptr, IDI_HAND));
  EXPECT_EQ(run.First.Find("Message")->Text,
            "Connecting to the POS database failed\rReason: Login failed for user "
            "'till'\r\rRaised In: TdmMain.SetConnected");
  ASSERT_NE(run.First.Find("OK"), nullptr);
  EXPECT_EQ(run.First.DefaultButton()->Name, "OK");
  EXPECT_EQ(run.First.Find("btnLogFile"), nullptr);
  EXPECT_EQ(run.First.Controls.size(), 3u);
}

TEST_F(ExceptionReport, EmptyReasonAndOriginKeepTheirLines) {
  const ModalRun run =
      Report("Saving failed", "", "", "", [](Dialog& d) { d.PressKey(VK_RETURN); });
  EXPECT_EQ(run.First.Find("Message")->Text, "Saving failed\rReason: \r\rRaised In: ");
  // Four lines: message, reason, the empty one, origin.
  const int lineHeight = test::TahomaMeasure().LineHeight();
  EXPECT_EQ(run.First.Find("Message")->Bounds.Height, 4 * lineHeight);
}

TEST_F(ExceptionReport, OffersTheLogFileBesideOk) {
  ASSERT_TRUE(handlerRegistered);
  test::TempFile log("exception.zmtlog");
  log.Create("12:00:01 connection refused\r\n");
  std::string picture;
  const ModalRun run = Report("Connecting to the POS database failed",
                              "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist "
                              "or access denied.",
                              "TdmMain.SetConnected", log.Path, [&](Dialog& d) {
                                picture = d.Screenshot("exception-report.png");
                                d.Click("btnLogFile");
                              });
  ASSERT_NE(run.First.Find("btnLogFile"), nullptr);
  EXPECT_EQ(run.First.Find("btnLogFile")->Text, "View Log");
  EXPECT_LT(run.First.Find("OK")->Bounds.Left, run.First.Find("btnLogFile")->Bounds.Left);
  EXPECT_NE(picture, "");
  EXPECT_TRUE(test::WaitForFile(log.Marker(), 20000)) << "View Log did not open the file";
}

}  // namespace
}  // namespace zmt
