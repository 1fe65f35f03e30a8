// Running the executable in the command-line tests: its status and both output streams.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace sc::test {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome run(const std::string& args, const std::filesystem::path& scratch,
                   const std::filesystem::path& exe = SC_EXECUTABLE) {
  std::filesystem::path out = scratch / "stdout.txt";
  std::filesystem::path err = scratch / "stderr.txt";
  std::string cmd = "'" + exe.string() + "' " + args + " >'" + out.string() + "' 2>'" +
                    err.string() + "' </dev/null";
  int raw = std::system(cmd.c_str());
  Outcome r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

inline std::string q(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

// Replaces the first occurrence of from in a text file.
inline void edit(const std::filesystem::path& file, const std::string& from,
                 const std::string& to) {
  std::string text = slurp(file);
  size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  spit(file, text);
}

}  // namespace sc::test
