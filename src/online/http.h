// The HTTP client of the online functions: one GET at a time to the update
// server, with the program's user agent, no-cache headers, the time-outs,
// verified TLS, and the proxy-authentication question. Nothing but the
// configured host is ever asked; redirects are not followed.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace valorix {

class CProfile;
class IPrompt;

/// Where and how the update server is reached: a build-time host (empty:
/// online functions not set up) that the profile's [ONLINE] section may
/// override, with the port, an additional CA file, the time-outs and the
/// overall deadlines of the two requests.
struct OnlineSettings {
    std::string host;
    int httpsPort = 443;
    std::string caFile;             ///< trusted in addition to the system's CA store
    long connectTimeoutMs = 20000;
    long receiveTimeoutMs = 15000;  ///< no byte for this long ends the request
    long statusDeadlineMs = 60000;      ///< the whole request for the status page
    long downloadDeadlineMs = 600000;   ///< the whole download of the directory

    /// Values trimmed as the INI reader trims them.
    static OnlineSettings FromProfile(const CProfile& profile);
    bool Configured() const { return !host.empty(); }
};

/// A transport failure's status: 12000 plus the client library's error code,
/// which is neither 200 nor 206 (nor any HTTP status).
constexpr int kTransportErrorBase = 12000;

struct HttpAnswer {
    int status = 0;           ///< HTTP status, 407 for unfinished proxy authentication, or a transport error
    std::string text;         ///< a text answer, each chunk of 1023 bytes cut at its first zero byte
    uint64_t bytes = 0;       ///< bytes received
    bool complete = false;    ///< the body ended as announced (Content-Length met, or a chunked body's end)
    std::string cause;        ///< CP1252: why the request failed, for the user ("" when it succeeded)
    /// A status of 200 or 206 with a body that is known to be whole.
    bool Succeeded() const { return (status == 200 || status == 206) && complete; }
};

class CHttpClient {
public:
    /// `windowVisible`: a proxy's demand for credentials may be asked through `prompt`.
    CHttpClient(OnlineSettings settings, IPrompt& prompt, bool windowVisible);

    /// GET of `path` over HTTPS (without cache); the answer as text, at most
    /// `limit` bytes: a longer answer fails (status of a transport error).
    /// The whole request ends after `deadlineMs`.
    HttpAnswer GetText(const std::string& path, size_t limit, long deadlineMs, const char* deadlineKey);
    /// GET of `path` over HTTPS into the open file `fd`, at most `limit` bytes.
    HttpAnswer GetFile(const std::string& path, int fd, size_t limit, long deadlineMs, const char* deadlineKey);

    /// The full address of a path on the update server.
    std::string Url(const std::string& path) const;

private:
    HttpAnswer Get(const std::string& path, size_t limit, long deadlineMs, const char* deadlineKey,
                   const std::function<bool(const char*, size_t)>& sink);

    OnlineSettings m_settings;
    IPrompt& m_prompt;
    bool m_windowVisible;
    std::string m_proxyUser, m_proxyPassword;
};

/// A text read in chunks of `chunk` bytes, each taken up to its first zero
/// byte (the answers of this protocol are plain text).
std::string TextOfChunks(std::string_view raw, size_t chunk);

/// True when the machine has a network connection (an interface other than
/// loopback that is up); replaceable for tests.
bool IsConnected();
std::function<bool()> SetConnectivityTest(std::function<bool()> test);

}  // namespace valorix
