#include <unistd.h>

#include <iostream>
#include <system_error>

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

std::filesystem::path programFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path();
  return exe.parent_path();
}

}  // namespace sc
