// The main frame's decisions that need no window, the help command and the
// about box's texts.
#include <gtest/gtest.h>

#include <fstream>

#include "app/app.h"
#include "online/help.h"
#include "platform/paths.h"
#include "platform/shellopen.h"
#include "platform/codepage.h"
#include "rules/summary.h"
#include "ui/framelogic.h"
#include "support.h"

namespace valorix::test {

TEST(Frame, PaneKeysFollowTheFocusTable) {
    using F = FocusPlace;
    struct Case {
        F from;
        bool forward, output, structure;
        F to;
    } cases[] = {
        {F::View, true, true, true, F::Output},       {F::View, true, false, true, F::Structure},
        {F::View, false, true, true, F::Structure},   {F::View, false, true, false, F::Output},
        {F::Output, true, true, true, F::Structure},  {F::Output, true, true, false, F::View},
        {F::Output, false, true, true, F::View},      {F::Structure, true, true, true, F::View},
        {F::Structure, false, true, true, F::Output}, {F::Structure, false, false, true, F::View},
        {F::Other, true, true, true, F::Other},       {F::Other, false, true, true, F::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextPane(c.from, c.forward, c.output, c.structure), c.to)
            << static_cast<int>(c.from) << " " << c.forward << c.output << c.structure;
}

TEST(Frame, CopyFollowsTheFocus) {
    using C = CopyFocus;
    using A = CopyAction;
    struct Case {
        C focus;
        bool textSel, outputLines, editSel, textActive;
        A action;
    } cases[] = {
        {C::TextPage, true, false, false, true, A::TextSelection},
        {C::TextPage, false, true, true, true, A::None},
        {C::OutputList, false, true, false, false, A::OutputLines},
        {C::OutputList, true, false, false, true, A::None},
        {C::EditControl, false, false, true, false, A::EditSelection},
        {C::StructureTree, true, true, false, true, A::TextSelection},
        {C::StructureTree, true, true, false, false, A::None},  // page "Grid" active
        {C::Other, true, true, true, true, A::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CopyRule(c.focus, c.textSel, c.outputLines, c.editSel, c.textActive), c.action)
            << static_cast<int>(c.focus);
}

TEST(Frame, ExpandToggleAndOutputCopyText) {
    EXPECT_EQ(ToggledExpand(1), 0);
    EXPECT_EQ(ToggledExpand(0), 1);
    EXPECT_EQ(ToggledExpand(5), 0);
    EXPECT_EQ(ToggledExpand(ToggledExpand(1)), 1);
    COutputList list;
    EXPECT_EQ(OutputCopyText(list), "");
    list.AddLine("eins", 0);
    list.AddLine("zwei", 17);
    list.AddLine("drei", -1);
    EXPECT_EQ(OutputCopyText(list), "eins\r\nzwei\r\ndrei");
}

TEST(Frame, RecentFilesNewestFirstAndKeptInTheProfile) {
    struct Case {
        const char* path;
        const char* label;
    } cases[] = {
        {"/a/b.xml", "/a/b.xml"},
        {"/home/jutta/Zahlungen/2026/Dezember/lohn.xml", "/.../2026/Dezember/lohn.xml"},
        {"/home/jutta/ein-sehr-langer-dateiname-fuer-lohn.xml", "ein-sehr-langer-dateiname-fuer-lohn.xml"},
        {"relativ/aber/viel/zu/lang/fuer/ein/menue.xml", ".../zu/lang/fuer/ein/menue.xml"},
        // UTF-8 names count characters: 30 of them are 32 bytes here.
        {"/home/jörg/Überweisung März 2024.xml", "/.../Überweisung März 2024.xml"},
    };
    const auto chars = [](const std::string& s) {
        return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AbbreviatePath(c.path, 30), c.label) << c.path;
        EXPECT_LE(chars(AbbreviatePath(c.path, 30)), std::max<size_t>(30, chars(c.label)));
    }
    TempDir dir;
    CRecentFiles recent;
    for (const char* f : {"/1.xml", "/2.xml", "/3.xml", "/4.xml", "/5.xml", "/3.xml"}) recent.Add(f);
    EXPECT_EQ(recent.Files(), (std::vector<std::string>{"/3.xml", "/5.xml", "/4.xml", "/2.xml"}));
    recent.Add("/R&D.xml");
    EXPECT_EQ(recent.MenuLabel(0), "&1 /R&&D.xml");
    CProfile profile(dir.Path());
    recent.Save(profile);
    CRecentFiles loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.Files(), recent.Files());
    loaded.Remove("/5.xml");
    loaded.Save(profile);
    CRecentFiles again;
    again.Load(profile);
    EXPECT_EQ(again.Files(), (std::vector<std::string>{"/R&D.xml", "/3.xml", "/4.xml"}));
}

// Engine text names the open file in Windows-1252: on the screen the file's
// real name stands there, also where the code page lacks its characters.
TEST(Frame, ScreenTextNamesTheFileByItsRealName) {
    struct Case {
        const char* path;
        std::string text;  // Windows-1252
        const char* shown;
    } cases[] = {
        {"", A("'/a.xml' enthält"), "'/a.xml' enthält"},
        {"/d/Überweisung.xml", A("'/d/Überweisung.xml' enthält"), "'/d/Überweisung.xml' enthält"},
        {"/d/Żabka Ü.xml", A("'/d/?abka Ü.xml' enthält ein ... '/d/?abka Ü.xml'"),
         "'/d/Żabka Ü.xml' enthält ein ... '/d/Żabka Ü.xml'"},
        {"/d/Żabka.xml", A("Zeile 1/2 : Fehler ? Ü"), "Zeile 1/2 : Fehler ? Ü"},  // no name: only converted
    };
    for (const Case& c : cases) {
        CScreenText screen;
        screen.SetPath(c.path);
        EXPECT_EQ(screen.Convert(c.text), c.shown) << c.path;
    }
}

TEST(Frame, PrintTextPages) {
    // Ten pixels a character, a printable width of ten characters.
    auto measure = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    struct Case {
        const char* name;
        std::string text;
        int perPage;
        std::vector<std::vector<std::string>> pages;
    } cases[] = {
        {"empty", "", 3, {}},
        {"line ends", "eins\rzwei\r\r\ndrei\r\n\r\nvier", 10, {{"eins", "zwei", "drei", "", "vier"}}},
        {"wrap at the space", "Zeile 12/5 : IBAN", 10, {{"Zeile ", "12/5 : ", "IBAN"}}},
        {"no space", "abcdefghijklmnop", 10, {{"abcdefghij", "klmnop"}}},
        {"tab stops of four", "a\tb", 10, {{"a   b"}}},
        {"pages", "1\r2\r3\r4\r5", 2, {{"1", "2"}, {"3", "4"}, {"5"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(PaginatePrintText(c.text, measure, 100, c.perPage, 40), c.pages) << c.name;
}

// The page "Zusammenfassung": the slip of a payment file as --summary prints
// it, one line for a checked file without payment blocks, nothing without a file.
TEST(Frame, SummaryPageShowsTheSlip) {
    std::ifstream file(FixturesDir() + "/rules/summary-two-blocks.xml", std::ios::binary);
    const std::string content = ReadFile(FixturesDir() + "/rules/summary-two-blocks.xml");
    const FileSummary slip = Summarize(content, file);
    const std::vector<std::string> lines = SummaryPageLines(&slip, true);
    EXPECT_EQ(lines, SummaryLines(slip));
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "Begleitzettel");
    EXPECT_EQ(Cp1252ToUtf8(lines[4]), "Summe: 0.25 CHF + 110.5001 EUR (angegeben: 110.75, abweichend!)");
    EXPECT_EQ(lines[11], "  Transaktionen: 1 (angegeben: 2, abweichend!)");
    EXPECT_EQ(SummaryPageText({"a", "b", "c"}, "\n"), "a\nb\nc");
    EXPECT_EQ(SummaryPageText({"a", "b"}, "\r\n"), "a\r\nb");
    const std::string none =
        "Kein Begleitzettel: Die Datei enthält keine Zahlungsaufträge (Überweisungen oder Lastschriften).";
    const FileSummary empty;
    for (const FileSummary* s : {static_cast<const FileSummary*>(nullptr), &empty}) {
        ASSERT_EQ(SummaryPageLines(s, true).size(), 1u);
        EXPECT_EQ(Cp1252ToUtf8(SummaryPageLines(s, true)[0]), none);
        EXPECT_TRUE(SummaryPageLines(s, false).empty());
    }
}

TEST(About, SclDateAndVersionLine) {
    struct Case {
        const char* stand;
        const char* text;
    } cases[] = {{"161107", "07.11.2016"}, {"", "n.a."},         {"16110", "n.a."},
                 {"161307", "Invalid DateTime"}, {"161132", "Invalid DateTime"}, {"16a107", "Invalid DateTime"},
                 {"240229", "29.02.2024"}, {"250229", "Invalid DateTime"}, {"1261201", "01.12.2126"}};
    for (const Case& c : cases) EXPECT_EQ(SclDateText(c.stand), c.text) << c.stand;
    EXPECT_EQ(VersionLine("1.8.0"), "Valorix, Version 1.8.0");
}

TEST(Help, OpensTheManualOnceOrTellsWhyNot) {
    TempDir dir;
    AppValues app(dir / "profile");
    app.m_programFolder = dir.Path() + "/";
    RecordingPrompt prompt;
    std::vector<std::string> opened;
    bool viewerAvailable = true;
    const ShellOpenFn previous = SetShellOpen([&](const std::string& target) {
        opened.push_back(target);
        // A second request while the first one runs is not passed on.
        RunHelp(app, prompt);
        return viewerAvailable;
    });
    RunHelp(app, prompt);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(U8(prompt.shown[0]), "Die Hilfedatei \"" + NativeSeparators(dir.Path() + "/Valorix.pdf") + "\" ist nicht verfügbar!");
    EXPECT_TRUE(opened.empty());
    WriteFile(dir / "Valorix.pdf", "%PDF-1.4");
    RunHelp(app, prompt);
    EXPECT_EQ(opened, std::vector<std::string>{dir / "Valorix.pdf"});
    EXPECT_EQ(prompt.shown.size(), 1u);
    viewerAvailable = false;
    RunHelp(app, prompt);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(U8(prompt.shown[1]), "Zur Anzeige der Kurzanleitung ist ein PDF Reader nötig. Bitte prüfen Sie, ob "
                                      "ein entsprechendes Programm installiert ist!");
    EXPECT_FALSE(app.m_bHelpOpen);
    SetShellOpen(previous);
}

}  // namespace valorix::test
