// The platform's window, message box and program folder. One headless implementation lives
// here; a windowed one slots in behind the same interface.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace sc {

class Platform {
 public:
  virtual ~Platform() = default;
  // Shows the waiting window ("Form1" with Label1 "Attendere") without modality and paints it
  // at once. Nothing in it reacts to the user.
  virtual void showWaitingWindow() = 0;
  // Closes the waiting window (the program is ending).
  virtual void closeWaitingWindow() = 0;
  // A modal message box with the text, an OK button only, no icon and the program's title;
  // returns when the user has closed it.
  virtual void messageBox(const std::string& text) = 0;
  // What Label1's text is drawn in, for the window tests: "FAMILY, N px, advance W" (W the
  // width of "Attendere" in it); empty without a window.
  virtual std::string describeLabelFont() const { return {}; }
};

// Shows nothing; a message box becomes one line on standard error.
std::unique_ptr<Platform> makeHeadlessPlatform();

// The windowed platform when the build has one and a display can be opened, else headless.
std::unique_ptr<Platform> makePlatform();

// The folder of the running program, without a trailing separator.
std::filesystem::path programFolder();

}  // namespace sc
