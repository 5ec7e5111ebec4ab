#include "cli/CliLeftovers.h"

#include "cli/CliListing.h"

namespace {

// A removed row's outcome ("OK", "Failed", "Protected", ...); none for a row left alone.
std::optional<std::wstring> Outcome(const TDeleteRows* removed, size_t i) {
  if (!removed || i >= removed->size() || !(*removed)[i].Checked) return std::nullopt;
  return (*removed)[i].Status();
}

std::wstring Evidence(const TLeftover& find) {
  std::wstring text;
  for (const auto& sentence : find.Evidence) text += (text.empty() ? L"" : L" ") + sentence;
  return text;
}

}  // namespace

bool TakenAt(TCliRemoval level, const TLeftover& find) {
  switch (level) {
    case TCliRemoval::None: return false;
    case TCliRemoval::Sure: return find.Ticked();
    case TCliRemoval::VerySure: return find.Level == TLeftoverLevel::VerySure;
  }
  return false;
}

void TickForRemoval(TLeftoverRemoval& removal, TCliRemoval level) {
  for (size_t i = 0; i < removal.Rows.size(); ++i)
    removal.Rows[i].Checked = !removal.Rows[i].Protected && TakenAt(level, removal.Finds()[i]);
}

std::wstring LeftoversAsTable(const std::vector<TLeftover>& finds, const TDeleteRows* removed,
                              size_t width) {
  std::vector<std::wstring> header = {L"Level", L"Kind", L"Location"};
  if (removed) header.insert(header.begin(), L"Status");
  std::vector<std::vector<std::wstring>> rows;
  for (size_t i = 0; i < finds.size(); ++i) {
    const TLeftover& f = finds[i];
    std::wstring location = f.Location();
    if (f.Kind == TLeftoverKind::Value)
      location += L" \"" + (f.ValueName.empty() ? std::wstring(L"(Default)") : f.ValueName) + L"\"";
    std::vector<std::wstring> row = {LevelCaption(f.Level), KindName(f.Kind), location};
    if (removed) row.insert(row.begin(), Outcome(removed, i).value_or(L"-"));
    rows.push_back(std::move(row));
  }
  return FormatTable(header, rows, width);
}

std::wstring LeftoversAsCsv(const std::vector<TLeftover>& finds, const TDeleteRows* removed) {
  std::wstring out = L"kind,path,value,level,score,evidence,ticked";
  out += removed ? L",status\r\n" : L"\r\n";
  for (size_t i = 0; i < finds.size(); ++i) {
    const TLeftover& f = finds[i];
    out += std::wstring(KindName(f.Kind)) + L"," + CsvField(f.Location()) + L",";
    out += (f.Kind == TLeftoverKind::Value ? CsvField(f.ValueName) : L"") + L",";
    out += std::wstring(LevelName(f.Level)) + L"," + std::to_wstring(f.Score) + L",";
    out += CsvField(Evidence(f)) + L"," + (f.Ticked() ? L"true" : L"false");
    if (removed) out += L"," + CsvField(Outcome(removed, i).value_or(L""));
    out += L"\r\n";
  }
  return out;
}

std::wstring LeftoversAsJson(const std::vector<TLeftover>& finds, const TDeleteRows* removed) {
  std::wstring out = L"[";
  for (size_t i = 0; i < finds.size(); ++i) {
    const TLeftover& f = finds[i];
    out += i ? L",\r\n  {" : L"\r\n  {";
    out += L"\"kind\": " + JsonString(KindName(f.Kind));
    out += L", \"path\": " + JsonString(f.Location());
    out += L", \"value\": " +
           (f.Kind == TLeftoverKind::Value ? JsonString(f.ValueName) : std::wstring(L"null"));
    out += L", \"level\": " + JsonString(LevelName(f.Level));
    out += L", \"score\": " + std::to_wstring(f.Score);
    out += L", \"evidence\": [";
    for (size_t e = 0; e < f.Evidence.size(); ++e)
      out += (e ? L", " : L"") + JsonString(f.Evidence[e]);
    out += L"], \"ticked\": " + std::wstring(f.Ticked() ? L"true" : L"false");
    if (removed) {
      auto outcome = Outcome(removed, i);
      out += L", \"status\": " + (outcome ? JsonString(*outcome) : std::wstring(L"null"));
    }
    out += L"}";
  }
  return out + (finds.empty() ? L"]\r\n" : L"\r\n]\r\n");
}
