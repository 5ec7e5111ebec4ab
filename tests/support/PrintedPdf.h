// Reading back what the suite's PDF printer (a cups-pdf queue started by scripts/test) printed:
// finding each job's PDF and running the host's tools on it.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace testing_support {

std::string ReadAll(const std::filesystem::path& path);
// A Unix path as this Wine process reaches it: through a drive that maps it, else Wine's
// \\?\unix\ form (the test prefixes have no drive for the host's root).
std::filesystem::path FromUnix(const std::string& unixPath);
// Runs a program of the host and returns what it wrote. Wine starts it with "start /unix" without
// waiting, so a script moves its output into place only once it is complete.
std::string RunOnHost(const std::vector<std::string>& argv);

// The printer's output folder (PURGALOT_PRINT_OUT); Next() waits for the PDF of the next job.
class TPrinterOutput {
public:
  TPrinterOutput();
  bool Ready() const { return !folder_.empty(); }
  // The Unix path of the new PDF once it is complete; empty on time-out.
  std::string Next();

private:
  std::set<std::string> Pdfs() const;

  std::string folder_;
  std::set<std::string> before_;
};

// Takes the user's default printer setting away for the object's life: this machine then has
// no printer to print to without asking.
class TNoDefaultPrinter {
public:
  TNoDefaultPrinter();
  ~TNoDefaultPrinter();
  TNoDefaultPrinter(const TNoDefaultPrinter&) = delete;
  TNoDefaultPrinter& operator=(const TNoDefaultPrinter&) = delete;

private:
  win::UniqueHKey key_;
  std::wstring device_;
};

}  // namespace testing_support
