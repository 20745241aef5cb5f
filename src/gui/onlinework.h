// The online functions of the desktop program on a worker thread: a server
// that accepts a connection and then stalls must never freeze the window.
// The work gets a copy of the application values and a prompt whose every
// call is carried to the UI thread (the worker waits for the answer there);
// when the window goes first, the questions are answered with No and the
// result is dropped.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "platform/prompt.h"

class wxWindow;

namespace valorix::gui {

class COnlineWork {
public:
    /// `messages` receives the work's messages on the UI thread (a message
    /// box, or the status bar); questions go to `prompt` there.
    COnlineWork(wxWindow* owner, IPrompt& prompt);
    ~COnlineWork();

    using Messages = std::function<void(const std::string&)>;
    /// Starts `work` on a worker thread unless one runs; `done` runs on the
    /// UI thread with the worker's copy of the values when it ends. False
    /// when work was running already.
    bool Start(const AppValues& values, Messages messages, std::function<void(AppValues&, IPrompt&)> work,
               std::function<void(AppValues&)> done);
    bool Busy() const;

    struct Link;  ///< what the worker and the window share

private:
    std::shared_ptr<Link> m_link;
};

}  // namespace valorix::gui
