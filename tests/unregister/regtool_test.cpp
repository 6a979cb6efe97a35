// TavrelReg.exe under Wine: started in a folder that holds a registered copy
// of the probe plug-in, driven from outside like a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "probe_registry.h"
#include "tavrel_reg.h"
#include "win_test_support.h"

namespace {

constexpr char LABEL_TEXT[] = "Press OK to Unregister an existing Tavrel Control Surface Interface";
constexpr UINT ABOUT_COMMAND = 0x10;

struct WindowSearch {
  DWORD processId;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window) || WindowText(window) != *search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopLevelWindow(DWORD processId, const std::string& caption) {
  WindowSearch search{processId, &caption, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class RegToolTest : public testing::Test {
 protected:
  void SetUp() override {
    m_probe = PlaceProbePlugin(WindowsPathOf(PROBE_DLL), m_scratch.Path());
    ASSERT_FALSE(m_probe.empty());
    ASSERT_TRUE(RunRegistrationTool(m_probe, false));
    ASSERT_TRUE(ProbeIsRegistered(m_probe.c_str()));

    std::string command = WindowsPathOf(TAVRELREG_EXE);
    command.insert(command.begin(), '"');
    command.push_back('"');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, m_scratch.Path().c_str(),
                               &startup, &m_process));
    ASSERT_TRUE(
        WaitFor([&] { return (m_main = FindTopLevelWindow(m_process.dwProcessId, "TavrelReg")) != nullptr; }, 30000))
        << "no main window";
  }

  void TearDown() override {
    if (m_process.hProcess) {
      if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 1);
      CloseHandle(m_process.hThread);
      CloseHandle(m_process.hProcess);
    }
    if (ProbeIsRegistered(m_probe.c_str())) RunRegistrationTool(m_probe, true);
  }

  bool ProgramEnds(DWORD timeoutMs) { return WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0; }

  void ExpectNothingStarted() {
    Sleep(1000);
    EXPECT_TRUE(ProbeIsRegistered(m_probe.c_str()));
    EXPECT_EQ(ProbeUnregisterCount(m_probe.c_str()), 0u);
  }

  CScratchFolder m_scratch;
  std::string m_probe;
  PROCESS_INFORMATION m_process{};
  HWND m_main = nullptr;
};

TEST_F(RegToolTest, ShowsTheQuestionWithOkAndCancel) {
  EXPECT_EQ(WindowClass(m_main), "#32770");
  EXPECT_TRUE(GetWindowLongA(m_main, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  const LONG style = GetWindowLongA(m_main, GWL_STYLE);
  EXPECT_TRUE((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) && (style & WS_POPUP));
  EXPECT_EQ(StaticTexts(m_main), LABEL_TEXT);

  HWND ok = GetDlgItem(m_main, IDOK);
  HWND cancel = GetDlgItem(m_main, IDCANCEL);
  ASSERT_TRUE(ok && cancel);
  EXPECT_EQ(WindowText(ok), "OK");
  EXPECT_EQ(WindowText(cancel), "Cancel");
  EXPECT_EQ(GetWindowLongA(ok, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(GetWindowLongA(ok, GWL_STYLE) & WS_TABSTOP);
  EXPECT_TRUE(GetWindowLongA(cancel, GWL_STYLE) & WS_TABSTOP);
}

TEST_F(RegToolTest, CancelStartsNothing) {
  PostMessageA(m_main, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(ProgramEnds(10000));
  ExpectNothingStarted();
}

TEST_F(RegToolTest, ClosingTheWindowStartsNothing) {
  PostMessageA(m_main, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(ProgramEnds(10000));
  ExpectNothingStarted();
}

TEST_F(RegToolTest, OkUnregistersThePluginInTheCurrentDirectoryOnce) {
  CWindowWatcher watcher(true);  // answers the registration tool's own report
  PostMessageA(m_main, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(ProgramEnds(10000)) << "the dialog closes at once";
  EXPECT_TRUE(WaitFor([&] { return !ProbeIsRegistered(m_probe.c_str()); }, 60000)) << "registration still there";
  Sleep(1500);
  EXPECT_EQ(ProbeUnregisterCount(m_probe.c_str()), 1u) << "exactly one run of the registration tool";
  for (const SeenWindow& seen : watcher.Seen()) {
    EXPECT_NE(seen.processId, m_process.dwProcessId) << "TavrelReg itself showed \"" << seen.text << "\"";
  }
}

// Wine answers neither GetSystemMenu nor icon queries for another process's
// window, so these run the main dialog in the test's own process, on a
// thread of its own, with the program's resources linked in.
class RegDialogInProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    m_thread = std::thread([this] {
      CTavrelRegDlg dialog;
      m_result = dialog.DoModal();
    });
    ASSERT_TRUE(
        WaitFor([&] { return (m_main = FindTopLevelWindow(GetCurrentProcessId(), "TavrelReg")) != nullptr; }, 30000));
  }
  void TearDown() override {
    if (m_main && IsWindow(m_main)) PostMessageA(m_main, WM_COMMAND, IDCANCEL, 0);
    m_thread.join();
  }

  std::thread m_thread;
  INT_PTR m_result = 0;
  HWND m_main = nullptr;
};

TEST_F(RegDialogInProcessTest, SystemMenuEndsWithTheAboutEntryThatOpensTheAboutBox) {
  HMENU menu = GetSystemMenu(m_main, FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 2);
  char text[128] = "";
  GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&About TavrelReg...");
  EXPECT_EQ(GetMenuItemID(menu, count - 1), ABOUT_COMMAND);
  EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);

  PostMessageA(m_main, WM_SYSCOMMAND, ABOUT_COMMAND, 0);
  HWND about = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (about = FindTopLevelWindow(GetCurrentProcessId(), "About TavrelReg")) != nullptr; },
                      30000));
  EXPECT_EQ(GetWindow(about, GW_OWNER), m_main);
  EXPECT_FALSE(IsWindowEnabled(m_main)) << "the About box is modal over the main window";
  const std::string texts = StaticTexts(about);
  EXPECT_NE(texts.find("TavrelReg Version 1.0"), std::string::npos) << texts;
  EXPECT_EQ(WindowText(GetDlgItem(about, IDOK)), "OK");

  PostMessageA(about, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(about) && IsWindowEnabled(m_main); }, 10000));
  EXPECT_TRUE(IsWindow(m_main)) << "closing the About box keeps the main window";
}

TEST_F(RegDialogInProcessTest, CarriesTheProgramIcon) {
  const LRESULT big = SendMessageA(m_main, WM_GETICON, ICON_BIG, 0);
  EXPECT_NE(big, 0);
  EXPECT_EQ(SendMessageA(m_main, WM_GETICON, ICON_SMALL, 0), big);
  EXPECT_EQ(SendMessageA(m_main, WM_QUERYDRAGICON, 0, 0), big);

  // Icon 128: a 32 by 32 and a 16 by 16 image of 16 colours. The group
  // directory is a 6-byte header, then a 14-byte entry per image (width,
  // height, colour count, ...).
  HRSRC group = FindResourceA(DialogResourceModule(), MAKEINTRESOURCEA(128), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(DialogResourceModule(), group)));
  ASSERT_EQ(directory[4], 2);
  for (int i = 0; i < 2; ++i) {
    const BYTE* entry = directory + 6 + 14 * i;
    EXPECT_EQ(entry[0], i == 0 ? 32 : 16);
    EXPECT_EQ(entry[1], i == 0 ? 32 : 16);
    EXPECT_EQ(entry[2], 16) << "16 colours";
  }
}

// Minimised, the dialog paints its icon itself. (Minimised directly: Wine
// does not reliably act on a posted SC_MINIMIZE for a window without a
// minimise box; SC_CLOSE above shows system commands reach the default.)
TEST_F(RegDialogInProcessTest, PaintsWhileMinimised) {
  ShowWindow(m_main, SW_MINIMIZE);
  // Under load Wine may take a moment to report the new state.
  ASSERT_TRUE(WaitFor([&] { return IsIconic(m_main) != FALSE; }, 10000));
  RedrawWindow(m_main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ShowWindow(m_main, SW_RESTORE);
  EXPECT_TRUE(WaitFor([&] { return IsIconic(m_main) == FALSE; }, 10000));
  EXPECT_TRUE(IsWindow(m_main));
}

}  // namespace
