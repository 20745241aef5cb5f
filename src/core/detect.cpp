#include "core/detect.h"

#include "core/messages.h"
#include "platform/strutil.h"
#include "xml/parsedtree.h"

namespace valorix {

namespace {

constexpr const char* kEdition23 = "2.3 aktuell bis 31.10.2009";
constexpr const char* kEdition24 = "2.4 aktuell bis 01.11.2010";
constexpr const char* kEdition24Container = "2.4 aktuell bis 01.11.2009";
constexpr const char* kEdition25 = "2.5/2.6 aktuell bis 03.11.2013";
constexpr const char* kEdition27 = "2.7/2.8/2.9 aktuell bis 19.11.2016";
constexpr const char* kEdition30 = "3.0 aktuell ab 20.11.2016";
constexpr const char* kEditionCamt = "CAMT 2.x gültig seit 01.11.2009";
constexpr const char* kEditionCamt37 = "CAMT 3.7 gültig seit November 2023";
constexpr const char* kEditionStatus37 = "Statusbericht 3.7 gültig seit November 2023";
constexpr const char* kEditionGbic4 = "3.7 (GBIC_4) aktuell ab November 2023";
constexpr const char* kEditionGbic5 = "3.9 (GBIC_5) aktuell ab November 2025";
constexpr const char* kEditionEmw = "EMW Einlieferung";
constexpr const char* kEditionAustrian2Ct = "SEPA CORE Version 2 (Österreich)";
constexpr const char* kEditionAustrian2Dd = "SEPA CORE & B2B Version 2 (Österreich)";
constexpr const char* kEditionAustrian3Ct = "SEPA TRF Version 3 (Österreich)";
constexpr const char* kEditionAustrian3Dd = "SEPA CORE & B2B Version 3 (Österreich)";
constexpr const char* kEditionAustrian5Ct = "SEPA TRF Version 5 (Österreich)";
constexpr const char* kEditionAustrian5Dd = "SEPA CORE & B2B Version 5 (Österreich)";
// An urgent credit transfer of 2.7 or 3.0 is named as such instead of its edition.
constexpr const char* kEditionUrgent = "Eilüberweisungen im pain.001 Format gültig seit 04.11.2013";

// The DK retired every edition before data-format version 3.7 (the 2009 ISO
// messages and the DK's own editions before them) in November 2025.
constexpr const char* kRetired = "November 2025";

#define ISO "urn:iso:std:iso:20022:tech:xsd:"
#define SEPADE "urn:sepade:xsd:"
#define CONXML "urn:conxml:xsd:"
#define SWIFT "urn:swift:xsd:$"

using S = EditionStep;
using F = FormatCode;
constexpr int CT = 0, DD = 1, ANY = kDebitFromText;
constexpr bool CON = true, NO_ORDERS = true;

// The edition table, in the order of DetectFormat's tests: within a step the
// first row whose debit kind fits and whose test the namespace holds wins,
// and a row with the test "" ends its step. Subset 4 and 5 of an edition
// after 3.0 are two rows the step Exact chooses between by the subset asked.
const EditionRow kEditions[] = {
    // step, test, code, root, namespace, debit kind, Austrian, subset, container, no orders, retired since,
    //   schema, edition
    // The editions after 3.0, told by the exact namespace of the root. The
    // later steps read every ISO namespace they do not know as one of the
    // older editions, so these rows come first; no file of an older edition
    // carries one of these namespaces.
    {S::Exact, "", F::Payment37, "Document", ISO "pain.001.001.09", CT, 0, 5, false, false, nullptr,
     "GBIC_5/pain.001.001.09.xsd", kEditionGbic5},
    {S::Exact, "", F::Payment37, "Document", ISO "pain.001.001.09", CT, 0, 4, false, false, nullptr,
     "GBIC_4/pain.001.001.09.xsd", kEditionGbic4},
    {S::Exact, "", F::Payment37, "Document", ISO "pain.008.001.08", DD, 0, 5, false, false, nullptr,
     "GBIC_5/pain.008.001.08.xsd", kEditionGbic5},
    {S::Exact, "", F::Payment37, "Document", ISO "pain.008.001.08", DD, 0, 4, false, false, nullptr,
     "GBIC_4/pain.008.001.08.xsd", kEditionGbic4},
    {S::Exact, "", F::Container37, "conxml", CONXML "container.nnn.001.GBIC4", ANY, 0, 5, CON, false, nullptr,
     "GBIC_5/container.nnn.001.GBIC4.xsd", kEditionGbic5},
    {S::Exact, "", F::Container37, "conxml", CONXML "container.nnn.001.GBIC4", ANY, 0, 4, CON, false, nullptr,
     "GBIC_4/container.nnn.001.GBIC4.xsd", kEditionGbic4},
    {S::Exact, "", F::Status37, "Document", ISO "pain.002.001.10", CT, 0, 0, false, NO_ORDERS, nullptr,
     "pain.002.001.10.xsd", kEditionStatus37},
    {S::Exact, "", F::Reversal37, "Document", ISO "pain.007.001.09", CT, 0, 5, false, NO_ORDERS, nullptr,
     "GBIC_5/pain.007.001.09.xsd", kEditionGbic5},
    {S::Exact, "", F::Reversal37, "Document", ISO "pain.007.001.09", CT, 0, 4, false, NO_ORDERS, nullptr,
     "GBIC_4/pain.007.001.09.xsd", kEditionGbic4},
    {S::Exact, "", F::Camt052v8, "Document", ISO "camt.052.001.08", CT, 0, 0, false, NO_ORDERS, nullptr,
     "camt.052.001.08.xsd", kEditionCamt37},
    {S::Exact, "", F::Camt053v8, "Document", ISO "camt.053.001.08", CT, 0, 0, false, NO_ORDERS, nullptr,
     "camt.053.001.08.xsd", kEditionCamt37},
    {S::Exact, "", F::Camt054v8, "Document", ISO "camt.054.001.08", CT, 0, 0, false, NO_ORDERS, nullptr,
     "camt.054.001.08.xsd", kEditionCamt37},
    // The Bundesbank's foreign-trade report.
    {S::ForeignTrade, "", F::ForeignTradeReport, "LIEFERUNG-AWZEL", kBbkNamespace, CT, 0, 0, false, false, nullptr,
     "BbkXmwAwzel.xsd", kEditionEmw},
    // The statements of 2.x; any other camt namespace is checked as a credit transfer.
    {S::Statement, ":camt.052", F::Camt052, "Document", ISO "camt.052.001.02", CT, 0, 0, false, NO_ORDERS, nullptr,
     "ZKA.camt.052.001.02.v02.xsd", kEditionCamt},
    {S::Statement, ":camt.053", F::Camt053, "Document", ISO "camt.053.001.02", CT, 0, 0, false, NO_ORDERS, nullptr,
     "ZKA.camt.053.001.02.v02.xsd", kEditionCamt},
    {S::Statement, ":camt.054", F::Camt054, "Document", ISO "camt.054.001.02", CT, 0, 0, false, NO_ORDERS, nullptr,
     "ZKA.camt.054.001.02.v02.xsd", kEditionCamt},
    // The Austrian variants.
    {S::AustrianIban, "", F::Edition27, "Document", ISO "pain.001.001.03", CT, 2, 0, false, false, nullptr,
     "ISO.A.pain.001.001.03.xsd", kEditionAustrian5Ct},
    {S::AustrianIban, "", F::Edition27, "Document", ISO "pain.008.001.02", DD, 2, 0, false, false, nullptr,
     "ISO.A.pain.008.001.02.xsd", kEditionAustrian5Dd},
    {S::Austrian, "pain.001.001.03 payments:003", F::Edition27, "Document", "ISO:pain.001.001.03:APC:STUZZA:payments:003", CT, 1,
     0, false, false, nullptr, "ISO.pain.001.001.03.austrian.003.xsd", kEditionAustrian5Ct},
    {S::Austrian, "pain.001.001.03", F::Edition25, "Document", "ISO:pain.001.001.03:APC:STUZZA:payments:001", CT, 1, 0, false,
     false, nullptr, "ISO.pain.001.001.03.austrian.001.xsd", kEditionAustrian3Ct},
    {S::Austrian, "", F::Edition24, "Document", "APC:STUZZA:payments:ISO:pain:001:001:02:austrian:002", CT, 1, 0, false, false,
     nullptr, "ISO.pain.001.001.02.austrian.002.xsd", kEditionAustrian2Ct},
    {S::Austrian, "pain.008.001.02 payments:003", F::Edition27, "Document", "ISO:pain.008.001.02:APC:STUZZA:payments:003", DD, 1,
     0, false, false, nullptr, "ISO.pain.008.001.02.austrian.003.xsd", kEditionAustrian5Dd},
    {S::Austrian, "pain.008.001.02", F::Edition25, "Document", "ISO:pain.008.001.02:APC:STUZZA:payments:001", DD, 1, 0, false,
     false, nullptr, "ISO.pain.008.001.02.austrian.001.xsd", kEditionAustrian3Dd},
    {S::Austrian, "", F::Edition24, "Document", "APC:STUZZA:payments:ISO:pain:008:001:01:austrian:002", DD, 1, 0, false, false,
     nullptr, "ISO.pain.008.001.01.austrian.002.xsd", kEditionAustrian2Dd},
    // The ISO messages of 2.5 to 3.0; an ISO namespace none of them names is 2.5.
    {S::Iso, "003.03", F::Edition27, "Document", ISO "pain.001.003.03", CT, 0, 0, false, false, kRetired, "pain.001.003.03.xsd",
     kEdition27},
    {S::Iso, "001.03", F::Edition30, "Document", ISO "pain.001.001.03", CT, 0, 0, false, false, kRetired, "pain.001.001.03.xsd",
     kEdition30},
    {S::Iso, "", F::Edition25, "Document", ISO "pain.001.002.03", CT, 0, 0, false, false, kRetired, "pain.001.002.03.xsd",
     kEdition25},
    {S::Iso, "001.02", F::Edition30, "Document", ISO "pain.008.001.02", DD, 0, 0, false, false, kRetired, "pain.008.001.02.xsd",
     kEdition30},
    {S::Iso, "003.02", F::Edition27, "Document", ISO "pain.008.003.02", DD, 0, 0, false, false, kRetired, "pain.008.003.02.xsd",
     kEdition27},
    {S::Iso, "", F::Edition25, "Document", ISO "pain.008.002.02", DD, 0, 0, false, false, kRetired, "pain.008.002.02.xsd",
     kEdition25},
    // 2.4 and 2.3.
    {S::Swift, "", F::Edition24, "Document", SWIFT "pain.001.002.02", CT, 0, 0, false, false, kRetired, "pain.001.002.02.xsd",
     kEdition24},
    {S::Swift, "", F::Edition24, "Document", SWIFT "pain.008.002.01", DD, 0, 0, false, false, kRetired, "pain.008.002.01.xsd",
     kEdition24},
    {S::Grouped, "", F::Grouped23, "Document", SEPADE "pain.001.001.02.grp", CT, 0, 0, false, false, kRetired,
     "pain.001.001.02.grp.xsd", kEdition23},
    {S::Grouped, "", F::Grouped23, "Document", SEPADE "pain.008.001.01.grp", DD, 0, 0, false, false, kRetired,
     "pain.008.001.01.grp.xsd", kEdition23},
    {S::Sepade, "", F::Sepade23, "Document", SEPADE "pain.001.001.02", CT, 0, 0, false, false, kRetired, "pain.001.001.02.xsd",
     kEdition23},
    {S::Sepade, "", F::Sepade23, "Document", SEPADE "pain.008.001.01", DD, 0, 0, false, false, kRetired, "pain.008.001.01.xsd",
     kEdition23},
    // The containers up to 3.0; a conxml namespace none of them names is 2.4.
    {S::SepadeContainer, "", F::SepadeContainer23, "sepade", SEPADE "pain.001.001.02.con", CT, 0, 0, CON, false, kRetired,
     "pain.001.001.02.con.xsd", kEdition23},
    {S::SepadeContainer, "", F::SepadeContainer23, "sepade", SEPADE "pain.008.001.01.con", DD, 0, 0, CON, false, kRetired,
     "pain.008.001.01.con.xsd", kEdition23},
    {S::Container, "nnn.002.02", F::Container25, "conxml", CONXML "container.nnn.002.02", ANY, 0, 0, CON, false, kRetired,
     "container.nnn.002.02.xsd", kEdition25},
    {S::Container, "nnn.003.02", F::Container27, "conxml", CONXML "container.nnn.003.02", ANY, 0, 0, CON, false, kRetired,
     "container.nnn.003.02.xsd", kEdition27},
    {S::Container, "nnn.001.02", F::Container30, "conxml", CONXML "container.nnn.001.02", ANY, 0, 0, CON, false, kRetired,
     "container.nnn.001.02.xsd", kEdition30},
    {S::Container, "", F::Container24, "conxml", CONXML "container.nnn.002", ANY, 0, 0, CON, false, kRetired,
     "container.nnn.002.xsd", kEdition24Container},
    // The status reports of the retired editions: a file of one is checked as
    // its edition's credit transfer (whose namespace it then misses), and
    // told that its own message is no longer accepted.
    {S::None, "", F::Edition24, "Document", SWIFT "pain.002.002.02", CT, 0, 0, false, NO_ORDERS, kRetired, nullptr, kEdition24},
    {S::None, "", F::Edition25, "Document", ISO "pain.002.002.03", CT, 0, 0, false, NO_ORDERS, kRetired, nullptr, kEdition25},
    {S::None, "", F::Edition27, "Document", ISO "pain.002.003.03", CT, 0, 0, false, NO_ORDERS, kRetired, nullptr, kEdition27},
    {S::None, "", F::Edition30, "Document", ISO "pain.002.001.03", CT, 0, 0, false, NO_ORDERS, kRetired, nullptr, kEdition30},
};

#undef ISO
#undef SEPADE
#undef CONXML
#undef SWIFT

// Whether `ns` holds every space-separated word of `test`.
bool HoldsWords(const std::string& ns, std::string_view test) {
    while (!test.empty()) {
        const size_t space = test.find(' ');
        const std::string_view word = test.substr(0, space);
        if (!Contains(ns, std::string(word))) return false;
        test = space == std::string_view::npos ? std::string_view() : test.substr(space + 1);
    }
    return true;
}

// The first row of `step` for the debit kind whose test the namespace holds.
const EditionRow* PickRow(EditionStep step, int debitKind, const std::string& ns) {
    for (const EditionRow& e : kEditions) {
        if (e.step != step) continue;
        if (e.debitKind != kDebitFromText && e.debitKind != debitKind) continue;
        if (HoldsWords(ns, e.test)) return &e;
    }
    return nullptr;
}

// The row of the step Exact with the root's namespace and local name, in
// the DK subset asked for (4, or else 5).
const EditionRow* PickExactRow(const std::string& root, const std::string& ns, int subset) {
    const size_t colon = root.find(':');
    const std::string local = colon == std::string::npos ? root : root.substr(colon + 1);
    const int wanted = subset == 4 ? 4 : 5;
    for (const EditionRow& e : kEditions)
        if (e.step == EditionStep::Exact && ns == e.ns && local == e.root && (e.subset == 0 || e.subset == wanted))
            return &e;
    return nullptr;
}

// The message a namespace names: the text after its last colon, without the
// "$" of the SWIFT namespaces.
std::string MessageOf(const std::string& ns) {
    std::string name = ns.substr(ns.rfind(':') + 1);
    if (StartsWith(name, "$")) name.erase(0, 1);
    return name;
}

enum class RootKind { None, Sepade, Document, Conxml };

void SetDirectReason(Detection& d, const std::string& reason) {
    if (!d.directPossible) return;  // at most one reason
    d.directPossible = false;
    d.directReason = reason;
}

// Tree mode: the texts of every element of that name in the whole document.
std::vector<std::string> TextsOf(ParsedTree* tree, const char* name) {
    std::vector<std::string> texts;
    if (!tree) return texts;
    std::vector<DomNode*> nodes;
    tree->FindElements(name, nodes);
    for (DomNode* n : nodes) texts.push_back(ParsedTree::TextOf(n));
    return texts;
}

// A scheme or service level fixed by the first value that names one of
// `codes`; every later value must name it too. Returns false on a break and
// gives the fixed code (or "") in `fixed`.
template <class Match>
bool ConsistentCodes(const std::vector<std::string>& values, const std::vector<const char*>& codes, Match match,
                     std::string& fixed) {
    fixed.clear();
    for (const std::string& v : values) {
        if (fixed.empty()) {
            for (const char* c : codes)
                if (match(v, c)) {
                    fixed = c;
                    break;
                }
            continue;
        }
        if (!match(v, fixed)) return false;
    }
    return true;
}

void PrefixCheck(const DetectInput& in, const Detection& d, std::vector<std::string>& messages) {
    if (in.eventMode) {
        if (in.prefixCount > 0) messages.push_back(msg::kPrefix);
        return;
    }
    if (Contains(in.root, ":")) {
        messages.push_back(msg::kPrefix);
        return;
    }
    if (!d.row->container || !Contains(*in.text, ":Document") || !in.tree) return;
    std::vector<DomNode*> messagesOfKind;
    in.tree->FindElements(d.debitKind ? "MsgPain008" : "MsgPain001", messagesOfKind);
    DomNode* saved = in.tree->GetCurrent();
    for (DomNode* m : messagesOfKind) {
        in.tree->SetCurrent(m);
        std::vector<DomNode*> children;
        in.tree->GetElementChildren(children);
        for (DomNode* c : children) {
            in.tree->SetCurrent(c);
            const std::string name = in.tree->GetName();
            if (Contains(name, "Document") && Contains(name, ":")) {
                messages.push_back(msg::kPrefix);
                in.tree->SetCurrent(saved);
                return;
            }
        }
    }
    in.tree->SetCurrent(saved);
}

void SchemeCheck(const DetectInput& in, Detection& d, std::vector<std::string>& messages) {
    std::string fixed;
    bool consistent;
    if (in.eventMode) {
        consistent = ConsistentCodes(in.localInstruments, {"B2B", "CORE", "COR1"},
                                     [](const std::string& v, const std::string& c) { return v == c; }, fixed);
    } else {
        consistent = ConsistentCodes(TextsOf(in.tree, "LclInstrm"), {"B2B", "CORE", "COR1"},
                                     [](const std::string& v, const std::string& c) { return Contains(v, c); },
                                     fixed);
    }
    if (!consistent) {
        messages.push_back(msg::kMixedSchemes);
        return;
    }
    if (fixed == "B2B") d.debitKind = 2;
    if (fixed == "COR1") {
        d.debitKind = 3;
        if (!in.eventMode && d.formatCode == FormatCode::Edition30) messages.push_back(msg::kCor1In30);
    }
}

void ServiceLevelCheck(const DetectInput& in, Detection& d, std::vector<std::string>& messages) {
    if (in.eventMode) {
        if (d.formatCode != FormatCode::Edition27) return;
        if (in.serviceLevels.size() > 1) messages.push_back(msg::kMixedServiceLevels);
        else if (in.serviceLevels.size() == 1 && in.serviceLevels[0] == "URGP") d.subtype = 2;
        return;
    }
    if (d.formatCode != FormatCode::Edition27 && d.formatCode != FormatCode::Edition30) return;
    std::string fixed;
    if (!ConsistentCodes(TextsOf(in.tree, "SvcLvl"), {"SEPA", "URGP"},
                         [](const std::string& v, const std::string& c) { return Contains(v, c); }, fixed)) {
        messages.push_back(msg::kMixedServiceLevels);
        return;
    }
    if (fixed == "URGP") d.subtype = 2;
}

void NamespaceChecks(const DetectInput& in, Detection& d, std::vector<std::string>& messages) {
    const std::string& N = in.ns;
    if (N.empty()) {
        messages.push_back(Format(msg::kNoNamespace.c_str(), in.root.c_str()));
        if (d.isEmw) d.edition.clear();  // a foreign-trade report without a namespace names no edition
        return;
    }
    if (d.formatCode > FormatCode::Sepade23) {
        bool sawAttribute = false, found = false;
        std::string location;
        for (size_t i = 0; i < in.attrNames.size() && !found; ++i) {
            if (!Contains(in.attrNames[i], ":schemaLocation")) continue;
            sawAttribute = true;
            const std::string& value = in.attrValues[i];
            if (Contains(value, N + " ")) {
                found = true;
                location = value.size() > N.size() + 1 ? value.substr(N.size() + 1) : std::string();
            }
        }
        if (sawAttribute && !found) messages.push_back(msg::kSchemaLocationOther);
        if (found && d.austrianVariant == 0 && !d.isEmw) {
            std::string cut = location;
            const size_t dot = cut.rfind('.');
            if (dot != std::string::npos) cut.resize(dot);
            if (!EndsWith(N, cut)) {
                if (Contains(cut, "/") || Contains(cut, "\\"))
                    messages.push_back(msg::kSchemaLocationLocalPath);
                else
                    messages.push_back(Format(msg::kSchemaLocationMismatch.c_str(), location.c_str()));
            }
        }
    }
    // A container in an Austrian namespace is told the container's name alone.
    const std::string expected =
        d.austrianVariant != 0 && d.row->container ? MessageOf(d.row->ns) : std::string(d.row->ns);
    if (d.subtype == 2 && d.austrianVariant == 0) d.edition = A(kEditionUrgent);
    d.expectedNamespace = expected;
    if (expected != N)
        messages.push_back(Format(msg::kNamespaceMismatch.c_str(), N.c_str(), in.root.c_str(), expected.c_str()));
}

}  // namespace

std::span<const EditionRow> Editions() { return kEditions; }

std::string RetiredEditionHint(const Detection& d) {
    if (d.stopped || !d.row || !d.row->retired || d.austrianVariant != 0) return {};
    // The hint names the file's own message: a status report of a retired
    // edition is checked as its credit transfer, but named as itself.
    for (const EditionRow& e : kEditions) {
        if (!e.retired || d.fileNamespace != e.ns) continue;
        std::string message = MessageOf(e.ns);
        if (EndsWith(message, ".grp") || EndsWith(message, ".con")) message.resize(message.size() - 4);
        return Format(msg::kRetiredEdition.c_str(), message.c_str(), A(e.retired).c_str());
    }
    return {};
}

SchemaChoice SelectSchema(FormatCode formatCode, bool dd, int av, int subset) {
    const int wanted = subset == 4 ? 4 : 5;
    const EditionRow* fallback = nullptr;  // the German row, for an Austrian file of an edition without a variant
    for (const EditionRow& e : kEditions) {
        if (e.code != formatCode || !e.schema) continue;
        if (e.debitKind != kDebitFromText && e.debitKind != (dd ? 1 : 0) && !e.noOrders) continue;
        if (e.subset != 0 && e.subset != wanted) continue;
        if (e.austrian == av) return {e.schema, e.edition};
        if (e.austrian == 0 && !fallback) fallback = &e;
    }
    if (fallback) return {fallback->schema, fallback->edition};
    return {"", ""};
}

Detection DetectFormat(const DetectInput& in, std::vector<std::string>& messages) {
    Detection d;
    d.fileNamespace = in.ns;
    const std::string& R = in.root;
    const std::string& N = in.ns;
    const std::string& T = *in.text;

    // Austrian variant: a STUZZA namespace, or the ISO namespace of 3.0 in a
    // file whose first IBAN is Austrian.
    const bool isoCt = N == "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03";
    const bool isoDd = N == "urn:iso:std:iso:20022:tech:xsd:pain.008.001.02";
    if (Contains(N, ":STUZZA") || isoCt || isoDd) {
        if (!isoCt && !isoDd) {
            d.austrianVariant = 1;
        } else {
            const size_t iban = T.find("IBAN>");
            if (iban != std::string::npos && T.compare(iban + 5, 2, "AT") == 0) d.austrianVariant = 2;
        }
        if (d.austrianVariant != 0) SetDirectReason(d, msg::kReasonNotGerman);
    }

    // Root kind
    d.isEmw = Contains(R, "LIEFERUNG-AWZEL") ? 1 : 0;
    RootKind kind = RootKind::None;
    if (Contains(R, "sepade")) kind = RootKind::Sepade;
    else if (Contains(R, "Document")) kind = RootKind::Document;
    else if (Contains(R, "conxml")) kind = RootKind::Conxml;
    else if (!d.isEmw) {
        messages.push_back(msg::kNotSepaXml);
        d.stopped = true;
        return d;
    }

    const EditionRow* row = nullptr;
    bool debitTest = true;  // the text tells credit transfers from direct debits
    if (d.isEmw) {
        row = PickRow(EditionStep::ForeignTrade, 0, N);
    } else if ((row = PickExactRow(R, N, in.subset))) {
        d.formatCode = row->code;
        if (row->debitKind != kDebitFromText) d.debitKind = row->debitKind;
        if (!row->noOrders) {
            const bool ct = Contains(T, "CstmrCdtTrfInitn");
            const bool dd = Contains(T, "CstmrDrctDbtInitn");
            if (ct && dd) {
                messages.push_back(msg::kMixedCtDd);
                d.stopped = true;
                return d;
            }
            if (row->debitKind == kDebitFromText && dd) d.debitKind = 1;
        }
    } else if (Contains(N, ":camt.")) {
        d.subtype = 1;
        row = PickRow(EditionStep::Statement, 0, N);
        debitTest = false;  // any other statement counts as a credit transfer
    }

    if (!row) {
        if (debitTest) {
            size_t a = T.find("pain.001.001.02");
            size_t dd = T.find("pain.008.001.01");
            if (a == std::string::npos && dd == std::string::npos) {
                a = T.find("CstmrCdtTrfInitn");
                dd = T.find("CstmrDrctDbtInitn");
            }
            if (a != std::string::npos && dd != std::string::npos) {
                messages.push_back(msg::kMixedCtDd);
                d.stopped = true;
                return d;
            }
            if (dd != std::string::npos) d.debitKind = 1;
        }
        const bool debit = d.debitKind != 0;
        EditionStep step;
        if (kind == RootKind::Document) {
            // 2.4: a SWIFT namespace, or its message named after the start of the text
            auto edition24 = [&] {
                const size_t ct24 = T.find("pain.001.002.02");
                const size_t dd24 = T.find("pain.008.002.01");
                return Contains(N, "$pain") || (ct24 != std::string::npos && ct24 > 0) ||
                       (dd24 != std::string::npos && dd24 > 0);
            };
            if (d.austrianVariant == 2) step = EditionStep::AustrianIban;
            else if (d.austrianVariant == 1) step = EditionStep::Austrian;
            else if (Contains(N, "urn:iso:std:iso:20022")) step = EditionStep::Iso;
            else if (edition24()) step = EditionStep::Swift;
            else if (Contains(T, debit ? "pain.008.001.01.grp" : "pain.001.001.02.grp")) step = EditionStep::Grouped;
            else step = EditionStep::Sepade;
        } else {
            step = kind == RootKind::Sepade ? EditionStep::SepadeContainer : EditionStep::Container;
        }
        row = PickRow(step, d.debitKind, N);
    }
    if (row->debitKind != kDebitFromText) d.debitKind = row->debitKind;
    if (row->container) SetDirectReason(d, msg::kReasonContainer);
    // Statements, status reports and reversals hold no orders: the rules
    // that count, sum and date payment orders do not apply to them.
    if (row->noOrders) d.subtype = 1;
    d.row = row;
    d.formatCode = row->code;
    d.subset = row->subset;
    d.schemaFile = row->schema;
    d.edition = A(row->edition);

    // Structural checks
    if (!IsEdition23(d.formatCode) && d.formatCode != FormatCode::Unknown) {
        PrefixCheck(in, d, messages);
        if (d.debitKind != 0) SchemeCheck(in, d, messages);
        else ServiceLevelCheck(in, d, messages);
    }
    NamespaceChecks(in, d, messages);
    return d;
}

}  // namespace valorix
