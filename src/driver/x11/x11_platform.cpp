// The waiting window and the message box of errore on X11, drawn with Xlib and Xft.
//
// The program has no event loop of its own: the waiting window is mapped and painted once
// before the build starts and shows that state until the program ends. The message box
// (x11_message_box.cpp) runs a small loop of its own until the user closes it.

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <iostream>
#include <optional>
#include <string>

#include "driver/platform.h"
#include "driver/waiting_window.h"
#include "driver/x11/x11_message_box.h"
#include "driver/x11/x11_session.h"

namespace sc {
namespace {

using namespace form;  // the waiting window's layout and texts
using x11::Clock;

// 24 points bold at 96 dpi whatever the screen says: the form is laid out in pixels, so the
// text keeps its size in pixels too.
constexpr const char* kLabelStyle = ":bold:size=24:dpi=96";
// The room Label1 leaves for its text: its width less two pixels at the right, so that no
// letter touches the edge; and the smallest pixel size the label's font may be taken down to.
constexpr int kLabelTextRoom = kLabelWidth - 2;
constexpr int kMinLabelPixels = 8;

// How long showWaitingWindow waits for the window to be mapped and exposed.
constexpr auto kMapTimeout = std::chrono::seconds(2);

class X11Platform final : public Platform {
 public:
  explicit X11Platform(Display* display) : x_(display) {}
  ~X11Platform() override { closeDisplay(); }

  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  void showWaitingWindow() override {
    if (!x_.usable() || form_ != None) return;
    labelFont_ = fittingLabelFont();
    form_ = x_.createTopLevel(kFormWidth, kFormHeight, kFormCaption, false,
                              ExposureMask | StructureNotifyMask, std::nullopt);
    formDraw_ = XftDrawCreate(x_.display(), form_, x_.visual(), x_.colormap());
    XMapWindow(x_.display(), form_);

    // Paint once the window is on the screen (its first Expose), or after a short wait when no
    // Expose comes (a window manager that keeps it unmapped): the build must not wait long.
    auto deadline = Clock::now() + kMapTimeout;
    XEvent ev;
    while (x_.nextEvent(ev, deadline)) {
      if (ev.type == Expose && ev.xexpose.window == form_ && ev.xexpose.count == 0) break;
    }
    paintForm();
    if (x_.usable()) XSync(x_.display(), False);
  }

  void closeWaitingWindow() override { closeDisplay(); }

  void messageBox(const std::string& text) override {
    std::optional<Window> owner;
    if (form_ != None) owner = form_;
    x11::runMessageBox(x_, text, owner, [this] { paintForm(); });
  }

  std::string describeLabelFont() const override {
    if (!labelFont_) return {};
    FcChar8* family = nullptr;
    double size = 0;
    FcPatternGetString(labelFont_->pattern, FC_FAMILY, 0, &family);
    FcPatternGetDouble(labelFont_->pattern, FC_PIXEL_SIZE, 0, &size);
    return std::string(family ? reinterpret_cast<const char*>(family) : "?") + ", " +
           std::to_string(static_cast<int>(size + 0.5)) + " px, advance " +
           std::to_string(x_.textWidth(labelFont_, kLabelText));
  }

 private:
  // Label1: the text at the label's top-left, clipped to the label's box.
  void paintForm() {
    if (!x_.usable() || formDraw_ == nullptr) return;
    XftColor face = x_.color(x11::kButtonFace), ink = x_.color(x11::kText);
    XRectangle box{kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight};
    XftDrawSetClipRectangles(formDraw_, 0, 0, &box, 1);
    XftDrawRect(formDraw_, &face, kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight);
    if (labelFont_) {
      XftDrawString8(formDraw_, &ink, labelFont_, kLabelLeft, kLabelTop + labelFont_->ascent,
                     reinterpret_cast<const FcChar8*>(kLabelText),
                     static_cast<int>(std::char_traits<char>::length(kLabelText)));
    }
    XftDrawSetClip(formDraw_, nullptr);
    XFlush(x_.display());
  }

  // Label1's font: the substitute for "MS Sans Serif", 24 points bold. When even that draws
  // "Attendere" wider than the label leaves room for, the size goes down a pixel at a time
  // until the word fits, rather than clip its last letter; that is said on standard error once.
  XftFont* fittingLabelFont() {
    XftFont* font = x_.openSansFont(kLabelStyle);
    int first = x_.textWidth(font, kLabelText);
    int pixels = font ? static_cast<int>(font->height) : 0;
    double size = 0;
    if (font && FcPatternGetDouble(font->pattern, FC_PIXEL_SIZE, 0, &size) == FcResultMatch) {
      pixels = static_cast<int>(size + 0.5);
    }
    int drawn = pixels;
    while (font && x_.textWidth(font, kLabelText) > kLabelTextRoom && drawn > kMinLabelPixels) {
      --drawn;
      XftFont* smaller = x_.openSansFont(":bold:pixelsize=" + std::to_string(drawn));
      if (!smaller) break;
      XftFontClose(x_.display(), font);
      font = smaller;
    }
    if (drawn != pixels) {
      std::cerr << "scenario-compactor: \"" << kLabelText << "\" is " << first
                << " pixels wide in the label's font, more than the " << kLabelTextRoom
                << " Label1 has; drawn " << drawn << " pixels high instead of " << pixels << "\n";
    }
    return font;
  }

  void closeDisplay() {
    if (x_.display() == nullptr) return;
    if (x_.usable()) {
      if (formDraw_) XftDrawDestroy(formDraw_);
      if (labelFont_) XftFontClose(x_.display(), labelFont_);
      if (form_ != None) XDestroyWindow(x_.display(), form_);
      XSync(x_.display(), False);
    }
    formDraw_ = nullptr;
    labelFont_ = nullptr;
    form_ = None;
    x_.close();
  }

  // mutable: measuring the label's text for describeLabelFont asks the server.
  mutable x11::Session x_;
  Window form_ = None;
  XftDraw* formDraw_ = nullptr;
  XftFont* labelFont_ = nullptr;
};

}  // namespace

}  // namespace sc

// The module's entry point (loaded on demand by the platform choice): a new platform on the
// display, or null when none can be opened. Nothing thrown leaves the module.
extern "C" __attribute__((visibility("default"))) sc::Platform* sc_make_x11_platform() noexcept {
  try {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    return new sc::X11Platform(display);
  } catch (...) {
    return nullptr;
  }
}
