// Posts one large body (256 MiB unless a size in MiB is given) to a loopback
// TestServer, once through web_request and once through the curl command-line
// tool with --data-binary @file, several rounds in turn, and prints the wall
// times, their ratio and the peak resident memory of each.
//
// Each client runs in its own process (this program re-runs itself with
// --client), so the peak memory wait4() reports belongs to that client alone:
// libraries, the body's allocation and whatever the transfer adds. The server
// keeps nothing of the bodies it reads.
//
// Targets: web_request within 1.15x curl's time; its peak memory at most the
// body plus 32 MiB, so no second copy of the body exists anywhere.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "http/request_object.h"
#include "http/testing/test_server.h"
#include "http/web_request.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
  double seconds = 0;      // wall time of the whole client process
  double peak_mib = 0;     // its peak resident set
  bool ok = false;
};

// The client side: builds the body in memory and posts it once.
int run_client(const char* url, std::size_t size) {
  quillon::http_global_init();
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; i += 4096) body[i] = static_cast<char>(i >> 12);
  std::int32_t status = 0;
  auto start = Clock::now();
  quillon::Bytes reply = quillon::web_request({.url = quillon::Text(url),
                                               .method = 1,
                                               .status_code = &status,
                                               .post_bytes = quillon::Bytes(std::move(body)),
                                               .timeout_seconds = 60});
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%.6f\n", seconds);  // the call alone, read by the parent
  return status == 200 && reply.str() == "done" ? 0 : 1;
}

// Runs argv as a child process and measures it; the child's stdout is kept
// when keep_output is given.
Run run_child(std::vector<std::string> args, std::string* keep_output = nullptr) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], STDOUT_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  std::string output;
  char piece[256];
  for (ssize_t n; (n = read(pipe_fds[0], piece, sizeof piece)) > 0;) output.append(piece, n);
  close(pipe_fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.peak_mib = usage.ru_maxrss / 1024.0;  // KiB on Linux
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (keep_output) *keep_output = output;
  return run;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--client") == 0) {
    return run_client(argv[2], std::strtoull(argv[3], nullptr, 10));
  }
  const std::size_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::size_t size = mib << 20;

  quillon::testing::TestServer server(
      [](const quillon::testing::ReceivedRequest&) {
        quillon::testing::Reply reply;
        reply.body = "done";
        return reply;
      },
      {.record_body_limit = 0, .record = false});
  const std::string url = server.base_url() + "/upload";

  // The same bytes for curl, from a file.
  char path[] = "/tmp/quillon_http_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return 1;
  {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; i += 4096) body[i] = static_cast<char>(i >> 12);
    for (std::size_t done = 0; done < size;) {
      ssize_t n = write(fd, body.data() + done, size - done);
      if (n <= 0) return 1;
      done += static_cast<std::size_t>(n);
    }
    close(fd);
  }

  std::vector<double> ours, ours_call, theirs, ours_peak, theirs_peak;
  bool all_ok = true;
  for (int round = 0; round < rounds; ++round) {
    std::string output;
    Run mine = run_child({"/proc/self/exe", "--client", url, std::to_string(size)}, &output);
    Run curl = run_child({"curl", "-s", "-o", "/dev/null", "--fail", "--data-binary",
                          std::string("@") + path, url});
    all_ok = all_ok && mine.ok && curl.ok;
    ours.push_back(mine.seconds);
    ours_call.push_back(std::atof(output.c_str()));
    theirs.push_back(curl.seconds);
    ours_peak.push_back(mine.peak_mib);
    theirs_peak.push_back(curl.peak_mib);
    std::printf("round %d: web_request %.3f s (call %.3f s, peak %.1f MiB)  curl %.3f s (peak %.1f MiB)\n",
                round + 1, mine.seconds, ours_call.back(), mine.peak_mib, curl.seconds, curl.peak_mib);
  }
  unlink(path);

  double ratio = median(ours) / median(theirs);
  double peak = *std::max_element(ours_peak.begin(), ours_peak.end());
  double limit = static_cast<double>(mib) + 32;
  std::printf("\nbody %zu MiB, %d rounds, medians:\n", mib, rounds);
  std::printf("  web_request process  %.3f s (call alone %.3f s)\n", median(ours), median(ours_call));
  std::printf("  curl --data-binary   %.3f s\n", median(theirs));
  std::printf("  time ratio           %.3f (target <= 1.15)\n", ratio);
  std::printf("  peak memory          %.1f MiB (target <= %.0f MiB); curl %.1f MiB\n", peak, limit,
              median(theirs_peak));
  if (!all_ok) std::printf("  SOME TRANSFERS FAILED\n");
  return all_ok ? 0 : 1;
}
