#include <iostream>

#include "driver/platform.h"

namespace sc {
namespace {

class HeadlessPlatform : public Platform {
 public:
  void showWaitingWindow() override {}
  void closeWaitingWindow() override {}
  void messageBox(const std::string& text) override { std::cerr << text << std::endl; }
};

}  // namespace

std::unique_ptr<Platform> makeHeadlessPlatform() {
  return std::make_unique<HeadlessPlatform>();
}

}  // namespace sc
