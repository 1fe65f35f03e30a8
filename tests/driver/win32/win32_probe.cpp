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
//   win32_probe faults DIR  makes the Nth file-system step fail, for every N over a whole
//                           default build and a whole compile in DIR, and checks after each
//                           that the files are all old or all new and no temporary is left;
//                           prints one line per failure found, then "steps B C"; exits 0
//                           when there was none
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "cli/compile_command.h"
#include "compiler/build.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "driver/driver.h"
#include "driver/platform.h"
#include "driver/win32/win32_platform.h"
#include "old_or_new.h"
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
    HDC dc = GetDC(label);
    say("advance " + std::to_string(sc::labelTextAdvance(dc, static_cast<HFONT>(used))));
    ReleaseDC(label, dc);
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

namespace fs = std::filesystem;

using sc::test::checkOldOrNew;
using sc::test::Contents;
using sc::test::contents;
using sc::test::kCompiled;
using sc::test::kDocuments;
using sc::test::kSources;

// Runs the step with a failure planned at each step it takes; returns the failures found.
template <typename Run>
int everyStep(const char* what, const fs::path& root, const std::vector<std::string>& planted,
              const Contents& fresh, int64_t steps, Run run) {
  int bad = 0;
  for (int64_t n = 1; n <= steps; ++n) {
    fs::path dir = root / (std::string(what) + "-" + std::to_string(n));
    fs::create_directories(dir);
    sc::test::plantOldSet(dir, planted);
    std::ostringstream err;
    sc::io_fault::failStep(n);
    int status = run(dir, err);
    sc::io_fault::failStep(0);
    std::string wrong = checkOldOrNew(contents(dir), fresh, planted);
    if (status != sc::kExitFileSystem) wrong += " status " + std::to_string(status);
    if (err.str().find("Input/output error") == std::string::npos) wrong += " " + err.str();
    if (!wrong.empty()) {
      say(std::string(what) + " step " + std::to_string(n) + ": " + wrong);
      ++bad;
    }
    fs::remove_all(dir);
  }
  return bad;
}

int faults(const fs::path& root) {
  auto headless = sc::makeHeadlessPlatform();
  sc::Platform& platform = *headless;
  std::ostringstream err, out;
  auto build = [&](const fs::path& dir, std::ostream& e) {
    return sc::runDefaultBuild(platform, dir, e);
  };
  fs::create_directories(root / "clean");
  sc::io_fault::failStep(0);
  if (build(root / "clean", err) != sc::kExitClean) {
    say("the default build failed without a fault: " + err.str());
    return 1;
  }
  int64_t buildSteps = sc::io_fault::stepsTaken();
  Contents fresh = contents(root / "clean");
  // A build stopped after writing a source text leaves it, whole and new.
  fs::create_directories(root / "texts");
  if (sc::runExport(root / "texts", false, err) != sc::kExitClean) {
    say("export failed: " + err.str());
    return 1;
  }
  for (const auto& n : kSources) fresh[n] = sc::readFile(root / "texts" / n);
  std::vector<std::string> planted = kCompiled;
  planted.insert(planted.end(), kDocuments.begin(), kDocuments.end());
  int bad = everyStep("build", root, planted, fresh, buildSteps, build);

  sc::CompileOptions o;
  o.line = root / "texts" / kSources[0];
  o.train = root / "texts" / kSources[1];
  auto compile = [&](const fs::path& dir, std::ostream& e) {
    o.output = dir;
    return sc::runCompile(o, out, e);
  };
  fs::create_directories(root / "compiled");
  sc::io_fault::failStep(0);
  if (compile(root / "compiled", err) != sc::kExitClean) {
    say("the compile failed without a fault: " + err.str());
    return 1;
  }
  int64_t compileSteps = sc::io_fault::stepsTaken();
  Contents sources = contents(root / "texts");
  bad += everyStep("compile", root, kCompiled, contents(root / "compiled"), compileSteps, compile);
  if (contents(root / "texts") != sources) {
    say("an input text changed");
    ++bad;
  }
  say("steps " + std::to_string(buildSteps) + " " + std::to_string(compileSteps));
  return bad == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  auto platform = sc::makePlatform();
  if (mode == "window") return holdWindow(*platform);
  if (mode == "errore" && argc > 2) return stampErrore(*platform, argv[2]);
  if (mode == "faults" && argc > 2) return faults(argv[2]);
  std::cerr << "usage: win32_probe window | errore DIR | faults DIR\n";
  return 64;
}
