// The Startup folder's shortcut, written and read on files of a scratch folder.
#include "startup_shortcut.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "native_path.h"
#include "support/scratch_dir.h"

namespace {

TEST(StartupShortcut, IsThisProgramsOwnUntilItIsRemovedOrAnotherIsWritten) {
  ScratchDir scratch;
  const WideText link = Utf16(scratch.File("Glimmer.lnk"));
  EXPECT_FALSE(ShortcutStartsThisProgram(link.c_str())) << "none yet";
  ASSERT_TRUE(WriteShortcutToThisProgram(link.c_str()));
  EXPECT_TRUE(ShortcutStartsThisProgram(link.c_str()));

  // A shortcut to another program, as one left by a copy that has moved.
  IShellLinkW* other = nullptr;
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         reinterpret_cast<void**>(&other))));
  other->SetPath(L"C:\\windows\\notepad.exe");
  ASSERT_TRUE(SUCCEEDED(other->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  ASSERT_TRUE(SUCCEEDED(file->Save(link.c_str(), TRUE)));
  file->Release();
  other->Release();
  EXPECT_FALSE(ShortcutStartsThisProgram(link.c_str()));
  ASSERT_TRUE(WriteShortcutToThisProgram(link.c_str()));
  EXPECT_TRUE(ShortcutStartsThisProgram(link.c_str()));

  EXPECT_TRUE(DeleteShortcut(link.c_str()));
  EXPECT_FALSE(FileExists(scratch.File("Glimmer.lnk")));
  EXPECT_FALSE(ShortcutStartsThisProgram(link.c_str()));
  EXPECT_TRUE(DeleteShortcut(link.c_str())) << "nothing to remove is no failure";

  wchar_t path[MAX_PATH], *folder = nullptr;
  ASSERT_TRUE(StartupShortcutPath(path, false));
  ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder)));
  EXPECT_EQ(std::wstring(path), std::wstring(folder) + L"\\Glimmer.lnk");
  CoTaskMemFree(folder);
}

}  // namespace
