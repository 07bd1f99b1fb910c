#include "KavroProgram.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/media/ScratchFiles.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TestPaths.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
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

ProgramRun RunKavroInterrupted(int signal, const std::vector<std::string>& arguments, const std::string& watched,
                               uintmax_t bytes, const std::string& folder) {
  const std::string program = TestFolder() + "kavro", errPath = folder + "stderr";
  std::vector<std::string> line = {program};
  line.insert(line.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : line) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(err, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ProgramRun run;
  if (child < 0) return run;
  std::error_code error;
  for (int waited = 0; waited < 2000; ++waited) {
    if (std::filesystem::exists(watched, error) && std::filesystem::file_size(watched, error) > bytes) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(child, signal);
  int status = 0;
  waitpid(child, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadBytes(errPath);
  return run;
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
