// Two removed programs that left everything behind but their Uninstall entry: what the assisted
// uninstall is for. Each lies directly below Program Files, so the folder of its desktop
// shortcut's target is the whole program, and its Start-menu folders sit directly below the
// user's and the all users' Programs folders, named so that a search by name finds them.
#include "demo/DemoCatalog.h"

#include "common/ToolFiles.h"

#include <shlobj.h>

namespace demo {
namespace {

constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE)) return {};
  return path;
}

struct StartMenuFolders {
  std::wstring user, common;
};

StartMenuFolders ProgramsFolders(const MachinePaths& paths, const std::wstring& name) {
  const std::wstring user = SpecialFolder(CSIDL_PROGRAMS);
  return {user.empty() ? std::wstring() : tools::JoinPath(user, name),
          tools::JoinPath(paths.commonPrograms, name)};
}

void AddFile(DemoProgram& program, const std::wstring& path, const std::wstring& text,
             DWORD attributes = 0) {
  program.files.push_back({DemoFile::Kind::Text, path, {}, text, attributes});
}

void AddShortcut(DemoProgram& program, const std::wstring& folder, const std::wstring& name,
                 const std::wstring& target, const std::wstring& arguments = {}) {
  if (folder.empty()) return;
  program.shortcuts.push_back({tools::JoinPath(folder, name + L".lnk"), target, arguments, name});
}

// Two extensions that open with one ProgID.
void AddFileTypes(ProgramBuilder& builder, const std::wstring& first, const std::wstring& second,
                  const std::wstring& progId, const std::wstring& typeName,
                  const std::wstring& exe, const std::wstring& icon) {
  for (const std::wstring& extension : {first, second})
    builder.Key(HKEY_CLASSES_ROOT, extension,
                {TextValue(L"", progId), TextValue(L"Content Type", L"application/x-" + progId)});
  builder.Key(HKEY_CLASSES_ROOT, progId, {TextValue(L"", typeName)})
      .Key(HKEY_CLASSES_ROOT, progId + L"\\DefaultIcon", {TextValue(L"", icon)})
      .Key(HKEY_CLASSES_ROOT, progId + L"\\shell\\open\\command",
           {TextValue(L"", Quoted(exe) + L" \"%1\"")});
}

// Its Start-menu folders are named after its program folder.
DemoProgram PhotoAlbum(const MachinePaths& paths) {
  ProgramBuilder album(paths, L"", L"Pinecone Album", L"", {L'A', RGB(70, 130, 50)});
  const std::wstring exe = album.In(L"pinecone.exe"), manual = album.In(L"Help\\manual.txt");
  album
      .Shape(L"leftover for the assisted uninstall: folder with subfolders, read-only, hidden and "
             L"system files; Start-menu folders named after the program folder; desktop "
             L"shortcut; HKCU vendor key; .pcalb and .pcshow with their ProgID")
      .ProgramExe(L"pinecone.exe")
      .IconFile(L"album.ico")
      .UserSettings()
      .Key(HKEY_CURRENT_USER, L"Software\\Pinecone", {TextValue(L"", L"Pinecone Software")})
      .Key(HKEY_CURRENT_USER, L"Software\\Pinecone\\Photo Album\\Settings",
           {TextValue(L"LastAlbum", L"Summer 2026"), DwordValue(L"SlideSeconds", 5)})
      .Key(HKEY_CURRENT_USER, L"Software\\Pinecone\\Photo Album\\Recent",
           {TextValue(L"1", L"C:\\users\\Public\\Pictures\\Summer 2026.pcalb")});
  AddFileTypes(album, L".pcalb", L".pcshow", L"Pinecone.Album", L"Pinecone Photo Album", exe,
               album.In(L"album.ico"));
  DemoProgram program = album.Build();
  AddFile(program, album.In(L"license.txt"), L"Pinecone Photo Album licence\r\n", kReadOnly);
  AddFile(program, album.In(L"desktop.ini"),
          L"[.ShellClassInfo]\r\nIconResource=pinecone.exe,0\r\n", kHiddenSystem);
  AddFile(program, manual, L"Pinecone Photo Album manual\r\n", kReadOnly);
  AddFile(program, album.In(L"Help\\shortcuts.txt"), L"F5 starts the slide show\r\n");
  AddFile(program, album.In(L"Plugins\\Filters\\sepia.flt"), L"sepia 0.8\r\n");
  AddFile(program, album.In(L"Plugins\\Filters\\vignette.flt"), L"vignette 0.3\r\n");
  AddFile(program, album.In(L"Plugins\\plugins.cache"), L"sepia\r\nvignette\r\n", kHidden);
  AddFile(program, album.In(L"Settings\\thumbs.db"), L"thumbnail cache\r\n", kHidden);

  const StartMenuFolders menu = ProgramsFolders(paths, L"Pinecone Album");
  AddShortcut(program, menu.user, L"Pinecone Photo Album", exe);
  AddShortcut(program, menu.user, L"Pinecone Manual", manual);
  AddShortcut(program, menu.common, L"Pinecone Photo Album", exe);
  AddShortcut(program, paths.desktop, L"Pinecone Photo Album", exe);
  return program;
}

// Its Start-menu folders are named after its desktop shortcut, and its mailboxes folder is a link
// to the user's data outside the program folder, which must survive the program.
DemoProgram MartenMail(const MachinePaths& paths) {
  ProgramBuilder mail(paths, L"", L"MartenMail", L"", {L'M', RGB(150, 80, 40)});
  const std::wstring exe = mail.In(L"martenmail.exe");
  const std::wstring mailboxes =
      tools::JoinPath(SpecialFolder(CSIDL_COMMON_DOCUMENTS), L"Marten Mailboxes");
  mail.Shape(L"leftover for the assisted uninstall: folder with subfolders, read-only and hidden "
             L"files and a link to a data folder outside it; Start-menu folders named after the "
             L"desktop shortcut; HKCU vendor key; .mtnmsg and .mtnbox with their ProgID")
      .ProgramExe(L"martenmail.exe")
      .Key(HKEY_CURRENT_USER, L"Software\\Marten Labs", {})
      .Key(HKEY_CURRENT_USER, L"Software\\Marten Labs\\Marten Mail\\Options",
           {TextValue(L"MailboxFolder", mailboxes), DwordValue(L"CheckEveryMinutes", 10)})
      .Key(HKEY_CURRENT_USER, L"Software\\Marten Labs\\Marten Mail\\Accounts\\Home",
           {TextValue(L"Address", L"user@marten-mail.example"),
            TextValue(L"Server", L"imap.marten-mail.example")});
  AddFileTypes(mail, L".mtnmsg", L".mtnbox", L"MartenMail.Message", L"Marten Mail Message", exe,
               exe + L",0");
  DemoProgram program = mail.Build();
  AddFile(program, mail.In(L"readme.txt"), L"Marten Mail 2.1\r\n", kReadOnly);
  AddFile(program, mail.In(L"Templates\\plain.mmt"), L"Hello,\r\n", kReadOnly);
  AddFile(program, mail.In(L"Templates\\Letters\\formal.mmt"), L"Dear Sir or Madam,\r\n");
  AddFile(program, mail.In(L"Templates\\Letters\\thanks.mmt"), L"Thank you,\r\n");
  AddFile(program, mail.In(L"Logs\\mail.log"), L"sent 3 messages\r\n", kHidden);
  AddFile(program, mail.In(L"Logs\\Archive\\2025-11.log"), L"sent 41 messages\r\n");
  AddFile(program, tools::JoinPath(mailboxes, L"Inbox.mbx"), L"From: a friend\r\n");
  AddFile(program, tools::JoinPath(mailboxes, L"Sent.mbx"), L"To: a friend\r\n");
  program.links.push_back({mail.In(L"Mailboxes"), mailboxes});

  const StartMenuFolders menu = ProgramsFolders(paths, L"Marten Mail");
  AddShortcut(program, menu.user, L"Marten Mail", exe);
  AddShortcut(program, menu.user, L"Marten Mail (Safe Mode)", exe, L"/safe");
  AddShortcut(program, menu.common, L"Marten Mail", exe);
  AddShortcut(program, paths.desktop, L"Marten Mail", exe);
  return program;
}

}  // namespace

std::vector<DemoProgram> AssistedLeftovers(const MachinePaths& paths) {
  return {PhotoAlbum(paths), MartenMail(paths)};
}

}  // namespace demo
