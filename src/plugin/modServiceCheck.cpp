#include "modServiceCheck.h"

#include "SysUtils.h"
#include "clsAppInfo.h"
#include "modStringParsing.h"
#include "modStringUtils.h"

namespace zmt {

namespace {

constexpr std::uint32_t kStopped = 1;
constexpr std::uint32_t kStartPending = 2;
constexpr std::uint32_t kStopPending = 3;
constexpr std::uint32_t kRunning = 4;
constexpr std::uint32_t kPausePending = 6;
constexpr std::uint32_t kPaused = 7;

bool IsControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

void InstallService(TServiceCheckEffects& Effects, bool IsLocal) {
  if (!IsLocal || !Effects.FileExists(kZmtExecutable)) return;
  const std::string versionText = Effects.FileVersionText(kZmtExecutable);
  if (GetFileVersionNumber(versionText) < kZmtMinimumVersionNumber) return;
  Effects.ShowInformation(InstallNotice(versionText));
  Effects.StartHidden(kZmtInstallCommandLine);
  Effects.Pause(kZmtInstallPauseMs);
  Effects.RunHiddenAndWait(kZmtStartCommand);
  Effects.ShowInformation(kZmtSupportNotice);
}

}  // namespace

std::string TrimControl(const std::string& Text) {
  std::size_t first = 0;
  std::size_t last = Text.size();
  while (first < last && IsControl(Text[first])) ++first;
  while (last > first && IsControl(Text[last - 1])) --last;
  return Text.substr(first, last - first);
}

std::string ServerNameOf(const std::string& ConnectionString) {
  TStringList pieces;
  // Quotes are not honoured: a ";" inside a quoted value cuts it too.
  SplitString(pieces, ReplaceChar(ConnectionString, ' ', '_'), ";");
  const std::string value = pieces.Values("Data_Source");
  return UpperCase(TrimControl(ReplaceChar(value, '_', ' ')));
}

bool IsLocalServer(const std::string& ServerName, const std::string& UpperComputerName,
                   const std::string& IPAddressText) {
  for (const char* name : {".", "LOCAL", "LOCALHOST", "127.0.0.1"}) {
    if (ServerName == name) return true;
  }
  return ServerName == UpperComputerName || ServerName == IPAddressText;
}

std::string InstallNotice(const std::string& VersionText) {
  return "ZMT " + VersionText +
         " has been detected, but the service is not installed\rAttempting to install ZMT "
         "Service.";
}

void RunServiceCheck(TServiceCheckEffects& Effects) {
  try {
    const std::string ipAddress = Effects.IPAddress();
    const std::string computerName = UpperCase(TrimControl(Effects.LocalComputerName()));
    const std::string serverName = ServerNameOf(Effects.ConnectionString());
    const bool isLocal = IsLocalServer(serverName, computerName, ipAddress);

    switch (Effects.ServiceState()) {
      case 0:
        InstallService(Effects, isLocal);
        break;
      case kStopped:
        Effects.RunHiddenAndWait(kZmtStartCommand);
        break;
      case kStopPending:
      case kPausePending:
      case kPaused:
        Effects.RunHiddenAndWait(kZmtStopCommand);
        Effects.RunHiddenAndWait(kZmtStartCommand);
        break;
      default:
        break;
    }

    const std::uint32_t finalState = Effects.ServiceState();
    if (finalState != 0 && finalState != kStartPending && finalState != kRunning)
      Effects.ShowInformation(kZmtNotRunningWarning);
  } catch (...) {
    // The check is a background courtesy to the till: whatever went wrong, the host carries on
    // and the next call tries again.
  }
}

}  // namespace zmt
