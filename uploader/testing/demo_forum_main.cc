// quillon_demo_forum: the test forum on 127.0.0.1 for trying the window by hand.
//
//   quillon_demo_forum [--port N] [--seed-settings CONFIG_INI]
//
// --port 0 (the default) lets the OS pick the port; the loopback server takes no
// other. --seed-settings writes the
// forum's address and the demo account into a settings file, so the window
// starts filled in. Serves until SIGINT or SIGTERM.
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "uploader/controls.h"
#include "uploader/native_path.h"
#include "uploader/profile_ini.h"
#include "uploader/settings_file.h"
#include "uploader/testing/test_forum.h"

namespace {

constexpr const char* kDemoUser = "demo";
constexpr const char* kDemoPassword = "demo";
constexpr std::int32_t kNewSettingsFileSize = 10240;

int usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--port N] [--seed-settings CONFIG_INI]\n", program);
  return 2;
}

// Writes the site, account and password the way a successful login saves them.
bool seed_settings(const std::string& file, const std::string& site) {
  using namespace quillon;
  const Text path = text_from_native_path(file);
  if (!is_existing_file(path)) create_sized_file(path, kNewSettingsFileSize);
  return write_profile_string(kSettingsSection, kSiteBox, Text(site), path) &&
         write_profile_string(kSettingsSection, kAccountBox, Text(kDemoUser), path) &&
         write_profile_string(kSettingsSection, kPasswordBox, Text(kDemoPassword), path);
}

}  // namespace

int main(int argc, char** argv) {
  long port = 0;
  std::string settings;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
      char* end = nullptr;
      port = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || port < 0 || port > 65535) return usage(argv[0]);
    } else if (std::strcmp(argv[i], "--seed-settings") == 0 && i + 1 < argc) {
      settings = argv[++i];
    } else {
      return usage(argv[0]);
    }
  }

  // Block the stop signals before the server starts its threads, so that they
  // inherit the mask and only sigwait below receives them. A shell starts
  // background jobs with SIGINT ignored, and an ignored signal never reaches
  // sigwait, so both get their default action back first.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  // The loopback server always takes a port the OS picks; a fixed one cannot
  // be honoured yet.
  if (port != 0) {
    std::fprintf(stderr, "quillon_demo_forum: only --port 0 (OS-chosen) is supported\n");
    return 2;
  }

  quillon::testing::ForumOptions options;
  options.accounts = {{kDemoUser, kDemoPassword, "/u/demo"}};
  quillon::testing::TestForum forum(options);
  if (forum.port() == 0) {
    std::fprintf(stderr, "quillon_demo_forum: could not listen on 127.0.0.1\n");
    return 1;
  }
  if (!settings.empty() && !seed_settings(settings, forum.base_url())) {
    std::fprintf(stderr, "quillon_demo_forum: could not write %s\n", settings.c_str());
    return 1;
  }
  std::printf("Demo forum listening on %s\n", forum.base_url().c_str());
  std::printf("Account: %s  Password: %s\n", kDemoUser, kDemoPassword);
  std::fflush(stdout);

  int received = 0;
  sigwait(&stop_signals, &received);
  return 0;
}
