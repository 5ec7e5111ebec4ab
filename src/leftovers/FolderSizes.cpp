#include "leftovers/FolderSizes.h"

#include "assisted/ProtectedPlaces.h"
#include "leftovers/ProgramFacts.h"
#include "win/FileSystemTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shlobj.h>

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace {

const char kCacheHeader[] = "Tarvenholt Purgalot folder sizes 1";

std::wstring CacheKey(const std::wstring& folder) { return win::ToLower(folder); }

uint64_t TimeNumber(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

template <class T>
bool ParseNumber(std::string_view text, T& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int64_t SumFolderBytes(const std::wstring& folder, const std::atomic<bool>* stop) {
  int64_t total = 0;
  std::vector<std::wstring> pending{folder};
  bool first = true;
  while (!pending.empty()) {
    if (stop && *stop) return -1;
    std::wstring current = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW data;
    win::UniqueFind find(FindFirstFileExW(win::LiteralPath(current + L"\\*").c_str(),
                                          FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                          FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
      if (first) return -1;  // the folder itself cannot be listed
      continue;              // a subfolder that cannot be listed counts as empty
    }
    first = false;
    do {
      std::wstring_view name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      // A link's target belongs to whatever it points to.
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        pending.push_back(current + L"\\" + data.cFileName);
      else
        total += static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                      data.nFileSizeLow);
    } while (FindNextFileW(find.Get(), &data));
  }
  return total;
}

uint64_t FolderWriteTime(const std::wstring& folder) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(win::LiteralPath(folder).c_str(), GetFileExInfoStandard, &data) ||
      !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  return TimeNumber(data.ftLastWriteTime);
}

TFolderSizeCache::TFolderSizeCache(std::wstring file) : file_(std::move(file)) {
  win::UniqueFile handle(CreateFileW(win::LiteralPath(file_).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!handle || !GetFileSizeEx(handle.Get(), &size) || size.QuadPart > 64 * 1024 * 1024) return;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return;
  bytes.resize(read);
  std::string_view text = bytes;
  bool header = true;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (header) {
      header = false;
      if (line != kCacheHeader) {  // another format: start afresh
        changed_ = true;
        return;
      }
      continue;
    }
    // write time TAB bytes TAB folder
    size_t tab1 = line.find('\t'), tab2 = tab1 == line.npos ? line.npos : line.find('\t', tab1 + 1);
    TSize entry{};
    std::wstring folder;
    if (tab2 == line.npos || !ParseNumber(line.substr(0, tab1), entry.WriteTime) ||
        !ParseNumber(line.substr(tab1 + 1, tab2 - tab1 - 1), entry.Bytes) || entry.Bytes < 0 ||
        !win::TryFromUtf8(line.substr(tab2 + 1), folder) || folder.empty()) {
      changed_ = true;
      continue;
    }
    sizes_[CacheKey(folder)] = entry;
  }
}

std::wstring TFolderSizeCache::DefaultFile() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
    return {};
  return std::wstring(path) + L"\\Tarvenholt Purgalot\\FolderSizes.txt";
}

int64_t TFolderSizeCache::Find(const std::wstring& folder, uint64_t writeTime) const {
  auto found = sizes_.find(CacheKey(folder));
  return found != sizes_.end() && found->second.WriteTime == writeTime ? found->second.Bytes : -1;
}

void TFolderSizeCache::Store(const std::wstring& folder, uint64_t writeTime, int64_t bytes) {
  sizes_[CacheKey(folder)] = {writeTime, bytes};
  changed_ = true;
}

void TFolderSizeCache::Save() {
  if (!changed_ || file_.empty()) return;
  std::string text = std::string(kCacheHeader) + "\r\n";
  for (const auto& [folder, size] : sizes_)
    text += std::to_string(size.WriteTime) + "\t" + std::to_string(size.Bytes) + "\t" +
            win::ToUtf8(win::SingleLine(folder)) + "\r\n";
  std::wstring folder = file_.substr(0, file_.find_last_of(L'\\'));
  CreateDirectoryW(win::LiteralPath(folder).c_str(), nullptr);
  win::UniqueFile handle(CreateFileW(win::LiteralPath(file_).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (handle &&
      WriteFile(handle.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    changed_ = false;
}

void MeasureFolders(const std::vector<TFolderSizeRequest>& requests, TFolderSizeCache& cache,
                    const std::function<void(TFolderSizeAnswer)>& answer,
                    const std::atomic<bool>* stop) {
  // Every folder first: the column and the details want them before any size.
  std::vector<std::wstring> folders;
  folders.reserve(requests.size());
  std::unordered_map<std::wstring, int> users;  // lower-case folder with a backslash: requests
  for (const TFolderSizeRequest& request : requests) {
    if (stop && *stop) return;
    folders.push_back(DeriveInstallFolder(request.InstallLocation, request.UninstallCommand,
                                          request.DisplayIcon));
    if (!folders.back().empty()) ++users[win::WithTrailingBackslash(CacheKey(folders.back()))];
    answer({request.Key, folders.back(), -1});
  }
  // A folder that holds another program's folder is shared as well: its sum would count both.
  std::vector<std::wstring> sorted;
  for (const auto& [folder, count] : users) sorted.push_back(folder);
  std::sort(sorted.begin(), sorted.end());
  for (size_t i = 0; i + 1 < sorted.size(); ++i)
    if (sorted[i + 1].starts_with(sorted[i])) users[sorted[i]] = 2;

  for (size_t i = 0; i < requests.size(); ++i) {
    if (stop && *stop) break;
    const std::wstring& folder = folders[i];
    if (!requests[i].NeedsSize || folder.empty() ||
        users[win::WithTrailingBackslash(CacheKey(folder))] != 1 || IsProtectedPath(folder))
      continue;
    uint64_t written = FolderWriteTime(folder);
    int64_t bytes = cache.Find(folder, written);
    if (bytes < 0) {
      bytes = SumFolderBytes(folder, stop);
      if (bytes < 0) continue;
      cache.Store(folder, written, bytes);
    }
    answer({requests[i].Key, folder, bytes});
  }
  cache.Save();
}

TFolderSizer::TFolderSizer(std::wstring cacheFile) : cacheFile_(std::move(cacheFile)) {}

TFolderSizer::~TFolderSizer() { Stop(); }

void TFolderSizer::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  stop_ = false;
  done_ = true;
}

void TFolderSizer::Start(std::vector<TFolderSizeRequest> requests, std::function<void()> ready) {
  Stop();
  {
    std::lock_guard lock(mutex_);
    answers_.clear();
    signalled_ = false;
  }
  done_ = false;
  thread_ = std::thread([this, requests = std::move(requests), ready = std::move(ready)] {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    TFolderSizeCache cache(cacheFile_);
    auto answer = [this, &ready](TFolderSizeAnswer a) {
      bool tell = false;
      {
        std::lock_guard lock(mutex_);
        answers_.push_back(std::move(a));
        tell = !std::exchange(signalled_, true);
      }
      if (tell && ready) ready();
    };
    MeasureFolders(requests, cache, answer, &stop_);
    done_ = true;
    // The last answers may have been taken before done_ was set: one more call says so.
    if (ready) ready();
  });
}

std::vector<TFolderSizeAnswer> TFolderSizer::TakeAnswers() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
  return std::exchange(answers_, {});
}
