#include <array>
#include <optional>
#include <string_view>

#include "handles.h"
#include "regtool_resources.h"
#include "tavrel_reg.h"
#include "unregister_command.h"

namespace {

constexpr char UNREGISTER_MANUALLY_TEXT[] = "Tavrel.dll Must be Unregistered manually!";
// A message box without a caption of its own carries the program's name.
constexpr char PROGRAM_NAME[] = "TavrelReg";
// WinExec answers 31 or less when it could not start the program.
constexpr UINT WINEXEC_LAST_ERROR_CODE = 31;

// Starts the registration tool on .\Tavrel.dll; false when that could not
// even be tried or the tool did not start.
bool StartUnregistration() {
  std::array<char, WINDOWS_DIR_ROOM> windowsDir{};
  std::optional<std::string_view> windows =
      WindowsDirectoryFromAnswer(windowsDir.data(), GetWindowsDirectoryA(windowsDir.data(), WINDOWS_DIR_ROOM));
  if (!windows) return false;
  std::array<char, COMMAND_BUFFER_SIZE> command{};
  if (!BuildUnregisterCommand(command, *windows)) return false;
  return WinExec(command.data(), SW_SHOW) > WINEXEC_LAST_ERROR_CODE;
}

}  // namespace

CTavrelRegDlg::CTavrelRegDlg(HWND parent)
    : CDialog(IDD_TAVRELREG_DIALOG, parent), m_hIcon(::LoadIconA(m_hResource, MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

const DialogMessageMapEntry* CTavrelRegDlg::GetMessageMap() const {
  static const DialogMessageMapEntry map[] = {
      DIALOG_ON_MESSAGE(WM_SYSCOMMAND, CTavrelRegDlg, OnSysCommand),
      DIALOG_ON_MESSAGE(WM_PAINT, CTavrelRegDlg, OnPaint),
      DIALOG_ON_MESSAGE(WM_QUERYDRAGICON, CTavrelRegDlg, OnQueryDragIcon),
      DIALOG_END_MAP(),
  };
  return map;
}

BOOL CTavrelRegDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (HMENU systemMenu = GetSystemMenu(FALSE)) {
    char aboutText[256] = "";
    if (LoadStringA(m_hResource, IDS_ABOUTBOX, aboutText, sizeof aboutText) > 0) {
      AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
    }
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  return TRUE;
}

LRESULT CTavrelRegDlg::OnSysCommand(WPARAM id, LPARAM param) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    CTavrelRegAboutDlg about(m_hWnd);
    about.DoModal();
    return 0;
  }
  // Minimise, move, close and the rest: the system's own handling.
  return DefWindowProcA(m_hWnd, WM_SYSCOMMAND, id, param);
}

LRESULT CTavrelRegDlg::OnPaint(WPARAM wParam, LPARAM lParam) {
  if (!IsIconic()) return DefWindowProcA(m_hWnd, WM_PAINT, wParam, lParam);
  // Minimised: draw the program icon centred in the client area.
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  CScopeExit endPaint([&] { EndPaint(m_hWnd, &paint); });
  SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(m_hWnd, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  return 0;
}

LRESULT CTavrelRegDlg::OnQueryDragIcon(WPARAM /*wParam*/, LPARAM /*lParam*/) {
  return reinterpret_cast<LRESULT>(m_hIcon);
}

void CTavrelRegDlg::OnOK() {
  // The registration tool reports its own result; this program only says so
  // when it could not start the tool at all.
  if (!StartUnregistration()) MessageBoxA(m_hWnd, UNREGISTER_MANUALLY_TEXT, PROGRAM_NAME, MB_OK);
  CDialog::OnOK();
}

CTavrelRegAboutDlg::CTavrelRegAboutDlg(HWND parent) : CDialog(IDD_TAVRELREG_ABOUTBOX, parent) {}
