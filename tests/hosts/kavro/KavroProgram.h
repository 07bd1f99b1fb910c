// Runs the kavro program beside the tests, as a person runs it from a shell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ProgramRun {
  int exitCode = -1;
  std::string out;  // standard output, unless it went to a file
  std::string err;
};

// stdinPath / stdoutPath: files to redirect from and to, or empty.
ProgramRun RunKavro(const std::vector<std::string>& arguments, const std::string& stdinPath = "",
                    const std::string& stdoutPath = "");

#if !defined(_WIN32)
// kavro with its files limited to `blocks` of 512 bytes and SIGXFSZ ignored,
// so a write past the limit fails as on a full disk (after a partial write).
// The script and standard error go into `folder`.
ProgramRun RunKavroWithFileLimit(int blocks, const std::vector<std::string>& arguments, const std::string& folder);

// kavro with the shell's `redirections` (">&-", "2> FOLDER/stderr", ...);
// run.err is what FOLDER/stderr then holds.
// kavro sent `signal` once `watched` holds more than `bytes`, standard error
// into FOLDER/stderr; exitCode is -1 when the signal killed it.
ProgramRun RunKavroInterrupted(int signal, const std::vector<std::string>& arguments, const std::string& watched,
                               uintmax_t bytes, const std::string& folder);

ProgramRun RunKavroWithStreams(const std::vector<std::string>& arguments, const std::string& redirections,
                               const std::string& folder);
#endif

// <test directory>/<name>.so or .dll: a plug-in copy placed for the tests.
std::string PluginCopy(const std::string& name);
