#include "driver/x11/x11_message_box.h"

#include <X11/keysym.h>

#include <algorithm>
#include <iostream>
#include <vector>

#include "driver/waiting_window.h"

namespace sc::x11 {
namespace {

// The system's dialog font, a push button of the usual size.
constexpr const char* kBoxStyle = ":size=9:dpi=96";
constexpr const char* kButtonText = "OK";
constexpr int kBoxMargin = 18;
constexpr int kBoxMinWidth = 160;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 16;     // between the text and the button
constexpr int kBottomMargin = 12;  // below the button

struct BoxLayout {
  std::vector<std::string> lines;
  int width = 0, height = 0;
  int textLeft = 0, textTop = 0, lineHeight = 0;
  int buttonLeft = 0, buttonTop = 0;
};

BoxLayout layOut(Session& x, XftFont* font, const std::string& text) {
  BoxLayout l;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    l.lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  int widest = 0;
  for (const std::string& line : l.lines) widest = std::max(widest, x.textWidth(font, line));
  l.lineHeight = font ? font->ascent + font->descent : 14;
  l.width = std::max({widest + 2 * kBoxMargin, kButtonWidth + 2 * kBoxMargin, kBoxMinWidth});
  l.textLeft = kBoxMargin;
  l.textTop = kBoxMargin;
  l.buttonTop = l.textTop + static_cast<int>(l.lines.size()) * l.lineHeight + kButtonGap;
  l.buttonLeft = (l.width - kButtonWidth) / 2;
  l.height = l.buttonTop + kButtonHeight + kBottomMargin;
  return l;
}

void frame(XftDraw* d, XftColor& topLeft, XftColor& bottomRight, int x, int y, int w, int h) {
  XftDrawRect(d, &topLeft, x, y, w - 1, 1);
  XftDrawRect(d, &topLeft, x, y, 1, h - 1);
  XftDrawRect(d, &bottomRight, x, y + h - 1, w, 1);
  XftDrawRect(d, &bottomRight, x + w - 1, y, 1, h);
}

// The box on the screen and the state of its button.
class MessageBox {
 public:
  MessageBox(Session& x, const std::string& text, std::optional<Window> owner)
      : x_(x), font_(x.openSansFont(kBoxStyle)), layout_(layOut(x, font_, text)) {
    window_ = x.createTopLevel(layout_.width, layout_.height, form::kBoxTitle, true,
                               ExposureMask | StructureNotifyMask | KeyPressMask | ButtonPressMask |
                                   ButtonReleaseMask | Button1MotionMask,
                               owner);
    draw_ = XftDrawCreate(x.display(), window_, x.visual(), x.colormap());
    XMapRaised(x.display(), window_);
  }

  ~MessageBox() {
    if (!x_.usable()) return;
    if (draw_) XftDrawDestroy(draw_);
    if (window_ != None) XDestroyWindow(x_.display(), window_);
    if (font_) XftFontClose(x_.display(), font_);
    XSync(x_.display(), False);
  }
  MessageBox(const MessageBox&) = delete;
  MessageBox& operator=(const MessageBox&) = delete;

  Window window() const { return window_; }

  // One event of the box; false when it closes the box.
  bool handle(XEvent& ev) {
    switch (ev.type) {
      case MapNotify:
        XSetInputFocus(x_.display(), window_, RevertToParent, CurrentTime);
        return true;
      case Expose:
        if (ev.xexpose.count == 0) paint();
        return true;
      case KeyPress: {
        KeySym key = XLookupKeysym(&ev.xkey, 0);
        return !(key == XK_Return || key == XK_KP_Enter || key == XK_space || key == XK_Escape);
      }
      case ButtonPress:
        if (ev.xbutton.button == Button1 && onButton(ev.xbutton.x, ev.xbutton.y)) {
          armed_ = pressed_ = true;
          paint();
        }
        return true;
      case MotionNotify:
        if (armed_ && pressed_ != onButton(ev.xmotion.x, ev.xmotion.y)) {
          pressed_ = !pressed_;
          paint();
        }
        return true;
      case ButtonRelease:
        return released(ev.xbutton);
      case ClientMessage:
        return !x_.isCloseRequest(ev.xclient);
      case DestroyNotify:  // destroyed by someone else: nothing left to wait for
        window_ = None;
        return false;
      default:
        return true;
    }
  }

 private:
  bool onButton(int px, int py) const {
    return px >= layout_.buttonLeft && px < layout_.buttonLeft + kButtonWidth &&
           py >= layout_.buttonTop && py < layout_.buttonTop + kButtonHeight;
  }

  // Button 1 let go: on OK after going down there, the box closes.
  bool released(const XButtonEvent& e) {
    if (e.button != Button1 || !armed_) return true;
    armed_ = false;
    if (onButton(e.x, e.y)) return false;
    if (pressed_) {
      pressed_ = false;
      paint();
    }
    return true;
  }

  void paint() {
    if (!x_.usable()) return;
    XftColor face = x_.color(kButtonFace), ink = x_.color(kText);
    XftDrawRect(draw_, &face, 0, 0, layout_.width, layout_.height);
    if (font_) {
      int y = layout_.textTop + font_->ascent;
      for (const std::string& line : layout_.lines) {
        XftDrawString8(draw_, &ink, font_, layout_.textLeft, y,
                       reinterpret_cast<const FcChar8*>(line.data()),
                       static_cast<int>(line.size()));
        y += layout_.lineHeight;
      }
    }
    paintButton(ink);
    XFlush(x_.display());
  }

  // OK as the default button holding the focus: a black frame around a raised (or, while
  // held down, flat) face, a dotted focus rectangle inside.
  void paintButton(XftColor& ink) {
    XftColor hi = x_.color(kHighlight), light = x_.color(kLight), shadow = x_.color(kShadow),
             dark = x_.color(kDarkShadow);
    int x = layout_.buttonLeft, y = layout_.buttonTop, w = kButtonWidth, h = kButtonHeight;
    frame(draw_, ink, ink, x, y, w, h);
    if (pressed_) {
      frame(draw_, shadow, shadow, x + 1, y + 1, w - 2, h - 2);
    } else {
      frame(draw_, hi, dark, x + 1, y + 1, w - 2, h - 2);
      frame(draw_, light, shadow, x + 2, y + 2, w - 4, h - 4);
    }
    int shift = pressed_ ? 1 : 0;
    if (font_) {
      int tx = x + (w - x_.textWidth(font_, kButtonText)) / 2 + shift;
      int ty = y + (h - (font_->ascent + font_->descent)) / 2 + font_->ascent + shift;
      XftDrawString8(draw_, &ink, font_, tx, ty, reinterpret_cast<const FcChar8*>(kButtonText), 2);
    }
    for (int i = x + 4; i < x + w - 4; i += 2) {
      XftDrawRect(draw_, &ink, i, y + 4, 1, 1);
      XftDrawRect(draw_, &ink, i, y + h - 5, 1, 1);
    }
    for (int j = y + 4; j < y + h - 4; j += 2) {
      XftDrawRect(draw_, &ink, x + 4, j, 1, 1);
      XftDrawRect(draw_, &ink, x + w - 5, j, 1, 1);
    }
  }

  Session& x_;
  XftFont* font_;
  BoxLayout layout_;
  Window window_ = None;
  XftDraw* draw_ = nullptr;
  bool armed_ = false;    // button 1 went down on OK
  bool pressed_ = false;  // ... and the pointer is on it now
};

}  // namespace

void runMessageBox(Session& x, const std::string& text, std::optional<Window> owner,
                   const std::function<void()>& repaintOwner) {
  // Standard error gets the message too, as in a run without a display.
  std::cerr << text << std::endl;
  if (!x.usable()) return;

  MessageBox box(x, text, owner);
  XEvent ev;
  while (x.nextEvent(ev, std::nullopt)) {
    if (owner && ev.xany.window == *owner) {
      if (ev.type == Expose && ev.xexpose.count == 0) repaintOwner();
      continue;
    }
    if (ev.xany.window != box.window()) continue;
    if (!box.handle(ev)) break;
  }
}

}  // namespace sc::x11
