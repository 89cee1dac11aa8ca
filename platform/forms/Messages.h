// Window messages: the record every window procedure receives, the message
// codes with the platform's standard values, the class library's notification
// codes, and typed views of the record for the common messages.
//
// Handles are logical ids handed out by the window table (Windows.h); 0 is
// "no window".
#pragma once

#include <cstdint>

using HWND = std::uintptr_t;
using HMENU = std::uintptr_t;
using HCURSOR = std::uintptr_t;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;
using Word = std::uint16_t;

/// The message record: Msg, WParam, LParam (pointer-wide) and Result.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  Word WParamLo() const { return Word(WParam & 0xFFFF); }
  Word WParamHi() const { return Word((WParam >> 16) & 0xFFFF); }
  Word LParamLo() const { return Word(LParam & 0xFFFF); }
  Word LParamHi() const { return Word((std::uintptr_t(LParam) >> 16) & 0xFFFF); }
};

constexpr LPARAM MakeLParam(int lo, int hi) {
  return LPARAM(std::uint32_t((std::uint32_t(hi) & 0xFFFF) << 16 | (std::uint32_t(lo) & 0xFFFF)));
}
constexpr WPARAM MakeWParam(int lo, int hi) {
  return WPARAM(std::uint32_t(MakeLParam(lo, hi)));
}
/// The signed 16-bit halves of a coordinate pair.
constexpr int GetXLParam(LPARAM l) {
  return std::int16_t(std::uint16_t(l & 0xFFFF));
}
constexpr int GetYLParam(LPARAM l) {
  return std::int16_t(std::uint16_t((std::uintptr_t(l) >> 16) & 0xFFFF));
}

// Window messages.
enum : UINT {
  WM_NULL = 0x0000,
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_ENABLE = 0x000A,
  WM_SETREDRAW = 0x000B,
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_SHOWWINDOW = 0x0018,
  WM_CANCELMODE = 0x001F,
  WM_SETCURSOR = 0x0020,
  WM_GETMINMAXINFO = 0x0024,
  WM_SETFONT = 0x0030,
  WM_GETFONT = 0x0031,
  WM_MEASUREITEM = 0x002C,
  WM_WINDOWPOSCHANGING = 0x0046,
  WM_WINDOWPOSCHANGED = 0x0047,
  WM_NOTIFY = 0x004E,
  WM_CONTEXTMENU = 0x007B,
  WM_SETICON = 0x0080,
  WM_NCDESTROY = 0x0082,
  WM_NCHITTEST = 0x0084,
  WM_NCPAINT = 0x0085,
  WM_GETDLGCODE = 0x0087,
  WM_KEYFIRST = 0x0100,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_DEADCHAR = 0x0103,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_SYSCHAR = 0x0106,
  WM_SYSDEADCHAR = 0x0107,
  WM_KEYLAST = 0x0108,
  WM_COMMAND = 0x0111,
  WM_SYSCOMMAND = 0x0112,
  WM_TIMER = 0x0113,
  WM_HSCROLL = 0x0114,
  WM_VSCROLL = 0x0115,
  WM_INITMENUPOPUP = 0x0117,
  WM_MOUSEFIRST = 0x0200,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MBUTTONDBLCLK = 0x0209,
  WM_MOUSEWHEEL = 0x020A,
  WM_MOUSELAST = 0x020A,
  WM_DROPFILES = 0x0233,
  WM_CUT = 0x0300,
  WM_COPY = 0x0301,
  WM_PASTE = 0x0302,
  WM_USER = 0x0400,
  WM_APP = 0x8000,
};

// The class library's notifications (values of this layer; 0xB052 and 0xB053
// stay free for callers).
enum : UINT {
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE = CM_BASE + 1,
  CM_ENABLEDCHANGED = CM_BASE + 3,
  CM_COLORCHANGED = CM_BASE + 4,
  CM_FONTCHANGED = CM_BASE + 5,
  CM_CURSORCHANGED = CM_BASE + 6,
  CM_CTL3DCHANGED = CM_BASE + 7,
  CM_PARENTCOLORCHANGED = CM_BASE + 9,
  CM_PARENTFONTCHANGED = CM_BASE + 10,
  CM_MOUSEENTER = CM_BASE + 19,
  CM_MOUSELEAVE = CM_BASE + 20,
  CM_VISIBLECHANGED = CM_BASE + 22,
  CM_TEXTCHANGED = CM_BASE + 24,
  CM_SYSCOLORCHANGE = CM_BASE + 25,
  CM_FOCUSCHANGED = CM_BASE + 35,
  CM_CANCELMODE = CM_BASE + 36,
  CM_DIALOGKEY = CM_BASE + 37,
  CM_DIALOGCHAR = CM_BASE + 38,
  CM_SHOWINGCHANGED = CM_BASE + 39,
  CM_ENTER = CM_BASE + 40,
  CM_EXIT = CM_BASE + 41,
  CM_DESIGNHITTEST = CM_BASE + 43,
  CM_HINTSHOW = CM_BASE + 48,
  CM_BORDERCHANGED = CM_BASE + 59,
  CM_BUTTONPRESSED = CM_BASE + 66,
  CM_DOCKCLIENT = CM_BASE + 62,
  CM_UNDOCKCLIENT = CM_BASE + 63,
  CM_DOCKNOTIFICATION = CM_BASE + 64,
  CM_RELEASE = CM_BASE + 33,
  CN_BASE = 0xBC00,
  CN_COMMAND = CN_BASE + WM_COMMAND,
  CN_NOTIFY = CN_BASE + WM_NOTIFY,
  CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
  CN_KEYUP = CN_BASE + WM_KEYUP,
  CN_CHAR = CN_BASE + WM_CHAR,
  CN_HSCROLL = CN_BASE + WM_HSCROLL,
  CN_VSCROLL = CN_BASE + WM_VSCROLL,
};

/// What a control answers to WM_GETDLGCODE: the keys it handles itself
/// instead of the form's dialog keys (CM_DIALOGKEY) and accelerators
/// (CM_DIALOGCHAR).
enum : LRESULT {
  DLGC_WANTARROWS = 0x0001,
  DLGC_WANTTAB = 0x0002,
  DLGC_WANTALLKEYS = 0x0004,
  DLGC_WANTCHARS = 0x0080,
};

// Message parameters.
enum : int {
  WA_INACTIVE = 0,
  WA_ACTIVE = 1,
  WA_CLICKACTIVE = 2,
  HTCLIENT = 1,
  ICON_SMALL = 0,
  ICON_BIG = 1,
  SIZE_RESTORED = 0,
  SWP_NOSIZE = 0x0001,
  SWP_NOMOVE = 0x0002,
  SWP_NOZORDER = 0x0004,
  SWP_NOACTIVATE = 0x0010,
  SWP_SHOWWINDOW = 0x0040,
  SC_SIZE = 0xF000,
  SC_MINIMIZE = 0xF020,
  SC_MAXIMIZE = 0xF030,
  SC_CLOSE = 0xF060,
  SC_RESTORE = 0xF120,
};

// Mouse key flags in WParam of the mouse messages.
enum : int {
  MK_LBUTTON = 0x0001,
  MK_RBUTTON = 0x0002,
  MK_SHIFT = 0x0004,
  MK_CONTROL = 0x0008,
  MK_MBUTTON = 0x0010,
};

// Scroll-bar codes and SetScrollInfo.
enum : int {
  SB_HORZ = 0,
  SB_VERT = 1,
  SB_CTL = 2,
  SB_BOTH = 3,
  SB_LINEUP = 0,
  SB_LINELEFT = 0,
  SB_LINEDOWN = 1,
  SB_LINERIGHT = 1,
  SB_PAGEUP = 2,
  SB_PAGELEFT = 2,
  SB_PAGEDOWN = 3,
  SB_PAGERIGHT = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_LEFT = 6,
  SB_BOTTOM = 7,
  SB_RIGHT = 7,
  SB_ENDSCROLL = 8,
  SIF_RANGE = 0x0001,
  SIF_PAGE = 0x0002,
  SIF_POS = 0x0004,
  SIF_DISABLENOSCROLL = 0x0008,
  SIF_TRACKPOS = 0x0010,
  SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
  SW_SCROLLCHILDREN = 0x0001,
  SW_INVALIDATE = 0x0002,
  SW_ERASE = 0x0004,
};

// Window styles (CreateParams).
enum : std::uint32_t {
  WS_OVERLAPPED = 0x00000000u,
  WS_POPUP = 0x80000000u,
  WS_CHILD = 0x40000000u,
  WS_VISIBLE = 0x10000000u,
  WS_DISABLED = 0x08000000u,
  WS_CLIPSIBLINGS = 0x04000000u,
  WS_CLIPCHILDREN = 0x02000000u,
  WS_CAPTION = 0x00C00000u,
  WS_BORDER = 0x00800000u,
  WS_DLGFRAME = 0x00400000u,
  WS_VSCROLL = 0x00200000u,
  WS_HSCROLL = 0x00100000u,
  WS_THICKFRAME = 0x00040000u,
  WS_TABSTOP = 0x00010000u,
  WS_EX_CLIENTEDGE = 0x00000200u,
  WS_EX_TOPMOST = 0x00000008u,
  WS_EX_TOOLWINDOW = 0x00000080u,
  WS_EX_TRANSPARENT = 0x00000020u,
  CS_VREDRAW = 0x0001u,
  CS_HREDRAW = 0x0002u,
  CS_DBLCLKS = 0x0008u,
};

// GetWindowLong indices.
enum : int {
  GWL_WNDPROC = -4,
  GWL_STYLE = -16,
  GWL_EXSTYLE = -20,
  GWL_USERDATA = -21,
  GWL_ID = -12,
};

// Virtual keys.
enum : Word {
  VK_LBUTTON = 0x01,
  VK_RBUTTON = 0x02,
  VK_CANCEL = 0x03,
  VK_MBUTTON = 0x04,
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_CLEAR = 0x0C,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_PAUSE = 0x13,
  VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_NUMPAD0 = 0x60,
  VK_MULTIPLY = 0x6A,
  VK_ADD = 0x6B,
  VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F,
  VK_F1 = 0x70,
  VK_F12 = 0x7B,
};

// Message-box flags and answers.
enum : UINT {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_ABORTRETRYIGNORE = 0x2,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};
enum : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDABORT = 3,
  IDRETRY = 4,
  IDIGNORE = 5,
  IDYES = 6,
  IDNO = 7,
};

// Typed views of a message record. They read and write the record in place.
struct TWMSize {
  TMessage& M;
  int SizeType() const { return int(M.WParam); }
  int Width() const { return M.LParamLo(); }
  int Height() const { return M.LParamHi(); }
};

struct TWMScroll {
  TMessage& M;
  int ScrollCode() const { return std::int16_t(M.WParamLo()); }
  int Pos() const { return std::int16_t(M.WParamHi()); }
  HWND ScrollBar() const { return HWND(M.LParam); }
};

struct TWMMouse {
  TMessage& M;
  int Keys() const { return int(M.WParam); }
  int XPos() const { return GetXLParam(M.LParam); }
  int YPos() const { return GetYLParam(M.LParam); }
};

/// WM_MOUSEWHEEL: keys in the low word, the signed delta (120 per notch,
/// negative toward the user) in the high word, screen position in LParam.
struct TWMMouseWheel {
  TMessage& M;
  int Keys() const { return M.WParamLo(); }
  int WheelDelta() const { return std::int16_t(M.WParamHi()); }
  int XPos() const { return GetXLParam(M.LParam); }
  int YPos() const { return GetYLParam(M.LParam); }
};

struct TWMKey {
  TMessage& M;
  Word CharCode() const { return Word(M.WParam); }
  void SetCharCode(Word k) { M.WParam = k; }
  LPARAM KeyData() const { return M.LParam; }
};

struct TWMActivate {
  TMessage& M;
  int Active() const { return M.WParamLo(); }
  bool Minimized() const { return M.WParamHi() != 0; }
  HWND ActiveWindow() const { return HWND(M.LParam); }
};

struct TWMSetCursor {
  TMessage& M;
  HWND CursorWnd() const { return HWND(M.WParam); }
  int HitTest() const { return std::int16_t(M.LParamLo()); }
  int MouseMsg() const { return M.LParamHi(); }
};

struct TWMTimer {
  TMessage& M;
  UINT TimerID() const { return UINT(M.WParam); }
};

/// WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED carry a pointer to this.
struct TWindowPos {
  HWND hwnd = 0;
  HWND hwndInsertAfter = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  UINT flags = 0;
};

struct TWMWindowPosMsg {
  TMessage& M;
  TWindowPos* WindowPos() const { return reinterpret_cast<TWindowPos*>(M.LParam); }
};
