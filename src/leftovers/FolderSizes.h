// Sizes of install folders for entries that state none: derived folders summed in a background
// thread, each kept in a per-user cache with the folder's last-write time, so a later start
// measures only what changed. Windowless; the main window posts the answers to its rows.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Bytes of the files below folder. Links (reparse points, files or folders) are counted as
// nothing and never entered. -1 when the folder cannot be listed or stop became true.
int64_t SumFolderBytes(const std::wstring& folder, const std::atomic<bool>* stop = nullptr);

// The folder's last-write time as one number; 0 when the folder is missing.
uint64_t FolderWriteTime(const std::wstring& folder);

// Measured sizes by folder, kept as UTF-8 text lines in a file. A line that does not read back is
// dropped (and the file rewritten on the next save); a missing or unreadable file is an empty
// cache.
class TFolderSizeCache {
public:
  explicit TFolderSizeCache(std::wstring file);
  // Local AppData\Tarvenholt Purgalot\FolderSizes.txt of the current user.
  static std::wstring DefaultFile();

  // The size measured when the folder had this last-write time, or -1.
  int64_t Find(const std::wstring& folder, uint64_t writeTime) const;
  void Store(const std::wstring& folder, uint64_t writeTime, int64_t bytes);
  // Writes the file (making its folder) when something changed; a failed write is let go.
  void Save();

private:
  struct TSize {
    uint64_t WriteTime;
    int64_t Bytes;
  };
  std::wstring file_;
  std::map<std::wstring, TSize> sizes_;  // by folder in lower case
  bool changed_ = false;
};

struct TFolderSizeRequest {
  std::wstring Key;  // the caller's name for the row the answers are for
  std::wstring InstallLocation;
  std::wstring UninstallCommand;
  std::wstring DisplayIcon;
  bool NeedsSize = false;  // the entry gives no size of its own
};

struct TFolderSizeAnswer {
  std::wstring Key;
  std::wstring InstallFolder;  // empty when none could be derived
  int64_t Bytes = -1;          // the folder's size; -1 for an answer that carries only the folder
};

// Derives every request's install folder and answers it; then measures (or takes from the cache)
// the folders of the requests that need a size. A folder named by two requests, or holding another
// request's folder, is shared and never summed; neither is a protected place. Stops between
// folders (and inside a walk) when stop becomes true.
void MeasureFolders(const std::vector<TFolderSizeRequest>& requests, TFolderSizeCache& cache,
                    const std::function<void(TFolderSizeAnswer)>& answer,
                    const std::atomic<bool>* stop = nullptr);

// Runs MeasureFolders in a thread of its own, below normal priority. The answers wait until they
// are taken; ready is called (on the worker thread) when the first of them arrive after a take.
class TFolderSizer {
public:
  explicit TFolderSizer(std::wstring cacheFile = TFolderSizeCache::DefaultFile());
  ~TFolderSizer();
  TFolderSizer(const TFolderSizer&) = delete;
  TFolderSizer& operator=(const TFolderSizer&) = delete;

  // Replaces any job still running; answers of an earlier job are dropped.
  void Start(std::vector<TFolderSizeRequest> requests, std::function<void()> ready);
  void Stop();
  std::vector<TFolderSizeAnswer> TakeAnswers();
  // True once the job has answered everything (or was stopped).
  bool Done() const noexcept { return done_; }

private:
  std::wstring cacheFile_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{true};
  std::mutex mutex_;
  std::vector<TFolderSizeAnswer> answers_;
  bool signalled_ = false;
};
