#pragma once
// Driving the running event loop from a desktop test, on both systems.

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <functional>

namespace valorix::test {

// Hands on every waiting event, as the running program would.
inline void Pump() {
    for (int i = 0; i < 5; ++i) {
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

// Waits until `done` holds, handing events on meanwhile (work on other
// threads reports through events); false after `ms` of sleeping.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 20) {
        Pump();
        if (done()) return true;
        wxMilliSleep(20);
    }
    return done();
}

// The frame in front with the keyboard focus in `target`, as after a click.
inline void FocusOn(wxWindow* frame, wxWindow* target) {
    frame->Raise();
    target->SetFocus();
    WaitFor([&] { return wxWindow::FindFocus() == target; }, 1000);
}

}  // namespace valorix::test
