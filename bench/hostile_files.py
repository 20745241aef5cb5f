#!/usr/bin/env python3
"""Writes files made to exhaust a checker, each of about 1 MB, into a folder.

    hostile_files.py FOLDER
"""
import itertools
import os
import re
import string
import subprocess
import sys

NS = "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03"
DECL = '<?xml version="1.0" encoding="UTF-8"?>\n'
ROOT = '<Document xmlns="%s">' % NS


def files(example, debit):
    deep = ROOT + "<a>" * 25000 + "</a>" * 25000 + "</Document>"
    yield "deep-behind-comment", DECL + "<!DOCTYPE Document [<!-- [ -->]>" + deep
    yield "deep-ibm037", ('<?xml version="1.0" encoding="IBM037"?>\n' + deep).encode("cp037")
    big = "x" * 1000000
    yield "entity-in-text", DECL + '<!DOCTYPE Document [<!ENTITY e "%s">]>%s<a>%s</a></Document>' % (big, ROOT, "&e;" * 4999)
    yield "entity-in-attribute", DECL + '<!DOCTYPE Document [<!ENTITY e "%s">]>%s<a b="%s"/></Document>' % (big, ROOT, "&e;" * 4999)
    laughs = '<!ENTITY l0 "lol">' + "".join('<!ENTITY l%d "%s">' % (i, ("&l%d;" % (i - 1)) * 10) for i in range(1, 10))
    yield "nested-entities", DECL + "<!DOCTYPE Document [%s]>%s<a>&l9;</a></Document>" % (laughs, ROOT)
    yield "strd-with-space", DECL + ROOT + "<CstmrCdtTrfInitn>" + "<RmtInf><Strd ></Strd></RmtInf>" * 20000 + "</CstmrCdtTrfInitn></Document>"
    yield "attributes-40000", DECL + ROOT + "<CstmrCdtTrfInitn %s/></Document>" % " ".join('a%d="1"' % i for i in range(40000))
    names = ["".join(p) for p in itertools.product(string.ascii_letters, repeat=2)][:256]
    laden = "<GrpHdr %s/>" % " ".join('%s=""' % n for n in names)
    yield "attributes-256-each", DECL + ROOT + "<CstmrCdtTrfInitn>" + laden * (1000000 // len(laden)) + "</CstmrCdtTrfInitn></Document>"
    sums = "<NbOfTxs>1</NbOfTxs><CtrlSum>1</CtrlSum>" * 20000
    amounts = '<CdtTrfTxInf><Amt><InstdAmt Ccy="EUR">1</InstdAmt></Amt></CdtTrfTxInf>' * 8000
    yield "counts-and-sums", DECL + ROOT + "<CstmrCdtTrfInitn><PmtInf>%s%s</PmtInf></CstmrCdtTrfInitn></Document>" % (sums, amounts)
    nested = "<RmtInf><Ustrd>x</Ustrd>" * 990 + "<Ustrd>" + "<b/>" * 240000 + "</Ustrd>" + "</RmtInf>" * 990
    yield "nested-blocks", DECL + ROOT + nested + "</Document>"
    one = re.sub(r">\s+<", "><", example)
    tx = re.search(r"<CdtTrfTxInf>.*?</CdtTrfTxInf>", one).group(0)
    bad = tx.replace("<IBAN>DE", "<IBAN>DX").replace("<Nm>", "<Nm> ", 1)
    head, tail = one[: one.index(tx)], one[one.rindex("</CdtTrfTxInf>") + len("</CdtTrfTxInf>"):]
    yield "findings-on-one-line", (head + bad * (900000 // len(bad)) + tail).replace("\n", "")
    yield "signatures-65000", debit.replace("</DtOfSgntr>", "</DtOfSgntr>" + "<ElctrncSgntr/>" * 65000)
    yield "nul-after-document", example.encode() + b"\0" + b"<junk>" * 150000
    yield "nul-in-name", example.replace("<Nm>", "<Nm>\0" + "</Nm><junk/>" * 800, 1)
    yield "stray-bytes", DECL.encode() + b'<Document xmlns="urn:x"><a>' + b"\xe4" * 1000000 + b"</a></Document>"


def main():
    folder = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    example = open(os.path.join(here, "..", "examples", "ueberweisung-pain.001.001.03.xml"), encoding="utf-8").read()
    debit = subprocess.run([sys.executable, os.path.join(here, "gen_payments.py"), "dd", "1"],
                           capture_output=True, text=True, check=True).stdout
    for name, content in files(example, debit):
        data = content if isinstance(content, bytes) else content.encode("utf-8")
        with open(os.path.join(folder, name + ".xml"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
