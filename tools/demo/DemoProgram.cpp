#include "demo/DemoProgram.h"

#include "common/ToolFiles.h"
#include "common/ToolRegistry.h"

#include <cstring>

namespace demo {
namespace {

// Uninstallers share one plain look, so an icon taken from the command stands out.
constexpr IconLook kUninstallerLook{L'U', RGB(118, 122, 134)};

void Fail(InstallResult& result, const std::wstring& what) { result.failures.push_back(what); }

bool WriteValues(HKEY key, const std::vector<RegValue>& values) {
  bool ok = true;
  for (const RegValue& value : values)
    ok = tools::SetValue(key, value.name, value.type, value.data.data(), value.data.size()) && ok;
  return ok;
}

void SplitParent(const std::wstring& path, std::wstring& parent, std::wstring& name) {
  parent = tools::FolderOf(path);
  name = tools::FileNameOf(path);
}

bool WriteContent(const DemoFile& file, const MachinePaths& paths) {
  switch (file.kind) {
    case DemoFile::Kind::Program:
    case DemoFile::Kind::Uninstaller:
      return tools::CopyFileTo(paths.sampleUninstaller, file.path) &&
             StampExeIcon(file.path, file.look) &&
             (file.text.empty() || StampExeManifest(file.path, tools::ToUtf8(file.text)));
    case DemoFile::Kind::Icon: {
      const std::vector<uint8_t> bytes = MakeIconFile(file.look);
      return tools::WriteFileBytes(file.path, bytes.data(), bytes.size());
    }
    case DemoFile::Kind::Text: return tools::WriteTextFile(file.path, file.text);
  }
  return false;
}

// A read-only or hidden file from an earlier run cannot be replaced as it is.
bool MakeFile(const DemoFile& file, const MachinePaths& paths) {
  SetFileAttributesW(file.path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return WriteContent(file, paths) &&
         (!file.attributes || SetFileAttributesW(file.path.c_str(), file.attributes));
}

}  // namespace

RegValue TextValue(const std::wstring& name, const std::wstring& text, DWORD type) {
  RegValue value{name, type, {}};
  value.data.resize((text.size() + 1) * sizeof(wchar_t));
  std::memcpy(value.data.data(), text.c_str(), value.data.size());
  return value;
}

RegValue DwordValue(const std::wstring& name, DWORD number) {
  RegValue value{name, REG_DWORD, std::vector<uint8_t>(sizeof number)};
  std::memcpy(value.data.data(), &number, sizeof number);
  return value;
}

RegValue BinaryValue(const std::wstring& name, std::vector<uint8_t> data) {
  return RegValue{name, REG_BINARY, std::move(data)};
}

ProgramBuilder::ProgramBuilder(const MachinePaths& paths, std::wstring key, std::wstring vendor,
                               std::wstring product, IconLook look)
    : paths_(paths),
      vendor_(std::move(vendor)),
      product_(std::move(product)),
      dir_(tools::JoinPath(tools::JoinPath(paths.programFiles, vendor_), product_)),
      look_(look) {
  program_.key = std::move(key);
}

std::wstring ProgramBuilder::In(const std::wstring& name) const {
  return tools::JoinPath(dir_, name);
}

std::wstring ProgramBuilder::UninstallArgs(const std::wstring& extra) const {
  std::wstring args = L"/key " + tools::QuoteArg(program_.key) + L" /dir " + tools::QuoteArg(dir_);
  if (program_.view == KEY_WOW64_32KEY) args += L" /view 32";
  if (program_.root == HKEY_CURRENT_USER) args += L" /root HKCU";
  return extra.empty() ? args : args + L" " + extra;
}

ProgramBuilder& ProgramBuilder::Shape(const std::wstring& text) {
  program_.shape = program_.shape.empty() ? text : program_.shape + L"; " + text;
  return *this;
}

ProgramBuilder& ProgramBuilder::Value(RegValue value) {
  program_.values.push_back(std::move(value));
  return *this;
}

ProgramBuilder& ProgramBuilder::Text(const std::wstring& name, const std::wstring& text,
                                     DWORD type) {
  return Value(TextValue(name, text, type));
}

ProgramBuilder& ProgramBuilder::Dword(const std::wstring& name, DWORD value) {
  return Value(DwordValue(name, value));
}

ProgramBuilder& ProgramBuilder::Name(const std::wstring& displayName) {
  return Text(L"DisplayName", displayName);
}

ProgramBuilder& ProgramBuilder::Details(const std::wstring& publisher, const std::wstring& version,
                                        DWORD sizeKB, const std::wstring& installDate,
                                        const std::wstring& url) {
  Text(L"Publisher", publisher).Text(L"DisplayVersion", version).Text(L"InstallLocation", dir_);
  Dword(L"EstimatedSize", sizeKB).Text(L"InstallDate", installDate);
  if (!url.empty()) Text(L"URLInfoAbout", url).Text(L"HelpLink", url + L"/support");
  return *this;
}

ProgramBuilder& ProgramBuilder::Command(const std::wstring& command, DWORD type) {
  return Text(L"UninstallString", command, type);
}

ProgramBuilder& ProgramBuilder::Icon(const std::wstring& icon, DWORD type) {
  return Text(L"DisplayIcon", icon, type);
}

ProgramBuilder& ProgramBuilder::View32() {
  program_.view = KEY_WOW64_32KEY;
  return *this;
}

ProgramBuilder& ProgramBuilder::PerUser() {
  program_.root = HKEY_CURRENT_USER;
  dir_ = tools::JoinPath(paths_.userPrograms, product_);
  return *this;
}

ProgramBuilder& ProgramBuilder::ProgramExe(const std::wstring& name) {
  program_.files.push_back({DemoFile::Kind::Program, In(name), look_, {}});
  return *this;
}

ProgramBuilder& ProgramBuilder::UninstallerExe(const std::wstring& path,
                                               const std::wstring& optionsFileText) {
  program_.files.push_back({DemoFile::Kind::Uninstaller, path, kUninstallerLook, {}});
  if (!optionsFileText.empty()) {
    std::wstring dat = path.substr(0, path.rfind(L'.')) + L".dat";
    program_.files.push_back({DemoFile::Kind::Text, dat, {}, optionsFileText});
  }
  return *this;
}

ProgramBuilder& ProgramBuilder::NsisUninstallerExe(const std::wstring& path) {
  program_.files.push_back(
      {DemoFile::Kind::Uninstaller, path, kUninstallerLook,
       L"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       L"<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
       L"<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"*\" "
       L"name=\"Nullsoft.NSIS.exehead\" type=\"win32\"/>"
       L"<description>Nullsoft Install System v3.08</description></assembly>"});
  return *this;
}

ProgramBuilder& ProgramBuilder::IconFile(const std::wstring& name) {
  program_.files.push_back({DemoFile::Kind::Icon, In(name), look_, {}});
  return *this;
}

ProgramBuilder& ProgramBuilder::TextFile(const std::wstring& path, const std::wstring& text) {
  program_.files.push_back({DemoFile::Kind::Text, path, {}, text});
  return *this;
}

ProgramBuilder& ProgramBuilder::UserSettings() {
  return TextFile(In(L"Settings\\settings.ini"),
                  L"[General]\r\nFirstRun=0\r\nLanguage=en\r\n[Window]\r\nLeft=120\r\nTop=80\r\n")
      .TextFile(In(L"Settings\\recent.txt"), product_ + L" recent items\r\n");
}

ProgramBuilder& ProgramBuilder::Usage(const UsageRecord& record) {
  return UsageRaw(REG_BINARY, record.Bytes());
}

ProgramBuilder& ProgramBuilder::UsageRaw(DWORD type, std::vector<uint8_t> bytes) {
  program_.usage = RegValue{kUsageValue, type, std::move(bytes)};
  return *this;
}

ProgramBuilder& ProgramBuilder::StartMenu(const std::wstring& linkName, const std::wstring& target,
                                          const std::wstring& arguments) {
  const std::wstring folder =
      tools::JoinPath(tools::JoinPath(paths_.commonPrograms, vendor_), product_);
  program_.shortcuts.push_back(
      {tools::JoinPath(folder, linkName + L".lnk"), target, arguments, linkName});
  return *this;
}

ProgramBuilder& ProgramBuilder::DesktopLink(bool allUsers, const std::wstring& linkName,
                                            const std::wstring& target) {
  const std::wstring& folder = allUsers ? paths_.commonDesktop : paths_.desktop;
  if (folder.empty()) return *this;
  program_.shortcuts.push_back({tools::JoinPath(folder, linkName + L".lnk"), target, {}, linkName});
  return *this;
}

ProgramBuilder& ProgramBuilder::VendorKeys() {
  const std::wstring path = L"Software\\" + vendor_ + L"\\" + product_;
  Key(HKEY_LOCAL_MACHINE, path,
      {TextValue(L"InstallPath", dir_), TextValue(L"Edition", L"Standard"),
       DwordValue(L"Build", 4210)});
  return Key(HKEY_CURRENT_USER, path + L"\\Settings",
             {TextValue(L"LastFolder", L"C:\\users\\Public\\Documents"), DwordValue(L"ShowTips", 1),
              DwordValue(L"WindowState", 2)});
}

ProgramBuilder& ProgramBuilder::Key(HKEY root, const std::wstring& path,
                                    std::vector<RegValue> values) {
  program_.extraKeys.push_back({root, path, std::move(values)});
  return *this;
}

ProgramBuilder& ProgramBuilder::SharedValues(HKEY root, const std::wstring& path,
                                             std::vector<RegValue> values) {
  program_.sharedValues.push_back({root, path, std::move(values)});
  return *this;
}

void InstallProgram(const DemoProgram& program, const MachinePaths& paths, InstallResult& result) {
  for (const DemoFile& file : program.files) {
    if (MakeFile(file, paths))
      ++result.files;
    else
      Fail(result, L"file " + file.path);
  }
  if (!program.key.empty()) {
    tools::DeleteKeyTree(program.root, kUninstallKey, program.key, program.view);
    tools::DeleteKeyTree(program.root, kArpCacheKey, program.key, program.view);
    win::UniqueHKey key = tools::CreateKey(
        program.root, tools::JoinPath(kUninstallKey, program.key), program.view);
    if (key && WriteValues(key.Get(), program.values))
      ++result.keys;
    else
      Fail(result, L"key " + program.key);
    if (program.usage) {
      win::UniqueHKey cache = tools::CreateKey(
          program.root, tools::JoinPath(kArpCacheKey, program.key), program.view);
      if (!cache || !WriteValues(cache.Get(), {*program.usage}))
        Fail(result, L"usage record " + program.key);
    }
  }
  for (const ExtraKey& extra : program.extraKeys) {
    std::wstring parent, name;
    SplitParent(extra.path, parent, name);
    tools::DeleteKeyTree(extra.root, parent, name);
    win::UniqueHKey key = tools::CreateKey(extra.root, extra.path);
    if (key && WriteValues(key.Get(), extra.values))
      ++result.keys;
    else
      Fail(result, L"key " + extra.path);
  }
  for (const ExtraKey& shared : program.sharedValues) {
    win::UniqueHKey key = tools::CreateKey(shared.root, shared.path);
    if (key && WriteValues(key.Get(), shared.values))
      ++result.keys;
    else
      Fail(result, L"values of " + shared.path);
  }
  for (const Shortcut& shortcut : program.shortcuts) {
    if (CreateShortcut(shortcut))
      ++result.shortcuts;
    else
      Fail(result, L"shortcut " + shortcut.link);
  }
}

}  // namespace demo
