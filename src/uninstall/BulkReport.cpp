#include "uninstall/BulkReport.h"

namespace {

const wchar_t kHeading[] = L"Tarvenholt Purgalot! bulk uninstall, ";
const wchar_t kEntryDeleted[] = L"Entry deleted by Clean-Up";

std::wstring TimeText(const SYSTEMTIME& when) {
  wchar_t date[80] = {}, clock[80] = {};
  GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, 80, nullptr);
  GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &when, nullptr, clock, 80);
  return std::wstring(date) + L" " + clock;
}

}  // namespace

std::wstring BulkCountsLine(const TBulkSummary& summary) {
  return L"Completed " + std::to_wstring(summary.Completed) + L", failed " +
         std::to_wstring(summary.Failed) + L", skipped " + std::to_wstring(summary.Skipped) +
         L", restart needed " + std::to_wstring(summary.RestartNeeded) + L".";
}

std::wstring BulkStatusText(const TBulkResult& result, bool cleanedUp) {
  std::wstring text = OutcomeCaption(result.Outcome);
  return cleanedUp ? text + L"; " + kEntryDeleted : text;
}

std::wstring BulkReportText(const std::vector<TBulkTarget>& targets,
                            const std::vector<TBulkResult>& results, const TBulkSummary& summary,
                            const std::vector<bool>& cleanedUp, const SYSTEMTIME& when) {
  std::wstring text = kHeading + TimeText(when) + L"\r\n" + BulkCountsLine(summary) + L"\r\n\r\n";
  for (size_t i = 0; i < targets.size() && i < results.size(); ++i) {
    const TBulkResult& result = results[i];
    text += std::to_wstring(i + 1) + L". " + targets[i].Name + L": " +
            BulkStatusText(result, i < cleanedUp.size() && cleanedUp[i]);
    if (result.ExitCode) text += L"; exit code " + std::to_wstring(*result.ExitCode);
    if (targets[i].Quiet && result.Outcome != TBulkOutcome::Skipped) text += L"; quiet";
    text += L"\r\n";
  }
  return text;
}
