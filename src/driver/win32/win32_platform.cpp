// The waiting window and the message box of errore on Windows.
//
// The program has no event loop of its own: the waiting window is shown and painted once
// before the build starts and keeps that state until the program ends. The message box is the
// system's, which runs its own loop until the user closes it.
#include "driver/win32/win32_platform.h"

#include <windows.h>

#include <iostream>
#include <string>

#include "driver/platform.h"
#include "driver/waiting_window.h"

namespace sc {
namespace {

using namespace form;  // the waiting window's layout and texts

constexpr const wchar_t* kFormClass = L"Form1";
// The height of Label1's font in pixels (negative: of the characters, not the cell).
constexpr int kLabelFontHeight = -(kLabelPoints * 96 / 72);
// The room Label1 leaves for its text: its width, less two pixels at the right so that no
// letter touches the edge; and the smallest size the font may be taken down to.
constexpr int kLabelTextRoom = kLabelWidth - 2;
constexpr int kMinLabelFontPixels = 8;
// A sizable window with a caption and no menu, as a new form is.
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kFormExStyle = 0;

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

}  // namespace

int labelTextAdvance(HDC dc, HFONT font) {
  if (!dc || !font) return 0;
  HGDIOBJ old = SelectObject(dc, font);
  std::wstring text = wide(kLabelText);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  return size.cx;
}

namespace {

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CLOSE:  // the build cannot be cut short: the close box does nothing
      return 0;
    case WM_CTLCOLORSTATIC:  // Label1 on the form's own grey
      SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_BTNFACE));
      SetTextColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

class Win32Platform final : public Platform {
 public:
  ~Win32Platform() override { closeWaitingWindow(); }

  void showWaitingWindow() override {
    if (form_) return;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = formProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kFormClass;
    RegisterClassExW(&cls);  // fails harmlessly when it is registered already

    RECT frame{0, 0, kFormWidth, kFormHeight};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    form_ = CreateWindowExW(kFormExStyle, kFormClass, wide(kFormCaption).c_str(), kFormStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!form_) return;  // no window station: the build runs without a window
    label_ = CreateWindowExW(0, L"STATIC", wide(kLabelText).c_str(),
                             WS_CHILD | WS_VISIBLE | SS_LEFT, kLabelLeft, kLabelTop, kLabelWidth,
                             kLabelHeight, form_, nullptr, instance, nullptr);
    font_ = fittingLabelFont();
    if (label_ && font_) SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    ShowWindow(form_, SW_SHOWNORMAL);
    UpdateWindow(form_);
    if (label_) UpdateWindow(label_);
    GdiFlush();  // the label's text is on the screen before the build starts
  }

  void closeWaitingWindow() override {
    if (form_) DestroyWindow(form_);  // the label goes with it
    form_ = label_ = nullptr;
    if (font_) DeleteObject(font_);
    font_ = nullptr;
  }

  void messageBox(const std::string& text) override {
    // Standard error gets the message too, as in a run without a window.
    std::cerr << text << std::endl;
    MessageBoxW(form_, wide(text).c_str(), wide(kBoxTitle).c_str(), MB_OK | MB_SETFOREGROUND);
  }

 private:
  // Label1's font, "MS Sans Serif" 24 pt bold (on a system without it, its substitute). When
  // the substitute draws "Attendere" wider than the label leaves room for, the size goes down
  // a pixel at a time until the word fits, rather than clip its last letter; that is said on
  // standard error once.
  HFONT fittingLabelFont() {
    HDC dc = GetDC(form_);
    HFONT font = nullptr;
    int advance = 0, first = 0;
    for (int height = kLabelFontHeight; height <= -kMinLabelFontPixels; ++height) {
      if (font) DeleteObject(font);
      font = CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         VARIABLE_PITCH | FF_SWISS, wide(kLabelFont).c_str());
      advance = labelTextAdvance(dc, font);
      if (height == kLabelFontHeight) first = advance;
      if (!font || !dc || advance <= kLabelTextRoom) {
        if (height != kLabelFontHeight) {
          std::cerr << "scenario-compactor: \"" << kLabelText << "\" is " << first
                    << " pixels wide in the label's font, more than the " << kLabelTextRoom
                    << " Label1 has; drawn " << -height << " pixels high instead of "
                    << -kLabelFontHeight << "\n";
        }
        break;
      }
    }
    if (dc) ReleaseDC(form_, dc);
    return font;
  }

  HWND form_ = nullptr;
  HWND label_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace

std::unique_ptr<Platform> makeWin32Platform() {
  return std::make_unique<Win32Platform>();
}

}  // namespace sc
