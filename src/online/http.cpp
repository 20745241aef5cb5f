#include "online/http.h"

#include <curl/curl.h>
#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>

#include "online/version.h"
#include "platform/sysinfo.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/prompt.h"
#include "platform/strutil.h"

#ifndef VALORIX_UPDATE_HOST
#define VALORIX_UPDATE_HOST ""
#endif

namespace valorix {

OnlineSettings OnlineSettings::FromProfile(const CProfile& profile) {
    OnlineSettings s;
    s.host = Trim(profile.GetString("ONLINE", "HOST", VALORIX_UPDATE_HOST));
    s.httpsPort = profile.GetInt("ONLINE", "HTTPS_PORT", 443);
    s.caFile = Trim(profile.GetString("ONLINE", "CAFILE", ""));
    s.connectTimeoutMs = profile.GetInt("ONLINE", "CONNECT_TIMEOUT_MS", 20000);
    s.receiveTimeoutMs = profile.GetInt("ONLINE", "RECEIVE_TIMEOUT_MS", 15000);
    s.statusDeadlineMs = profile.GetInt("ONLINE", "STATUS_DEADLINE_MS", 60000);
    s.downloadDeadlineMs = profile.GetInt("ONLINE", "DOWNLOAD_DEADLINE_MS", 600000);
    return s;
}

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Transfer {
    const std::function<bool(const char*, size_t)>* sink;
    size_t limit;
    std::chrono::steady_clock::time_point deadline;
    uint64_t bytes = 0;
    bool overLimit = false;
    bool failed = false;
    bool pastDeadline = false;
    bool chunked = false;
};

size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->bytes + n > t->limit) {
        t->overLimit = true;
        return 0;  // ends the transfer with an error
    }
    t->bytes += n;
    if (!(*t->sink)(data, n)) {
        t->failed = true;
        return 0;
    }
    return n;
}

// Called by the library while the request runs, also while it waits: the
// overall deadline ends a body that trickles in just fast enough.
int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (std::chrono::steady_clock::now() < t->deadline) return 0;
    t->pastDeadline = true;
    return 1;
}

size_t Header(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::string line = ToUpperAscii(std::string_view(data, size * count));
    if (StartsWith(line, "HTTP/")) t->chunked = false;  // a new answer (after a proxy's CONNECT)
    if (StartsWith(line, "TRANSFER-ENCODING:") && Contains(line, "CHUNKED")) t->chunked = true;
    return size * count;
}

// The library's own text may hold anything a server put into it.
std::string CauseText(const char* utf8) { return PathText(utf8); }

}  // namespace

CHttpClient::CHttpClient(OnlineSettings settings, IPrompt& prompt, bool windowVisible)
    : m_settings(std::move(settings)), m_prompt(prompt), m_windowVisible(windowVisible) {}

std::string CHttpClient::Url(const std::string& path) const {
    const bool ipv6 = m_settings.host.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + m_settings.host + "]" : m_settings.host;
    return "https://" + host + ":" + std::to_string(m_settings.httpsPort) + path;
}

HttpAnswer CHttpClient::Get(const std::string& path, size_t limit, long deadlineMs, const char* deadlineKey,
                            const std::function<bool(const char*, size_t)>& sink) {
    GlobalInit();
    HttpAnswer answer;
    CURL* curl = curl_easy_init();
    if (!curl) {
        answer.status = kTransportErrorBase + CURLE_FAILED_INIT;
        answer.cause = A("Die Netzwerkbibliothek kann nicht gestartet werden.");
        return answer;
    }
    const std::string url = Url(path);
    const std::string agent = BuildUserAgent();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    // The library's own CA store, and the configured file besides it.
    std::string caBundle;
    if (!m_settings.caFile.empty()) {
        char* defaultStore = nullptr;
        curl_easy_getinfo(curl, CURLINFO_CAINFO, &defaultStore);
        if (defaultStore) caBundle = ReadWhole(defaultStore) + "\n";
        caBundle += ReadWhole(m_settings.caFile);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(1L, deadlineMs));
    char error[CURL_ERROR_SIZE];
    for (;;) {
        Transfer transfer{&sink, limit, deadline};
        error[0] = '\0';
        curl_easy_reset(curl);
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_settings.connectTimeoutMs);
        // Receiving and sending: no progress for this long ends the request.
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, (m_settings.receiveTimeoutMs + 999) / 1000));
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Header);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!caBundle.empty()) {
            curl_blob blob{caBundle.data(), caBundle.size(), CURL_BLOB_NOCOPY};
            curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &blob);
        }
        if (!m_proxyUser.empty()) {
            curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, m_proxyUser.c_str());
            curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, m_proxyPassword.c_str());
            curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        }
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Write);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        const CURLcode code = curl_easy_perform(curl);
        long status = 0, connectStatus = 0;
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        answer.bytes = transfer.bytes;
        if (status == 407 || connectStatus == 407) {
            // The proxy wants credentials: asked when a window shows, then the
            // same request once more; otherwise the request ends with 407.
            std::string user, password;
            if (m_windowVisible &&
                m_prompt.AskCredentials("Der Proxy-Server verlangt eine Anmeldung.", user, password)) {
                m_proxyUser = user;
                m_proxyPassword = password;
                continue;
            }
            answer.status = 407;
            answer.cause = A("Der Proxy-Server verlangt eine Anmeldung (HTTP-Status 407).");
        } else if (code != CURLE_OK) {
            answer.status = kTransportErrorBase + static_cast<int>(code);
            if (transfer.pastDeadline)
                answer.cause = Format(A("Die Frist von %ld s für die ganze Anfrage (Profil ONLINE/%s) ist abgelaufen.").c_str(),
                                      deadlineMs / 1000, deadlineKey);
            else if (transfer.overLimit)
                answer.cause = A(Format("Die Antwort ist größer als %zu Bytes.", limit));
            else if (transfer.failed)
                answer.cause = A("Die empfangenen Daten können nicht gespeichert werden.");
            else
                answer.cause = A("Verbindungsfehler: ") + CauseText(error[0] ? error : curl_easy_strerror(code));
        } else {
            answer.status = static_cast<int>(status);
            // A body is whole when its announced length arrived, or when a
            // chunked body ended with its last chunk (the library fails the
            // transfer otherwise). A body that just stops is never taken.
            answer.complete = transfer.chunked || (length >= 0 && static_cast<uint64_t>(length) == transfer.bytes);
            if (status != 200 && status != 206)
                answer.cause = Format("Der Server antwortete mit dem HTTP-Status %ld.", status);
            else if (!answer.complete)
                answer.cause = A("Die Antwort des Servers ist unvollständig (ohne Längenangabe abgebrochen).");
        }
        break;
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return answer;
}

HttpAnswer CHttpClient::GetText(const std::string& path, size_t limit, long deadlineMs, const char* deadlineKey) {
    std::string raw;
    HttpAnswer answer = Get(path, limit, deadlineMs, deadlineKey, [&raw](const char* data, size_t n) {
        raw.append(data, n);
        return true;
    });
    if (answer.Succeeded()) answer.text = TextOfChunks(raw, 1023);
    return answer;
}

HttpAnswer CHttpClient::GetFile(const std::string& path, int fd, size_t limit, long deadlineMs,
                                const char* deadlineKey) {
    return Get(path, limit, deadlineMs, deadlineKey, [fd](const char* data, size_t n) {
        while (n > 0) {
            const ssize_t written = ::write(fd, data, n);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            data += written;
            n -= static_cast<size_t>(written);
        }
        return true;
    });
}

std::string TextOfChunks(std::string_view raw, size_t chunk) {
    std::string text;
    for (size_t i = 0; i < raw.size(); i += chunk) {
        const std::string_view piece = raw.substr(i, chunk);
        text.append(piece.substr(0, piece.find('\0')));
    }
    return text;
}

namespace {
std::function<bool()>& Connectivity() {
    static std::function<bool()> test = HasNetworkConnection;
    return test;
}
}  // namespace

bool IsConnected() { return Connectivity()(); }

std::function<bool()> SetConnectivityTest(std::function<bool()> test) {
    std::function<bool()> previous = Connectivity();
    if (test) Connectivity() = std::move(test);
    return previous;
}

}  // namespace valorix
