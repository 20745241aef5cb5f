#include "gui/guiapp.h"

#include <wx/docview.h>
#include <wx/intl.h>
#include <wx/image.h>

#include <cstdio>

#include "app/schemastore.h"
#include "gui/docview.h"
#include "gui/mainframe.h"
#include "gui/wxstr.h"
#include "online/version.h"
#include "platform/paths.h"
#include "platform/strutil.h"

#ifndef VALORIX_VERSION
#define VALORIX_VERSION ""
#endif

namespace valorix::gui {

CValorixApp::CValorixApp() = default;
CValorixApp::~CValorixApp() = default;

bool CValorixApp::OnInit() {
    // A failed assertion of the toolkit is reported on the error output, not
    // in a dialog that asks the user about the toolkit's internals.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                          const wxString& msg) {
        std::fprintf(stderr, "valorix: %s:%d %s: %s %s\n", static_cast<const char*>(file.utf8_str()), line,
                     static_cast<const char*>(func.utf8_str()), static_cast<const char*>(cond.utf8_str()),
                     static_cast<const char*>(msg.utf8_str()));
    });
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = PathS(argv[i]);
        // For benchmarks: the program ends once the file is on screen.
        if (arg == "--exit-after-open") m_exitAfterOpen = true;
        else files.push_back(arg);
    }
    return Startup(files);
}

bool CValorixApp::Startup(const std::vector<std::string>& files) {
    m_shutDown = false;
    SetAppName("Valorix");
    SetAppDisplayName("Valorix");
    // A German program: the toolkit's own texts (key names, standard
    // dialogs) in German where the system has the language.
    if (wxLocale::IsAvailable(wxLANGUAGE_GERMAN)) {
        m_locale = std::make_unique<wxLocale>();
        m_locale->Init(wxLANGUAGE_GERMAN, wxLOCALE_DONT_LOAD_DEFAULT);
        m_locale->AddCatalog("wxstd-3.2");
        m_locale->AddCatalog("wxstd");
    }
    static const bool imageHandlers = (wxInitAllImageHandlers(), true);
    (void)imageHandlers;
    m_values = std::make_unique<AppValues>();
    m_values->m_strVersion = VersionFromBuild(VALORIX_VERSION);
    m_values->MigrateLegacyProfile();
    // Data folder, schemas, report file name, SCL directory.
    m_values->Startup();
    const bool folderOk = IsDirectory(m_values->m_strDataFolder);
    const bool schemasOk = folderOk && m_values->m_schemasWritten;

    m_docs = std::make_unique<CValorixDocManager>();
    new wxDocTemplate(m_docs.get(), "Valorix", "*", "", "", "Valorix", "Valorix",
                      CLASSINFO(CValorixDocument), CLASSINFO(CValorixView), wxTEMPLATE_VISIBLE);
    m_frame = new CMainFrame(m_docs.get(), *m_values, Prompt());
    SetTopWindow(m_frame);
    m_frame->Show();
    m_frame->Update();
    if (!folderOk) {
        Prompt().Message(A("Der Datenordner '") + ShownPath(m_values->m_strDataFolder) +
                         A("' kann nicht angelegt werden! Dateien können nicht gegen ihr Schema geprüft werden."));
    } else if (!schemasOk) {
        Prompt().Message(A("Die Schemadateien können nicht in den Datenordner '") +
                         ShownPath(m_values->m_strDataFolder) +
                         A("' geschrieben werden! Dateien können nicht gegen ihr Schema geprüft werden."));
    }
    // A file of the command line is loaded and checked first, right after
    // the window shows its empty document; the online check (queued by the
    // empty document's first fill) runs after it.
    if (!files.empty()) {
        const std::string file = files.front();
        CallAfter([this, file] {
            if (!m_frame) return;
            m_frame->OpenFile(file);
            if (m_exitAfterOpen) {
                m_frame->Update();
                CallAfter([this] {
                    if (m_frame) m_frame->Close(true);
                });
            }
        });
    }
    m_docs->CreateNewDocument();
    return true;
}

void CValorixApp::Shutdown() {
    if (m_shutDown || !m_values) return;
    m_shutDown = true;
    std::remove(m_values->m_strReportFile.c_str());  // the temporary report page goes
}

void CValorixApp::CloseAll() {
    if (m_frame) {
        m_frame->Close(true);
        m_frame = nullptr;
        ProcessIdle();  // the window is deleted at the next idle time
    }
    m_docs.reset();
    Shutdown();
    m_values.reset();
    m_shutDown = false;
}

int CValorixApp::OnExit() {
    Shutdown();
    m_frame = nullptr;
    // The document manager goes before the toolkit.
    m_docs.reset();
    return wxApp::OnExit();
}

}  // namespace valorix::gui
