#include "cli/CliOptions.h"

#include "win/Text.h"

#include <cwctype>

namespace {

struct TArgs {
  const std::vector<std::wstring>& List;
  size_t At = 1;  // after the verb

  bool Done() const { return At >= List.size(); }
};

// Splits "--name=value" into its option and value.
std::pair<std::wstring, std::optional<std::wstring>> SplitOption(const std::wstring& arg) {
  size_t eq = arg.find(L'=');
  if (arg.rfind(L"--", 0) != 0 || eq == std::wstring::npos) return {arg, std::nullopt};
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

std::wstring ValueOf(TArgs& args, const std::wstring& option,
                     const std::optional<std::wstring>& glued) {
  if (glued) return *glued;
  if (args.Done()) throw TCliUsageError(option + L" needs a value.");
  return args.List[args.At++];
}

TCliFormat FormatNamed(const std::wstring& text) {
  if (text == L"table") return TCliFormat::Table;
  if (text == L"csv") return TCliFormat::Csv;
  if (text == L"json") return TCliFormat::Json;
  throw TCliUsageError(L"--format takes table, csv or json, not \"" + text + L"\".");
}

TCliRemoval RemovalNamed(const std::wstring& option, const std::wstring& text, bool noneAllowed) {
  if (noneAllowed && text == L"none") return TCliRemoval::None;
  if (text == L"sure") return TCliRemoval::Sure;
  if (text == L"very-sure") return TCliRemoval::VerySure;
  throw TCliUsageError(option + (noneAllowed ? L" takes none, sure or very-sure, not \""
                                             : L" takes sure or very-sure, not \"") +
                       text + L"\".");
}

DWORD SecondsOf(const std::wstring& text) {
  // A week at most: the milliseconds must fit the wait.
  constexpr unsigned long kMaxSeconds = 7 * 24 * 3600;
  bool digits = !text.empty() && text.size() <= 7;
  for (wchar_t c : text) digits = digits && c >= L'0' && c <= L'9';
  unsigned long seconds = digits ? std::wcstoul(text.c_str(), nullptr, 10) : 0;
  if (seconds == 0 || seconds > kMaxSeconds)
    throw TCliUsageError(L"--timeout takes a number of seconds from 1 to 604800, not \"" + text +
                         L"\".");
  return static_cast<DWORD>(seconds);
}

TCliVerb VerbNamed(const std::wstring& text) {
  if (text == L"list") return TCliVerb::List;
  if (text == L"uninstall") return TCliVerb::Uninstall;
  if (text == L"leftovers") return TCliVerb::Leftovers;
  throw TCliUsageError(L"Unknown command \"" + text +
                       L"\"; the commands are list, uninstall and leftovers (--help tells more).");
}

bool IsHelp(const std::wstring& arg) {
  return arg == L"--help" || arg == L"-h" || arg == L"-?" || arg == L"/?";
}

// Which options each verb takes.
bool Takes(TCliVerb verb, const std::wstring& option) {
  static const wchar_t* const kList[] = {L"--name", L"--id", L"--publisher", L"--exact",
                                         L"--scope", L"--format"};
  static const wchar_t* const kUninstall[] = {L"--name", L"--id", L"--exact", L"--silent",
                                              L"--timeout", L"--leftovers", L"--log"};
  static const wchar_t* const kLeftovers[] = {L"--name", L"--id", L"--exact", L"--folder",
                                              L"--format", L"--remove"};
  const auto in = [&option](const auto& names) {
    for (const wchar_t* name : names)
      if (option == name) return true;
    return false;
  };
  switch (verb) {
    case TCliVerb::List: return in(kList);
    case TCliVerb::Uninstall: return in(kUninstall);
    case TCliVerb::Leftovers: return in(kLeftovers);
    case TCliVerb::Help: break;
  }
  return false;
}

const wchar_t* VerbName(TCliVerb verb) {
  switch (verb) {
    case TCliVerb::List: return L"list";
    case TCliVerb::Uninstall: return L"uninstall";
    case TCliVerb::Leftovers: return L"leftovers";
    case TCliVerb::Help: break;
  }
  return L"";
}

void CheckTargets(const TCliOptions& options) {
  size_t ids = 0, names = 0;
  for (const auto& target : options.Targets) (target.ById ? ids : names)++;
  switch (options.Verb) {
    case TCliVerb::List:
      if (ids > 1 || names > 1) throw TCliUsageError(L"list takes at most one --id and one --name.");
      break;
    case TCliVerb::Uninstall:
      if (options.Targets.empty())
        throw TCliUsageError(L"uninstall needs at least one --id or --name.");
      break;
    case TCliVerb::Leftovers:
      if (options.Targets.size() != 1)
        throw TCliUsageError(L"leftovers needs one --id or one --name.");
      if (ids && !options.Folder.empty())
        throw TCliUsageError(L"--folder goes with --name: an entry's id names its folder itself.");
      break;
    case TCliVerb::Help: break;
  }
}

}  // namespace

TCliOptions ParseCliArguments(const std::vector<std::wstring>& list) {
  TCliOptions options;
  for (const auto& arg : list)
    if (IsHelp(arg)) return options;
  if (list.empty()) throw TCliUsageError(L"No command given; try --help.");
  if (list.front() == L"help") return options;
  options.Verb = VerbNamed(list.front());

  TArgs args{list};
  bool exactPending = false;  // list and leftovers: --exact before its --name
  while (!args.Done()) {
    auto [option, glued] = SplitOption(args.List[args.At++]);
    if (!Takes(options.Verb, option)) {
      if (option.rfind(L"-", 0) == 0)
        throw TCliUsageError(std::wstring(VerbName(options.Verb)) + L" takes no option \"" +
                             option + L"\".");
      throw TCliUsageError(L"Unexpected argument \"" + option + L"\".");
    }
    const bool flag = option == L"--exact" || option == L"--silent";
    if (flag && glued) throw TCliUsageError(option + L" takes no value.");
    if (option == L"--name" || option == L"--id") {
      std::wstring text = ValueOf(args, option, glued);
      if (text.empty()) throw TCliUsageError(option + L" needs a value.");
      options.Targets.push_back({option == L"--id", text, false});
    } else if (option == L"--exact") {
      // Each --exact belongs to the --name it follows; list and leftovers name one program.
      TCliTarget* last = options.Targets.empty() ? nullptr : &options.Targets.back();
      if (last && !last->ById) {
        last->Exact = true;
      } else if (options.Verb == TCliVerb::Uninstall) {
        throw TCliUsageError(L"--exact must follow the --name it applies to.");
      } else {
        exactPending = true;
      }
    } else if (option == L"--publisher") {
      options.Publisher = ValueOf(args, option, glued);
    } else if (option == L"--scope") {
      std::wstring scope = ValueOf(args, option, glued);
      if (scope == L"user") options.Scope = TCliScope::User;
      else if (scope == L"machine") options.Scope = TCliScope::Machine;
      else throw TCliUsageError(L"--scope takes user or machine, not \"" + scope + L"\".");
    } else if (option == L"--format") {
      options.Format = FormatNamed(ValueOf(args, option, glued));
    } else if (option == L"--silent") {
      options.Silent = true;
    } else if (option == L"--timeout") {
      options.TimeoutSeconds = SecondsOf(ValueOf(args, option, glued));
    } else if (option == L"--leftovers" || option == L"--remove") {
      options.Leftovers = RemovalNamed(option, ValueOf(args, option, glued), option == L"--leftovers");
    } else if (option == L"--log") {
      options.LogFile = ValueOf(args, option, glued);
      if (options.LogFile.empty()) throw TCliUsageError(L"--log needs a file name.");
    } else if (option == L"--folder") {
      options.Folder = ValueOf(args, option, glued);
    }
  }
  if (exactPending) {
    TCliTarget* name = nullptr;
    for (auto& target : options.Targets)
      if (!target.ById) name = &target;
    if (!name) throw TCliUsageError(L"--exact goes with --name.");
    name->Exact = true;
  }
  CheckTargets(options);
  return options;
}

std::wstring CliHelpText() {
  return LR"(purgalot-cli: lists and removes installed programs, for scripts and remote shells.

  purgalot-cli list [--name TEXT] [--id ID] [--publisher TEXT] [--exact]
                    [--scope user|machine] [--format table|csv|json]
  purgalot-cli uninstall (--id ID | --name TEXT [--exact])... [--silent]
                    [--timeout SECONDS] [--leftovers none|sure|very-sure] [--log FILE]
  purgalot-cli leftovers (--id ID | --name TEXT [--exact] [--folder PATH])
                    [--format table|csv|json] [--remove sure|very-sure]

An entry's ID names where it is recorded: HKLM\x64\<key>, HKLM\x86\<key> or HKCU\<key>.
--name matches part of the name in any letter case; with --exact, the whole name exactly.
A name given without --id must match one entry only: purgalot-cli never guesses.
uninstall runs the uninstallers one after another, never two at once; --silent runs
quiet ones where the entry has one. An uninstaller still running after --timeout is
left running, and the run stops there. The log records go to ULog.txt beside the
program, or to --log FILE. leftovers lists what a program left behind, how sure each
find is and why; --remove (and uninstall --leftovers) removes the finds of that level
or surer, each saved in a backup first.

Exit codes:
  0  everything asked was done
  1  another error (the message names it)
  2  bad usage: the command line is wrong
  3  nothing matched
  4  a name matched more than one entry; give --id
  5  the uninstaller failed or left its key, or a leftover could not be removed
  6  some of several uninstalls failed
  7  completed, but Windows must restart to finish
  8  an uninstaller was still running when the time ran out
)";
}
