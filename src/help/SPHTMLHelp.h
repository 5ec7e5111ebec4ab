// The program's help: the HTML Help engine, loaded once for the whole run, shows the compiled help
// file beside the executable. TSPHelpViewer turns the program's help requests (contents, a
// keyword, a topic, a context number) into engine calls; THtmlHelpModule loads the engine at
// start-up, warns when there is none, and closes every help window and unloads it at the end.
#pragma once

#include "help/HtmlHelpAPI.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Whether the file begins as every compiled HTML help file does.
bool IsCompiledHelpFile(const std::wstring& path);

class TSPHelpViewer {
public:
  static constexpr wchar_t kViewerName[] = L"HtmlHelp";

  explicit TSPHelpViewer(THelpEngine& engine) noexcept : engine_(engine) {}

  // The application's help file, which every request falls back to.
  void SetHelpFile(std::wstring path) { helpFile_ = std::move(path); }
  const std::wstring& HelpFile() const noexcept { return helpFile_; }

  std::wstring GetViewerName() const { return kViewerName; }
  int UnderstandsKeyword(const std::wstring&) const noexcept { return 1; }
  // One line: the viewer's name, ": " and the keyword.
  std::vector<std::wstring> GetHelpStrings(const std::wstring& keyword) const;
  bool CanShowTableOfContents() const noexcept { return true; }
  bool UnderstandsTopic(const std::wstring&) const noexcept { return true; }
  bool UnderstandsContext(int) const noexcept { return true; }

  // Each request does nothing when there is no help file.
  void ShowTableOfContents(HWND owner);
  // Opens the index at the keyword.
  void ShowHelp(HWND owner, const std::wstring& keyword);
  // topic: a page of the help file, "intro.htm".
  void ShowTopic(HWND owner, const std::wstring& topic);
  // fileName only decides whether there is help to show; the application's file is shown.
  void ShowContextHelp(HWND owner, int context, const std::wstring& fileName);
  // Closes every help window the engine has open.
  void SoftShutDown();

  // The file a request shows: the given name, else the application's help file; empty when that
  // file does not exist.
  std::wstring ResolveHelpFile(const std::wstring& name = {}) const;

private:
  // The application's help file when it is one; a file that is not is reported over the owner.
  std::wstring ShowableHelpFile(HWND owner) const;

  THelpEngine& engine_;
  std::wstring helpFile_;
};

class THtmlHelpModule {
public:
  static constexpr wchar_t kWarningCaption[] = L"Warning!";
  static constexpr wchar_t kWarningText[] =
      L"Unable to view HTML help (*.chm). Update windows help system. Get new \"HHCTRL.OCX\" "
      L"library.";

  using TLoader = std::function<std::unique_ptr<THelpEngine>()>;
  // Loads the engine; without one, the warning is shown once (unless quiet) and the program runs
  // without help.
  explicit THtmlHelpModule(const TLoader& load = DefaultLoader, bool quiet = false);
  // Closes every help window, then lets the engine go.
  ~THtmlHelpModule();
  THtmlHelpModule(const THtmlHelpModule&) = delete;
  THtmlHelpModule& operator=(const THtmlHelpModule&) = delete;

  // Null when the engine did not load: every request then finds no viewer.
  TSPHelpViewer* Viewer() noexcept { return viewer_.get(); }

  static std::unique_ptr<THelpEngine> DefaultLoader();

private:
  std::unique_ptr<THelpEngine> engine_;
  std::unique_ptr<TSPHelpViewer> viewer_;
};

// The program's one help module, while it exists.
extern THtmlHelpModule* HtmlHelpModule;

// What the main window asks of the help: set the file, show the contents or a keyword. Without a module or an
// engine they do nothing.
void SetApplicationHelpFile(const std::wstring& path);
void ShowHelpContents(HWND owner);
void ShowHelpKeyword(HWND owner, const std::wstring& keyword);
