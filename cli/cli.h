// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <streambuf>
#include <string>
#include <vector>

namespace trevak::cli {

/// Runs trevak-cli with its arguments (without the program name), writing to `out` and `err`.
/// Returns the process exit status: 0 success, 1 a refusal or a missing module, 2 a usage or
/// file error.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// run() for the program's main(), writing to the standard streams: flushes the output and ends
/// the process with the status (2 when the output could not be written). What list and show
/// loaded is left to the system, which takes a process's memory back at once, instead of being
/// freed piece by piece just before the end.
/// `render` is run by another program, trevak-cli-render, which runProcess starts in its place,
/// unless this process has the drawing commands itself.
/// A leading `--lang en|pt` is taken off first (takeLanguageOption).
[[noreturn]] void runProcess(std::vector<std::string> args);

/// The drawing commands in this process (trevak-cli-render and the tests have them): `render`
/// then runs `command` in place of starting trevak-cli-render.
using CommandFunction = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
void setRenderCommand(CommandFunction command);

/// A stream buffer that passes text to `out` with every control byte other than a line end
/// or a TAB shown as `\xHH`: what runProcess writes its messages through, so that bytes
/// quoted from a library (ESC, BEL...) cannot change the terminal. Data on standard output is
/// never passed through it.
class ControlEscapingBuffer final : public std::streambuf {
 public:
  explicit ControlEscapingBuffer(std::streambuf* out) : m_out(out) {}

 protected:
  int overflow(int ch) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  std::streambuf* m_out;
};

}  // namespace trevak::cli
