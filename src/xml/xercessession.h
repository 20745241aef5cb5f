// The parser library's process-wide set-up: every parse holds a session for
// as long as it uses the library. The library counts its initialisations, so
// sessions may overlap; the last one to end releases it.
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
