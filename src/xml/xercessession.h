// The parser library's process-wide set-up: every parse holds a session for
// as long as it uses the library. Sessions may overlap and may begin and end
// on any thread: the first one initialises the library (and registers the
// extra encodings), the last one to end releases it. A batch that checks
// files on several threads holds one session for its whole run, so the
// library is set up once and its global tables are only read meanwhile.
#pragma once

namespace valorix {

class XercesSession {
public:
    /// Throws CNvException when the library cannot be initialised.
    XercesSession();
    ~XercesSession();
    XercesSession(const XercesSession&) = delete;
    XercesSession& operator=(const XercesSession&) = delete;
};

}  // namespace valorix
