#include "core/detect.h"

#include "core/messages.h"
#include "platform/strutil.h"
#include "xml/parsedtree.h"

namespace valorix {

const char* const kBbkNamespace = "http://www.bundesbank.de/xmw/2003-01-01";

namespace {

const char* const kEdition23 = "2.3 aktuell bis 31.10.2009";
const char* const kEdition24 = "2.4 aktuell bis 01.11.2010";
const char* const kEdition24Container = "2.4 aktuell bis 01.11.2009";
const char* const kEdition25 = "2.5/2.6 aktuell bis 03.11.2013";
const char* const kEdition27 = "2.7/2.8/2.9 aktuell bis 19.11.2016";
const char* const kEdition30 = "3.0 aktuell ab 20.11.2016";
const char* const kEditionCamt = "CAMT 2.x gültig seit 01.11.2009";
const char* const kEditionEmw = "EMW Einlieferung";
const char* const kEditionUrgent = "Eilüberweisungen im pain.001 Format gültig seit 04.11.2013";
const char* const kIsoPrefix = "urn:iso:std:iso:20022:tech:xsd:";
const char* const kEditionGbic4 = "3.7 (GBIC_4) aktuell ab November 2023";
const char* const kEditionGbic5 = "3.9 (GBIC_5) aktuell ab November 2025";
const char* const kEditionCamt37 = "CAMT 3.7 gültig seit November 2023";
const char* const kEditionStatus37 = "Statusbericht 3.7 gültig seit November 2023";

// The editions after 3.0, told by the exact namespace of the root. The
// sequence of substring tests below reads every ISO namespace it does not
// know as one of the older editions, so these rows are looked at first; no
// file of an older edition carries one of these namespaces.
//
//   code  root      message                                 schema (data folder)
//    11   Document  pain.001.001.09 credit transfer         GBIC_n/pain.001.001.09.xsd
//    11   Document  pain.008.001.08 direct debit            GBIC_n/pain.008.001.08.xsd
//    12   conxml    container.nnn.001.GBIC4                 GBIC_n/container.nnn.001.GBIC4.xsd
//    13   Document  pain.002.001.10 status report           pain.002.001.10.xsd
//    14   Document  pain.007.001.09 reversal of debits      GBIC_n/pain.007.001.09.xsd
//    -5   Document  camt.052.001.08 account report          camt.052.001.08.xsd
//    -6   Document  camt.053.001.08 statement               camt.053.001.08.xsd
//    -7   Document  camt.054.001.08 debit/credit notice     camt.054.001.08.xsd
//
// GBIC_n is the DK subset of the data-format version (4: 3.7, 5: 3.9).
struct CurrentEdition {
    int code;
    const char* root;
    const char* ns;
    int debitKind;
};
const CurrentEdition kCurrentEditions[] = {
    {11, "Document", "urn:iso:std:iso:20022:tech:xsd:pain.001.001.09", 0},
    {11, "Document", "urn:iso:std:iso:20022:tech:xsd:pain.008.001.08", 1},
    {12, "conxml", "urn:conxml:xsd:container.nnn.001.GBIC4", 0},
    {13, "Document", "urn:iso:std:iso:20022:tech:xsd:pain.002.001.10", 0},
    {14, "Document", "urn:iso:std:iso:20022:tech:xsd:pain.007.001.09", 0},
    {-5, "Document", "urn:iso:std:iso:20022:tech:xsd:camt.052.001.08", 0},
    {-6, "Document", "urn:iso:std:iso:20022:tech:xsd:camt.053.001.08", 0},
    {-7, "Document", "urn:iso:std:iso:20022:tech:xsd:camt.054.001.08", 0},
};

const CurrentEdition* FindCurrentEdition(const std::string& root, const std::string& ns) {
    const size_t colon = root.find(':');
    const std::string local = colon == std::string::npos ? root : root.substr(colon + 1);
    for (const CurrentEdition& e : kCurrentEditions)
        if (ns == e.ns && local == e.root) return &e;
    return nullptr;
}

enum class RootKind { None, Sepade, Document, Conxml };

bool IsContainer(int code) { return code == 3 || code == 5 || code == 7 || code == 9 || code == 12; }

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
    if (!IsContainer(d.formatCode) || !Contains(*in.text, ":Document") || !in.tree) return;
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
        if (!in.eventMode && d.formatCode == 10) messages.push_back(msg::kCor1In30);
    }
}

void ServiceLevelCheck(const DetectInput& in, Detection& d, std::vector<std::string>& messages) {
    if (in.eventMode) {
        if (d.formatCode != 8) return;
        if (in.serviceLevels.size() > 1) messages.push_back(msg::kMixedServiceLevels);
        else if (in.serviceLevels.size() == 1 && in.serviceLevels[0] == "URGP") d.subtype = 2;
        return;
    }
    if (d.formatCode != 8 && d.formatCode != 10) return;
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
        return;
    }
    if (d.formatCode > 0) {
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
    std::string expected;
    const bool statement = d.formatCode >= -7 && d.formatCode <= -2;
    if (d.isEmw) {
        expected = d.schemaBase;
        d.edition = A(kEditionEmw);
    } else if (d.austrianVariant != 0 || statement || IsEditionAfter30(d.formatCode)) {
        expected = d.schemaBase;
        if (statement) d.edition = A(d.formatCode <= -5 ? kEditionCamt37 : kEditionCamt);
    } else {
        switch (d.formatCode) {
            case 0: case 1: case 2: expected = "urn:sepade:xsd:"; break;
            case 3: case 5: case 7: case 9: expected = "urn:conxml:xsd:"; break;
            case 4: expected = "urn:swift:xsd:$"; break;
            default:
                expected = kIsoPrefix;
                if (d.subtype == 2) d.edition = A(kEditionUrgent);
                break;
        }
        expected += d.schemaBase;
    }
    d.expectedNamespace = expected;
    if (expected != N)
        messages.push_back(Format(msg::kNamespaceMismatch.c_str(), N.c_str(), in.root.c_str(), expected.c_str()));
}

}  // namespace

namespace {

// The editions German banks no longer accept, by format code, and since when.
// The DK retired every edition before data-format version 3.7 (the 2009 ISO
// messages and the DK's own editions before them) in November 2025.
struct RetiredEditions {
    int firstCode, lastCode;
    const char* since;
};
const RetiredEditions kRetiredEditions[] = {
    {0, 10, "November 2025"},
};

// The namespaces of the retired German editions, with the message each names:
// the orders and containers the format codes 0 to 10 check, and the status
// reports of the same editions.
struct RetiredNamespace {
    const char* ns;
    const char* message;
};
const RetiredNamespace kRetiredNamespaces[] = {
    {"urn:sepade:xsd:pain.001.001.02", "pain.001.001.02"},
    {"urn:sepade:xsd:pain.001.001.02.grp", "pain.001.001.02"},
    {"urn:sepade:xsd:pain.001.001.02.con", "pain.001.001.02"},
    {"urn:sepade:xsd:pain.008.001.01", "pain.008.001.01"},
    {"urn:sepade:xsd:pain.008.001.01.grp", "pain.008.001.01"},
    {"urn:sepade:xsd:pain.008.001.01.con", "pain.008.001.01"},
    {"urn:swift:xsd:$pain.001.002.02", "pain.001.002.02"},
    {"urn:swift:xsd:$pain.008.002.01", "pain.008.002.01"},
    {"urn:swift:xsd:$pain.002.002.02", "pain.002.002.02"},
    {"urn:conxml:xsd:container.nnn.002", "container.nnn.002"},
    {"urn:conxml:xsd:container.nnn.002.02", "container.nnn.002.02"},
    {"urn:conxml:xsd:container.nnn.003.02", "container.nnn.003.02"},
    {"urn:conxml:xsd:container.nnn.001.02", "container.nnn.001.02"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.002.03", "pain.001.002.03"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.008.002.02", "pain.008.002.02"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.002.002.03", "pain.002.002.03"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.003.03", "pain.001.003.03"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.008.003.02", "pain.008.003.02"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.002.003.03", "pain.002.003.03"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03", "pain.001.001.03"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02", "pain.008.001.02"},
    {"urn:iso:std:iso:20022:tech:xsd:pain.002.001.03", "pain.002.001.03"},
};

}  // namespace

std::string RetiredEditionHint(const Detection& d) {
    if (d.stopped || d.austrianVariant != 0 || d.isEmw) return {};
    for (const RetiredEditions& r : kRetiredEditions) {
        if (d.formatCode < r.firstCode || d.formatCode > r.lastCode) continue;
        for (const RetiredNamespace& n : kRetiredNamespaces)
            if (d.fileNamespace == n.ns) return Format(msg::kRetiredEdition.c_str(), n.message, r.since);
        return {};
    }
    return {};
}

SchemaChoice SelectSchema(int formatCode, bool dd, int av, int subset) {
    const bool gbic4 = subset == 4;
    const char* gbicEdition = gbic4 ? kEditionGbic4 : kEditionGbic5;
    switch (formatCode) {
        case -7: return {"camt.054.001.08.xsd", 365, nullptr};
        case -6: return {"camt.053.001.08.xsd", 356, nullptr};
        case -5: return {"camt.052.001.08.xsd", 355, nullptr};
        case 11:
            if (dd)
                return gbic4 ? SchemaChoice{"GBIC_4/pain.008.001.08.xsd", 361, gbicEdition}
                             : SchemaChoice{"GBIC_5/pain.008.001.08.xsd", 371, gbicEdition};
            return gbic4 ? SchemaChoice{"GBIC_4/pain.001.001.09.xsd", 360, gbicEdition}
                         : SchemaChoice{"GBIC_5/pain.001.001.09.xsd", 370, gbicEdition};
        case 12:
            return gbic4 ? SchemaChoice{"GBIC_4/container.nnn.001.GBIC4.xsd", 363, gbicEdition}
                         : SchemaChoice{"GBIC_5/container.nnn.001.GBIC4.xsd", 363, gbicEdition};
        case 13: return {"pain.002.001.10.xsd", 364, kEditionStatus37};
        case 14:
            return gbic4 ? SchemaChoice{"GBIC_4/pain.007.001.09.xsd", 362, gbicEdition}
                         : SchemaChoice{"GBIC_5/pain.007.001.09.xsd", 372, gbicEdition};
        case -10: return {"BbkXmwAwzel.xsd", 340, nullptr};
        case -4: return {"ZKA.camt.054.001.02.v02.xsd", 335, nullptr};
        case -3: return {"ZKA.camt.053.001.02.v02.xsd", 334, nullptr};
        case -2: return {"ZKA.camt.052.001.02.v02.xsd", 333, nullptr};
        case 0: return dd ? SchemaChoice{"pain.008.001.01.xsd", 320, nullptr}
                          : SchemaChoice{"pain.001.001.02.xsd", 311, nullptr};
        case 1: return dd ? SchemaChoice{"pain.008.001.01.con.xsd", 318, nullptr}
                          : SchemaChoice{"pain.001.001.02.con.xsd", 312, nullptr};
        case 2: return dd ? SchemaChoice{"pain.008.001.01.grp.xsd", 319, nullptr}
                          : SchemaChoice{"pain.001.001.02.grp.xsd", 313, nullptr};
        case 3: return {"container.nnn.002.xsd", 321, nullptr};
        case 4:
            if (av != 0)
                return dd ? SchemaChoice{"ISO.pain.008.001.01.austrian.002.xsd", 330,
                                         "SEPA CORE & B2B Version 2 (Österreich)"}
                          : SchemaChoice{"ISO.pain.001.001.02.austrian.002.xsd", 329, "SEPA CORE Version 2 (Österreich)"};
            return dd ? SchemaChoice{"pain.008.002.01.xsd", 323, nullptr}
                      : SchemaChoice{"pain.001.002.02.xsd", 322, nullptr};
        case 5: return {"container.nnn.002.02.xsd", 325, nullptr};
        case 6:
            if (av != 0)
                return dd ? SchemaChoice{"ISO.pain.008.001.02.austrian.001.xsd", 332,
                                         "SEPA CORE & B2B Version 3 (Österreich)"}
                          : SchemaChoice{"ISO.pain.001.001.03.austrian.001.xsd", 331, "SEPA TRF Version 3 (Österreich)"};
            return dd ? SchemaChoice{"pain.008.002.02.xsd", 327, nullptr}
                      : SchemaChoice{"pain.001.002.03.xsd", 326, nullptr};
        case 7: return {"container.nnn.003.02.xsd", 336, nullptr};
        case 8:
            if (av == 1)
                return dd ? SchemaChoice{"ISO.pain.008.001.02.austrian.003.xsd", 343,
                                         "SEPA CORE & B2B Version 5 (Österreich)"}
                          : SchemaChoice{"ISO.pain.001.001.03.austrian.003.xsd", 342, "SEPA TRF Version 5 (Österreich)"};
            if (av == 2)
                return dd ? SchemaChoice{"ISO.A.pain.008.001.02.xsd", 347, "SEPA CORE & B2B Version 5 (Österreich)"}
                          : SchemaChoice{"ISO.A.pain.001.001.03.xsd", 346, "SEPA TRF Version 5 (Österreich)"};
            return dd ? SchemaChoice{"pain.008.003.02.xsd", 338, nullptr}
                      : SchemaChoice{"pain.001.003.03.xsd", 337, nullptr};
        case 9: return {"container.nnn.001.02.xsd", 348, nullptr};
        default:
            return dd ? SchemaChoice{"pain.008.001.02.xsd", 350, nullptr}
                      : SchemaChoice{"pain.001.001.03.xsd", 349, nullptr};
    }
}

Detection DetectFormat(const DetectInput& in, std::vector<std::string>& messages) {
    Detection d;
    d.fileNamespace = in.ns;
    const std::string& R = in.root;
    const std::string& N = in.ns;
    const std::string& T = *in.text;
    d.edition = A(kEdition23);

    // Austrian variant
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
    d.debitKind = 0;
    d.schemaBase = "pain.001.001.02";
    d.isEmw = 0;
    RootKind kind = RootKind::None;
    if (Contains(R, "LIEFERUNG-AWZEL")) {
        d.edition.clear();
        d.isEmw = 1;
    }
    if (Contains(R, "sepade")) kind = RootKind::Sepade;
    else if (Contains(R, "Document")) kind = RootKind::Document;
    else if (Contains(R, "conxml")) kind = RootKind::Conxml;
    else if (!d.isEmw) {
        messages.push_back(msg::kNotSepaXml);
        d.stopped = true;
        return d;
    }

    bool classified = false;  // format code fixed, go to schema selection
    bool skipDebitTest = false;
    const CurrentEdition* current = d.isEmw ? nullptr : FindCurrentEdition(R, N);
    if (current) {
        d.formatCode = current->code;
        d.debitKind = current->debitKind;
        d.schemaBase = N;
        // Statements, status reports and reversals hold no orders: the rules
        // that count, sum and date payment orders do not apply to them.
        if (d.formatCode < 0 || d.formatCode == 13 || d.formatCode == 14) d.subtype = 1;
        if (d.formatCode == 11 || d.formatCode == 12) {
            const size_t ct = T.find("CstmrCdtTrfInitn");
            const size_t dd = T.find("CstmrDrctDbtInitn");
            if (ct != std::string::npos && dd != std::string::npos) {
                messages.push_back(msg::kMixedCtDd);
                d.stopped = true;
                return d;
            }
            if (d.formatCode == 12 && dd != std::string::npos) d.debitKind = 1;
        }
        if (d.formatCode == 12) SetDirectReason(d, msg::kReasonContainer);
        if (d.formatCode == 11 || d.formatCode == 12 || d.formatCode == 14) d.subset = in.subset == 4 ? 4 : 5;
        classified = true;
    } else if (d.isEmw) {
        d.formatCode = -10;
        d.schemaBase = kBbkNamespace;
        classified = true;
    } else if (Contains(N, ":camt.")) {
        d.subtype = 1;
        if (Contains(N, ":camt.052")) {
            d.formatCode = -2;
            d.schemaBase = "urn:iso:std:iso:20022:tech:xsd:camt.052.001.02";
            classified = true;
        } else if (Contains(N, ":camt.053")) {
            d.formatCode = -3;
            d.schemaBase = "urn:iso:std:iso:20022:tech:xsd:camt.053.001.02";
            classified = true;
        } else if (Contains(N, ":camt.054")) {
            d.formatCode = -4;
            d.schemaBase = "urn:iso:std:iso:20022:tech:xsd:camt.054.001.02";
            classified = true;
        } else {
            skipDebitTest = true;  // counts as a credit transfer
        }
    }

    if (!classified && !skipDebitTest) {
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
        if (dd != std::string::npos) {
            d.debitKind = 1;
            d.schemaBase = "pain.008.001.01";
        }
    }

    if (!classified && kind == RootKind::Document) {
        const bool debit = d.debitKind != 0;
        if (d.austrianVariant == 2) {
            d.formatCode = 8;
            d.schemaBase = debit ? "urn:iso:std:iso:20022:tech:xsd:pain.008.001.02"
                                 : "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03";
        } else if (d.austrianVariant == 1) {
            const char* message = debit ? "pain.008.001.02" : "pain.001.001.03";
            if (Contains(N, message)) {
                if (Contains(N, "payments:003")) {
                    d.formatCode = 8;
                    d.schemaBase = debit ? "ISO:pain.008.001.02:APC:STUZZA:payments:003"
                                         : "ISO:pain.001.001.03:APC:STUZZA:payments:003";
                } else {
                    d.formatCode = 6;
                    d.schemaBase = debit ? "ISO:pain.008.001.02:APC:STUZZA:payments:001"
                                         : "ISO:pain.001.001.03:APC:STUZZA:payments:001";
                }
            } else {
                d.formatCode = 4;
                d.schemaBase = debit ? "APC:STUZZA:payments:ISO:pain:008:001:01:austrian:002"
                                     : "APC:STUZZA:payments:ISO:pain:001:001:02:austrian:002";
            }
        } else if (Contains(N, "urn:iso:std:iso:20022")) {
            d.edition = A(kEdition25);
            d.formatCode = 6;
            if (!debit) {
                if (Contains(N, "003.03")) {
                    d.formatCode = 8;
                    d.edition = A(kEdition27);
                    d.schemaBase = "pain.001.003.03";
                } else if (Contains(N, "001.03")) {
                    d.formatCode = 10;
                    d.edition = A(kEdition30);
                    d.schemaBase = "pain.001.001.03";
                } else {
                    d.schemaBase = "pain.001.002.03";
                }
            } else {
                if (Contains(N, "001.02")) {
                    d.formatCode = 10;
                    d.edition = A(kEdition30);
                    d.schemaBase = "pain.008.001.02";
                } else if (Contains(N, "003.02")) {
                    d.formatCode = 8;
                    d.edition = A(kEdition27);
                    d.schemaBase = "pain.008.003.02";
                } else {
                    d.schemaBase = "pain.008.002.02";
                }
            }
        } else {
            const size_t ct24 = T.find("pain.001.002.02");
            const size_t dd24 = T.find("pain.008.002.01");
            if (Contains(N, "$pain") || (ct24 != std::string::npos && ct24 > 0) ||
                (dd24 != std::string::npos && dd24 > 0)) {
                d.formatCode = 4;
                d.edition = A(kEdition24);
                d.schemaBase = debit ? "pain.008.002.01" : "pain.001.002.02";
            } else if (Contains(T, debit ? "pain.008.001.01.grp" : "pain.001.001.02.grp")) {
                d.formatCode = 2;
                d.schemaBase += ".grp";
            } else {
                d.formatCode = 0;
            }
        }
    } else if (!classified) {  // a container
        if (kind == RootKind::Sepade) {
            d.formatCode = 1;
            d.schemaBase += ".con";
        } else {
            d.formatCode = 3;
            d.schemaBase = "container.nnn.002";
            d.edition = A(kEdition24Container);
            if (Contains(N, "nnn.002.02")) {
                d.formatCode = 5;
                d.schemaBase = "container.nnn.002.02";
                d.edition = A(kEdition25);
            } else if (Contains(N, "nnn.003.02")) {
                d.formatCode = 7;
                d.schemaBase = "container.nnn.003.02";
                d.edition = A(kEdition27);
            } else if (Contains(N, "nnn.001.02")) {
                d.formatCode = 9;
                d.schemaBase = "container.nnn.001.02";
                d.edition = A(kEdition30);
            }
        }
        SetDirectReason(d, msg::kReasonContainer);
    }

    // Schema selection
    const SchemaChoice choice = SelectSchema(d.formatCode, d.debitKind != 0, d.austrianVariant, d.subset);
    d.schemaFile = choice.file;
    d.resourceId = choice.resourceId;
    if (choice.edition) d.edition = A(choice.edition);

    // Structural checks
    if (d.formatCode > 2 || d.formatCode < -1) {
        PrefixCheck(in, d, messages);
        if (d.debitKind != 0) SchemeCheck(in, d, messages);
        else ServiceLevelCheck(in, d, messages);
    }
    NamespaceChecks(in, d, messages);
    return d;
}

}  // namespace valorix
