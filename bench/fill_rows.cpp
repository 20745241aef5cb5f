// Checks one file as the desktop program does, with the structure grid's rows
// and the tree's items kept, and reads the rows a virtual grid would show
// first: for measuring time and memory of the rows (bench/rows.sh).
//   valorix-bench-rows [--sax] --scl NVSCL.INI FILE
#include <cstdio>
#include <iostream>
#include <string>

#include "app/app.h"
#include "cli/cli.h"
#include "core/checkdocument.h"
#include "platform/codepage.h"
#include "platform/inputfile.h"
#include "platform/prompt.h"
#include "ui/structureview.h"
#include "ui/viewmodel.h"

int main(int argc, char** argv) {
    using namespace valorix;
    bool sax = false;
    std::string scl, file;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--sax") sax = true;
        else if (a == "--scl" && i + 1 < argc) scl = argv[++i];
        else file = a;
    }
    AppValues app;
    if (sax) app.ForceSaxMode(true);
    if (file.empty() || !app.Startup(std::nullopt, scl.empty() ? std::nullopt : std::optional<std::string>(scl))) {
        std::cerr << "usage: valorix-bench-rows [--sax] --scl NVSCL.INI FILE\n";
        return 2;
    }
    CInputFile in;
    if (in.Open(file) != CInputFile::Status::Open) return 2;
    CSilentPrompt prompt;
    CheckDocument doc(app, prompt);
    CArchive ar{in.Stream(), Utf8ToCp1252(file)};
    COutputList report;
    CStructureModel rows;
    doc.Serialize(ar);
    ViewTargets targets;
    targets.output = &report;
    targets.structure = &rows;
    CStructureView(doc, app, prompt, targets).FillView();
    // What a virtual grid asks for its first screen: the expanded rows from
    // the top, depth first.
    size_t shown = 0, bytes = 0;
    std::vector<RowId> stack{kGridRoot};
    while (!stack.empty() && shown < 60) {
        const RowId r = stack.back();
        stack.pop_back();
        if (r != kGridRoot) {
            ++shown;
            bytes += rows.Name(r).size() + rows.Value(r).size();
        }
        if (!rows.IsExpanded(r)) continue;
        for (size_t i = rows.ChildCount(r); i-- > 0;) stack.push_back(rows.Child(r, i));
    }
    std::printf("%zu rows, %zu report lines, first screen %zu rows (%zu bytes)\n", rows.Size() - 1,
                report.Lines().size(), shown, bytes);
    return 0;
}
