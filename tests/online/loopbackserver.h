// Starts tests/online/server.py (the stand-in update server on 127.0.0.1)
// for one test and stops it at the end.
#pragma once
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "../support.h"

namespace valorix::test {

class CLoopbackServer {
public:
    CLoopbackServer() {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            const std::string script = std::string(VALORIX_SOURCE_DIR) + "/tests/online/server.py";
            execlp("python3", "python3", script.c_str(), m_root.Path().c_str(), nullptr);
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        m_input = in[1];
        FILE* from = fdopen(out[0], "r");
        char line[1024] = {};
        const bool started = fgets(line, sizeof line, from) != nullptr;
        fclose(from);
        if (!started) return;
        const nlohmann::json ports = nlohmann::json::parse(line);
        good = ports["good"];
        otherCa = ports["other-ca"];
        otherHost = ports["other-host"];
        proxy = ports["proxy"];
        caFile = ports["ca"];
        fs::create_directories(m_root / "valorix");
    }
    ~CLoopbackServer() {
        if (m_input >= 0) close(m_input);  // the server ends when its input closes
        int status = 0;
        if (m_pid > 0) waitpid(m_pid, &status, 0);
    }
    bool Started() const { return good != 0; }
    /// Serves `body` at `path` (below the server's root, e.g. "valorix/SCL2.htm").
    void Serve(const std::string& path, const std::string& body) { WriteFile(m_root / path, body); }
    void Remove(const std::string& path) {
        std::error_code ec;
        fs::remove(m_root / path, ec);
    }
    /// "", "206", "404", "slow", "truncate" or "407".
    void Mode(const std::string& mode) { WriteFile(m_root / "mode", mode); }
    std::string Log() const { return ReadFile(m_root / "requests.log"); }
    /// The folder the server serves.
    const std::string& Root() const { return m_root.Path(); }

    int good = 0, otherCa = 0, otherHost = 0, proxy = 0;
    std::string caFile;

private:
    TempDir m_root;
    pid_t m_pid = -1;
    int m_input = -1;
};

}  // namespace valorix::test
