// Test helper for the Wine tests: drives the program's own Win32 platform code, holds it on
// the screen and says what the system sees of it.
//
//   win32_probe window      shows the waiting window and prints "shown", the client size, the
//                           window size and where the client area and Label1 lie in the
//                           window, its class, caption and Label1's font; prints "ready";
//                           holds it until standard input closes (handling no paint:
//                           what shows was painted before showWaitingWindow returned), exits 0
//   win32_probe errore DIR  writes the built-in texts into DIR with a speed board moved to
//                           metre 0, so that the stamp finds cell 1 taken and reports 1250
//                           through errore as the program does; prints the box's controls as
//                           the system sees them; exits 2 once the box is closed
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "compiler/build.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "driver/driver.h"
#include "driver/platform.h"
#include "sources/writers.h"

namespace {

std::string narrow(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, out.data(), n, nullptr, nullptr);
  return out;
}

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

int holdWindow(sc::Platform& platform) {
  platform.showWaitingWindow();
  HWND form = FindWindowW(L"Form1", L"Form1");
  HWND label = form ? FindWindowExW(form, nullptr, L"STATIC", nullptr) : nullptr;
  if (!form || !label) {
    say("no window");
    return 1;
  }
  RECT client, outer, labelRect;
  GetClientRect(form, &client);
  GetWindowRect(form, &outer);
  GetWindowRect(label, &labelRect);
  POINT origin{0, 0};
  ClientToScreen(form, &origin);
  wchar_t text[64] = {};
  GetWindowTextW(label, text, 64);
  say("shown");
  say("client " + std::to_string(client.right) + " " + std::to_string(client.bottom));
  say("window " + std::to_string(outer.right - outer.left) + " " +
      std::to_string(outer.bottom - outer.top));
  say("client-origin " + std::to_string(origin.x - outer.left) + " " +
      std::to_string(origin.y - outer.top));
  say("label " + std::to_string(labelRect.left - origin.x) + " " +
      std::to_string(labelRect.top - origin.y) + " " +
      std::to_string(labelRect.right - labelRect.left) + " " +
      std::to_string(labelRect.bottom - labelRect.top) + " " + narrow(text));
  say(std::string("menu ") + (GetMenu(form) ? "yes" : "no"));
  wchar_t cls[64] = {}, caption[64] = {};
  GetClassNameW(form, cls, 64);
  GetWindowTextW(form, caption, 64);
  say("class " + narrow(cls) + " caption " + narrow(caption));
  LOGFONTW font{};
  HGDIOBJ used = reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0));
  if (used && GetObjectW(used, sizeof font, &font)) {
    say("font " + std::to_string(font.lfHeight) + " " + std::to_string(font.lfWeight) + " " +
        narrow(font.lfFaceName));
  }
  say("ready");

  // Standard input is read on a thread of its own; this one lets the system take its own
  // messages (the display's events) but dispatches no paint and no input.
  HANDLE closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread([closed] {
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    SetEvent(closed);
  }).detach();
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &closed, FALSE, 100, QS_SENDMESSAGE | QS_POSTMESSAGE);
    if (r == WAIT_OBJECT_0) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_POSTMESSAGE)) {
    }
  }
  platform.closeWaitingWindow();
  return 0;
}

// Finds errore's box (owned by the waiting window) and prints its controls.
void describeBox(HWND form) {
  for (int i = 0; i < 200; ++i) {
    HWND box = FindWindowW(L"#32770", L"scenario-compactor");
    if (box) {
      Sleep(200);  // the box fills its controls before it shows
      say(std::string("box owner ") + (GetWindow(box, GW_OWNER) == form ? "form" : "other"));
      EnumChildWindows(
          box,
          [](HWND child, LPARAM) -> BOOL {
            wchar_t cls[64] = {}, text[256] = {};
            GetClassNameW(child, cls, 64);
            GetWindowTextW(child, text, 256);
            LONG style = GetWindowLongW(child, GWL_STYLE);
            std::string kind = narrow(cls);
            if (kind == "Static" || kind == "STATIC") {
              if ((style & SS_TYPEMASK) == SS_ICON) {
                // The system's box may keep an empty icon control when it shows no icon.
                bool holds = SendMessageW(child, STM_GETICON, 0, 0) != 0;
                RECT r;
                GetClientRect(child, &r);
                kind = holds && r.right > 0 && r.bottom > 0 ? "icon" : "no-icon";
              } else {
                kind = "static";
              }
            } else if (kind == "Button" || kind == "BUTTON") {
              kind = "button";
            }
            if (IsWindowVisible(child)) say("control " + kind + " [" + narrow(text) + "]");
            return TRUE;
          },
          0);
      say("described");
      return;
    }
    Sleep(50);
  }
  say("no box");
}

int stampErrore(sc::Platform& platform, const std::filesystem::path& folder) {
  platform.showWaitingWindow();
  HWND form = FindWindowW(L"Form1", L"Form1");
  sc::Build build(folder, sc::kScenarioName, sc::kTrainNumber, 1);
  sc::dati_linea(build.files);
  sc::dati_treno(build.files);
  std::string line = sc::readFile(build.files.lineDescription());
  std::string from = "indicatori_vmax,  1050,", to = "indicatori_vmax,  0,";
  size_t at = line.find(from);
  if (at == std::string::npos) {
    say("no speed board at 1050 in the line description");
    return 1;
  }
  sc::replaceFile(build.files.lineDescription(), line.replace(at, from.size(), to));
  std::thread(describeBox, form).detach();
  sc::CompileOutcome outcome = sc::memorizza_percorso(build);
  if (outcome.end != sc::CompileOutcome::End::Errore) {
    say("the stamp did not report errore");
    return 1;
  }
  sc::errore(platform, std::to_string(outcome.erroreNumber));
  platform.closeWaitingWindow();
  return sc::kExitErrore;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  auto platform = sc::makePlatform();
  if (mode == "window") return holdWindow(*platform);
  if (mode == "errore" && argc > 2) return stampErrore(*platform, argv[2]);
  std::cerr << "usage: win32_probe window | errore DIR\n";
  return 64;
}
