#!/usr/bin/env python3
"""Writes varied copies of XML files: each copy has one or two small changes
of the kinds that decide how a check goes (codes of later blocks, namespaces,
whitespace and markup inside values, truncation, declarations).
   tests/mutate.py OUTDIR COPIES FILE..."""
import os
import random
import re
import sys


def mutations(text):
    def later_code(t):
        hits = [m.start() for m in re.finditer(r"<Cd>(CORE|COR1|B2B|SEPA|URGP)</Cd>", t)]
        if not hits:
            return t
        at = random.choice(hits)
        code = random.choice(["CORE", "COR1", "B2B", "SEPA", "URGP", " CORE ", "CORE\n"])
        end = t.index("</Cd>", at)
        return t[:at] + "<Cd>" + code + t[end:]

    def duplicate_block(t):
        a = t.find("<PmtInf>")
        b = t.find("</PmtInf>", a)
        if a < 0 or b < 0:
            return t
        block = t[a:b + 9]
        block = block.replace("CORE", random.choice(["COR1", "B2B", "CORE"]), 1)
        return t[:b + 9] + block + t[b + 9:]

    def value_markup(t):
        hits = [m.end() for m in re.finditer(r"<(Nm|Ustrd|MsgId|CtrlSum|InstdAmt[^>]*|ReqdExctnDt|ReqdColltnDt)>", t)]
        if not hits:
            return t
        at = random.choice(hits)
        piece = random.choice([" ", "\n  ", "<!-- c -->", "<![CDATA[x]]>", "&amp;", "&#x20;", "\t", "<?pi x?>"])
        return t[:at] + piece + t[at:]

    def namespace(t):
        return re.sub(r"(pain\.00[18]\.\d\d\d\.)(\d\d)", lambda m: m.group(1) + random.choice(
            ["01", "02", "03", "08", "09", "99", m.group(2)]), t, count=1)

    def truncate(t):
        return t[:random.randint(len(t) // 2, len(t) - 1)]

    def declaration(t):
        return random.choice([
            lambda s: s.replace('encoding="UTF-8"', 'encoding="ISO-8859-15"', 1),
            lambda s: "\ufeff" + s,
            lambda s: s.replace("?>", "?>\n<!-- before the root -->", 1),
            lambda s: s.replace("?>", "?>\n<!DOCTYPE Document>", 1),
            lambda s: re.sub(r"<Document ", "<Document xmlns:p=\"urn:x\" ", s, count=1),
            lambda s: re.sub(r"xsi:schemaLocation=\"[^\"]*\"", "xsi:schemaLocation=\"  urn:a   b.xsd \"", s, count=1),
        ])(t)

    def prefix(t):
        m = re.search(r"<Document xmlns=\"([^\"]+)\"", t)
        if not m:
            return t
        t = t.replace(m.group(0), "<p:Document xmlns:p=\"%s\"" % m.group(1), 1)
        return re.sub(r"</Document>", "</p:Document>", t, count=1)

    def currency(t):
        return t.replace('Ccy="EUR"', 'Ccy="CHF"', random.choice([1, -1]))

    def drop_element(t):
        hits = [m for m in re.finditer(r"<(BIC|BICFI|EndToEndId|Nm|Ustrd|CdtrSchmeId|MndtId)>[^<]*</\1>", t)]
        if not hits:
            return t
        m = random.choice(hits)
        return t[:m.start()] + t[m.end():]

    return [later_code, duplicate_block, value_markup, namespace, truncate, declaration, prefix, currency,
            drop_element]


def main():
    out, copies, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    os.makedirs(out, exist_ok=True)
    random.seed(20261211)
    texts = []
    for f in files:
        with open(f, "rb") as h:
            raw = h.read()
        try:
            texts.append((os.path.basename(f), raw.decode("utf-8")))
        except UnicodeDecodeError:
            texts.append((os.path.basename(f), raw.decode("latin-1")))
    for i in range(copies):
        name, text = random.choice(texts)
        kinds = mutations(text)
        for change in random.sample(kinds, random.choice([1, 1, 2])):
            text = change(text)
        with open(os.path.join(out, "%04d-%s" % (i, name)), "w", encoding="utf-8", errors="replace") as h:
            h.write(text)


main()
