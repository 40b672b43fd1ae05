// The service check's decisions, apart from the system that carries them out: what the check
// reads, runs and shows goes through an effects object, so that every path can be walked without
// a service control manager.
#pragma once

#include <cstdint>
#include <string>

namespace zmt {

constexpr char kZmtServiceName[] = "zmtservice";
constexpr char kZmtExecutable[] = "c:\\program files\\tessinor\\quro\\zmt.exe";
// Quoted: unquoted, the blank in the path makes Windows try "c:\program.exe" first.
constexpr char kZmtInstallCommandLine[] = "\"c:\\program files\\tessinor\\quro\\zmt.exe\" /install";
// The version number of 2.0.0.0: older executables are not installed.
constexpr double kZmtMinimumVersionNumber = 1200000000.0;
// The installer runs on its own meanwhile; the start that follows needs it to have registered
// the service.
constexpr std::uint32_t kZmtInstallPauseMs = 30000;

constexpr char kZmtInformationCaption[] = "Information";
constexpr char kZmtSupportNotice[] = "Please Contact Dravik Support for further configuration.";
constexpr char kZmtNotRunningWarning[] =
    "The Quro Enterprise Service is not running.\rContact Dravik Support Immediatly for "
    "Assistance.";

// A command of the system's own: the program is looked up in the system directory only, so that
// a "net.exe" beside the host or in its current directory is never run in its place.
struct TSystemCommand {
  const char* Program;      // a file name in the system directory
  const char* CommandLine;  // the command line the program gets, its own name first
};
constexpr TSystemCommand kZmtStartCommand{"net.exe", "net start zmtservice"};
constexpr TSystemCommand kZmtStopCommand{"net.exe", "net stop zmtservice"};

// What the check needs of the system. Any of them may raise; the check then ends silently.
class TServiceCheckEffects {
 public:
  virtual ~TServiceCheckEffects() = default;
  virtual std::string IPAddress() = 0;
  virtual std::string LocalComputerName() = 0;
  // The connection string that the data module's connection holds at this moment.
  virtual std::string ConnectionString() = 0;
  // The service's state on this computer: 0 when it cannot be reached, else 1 to 7.
  virtual std::uint32_t ServiceState() = 0;
  // Runs the command hidden and waits for its end; the exit code is of no interest.
  virtual void RunHiddenAndWait(const TSystemCommand& Command) = 0;
  // Starts the command line hidden and does not wait.
  virtual void StartHidden(const std::string& CommandLine) = 0;
  virtual bool FileExists(const std::string& FileName) = 0;
  virtual std::string FileVersionText(const std::string& FileName) = 0;
  // A modal information box with the caption "Information" and the one button OK.
  virtual void ShowInformation(const std::string& Text) = 0;
  virtual void Pause(std::uint32_t Milliseconds) = 0;
};

// The text without the leading and trailing characters of codes 0 to 32.
std::string TrimControl(const std::string& Text);

// The database server that a connection string names, as the check compares it: the value of the
// first "Data Source" key (its blanks count as "_" for the look-up, letter case does not count),
// trimmed and upper-cased; empty text when there is no such key.
std::string ServerNameOf(const std::string& ConnectionString);

// Whether the server name means this machine: ".", "LOCAL", "LOCALHOST", "127.0.0.1", the
// upper-cased computer name or the IP address text, compared as plain text.
bool IsLocalServer(const std::string& ServerName, const std::string& UpperComputerName,
                   const std::string& IPAddressText);

// "ZMT <version> has been detected, ..." with the executable's version text.
std::string InstallNotice(const std::string& VersionText);

// One complete check: starts, restarts or installs the service as its first state asks and warns
// when it does not run afterwards. Every error of the effects ends the check on the spot without a
// message; none leaves this function.
void RunServiceCheck(TServiceCheckEffects& Effects);

}  // namespace zmt
