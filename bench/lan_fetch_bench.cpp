// One 1 GiB file served by a real headless node, fetched twice in the same run:
// by the LAN plugin in this process as a download (search, execute, wait for
// completion) and by curl. Prints both times, the speeds and the plugin's speed
// as a share of curl's. One timed run of two real programs, so a main of its own
// rather than the benchmark library's repetitions.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "core/search/search_context.h"
#include "core/transfers/download_list.h"
#include "lan_e2e/lan_core_instance.h"
#include "lan_e2e/lan_node_folder.h"
#include "lan_e2e/lan_program_process.h"
#include "support/temp_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace kp::lan_e2e;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint16_t kServerPort = 18495;
constexpr std::uint16_t kFetcherPort = 18496;
constexpr std::uint64_t kFileSize = 1ull << 30;

bool WriteBigFile(const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<char> block(1 << 20);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (char& byte : block) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    byte = static_cast<char>(state >> 56);
  }
  for (std::uint64_t written = 0; written < kFileSize; written += block.size()) {
    // Every block differs, so nothing on the way can shortcut repeated content.
    std::memcpy(block.data(), &written, sizeof written);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  return static_cast<bool>(out);
}

// Seconds curl took for the whole file; negative when it failed.
double CurlSeconds(const std::string& url, const std::string& output) {
  const char* arguments[] = {"curl", "-s", "-f", "-o", output.c_str(), url.c_str(), nullptr};
  const auto started = Clock::now();
  pid_t child = 0;
  if (posix_spawnp(&child, "curl", nullptr, nullptr, const_cast<char* const*>(arguments), environ) != 0) return -1;
  int status = 0;
  waitpid(child, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double MiBPerSecond(double seconds) { return static_cast<double>(kFileSize) / (1024.0 * 1024.0) / seconds; }

int Fail(const std::string& why) {
  std::fprintf(stderr, "lan_fetch_bench: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // scripts/bench.sh hands every benchmark the same arguments: a filter that
  // leaves this one out skips it.
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::string filter = "--benchmark_filter=";
    if (argument.starts_with(filter) && !std::regex_search("LanFetch", std::regex(argument.substr(filter.size())))) {
      return 0;
    }
  }
  kp::test::TempFolder temp;
  const std::string data = temp.MakeFolder("data");
  if (!WriteBigFile(data + "big.bin")) return Fail("cannot write the 1 GiB file");

  std::string error;
  TLanFolderPlan server;
  server.sourceFolder = fs::path(KP_LAN_PROGRAM).parent_path();
  server.executable = KP_LAN_PROGRAM;
  server.plugin = KP_LAN_PLUGIN;
  server.nodes = {{NodeGuid(20), "Server", kServerPort, {}, "", ""}};
  server.shares = {{"Public", temp / "data", true, ""}};
  if (!PrepareLanFolder(temp.MakeFolder("server"), server, error)) return Fail(error);
  TLanFolderPlan fetcher = server;
  fetcher.executable.clear();
  fetcher.shares.clear();
  fetcher.nodes = {{NodeGuid(21), "Fetcher", kFetcherPort, {"127.0.0.1:" + std::to_string(kServerPort)}, "", ""}};
  if (!PrepareLanFolder(temp.MakeFolder("fetcher"), fetcher, error)) return Fail(error);

  TLanProgram program;
  if (!program.Start(temp / "server", fs::path(KP_LAN_PROGRAM).filename(), kServerPort, error)) return Fail(error);
  TLanCore core;
  if (!core.Start(temp / "fetcher")) return Fail("the fetching core did not start");

  // The server hashes the file for its answer; that is not part of the fetch.
  const std::int32_t id = core.Search(core.ServiceNamed("Fetcher"), "big");
  const kp::TSearchContext* search = core.WaitForSearch(id, 600s);
  if (!search) return Fail("the search did not complete");
  const std::vector<kp::TSearchResultHolder*> hits = TLanCore::ResultsNamed(*search, "big.bin");
  if (hits.size() != 1) return Fail("the search found " + std::to_string(hits.size()) + " results");

  // Seconds from the download command to its completion; negative on failure.
  const auto pluginFetch = [&](std::string& why) {
    const auto started = Clock::now();
    kp::TTransferItem* item = core.Download(*hits[0]);
    if (!item) {
      why = "the plugin added no download";
      return -1.0;
    }
    const std::uint32_t handle = item->Handle();
    kp::TransferState state = kp::TransferState::Queued;
    core.PumpUntil(
        [&] {
          const kp::TTransferItem* download = core.FindDownload(handle);
          state = download ? download->State : kp::TransferState::Failed;
          return kp::IsFinished(state);
        },
        600s);
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const kp::TTransferItem* download = core.FindDownload(handle);
    std::error_code ignored;
    if (state != kp::TransferState::Complete) {
      why = "the download did not complete: " + (download ? download->ErrorText() : std::string("gone"));
    } else if (fs::file_size(temp / "fetcher/Downloads/big.bin", ignored) != kFileSize) {
      why = "the download is short";
    }
    fs::remove(temp / "fetcher/Downloads/big.bin", ignored);
    return why.empty() ? seconds : -1.0;
  };

  // curl into nothing is the ceiling; curl into a file on the same disk pays
  // what a download must pay too, writing a whole gigabyte, and flushing that
  // file shows what the disk itself takes to hold it for good. Each fetch
  // starts with nothing left to write back, and each is run twice, the best
  // counting. Each file is removed as soon as it is measured and the next
  // writer follows at once: on a virtual machine the first touch of fresh
  // memory for the page cache can cost more than the transfer itself, while
  // pages just freed are cheap, so every writer gets the pages of the one
  // before it (the first round's first writer gets fresh ones).
  const std::string url = "http://127.0.0.1:" + std::to_string(kServerPort) + "/Public/big.bin";
  const std::string copy = temp / "curl-copy.bin";
  double pluginSeconds = 1e9, curlSeconds = 1e9, curlToDiskSeconds = 1e9, curlFlushedSeconds = 1e9;
  for (int round = 0; round < 2; ++round) {
    ::sync();
    const double toNothing = CurlSeconds(url, "/dev/null");
    const double toDisk = CurlSeconds(url, copy);
    if (toNothing <= 0 || toDisk <= 0) return Fail("curl failed");
    const auto flushStarted = Clock::now();
    const int written = ::open(copy.c_str(), O_RDONLY | O_CLOEXEC);
    if (written < 0 || ::fsync(written) != 0) return Fail("cannot flush curl's copy");
    ::close(written);
    const double flush = std::chrono::duration<double>(Clock::now() - flushStarted).count();
    fs::remove(copy);
    const double plugin = pluginFetch(error);
    if (plugin < 0) return Fail(error);
    pluginSeconds = std::min(pluginSeconds, plugin);
    curlSeconds = std::min(curlSeconds, toNothing);
    curlToDiskSeconds = std::min(curlToDiskSeconds, toDisk);
    curlFlushedSeconds = std::min(curlFlushedSeconds, toDisk + flush);
  }
  core.Finish();
  program.Stop();

  std::printf("1 GiB over loopback, best of two\n");
  std::printf("  LAN plugin download:  %8.2f s  %8.1f MiB/s\n", pluginSeconds, MiBPerSecond(pluginSeconds));
  std::printf("  curl -o /dev/null:    %8.2f s  %8.1f MiB/s\n", curlSeconds, MiBPerSecond(curlSeconds));
  std::printf("  curl -o file:         %8.2f s  %8.1f MiB/s\n", curlToDiskSeconds, MiBPerSecond(curlToDiskSeconds));
  std::printf("  curl -o file + fsync: %8.2f s  %8.1f MiB/s\n", curlFlushedSeconds, MiBPerSecond(curlFlushedSeconds));
  std::printf("  plugin speed / curl speed: %.2f (goal >= 0.80)\n", curlSeconds / pluginSeconds);
  std::printf("  against curl into a file: %.2f; into a file flushed to disk: %.2f\n",
              curlToDiskSeconds / pluginSeconds, curlFlushedSeconds / pluginSeconds);
  return 0;
}
