#include <windows.h>
// after windows.h, which it needs
#include <wininet.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/win32/http_transfer.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

// No cache, cookies or dialogs of WinINet's own: each exchange is what the
// request says and nothing else; redirects are the caller's.
DWORD requestFlags(const HttpUrl& url) {
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT |
                  INTERNET_FLAG_KEEP_CONNECTION;
    if (url.https) flags |= INTERNET_FLAG_SECURE;
    return flags;
}

const wchar_t* orNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

// Asks for the header by name; a buffer too small for its value still means it is there.
bool hasRequestHeader(HINTERNET request, const std::wstring& name) {
    std::wstring buffer = name;
    buffer.resize(std::max<size_t>(buffer.size() + 1, 64), L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    return HttpQueryInfoW(request, HTTP_QUERY_CUSTOM | HTTP_QUERY_FLAG_REQUEST_HEADERS,
                          buffer.data(), &bytes, nullptr) ||
           GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// "Name:" alone removes a header of that name, when there is one: asked to
// remove a missing header, some WinINets add it empty. Others are added,
// replacing one of the same name.
bool addHeader(HINTERNET request, const std::string& line) {
    const std::wstring wide = toWide(line);
    const bool removal = !line.empty() && line.back() == ':';
    if (removal && !hasRequestHeader(request, wide.substr(0, wide.size() - 1))) return true;
    const std::wstring header = wide + L"\r\n";
    const DWORD flags =
        removal ? HTTP_ADDREQ_FLAG_REPLACE : HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;
    const BOOL added =
        HttpAddRequestHeadersW(request, header.c_str(), static_cast<DWORD>(header.size()), flags);
    return added || removal;
}

StepOutcome failure(HttpFailure kind, std::string message) {
    return StepOutcome{kind, std::move(message)};
}

// The failure of a blocking call: the whole transfer's time-out when it is spent.
StepOutcome transferFailure(const TransferClock& clock, int64_t received) {
    const std::string error = lastInternetError();
    std::string expired = clock.expiredText(received);
    return failure(HttpFailure::Transfer, expired.empty() ? error : std::move(expired));
}

StepOutcome writeBody(HINTERNET request, const HttpRequest& asked, TransferClock& clock) {
    const std::string& body = asked.body;
    INTERNET_BUFFERSW buffers{};
    buffers.dwStructSize = sizeof buffers;
    buffers.dwBufferTotal = static_cast<DWORD>(body.size());
    if (!HttpSendRequestExW(request, &buffers, nullptr, 0, 0)) return transferFailure(clock, 0);
    size_t sent = 0;
    while (sent < body.size()) {
        const DWORD slice = static_cast<DWORD>(std::min<size_t>(kChunkBytes, body.size() - sent));
        DWORD written = 0;
        if (!InternetWriteFile(request, body.data() + sent, slice, &written) || written == 0)
            return transferFailure(clock, 0);
        sent += written;
        if (std::string slow = clock.tooSlowText(static_cast<int64_t>(sent)); !slow.empty())
            return failure(HttpFailure::Transfer, std::move(slow));
        if (asked.onProgress && !asked.onProgress(0, static_cast<int64_t>(sent)))
            return failure(HttpFailure::ProgressStop, "Callback aborted");
    }
    if (!HttpEndRequestW(request, nullptr, 0, 0)) return transferFailure(clock, 0);
    return {};
}

void feedHeadLines(const std::wstring& raw, HttpResponseHead& head) {
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find(L"\r\n", start);
        if (end == std::wstring::npos) end = raw.size();
        const std::string line = toUtf8(raw.substr(start, end - start));
        head.addLine(line.data(), line.size());
        start = end + 2;
    }
}

// WinINet ends a body the peer cut short as if it were whole.
StepOutcome endOfBody(const HttpRequest& asked, const HttpResponseHead& head, int64_t received) {
    const bool bodyExpected = asked.method != "HEAD" && head.status != 204 && head.status != 304;
    if (!bodyExpected || head.contentLength < 0 || received >= head.contentLength) return {};
    return failure(HttpFailure::Transfer, "transfer closed with " +
                                              std::to_string(head.contentLength - received) +
                                              " bytes remaining to read");
}

// Each chunk as soon as it is there: asking what is available first keeps a
// read from waiting for a whole buffer of a slow answer.
StepOutcome readChunks(HINTERNET request, const HttpRequest& asked, TransferClock& clock,
                       const HttpResponseHead& head) {
    std::vector<char> buffer(kChunkBytes);
    int64_t received = 0;
    const int64_t sent = static_cast<int64_t>(asked.body.size());
    while (true) {
        if (std::string expired = clock.expiredText(received); !expired.empty())
            return failure(HttpFailure::Transfer, std::move(expired));
        clock.applyTimeouts(request);
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0))
            return transferFailure(clock, received);
        if (available == 0) return endOfBody(asked, head, received);
        DWORD read = 0;
        if (!InternetReadFile(request, buffer.data(), std::min(available, kChunkBytes), &read))
            return transferFailure(clock, received);
        if (read == 0) return endOfBody(asked, head, received);
        received += read;
        if (asked.onBody && !asked.onBody(buffer.data(), read, head))
            return failure(HttpFailure::BodyRefused, "Failure writing output to destination");
        if (std::string slow = clock.tooSlowText(received + sent); !slow.empty())
            return failure(HttpFailure::Transfer, std::move(slow));
        if (asked.onProgress && !asked.onProgress(received, sent))
            return failure(HttpFailure::ProgressStop, "Callback aborted");
    }
}

// Names under "localhost" are the machine itself (RFC 6761), as libcurl
// resolves them on Linux; the system's resolver may not know them, so the
// connection goes to the loopback address and the Host header keeps the name.
bool isLoopbackName(const std::wstring& host) {
    constexpr std::wstring_view kSuffix = L".localhost";
    std::wstring lower = host;
    for (wchar_t& c : lower)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return lower.size() > kSuffix.size() &&
           lower.compare(lower.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

std::string hostHeader(const HttpUrl& url) {
    const INTERNET_PORT standard = url.https ? 443 : 80;
    std::string header = "Host: " + toUtf8(url.host);
    if (url.port != standard) header += ":" + std::to_string(url.port);
    return header;
}

}  // namespace

OpenRequest openRequest(HINTERNET session, const HttpUrl& url, const HttpRequest& asked,
                        const TransferClock& clock) {
    OpenRequest open;
    const bool loopback = isLoopbackName(url.host);
    const std::wstring server = loopback ? L"127.0.0.1" : url.host;
    open.connection.reset(InternetConnectW(session, server.c_str(), url.port, orNull(url.user),
                                           orNull(url.password), INTERNET_SERVICE_HTTP, 0, 0));
    if (!open.connection) {
        open.error = "InternetConnect failed: " + lastInternetError();
        return open;
    }
    clock.applyTimeouts(open.connection.get());
    open.request.reset(HttpOpenRequestW(open.connection.get(), toWide(asked.method).c_str(),
                                        url.object.c_str(), asked.http10 ? L"HTTP/1.0" : nullptr,
                                        nullptr, nullptr, requestFlags(url), 0));
    if (!open.request) {
        open.error = "HttpOpenRequest failed: " + lastInternetError();
        return open;
    }
    clock.applyTimeouts(open.request.get());
    std::vector<std::string> headers;
    if (loopback) headers.push_back(hostHeader(url));
    headers.insert(headers.end(), asked.headers.begin(), asked.headers.end());
    for (const std::string& line : headers) {
        if (addHeader(open.request.get(), line)) continue;
        open.error = "HttpAddRequestHeaders failed: " + lastInternetError();
        open.request.reset();
        return open;
    }
    return open;
}

StepOutcome sendRequest(HINTERNET request, const HttpUrl& url, const HttpRequest& asked,
                        TransferClock& clock) {
    const bool ownTrust = url.https && !asked.caBundle.empty();
    if (ownTrust) acceptAnyIssuer(request);
    StepOutcome outcome;
    if (asked.body.empty() && asked.method != "POST") {
        if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return transferFailure(clock, 0);
    } else {
        outcome = writeBody(request, asked, clock);
    }
    if (outcome.failure == HttpFailure::None && ownTrust && !trustsServer(request, asked.caBundle))
        return failure(HttpFailure::Transfer,
                       "SSL certificate problem: unable to get local "
                       "issuer certificate");
    return outcome;
}

std::optional<std::wstring> queryHeader(HINTERNET request, DWORD which) {
    std::wstring buffer(256, L'\0');
    while (true) {
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (HttpQueryInfoW(request, which, buffer.data(), &bytes, nullptr)) {
            buffer.resize(bytes / sizeof(wchar_t));
            return buffer;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    }
}

void readHead(HINTERNET request, HttpResponseHead& head) {
    if (const auto raw = queryHeader(request, HTTP_QUERY_RAW_HEADERS_CRLF))
        feedHeadLines(*raw, head);
    // The head is whole once WinINet answers: the blank line was there.
    if (head.statusSeen && !head.complete) head.addLine("", 0);
}

void readBody(HINTERNET request, const HttpRequest& asked, TransferClock& clock,
              HttpResult& result) {
    const StepOutcome outcome = readChunks(request, asked, clock, result.head);
    result.failure = outcome.failure;
    result.message = outcome.message;
}

}  // namespace platform::win32
