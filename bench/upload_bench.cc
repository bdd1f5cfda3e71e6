// Uploads a 512 MiB image through upload_image to the loopback test forum and,
// in the same run, the same file with `curl -F` to the same server; prints the
// wall times, their ratio and the peak resident memory of the upload_image run.
//
// The forum runs in a process of its own (started before anything else, so
// this process stays single-threaded and can fork), records nothing and
// accepts every upload without looking at it. Each measured run happens in a
// fresh child process, whose peak resident memory wait4() reports, so neither
// the server nor the benchmark library counts.
//
// Targets: upload_image within 1.2x of curl's time; peak memory at most
// 1.15 x file size + 32 MiB.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "http/request_object.h"
#include "text/values.h"
#include "uploader/controls.h"
#include "uploader/login.h"
#include "uploader/testing/fake_window.h"
#include "uploader/testing/test_forum.h"
#include "uploader/upload.h"

extern char** environ;

namespace {

constexpr std::int64_t kMiB = 1024 * 1024;
constexpr std::int64_t kFileSize = 512 * kMiB;

std::string g_dir;
std::string g_image;
std::string g_site;
pid_t g_server = -1;

struct Run {
  double seconds = 0;
  double peak_mib = 0;
  bool ok = false;
};

std::vector<double> g_ours;
std::vector<double> g_curl;
double g_peak_ours = 0;

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double minimum(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

// A patterned (not sparse) file, written in 1 MiB pieces.
bool make_image(const std::string& name) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  std::string chunk(kMiB, '\0');
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  bool ok = true;
  for (std::int64_t written = 0; ok && written < kFileSize; written += kMiB) {
    for (std::size_t i = 0; i < chunk.size(); i += 8) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      std::memcpy(chunk.data() + i, &x, 8);
    }
    ok = ::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size());
  }
  return ::close(fd) == 0 && ok;
}

// Starts the forum in a child process; its address comes back over a pipe.
// The child serves until the pipe's other end closes or it is signalled.
bool start_forum() {
  int ready[2];
  if (::pipe(ready) != 0) return false;
  g_server = ::fork();
  if (g_server < 0) return false;
  if (g_server == 0) {
    ::close(ready[0]);
    quillon::testing::ForumOptions options;
    options.server.record = false;
    options.server.record_body_limit = 4096;
    options.accept_any_upload = true;
    quillon::testing::TestForum forum(options);
    const std::string url = forum.port() == 0 ? std::string() : forum.base_url();
    const std::string line = url + "\n";
    if (::write(ready[1], line.data(), line.size()) < 0) ::_exit(1);
    ::pause();  // until the benchmark ends it
    ::_exit(0);
  }
  ::close(ready[1]);
  char buffer[256];
  const ssize_t n = ::read(ready[0], buffer, sizeof buffer - 1);
  ::close(ready[0]);
  if (n <= 1) return false;
  g_site.assign(buffer, static_cast<std::size_t>(n - 1));
  return true;
}

double elapsed_seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One upload_image in a fresh child, after an untimed login there. The child
// sends its upload's wall time through a pipe; wait4 gives its peak memory.
Run run_upload_image() {
  Run run;
  int result[2];
  if (::pipe(result) != 0) return run;
  const pid_t child = ::fork();
  if (child < 0) return run;
  if (child == 0) {
    ::close(result[0]);
    quillon::http_global_init();
    quillon::testing::FakeWindow window;
    window.set_field_text(quillon::kSiteBox, quillon::Text(g_site));
    window.set_field_text(quillon::kAccountBox, quillon::Text("demo"));
    window.set_field_text(quillon::kPasswordBox, quillon::Text("demo"));
    window.set_field_text(quillon::kFileBox, quillon::Text(g_image));
    quillon::log_in(window, quillon::Text(g_dir + "/config.ini"));
    const auto start = std::chrono::steady_clock::now();
    quillon::upload_image(window);
    const double seconds = elapsed_seconds(start);
    const bool ok = window.statuses().size() == 2 && window.statuses()[1] == quillon::kUploadSucceeded;
    const double message[2] = {seconds, ok ? 1.0 : 0.0};
    if (::write(result[1], message, sizeof message) < 0) ::_exit(1);
    ::_exit(0);
  }
  ::close(result[1]);
  double message[2] = {0, 0};
  const bool got = ::read(result[0], message, sizeof message) == static_cast<ssize_t>(sizeof message);
  ::close(result[0]);
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  run.ok = got && message[1] == 1.0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.seconds = message[0];
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
  return run;
}

// One `curl -F "files[]=@image" <site>/upload`, timed from spawn to exit.
Run run_curl() {
  Run run;
  std::string form = "files[]=@" + g_image;
  const std::string url = g_site + "/upload";
  std::vector<char*> argv = {const_cast<char*>("curl"), const_cast<char*>("-s"),
                             const_cast<char*>("-o"), const_cast<char*>("/dev/null"),
                             const_cast<char*>("-F"), form.data(),
                             const_cast<char*>(url.c_str()), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t child = -1;
  if (::posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ) != 0) return run;
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  run.seconds = elapsed_seconds(start);
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// Each iteration runs curl and upload_image back to back (in alternating
// order), so both see the same load on the machine; the iteration's time is
// upload_image's, curl's goes into the counters.
void BM_UploadImageVsCurl(benchmark::State& state) {
  double peak = 0;
  bool curl_first = true;
  for (auto _ : state) {
    Run curl;
    Run ours;
    if (curl_first) curl = run_curl();
    ours = run_upload_image();
    if (!curl_first) curl = run_curl();
    curl_first = !curl_first;
    if (!curl.ok || !ours.ok) {
      state.SkipWithError(!ours.ok ? "upload_image did not succeed" : "curl failed (is it installed?)");
      return;
    }
    state.SetIterationTime(ours.seconds);
    g_ours.push_back(ours.seconds);
    g_curl.push_back(curl.seconds);
    peak = std::max(peak, ours.peak_mib);
  }
  g_peak_ours = std::max(g_peak_ours, peak);
  state.SetBytesProcessed(state.iterations() * kFileSize);
  state.counters["curl_median_ms"] = median(g_curl) * 1000;
  state.counters["ratio_median"] = median(g_ours) / median(g_curl);
  state.counters["peak_MiB"] = peak;
}

BENCHMARK(BM_UploadImageVsCurl)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void stop_forum() {
  if (g_server > 0) {
    ::kill(g_server, SIGTERM);
    ::waitpid(g_server, nullptr, 0);
    g_server = -1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/quillon-upload-bench-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  g_dir = pattern;
  g_image = g_dir + "/image.png";
  int rc = 1;
  if (!make_image(g_image)) {
    std::fprintf(stderr, "could not write %s\n", g_image.c_str());
  } else if (!start_forum()) {
    std::fprintf(stderr, "could not start the forum\n");
  } else {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rc = 0;
    const double limit_mib = 1.15 * static_cast<double>(kFileSize) / kMiB + 32;
    std::printf("\nfile: %lld MiB\n", static_cast<long long>(kFileSize / kMiB));
    std::printf("runs: %zu pairs, upload_image and curl -F back to back\n", g_ours.size());
    std::printf("median wall time: upload_image %.3f s, curl -F %.3f s, ratio %.3f (target <= 1.20)\n",
                median(g_ours), median(g_curl), median(g_ours) / median(g_curl));
    std::printf("best wall time:   upload_image %.3f s, curl -F %.3f s, ratio %.3f\n", minimum(g_ours),
                minimum(g_curl), minimum(g_ours) / minimum(g_curl));
    std::printf("upload_image peak resident memory: %.1f MiB (target <= %.1f MiB)\n", g_peak_ours,
                limit_mib);
  }
  stop_forum();
  std::error_code ignored;
  std::filesystem::remove_all(g_dir, ignored);
  return rc;
}
