// The console program's command line: the verbs, their options, the exit codes and the help text.
// Parsed into one struct; nothing here touches the registry.
#pragma once

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What purgalot-cli.exe exits with.
enum TCliExit : int {
  kExitOk = 0,               // everything asked was done
  kExitError = 1,            // something else went wrong (the message names it)
  kExitUsage = 2,            // the command line is wrong
  kExitNoMatch = 3,          // no entry matched
  kExitAmbiguous = 4,        // a name given without --id matched more than one entry
  kExitFailed = 5,           // the uninstaller failed or left its key, or a leftover stayed
  kExitSomeFailed = 6,       // some of several uninstalls failed
  kExitRestartNeeded = 7,    // all completed; Windows must restart to finish
  kExitTimedOut = 8,         // an uninstaller was still running when the time ran out
};

enum class TCliVerb { Help, List, Uninstall, Leftovers };
enum class TCliFormat { Table, Csv, Json };
enum class TCliScope { Any, User, Machine };
// How sure a leftover must be to be removed; None removes nothing.
enum class TCliRemoval { None, Sure, VerySure };

// One program named on the command line: by its id, or by (part of) its name.
struct TCliTarget {
  bool ById = false;
  std::wstring Text;
  bool Exact = false;  // the name must be the whole name, letter case included
};

struct TCliOptions {
  TCliVerb Verb = TCliVerb::Help;
  std::vector<TCliTarget> Targets;  // list: at most one id and one name
  std::wstring Publisher;           // list: part of the publisher, any case
  TCliScope Scope = TCliScope::Any;
  TCliFormat Format = TCliFormat::Table;
  bool Silent = false;
  std::optional<DWORD> TimeoutSeconds;
  TCliRemoval Leftovers = TCliRemoval::None;  // uninstall --leftovers, leftovers --remove
  std::wstring LogFile;                       // empty: ULog.txt beside the program
  std::wstring Folder;                        // leftovers --folder
};

// A command line that cannot be run; the message says why, in one line.
class TCliUsageError : public std::runtime_error {
public:
  explicit TCliUsageError(std::wstring message)
      : std::runtime_error("usage"), message_(std::move(message)) {}
  const std::wstring& Message() const noexcept { return message_; }

private:
  std::wstring message_;
};

// The arguments after the program's name. Options take their value as the next argument or after
// '=' (--format=json). Throws TCliUsageError.
TCliOptions ParseCliArguments(const std::vector<std::wstring>& args);

// The help text "--help" prints, with the table of exit codes.
std::wstring CliHelpText();
