#include "KavroProgram.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/media/ScratchFiles.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TestPaths.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#ifndef KAVRO_RUN_FOLDER
#define KAVRO_RUN_FOLDER "kavro_run_"
#endif

namespace {

std::string TestFolder() { return std::filesystem::path(TestDirectory()).string(); }

}  // namespace

ProgramRun RunKavro(const std::vector<std::string>& arguments, const std::string& stdinPath,
                    const std::string& stdoutPath) {
  static int runs = 0;
  // Each test program its own folders, so two can run at once.
  const std::string folder = ScratchFolder(KAVRO_RUN_FOLDER + std::to_string(++runs));
  const std::string outPath = stdoutPath.empty() ? folder + "stdout" : stdoutPath;
  const std::string errPath = folder + "stderr";
#if defined(_WIN32)
  std::string command = Quote(TestFolder() + "kavro.exe");
#else
  std::string command = Quote(TestFolder() + "kavro");
#endif
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  if (!stdinPath.empty()) command += " < " + Quote(stdinPath);
  command += " > " + Quote(outPath) + " 2> " + Quote(errPath);
#if defined(_WIN32)
  // cmd drops the outermost quotes of a line that starts with one.
  command = "\"" + command + "\"";
#endif
  ProgramRun run;
  const int status = std::system(command.c_str());
#if defined(_WIN32)
  run.exitCode = status;
#else
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  // Text lines end in CR LF on Windows.
  auto text = [](std::string bytes) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    return bytes;
  };
  if (stdoutPath.empty()) run.out = text(ReadBytes(outPath));
  run.err = text(ReadBytes(errPath));
  return run;
}

#if !defined(_WIN32)
namespace {

// kavro from a shell script in `folder`, after `setUp`, with `redirections`.
ProgramRun RunKavroScript(const std::string& setUp, const std::vector<std::string>& arguments,
                          const std::string& redirections, const std::string& folder) {
  std::string command = setUp + "exec " + Quote(TestFolder() + "kavro");
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  const std::string script = folder + "kavro.sh";
  WriteBytes(script, command + " " + redirections + "\n");
  ProgramRun run;
  const int status = std::system(("dash " + Quote(script)).c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadBytes(folder + "stderr");
  return run;
}

}  // namespace

ProgramRun RunKavroWithFileLimit(int blocks, const std::vector<std::string>& arguments, const std::string& folder) {
  return RunKavroScript("ulimit -f " + std::to_string(blocks) + "; trap '' XFSZ; ", arguments,
                        "2> " + Quote(folder + "stderr"), folder);
}

ProgramRun RunKavroWithStreams(const std::vector<std::string>& arguments, const std::string& redirections,
                               const std::string& folder) {
  std::remove((folder + "stderr").c_str());
  return RunKavroScript("", arguments, redirections, folder);
}
#endif

std::string PluginCopy(const std::string& name) {
#if defined(_WIN32)
  return TestFolder() + name + ".dll";
#else
  return TestFolder() + name + ".so";
#endif
}
