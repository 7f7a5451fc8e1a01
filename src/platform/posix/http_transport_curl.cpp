// The HTTP exchange over libcurl: one easy handle per thread, reset for each
// exchange, so a thread's connections and TLS sessions serve its next
// exchanges too; the trusted certificates are the process's (trust_store).
#include <curl/curl.h>
#include <sys/socket.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>

#include "platform/http_transport.h"
#include "platform/posix/trust_store_openssl.h"

namespace platform {
namespace {

constexpr long kMaxRedirects = 10;
constexpr long kReceiveBufferBytes = 64L * 1024;

struct CurlCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;
using CurlHeaders = std::unique_ptr<curl_slist, CurlCleanup>;
using CurlUrl = std::unique_ptr<CURLU, CurlCleanup>;

// libcurl's global set-up is not safe to race with the first handles.
void initializeCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What the callbacks share with the exchange.
struct Exchange {
    explicit Exchange(const HttpRequest& asked) : request(asked) {}

    const HttpRequest& request;
    std::string trustedBundle;  // empty: the system's certificates
    std::string trustError;     // why the certificates to trust could not be read
    HttpResult result;
    // Never through libcurl's C frames: ends the transfer, rethrown after.
    std::exception_ptr callbackError;
    bool bodyRefused = false;
    bool progressStopped = false;
};

size_t onHeaderLine(char* data, size_t size, size_t count, void* context) {
    static_cast<Exchange*>(context)->result.head.addLine(data, size * count);
    return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* context) {
    Exchange& exchange = *static_cast<Exchange*>(context);
    const size_t bytes = size * count;
    if (bytes == 0 || !exchange.request.onBody) return bytes;
    try {
        if (exchange.request.onBody(data, bytes, exchange.result.head)) return bytes;
        exchange.bodyRefused = true;
    } catch (...) {
        exchange.callbackError = std::current_exception();
    }
    return 0;
}

int onProgress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
    Exchange& exchange = *static_cast<Exchange*>(context);
    try {
        if (exchange.request.onProgress(received, sent)) return 0;
        exchange.progressStopped = true;
    } catch (...) {
        exchange.callbackError = std::current_exception();
    }
    return 1;  // non-zero ends the transfer
}

HttpResult failed(HttpFailure failure, std::string message) {
    HttpResult result;
    result.failure = failure;
    result.message = std::move(message);
    return result;
}

void setFixedOptions(CURL* h, char* errorBuffer) {
    errorBuffer[0] = '\0';
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    // Worker threads download at the same time; no signals for time-outs.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
}

void setBounds(CURL* h, const HttpRequest& request) {
    if (request.connectTimeout.count() > 0)
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(request.connectTimeout.count()));
    if (request.totalTimeout.count() > 0)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalTimeout.count()));
    if (request.lowSpeedBytesPerSecond > 0) {
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT,
                         static_cast<long>(request.lowSpeedBytesPerSecond));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(request.lowSpeedTime.count()));
    }
}

void setMethodAndBody(CURL* h, const HttpRequest& request) {
    const std::string& method = request.method;
    if (!request.body.empty() || method == "POST") {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        if (method != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    } else if (method == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (method != "GET") {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
}

// Null when a line cannot be added.
CurlHeaders headerList(const std::vector<std::string>& lines) {
    CurlHeaders list;
    for (const std::string& line : lines) {
        curl_slist* longer = curl_slist_append(list.get(), line.c_str());
        if (!longer) return nullptr;
        list.release();
        list.reset(longer);
    }
    return list;
}

void setCallbacks(CURL* h, Exchange& exchange) {
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeaderLine);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &exchange);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &exchange);
    if (!exchange.request.onProgress) return;
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &exchange);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

// libcurl's built-in places of the system's certificates.
struct SystemTrust {
    std::string bundle;
    std::string folder;
};

const SystemTrust& systemTrust(CURL* h) {
    static const SystemTrust trust = [h] {
        SystemTrust paths;
        char* text = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_CAINFO, &text) == CURLE_OK && text) paths.bundle = text;
        text = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_CAPATH, &text) == CURLE_OK && text) paths.folder = text;
        return paths;
    }();
    return trust;
}

// Each connection's TLS context gets the certificates to trust here, instead
// of libcurl reading a bundle again for every handle.
CURLcode onTlsContext(CURL* h, void* context, void* data) {
    Exchange& exchange = *static_cast<Exchange*>(data);
    const SystemTrust& system = systemTrust(h);
    if (trustCertificates(static_cast<SSL_CTX*>(context), exchange.trustedBundle, system.bundle,
                          system.folder))
        return CURLE_OK;
    exchange.trustError = "error setting certificate file: " +
                          (exchange.trustedBundle.empty() ? system.bundle : exchange.trustedBundle);
    return CURLE_SSL_CACERT_BADFILE;
}

void setTrust(CURL* h, Exchange& exchange) {
    systemTrust(h);  // read before any option changes the handle
    if (curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, onTlsContext) != CURLE_OK) {
        // A libcurl over another TLS library reads the bundle itself.
        if (!exchange.trustedBundle.empty())
            curl_easy_setopt(h, CURLOPT_CAINFO, exchange.trustedBundle.c_str());
        return;
    }
    curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &exchange);
    curl_easy_setopt(h, CURLOPT_CAINFO, nullptr);
    curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
    curl_easy_setopt(h, CURLOPT_CA_CACHE_TIMEOUT, 0L);
}

// Kept connections must not leak into the programs this process starts.
curl_socket_t openSocket(void*, curlsocktype, curl_sockaddr* address) {
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// libcurl takes a kept connection for any exchange with the same TLS options,
// and the certificates trusted are not among them: when a thread's exchange
// trusts others than its last one, the thread's handle and connections go.
CURL* threadHandle(const std::string& trustedBundle) {
    initializeCurlOnce();
    struct ThreadHandle {
        CurlHandle handle;
        std::string trustedBundle;
    };
    thread_local ThreadHandle current{CurlHandle(curl_easy_init()), trustedBundle};
    if (current.trustedBundle != trustedBundle) {
        current.handle.reset(curl_easy_init());
        current.trustedBundle = trustedBundle;
    }
    CURL* h = current.handle.get();
    if (!h) return nullptr;
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, openSocket);
    return h;
}

// OpenSSL's standard variable names a bundle to trust instead of the system's.
std::string trustedBundle(const HttpRequest& request) {
    if (!request.caBundle.empty()) return request.caBundle;
    const char* standardBundle = std::getenv("SSL_CERT_FILE");
    return standardBundle ? standardBundle : "";
}

}  // namespace

HttpResult exchangeHttp(const HttpRequest& request) {
    const std::string trusted = trustedBundle(request);
    CURL* h = threadHandle(trusted);
    if (!h) return failed(HttpFailure::Setup, "libcurl made no handle");
    char errorBuffer[CURL_ERROR_SIZE];
    setFixedOptions(h, errorBuffer);

    CurlUrl url(curl_url());
    const unsigned int urlFlags = request.schemeOptional ? CURLU_DEFAULT_SCHEME : 0;
    if (!url || curl_url_set(url.get(), CURLUPART_URL, request.url.c_str(), urlFlags) != CURLUE_OK)
        return failed(HttpFailure::BadUrl, "unusable URL " + request.url);
    curl_easy_setopt(h, CURLOPT_CURLU, url.get());

    if (!request.userAgent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (request.http10)
        curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    setBounds(h, request);
    CurlHeaders headers = headerList(request.headers);
    if (!request.headers.empty() && !headers)
        return failed(HttpFailure::Setup, "libcurl took no header list");
    if (headers) curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    setMethodAndBody(h, request);

    Exchange exchange(request);
    exchange.trustedBundle = trusted;
    setTrust(h, exchange);
    setCallbacks(h, exchange);
    const CURLcode code = curl_easy_perform(h);
    if (exchange.callbackError) std::rethrow_exception(exchange.callbackError);
    if (code == CURLE_OK) return exchange.result;
    exchange.result.failure = exchange.bodyRefused       ? HttpFailure::BodyRefused
                              : exchange.progressStopped ? HttpFailure::ProgressStop
                                                         : HttpFailure::Transfer;
    exchange.result.message = !exchange.trustError.empty() ? exchange.trustError
                              : errorBuffer[0]             ? errorBuffer
                                                           : curl_easy_strerror(code);
    return exchange.result;
}

// A thread's exchanges share its handle already, so a kept connection is the
// thread's own.
struct HttpConnection::State {};

HttpConnection::HttpConnection() : state_(std::make_unique<State>()) {}

HttpConnection::~HttpConnection() = default;

HttpResult HttpConnection::exchange(const HttpRequest& request) {
    return exchangeHttp(request);
}

std::string urlHost(const std::string& url) {
    CurlUrl parsed(curl_url());
    if (!parsed ||
        curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_DEFAULT_SCHEME) != CURLUE_OK)
        return {};
    char* host = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || !host) return {};
    std::string text = host;
    curl_free(host);
    return text;
}

}  // namespace platform
