#include "ui/checkreport.h"

#include <algorithm>
#include <cmath>

#include "app/app.h"
#include "core/checkdocument.h"
#include "platform/clock.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "rules/scldirectory.h"
#include "ui/report.h"
#include "xml/textcolumns.h"

namespace valorix {

std::optional<FileSummary> AddClosingMessages(CheckDocument& doc, const ReportHooks& hooks) {
    const std::string sclHint = SclDirectoryHint(doc.m_tally.sclNotUsed);
    const std::vector<std::string>& messages = doc.Result().messages;
    if (!sclHint.empty() && std::find(messages.begin(), messages.end(), sclHint) == messages.end()) doc.AddMessage(sclHint);
    std::optional<FileSummary> summary;
    if (hooks.summarize) summary = hooks.summarize();
    if (hooks.summaryHints)
        for (std::string& hint : hooks.summaryHints(summary ? &*summary : nullptr)) doc.AddMessage(std::move(hint));
    return summary;
}

long TellCheckTime(const CheckDocument& doc, const AppValues& app, IPrompt& prompt) {
    const long seconds = std::lround((NowDate() - doc.m_checkTime) * 86400.0);
    if (app.ShowSecondsOption() != 0) prompt.Message(Format("%u Sekunden", static_cast<unsigned>(seconds)));
    return seconds;
}

CheckReport FillReport(CheckDocument& doc, AppValues& app, IPrompt& prompt, ITextPage& page, COutputList& output,
                       const ReportHooks& hooks) {
    CheckReport report;
    page.SetTextIsUtf8(doc.m_textIsUtf8);
    page.ShareText(doc.m_content);
    const CTextColumns columns(page.GetText(), doc.m_textIsUtf8);
    output.Clear();
    if (doc.m_strPathName.empty()) return report;
    if (doc.Result().state <= 0) {
        report.result = FillResult::NotWellFormed;
    } else {
        report.result = FillResult::Filled;
        if (!doc.m_parser && doc.m_saxCheckReady) {
            try {
                doc.RunSaxCheck(nullptr);
            } catch (int) {
                report.result = FillResult::Cancelled;
                return report;
            }
        }
        report.summary = AddClosingMessages(doc, hooks);
    }
    BuildReport(page, columns, output, doc);
    TellCheckTime(doc, app, prompt);
    page.SetCaret(0);
    page.HideSelection(false);
    return report;
}

}  // namespace valorix
