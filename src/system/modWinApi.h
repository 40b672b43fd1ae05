// Running a command line as a new process and waiting for its end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zmt {

// The longest command line that is run; process creation gets a writable copy of it.
constexpr std::size_t kMaxCommandLine = 512;
using TCommandLineBuffer = std::array<char, kMaxCommandLine + 1>;

// Copies CommandLine with its terminating zero into Buffer. Gives false, with Buffer's content
// undefined, when the text is longer than kMaxCommandLine or holds a zero character: running a
// cut-off command line would run something the caller did not ask for.
bool PrepareCommandLine(const std::string& CommandLine, TCommandLineBuffer& Buffer) noexcept;

#ifdef _WIN32
// Runs CommandLine (its first token names the program, found by the system's search rules) in a
// new console whose first window gets ShowMode, with no input (standard input and output are the
// NUL device, so a question the program asks takes its default answer at once), waits without
// time-out for the process to end and gives its exit code. Gives -1 when no process is created, and
// so refuses a command line that PrepareCommandLine does not accept; an exit code of 0xFFFFFFFF
// gives -1 as well.
std::int32_t RunAndWait(const std::string& CommandLine, std::uint16_t ShowMode);
// The same with the program given by its full path, so that no search decides which program runs;
// CommandLine still starts with the program's own name, as the program expects to see it.
std::int32_t RunAndWait(const std::string& ApplicationName, const std::string& CommandLine,
                        std::uint16_t ShowMode);
// The full path of Name in the system directory, so that no search decides which file of that
// name is used; empty when the system directory cannot be read.
std::string SystemDirectoryFile(const std::string& Name);
// Starts CommandLine as RunAndWait does, without waiting for it. False when no process is created.
bool StartProgram(const std::string& CommandLine, std::uint16_t ShowMode);
#endif

}  // namespace zmt
