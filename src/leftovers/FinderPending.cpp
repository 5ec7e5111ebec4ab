// Stands in for the finder until it is written: it finds nothing. Goes when LeftoverFinder.cpp
// comes.
#include "leftovers/LeftoverFinder.h"

const wchar_t* LevelCaption(TLeftoverLevel level) {
  switch (level) {
    case TLeftoverLevel::VerySure: return L"Very sure";
    case TLeftoverLevel::Sure: return L"Sure";
    case TLeftoverLevel::Unsure: return L"Unsure";
    case TLeftoverLevel::Unlikely: return L"Unlikely";
  }
  return L"";
}

std::wstring TLeftover::Location() const {
  if (!Root) return Path;
  return (Root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER" : L"HKEY_LOCAL_MACHINE") + Path;
}

std::vector<TOtherProgram> ReadOtherPrograms(HKEY, REGSAM, const std::wstring&) { return {}; }
TSearchPlaces TSearchPlaces::OfThisMachine() { return {}; }
std::vector<TLeftover> TLeftoverFinder::Find(const TProgramFacts&,
                                             const std::vector<TOtherProgram>&) const {
  return {};
}
