// The desktop program's tests: the real application object and main frame,
// one toolkit start for the whole suite, run under a virtual X server.
#include <gtest/gtest.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>

#include "gui/guiapp.h"
#include "online/http.h"

// The application object is made by the toolkit's start, as in the program.
wxIMPLEMENT_APP_NO_MAIN(valorix::gui::CValorixApp);

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "the toolkit cannot start: is there a display?\n");
        return 2;
    }
    wxTheApp->SetExitOnFrameDelete(false);
    // The machine counts as connected: whether it has a network does not matter here.
    valorix::SetConnectivityTest([] { return true; });
    // No dialog may wait for a person: failed assertions of the toolkit fail
    // the running test, log messages go to the error output.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                          const wxString& msg) {
        ADD_FAILURE_AT(file.utf8_str(), line) << "wx assertion " << cond.utf8_str() << " in " << func.utf8_str() << ": "
                                              << msg.utf8_str();
    });
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxLog::SetLogLevel(wxLOG_Warning);
    int result = 0;
    {
        // An active event loop, so that yielding hands events on as in the program.
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
        wxGetApp().CloseAll();
    }
    wxEntryCleanup();
    return result;
}
