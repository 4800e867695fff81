#pragma once
// One HTTPS GET on a worker thread, through libcurl, for a network that may be
// hostile: the peer's certificate and host name are always verified, only https
// is spoken (redirects included), the body is capped and the transfer has a
// connect and an overall time-out. Destroying the fetch cancels a transfer still
// running; the worker notices at once, so it never holds up the caller.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>

namespace vantix {

struct HttpsRequest {
    std::string url;
    std::string caFile; // PEM bundle trusted instead of the system's authorities; empty: the system's
    std::string userAgent;
    std::chrono::milliseconds connectTimeout{10'000};
    std::chrono::milliseconds totalTimeout{30'000};
    std::size_t maxBody = 64 * 1024; // a longer body fails the transfer
};

struct HttpsResponse {
    bool received = false; // false: no complete answer (network, certificate, time-out, cap...)
    long status = 0;
    std::string body;
};

class HttpsFetch {
public:
    // Starts the transfer. `done` runs once, on the worker thread, unless the
    // fetch is cancelled before the transfer ends.
    HttpsFetch(HttpsRequest request, std::function<void(HttpsResponse)> done);
    ~HttpsFetch(); // cancels and waits for the worker
    HttpsFetch(const HttpsFetch&) = delete;
    HttpsFetch& operator=(const HttpsFetch&) = delete;

    void cancel();

private:
    void run(const HttpsRequest& request, const std::function<void(HttpsResponse)>& done);

    void* multi; // the CURLM handle, shared with cancel() to wake the worker
    std::atomic<bool> cancelled{false};
    std::thread worker;
};

} // namespace vantix
