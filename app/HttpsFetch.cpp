#include "HttpsFetch.h"

#include <curl/curl.h>

#include <mutex>

namespace vantix {

namespace {

struct BodySink {
    std::string* body;
    std::size_t cap;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* userdata) {
    auto* sink = static_cast<BodySink*>(userdata);
    const std::size_t bytes = size * count;
    if (bytes > sink->cap - sink->body->size()) return 0; // over the cap: libcurl fails the transfer
    sink->body->append(data, bytes);
    return bytes;
}

bool configure(CURL* easy, const HttpsRequest& request, BodySink* sink) {
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, request.url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "https"); // for the redirects too
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 5L);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    if (!request.caFile.empty()) {
        set(CURLOPT_CAINFO, request.caFile.c_str());
        set(CURLOPT_CAPATH, static_cast<const char*>(nullptr)); // that bundle alone
    }
    set(CURLOPT_CONNECTTIMEOUT_MS, long(request.connectTimeout.count()));
    set(CURLOPT_TIMEOUT_MS, long(request.totalTimeout.count()));
    set(CURLOPT_WRITEFUNCTION, &collect);
    set(CURLOPT_WRITEDATA, static_cast<void*>(sink));
    set(CURLOPT_NOSIGNAL, 1L);
    if (!request.userAgent.empty()) set(CURLOPT_USERAGENT, request.userAgent.c_str());
#if LIBCURL_VERSION_NUM >= 0x075700
    // A cancelled transfer must not wait for a host-name lookup that hangs.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
#endif
    return ok;
}

CURLM* newMulti() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return curl_multi_init();
}

} // namespace

HttpsFetch::HttpsFetch(HttpsRequest request, std::function<void(HttpsResponse)> done)
    : multi(newMulti()),
      worker([this, request = std::move(request), done = std::move(done)] { run(request, done); }) {}

HttpsFetch::~HttpsFetch() {
    cancel();
    worker.join();
    if (multi) curl_multi_cleanup(static_cast<CURLM*>(multi));
}

void HttpsFetch::cancel() {
    cancelled = true;
    if (multi) curl_multi_wakeup(static_cast<CURLM*>(multi));
}

void HttpsFetch::run(const HttpsRequest& request, const std::function<void(HttpsResponse)>& done) {
    auto* const handle = static_cast<CURLM*>(multi);
    HttpsResponse response;
    BodySink sink{&response.body, request.maxBody};
    CURL* easy = curl_easy_init();
    if (handle && easy && configure(easy, request, &sink) &&
        curl_multi_add_handle(handle, easy) == CURLM_OK) {
        int running = 1;
        while (running && !cancelled) {
            if (curl_multi_perform(handle, &running) != CURLM_OK) break;
            // Sleeps until the socket is ready, one of libcurl's timers (the time-outs among them)
            // runs out or cancel() wakes it; the hour is never reached.
            if (running && curl_multi_poll(handle, nullptr, 0, 3'600'000, nullptr) != CURLM_OK) break;
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(handle, &left))
            if (message->msg == CURLMSG_DONE && message->data.result == CURLE_OK) response.received = true;
        if (response.received) curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response.status);
        curl_multi_remove_handle(handle, easy);
    }
    if (easy) curl_easy_cleanup(easy);
    if (!response.received) response.body.clear();
    if (!cancelled) done(std::move(response));
}

} // namespace vantix
