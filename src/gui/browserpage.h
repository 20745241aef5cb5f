// The view's page "HTML": the checked file itself, or the page that links to
// a large file, in the desktop's web engine.
#pragma once
#include <wx/panel.h>

#include <string>

#include "ui/viewmodel.h"

class wxWebView;

namespace valorix::gui {

class CBrowserPage : public wxPanel, public IBrowserPage {
public:
    explicit CBrowserPage(wxWindow* parent);
    void Navigate(const std::string& url) override;
    /// What the page was last asked to show.
    const std::string& Shown() const { return m_shown; }
    /// The web engine is started when the page is first shown, not before:
    /// it costs start-up time and memory a user who never looks may not need.
    void EnsureEngine();
    bool HasEngine() const { return m_web != nullptr; }
    /// What the page says where no engine is (UTF-8); on Windows it has none.
    static const char* const kNoEngineText;
    wxWebView* Web() const { return m_web; }

private:
    void Load();

    wxWebView* m_web = nullptr;
    bool m_tried = false;
    std::string m_shown;
};

}  // namespace valorix::gui
