#pragma once
// A small HTTP server on 127.0.0.1 for tests of the web client's users: it
// takes one connection at a time on its own thread, reads one request, answers
// with the responder's text and closes the connection.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/web/socket.h"

namespace kp::test {

class TTestHttpServer {
 public:
  // The answer to the request with that index (0 for the first).
  using TResponder = std::function<std::string(const std::string& request, int index)>;
  // An answer that keeps the connection open without a word until the client lets go.
  static constexpr std::string_view kSilent = "<silent>";

  explicit TTestHttpServer(TResponder responder) : responder_(std::move(responder)) {
    listener_.Listen("127.0.0.1", 0, true);
    port_ = listener_.GetLocalPort();
    thread_ = std::thread([this] { Run(); });
  }
  TTestHttpServer(const TTestHttpServer&) = delete;
  TTestHttpServer& operator=(const TTestHttpServer&) = delete;
  ~TTestHttpServer() {
    stopping_ = true;
    listener_.Close();
    connection_.Close();
    thread_.join();
  }

  static std::string Ok(std::string_view body, std::string_view contentType = "text/plain") {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(contentType) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           std::string(body);
  }

  [[nodiscard]] std::string Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }
  [[nodiscard]] std::uint16_t Port() const { return port_; }
  // Connections accepted so far, whether or not a request came on them.
  [[nodiscard]] int Connections() const { return connections_.load(); }
  [[nodiscard]] std::vector<std::string> Requests() {
    std::lock_guard guard(lock_);
    return requests_;
  }
  bool WaitForRequests(std::size_t count, std::chrono::seconds patience = std::chrono::seconds(20)) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, patience, [&] { return requests_.size() >= count; });
  }

 private:
  void Run() {
    for (int index = 0; !stopping_; ++index) {
      connection_.SetTimeout(20);
      if (connection_.TryAccept(listener_) < 0) return;
      ++connections_;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const std::int64_t received = connection_.TryReceive(buffer, sizeof buffer);
        if (received <= 0) break;
        request.append(buffer, static_cast<std::size_t>(received));
      }
      const std::string response = responder_(request, index);
      {
        std::lock_guard guard(lock_);
        requests_.push_back(request);
      }
      arrived_.notify_all();
      if (response == kSilent) {
        char byte = 0;
        (void)connection_.TryReceive(&byte, 1);
      } else {
        (void)connection_.TrySendAll(response.data(), response.size());
      }
      connection_.Close();
    }
  }

  TResponder responder_;
  TSocket listener_;
  TSocket connection_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace kp::test
