#!/usr/bin/env python3
"""Generates large, schema-valid German SEPA payment files for benchmarks.

    gen_payments.py ct|dd TRANSACTIONS [BLOCKS [EDITION]] > file.xml

ct: credit transfers, dd: direct debits; EDITION 3.0 (default:
pain.001.001.03 / pain.008.001.02) or 3.9 (pain.001.001.09 / pain.008.001.08,
valid against the DK subsets). Transactions are spread evenly over BLOCKS
payment blocks (default 1). Counts and control sums are consistent; IBANs
carry valid check digits.
"""
import sys


def iban_de(n):
    bban = "10050000" + f"{n % 10**10:010d}"
    digits = "".join(str(int(c, 36)) for c in bban + "DE00")
    check = 98 - int(digits) % 97
    return f"DE{check:02d}{bban}"


def main():
    kind = sys.argv[1]
    total = int(sys.argv[2])
    blocks = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    current = len(sys.argv) > 4 and sys.argv[4] == "3.9"
    out = sys.stdout
    amount = lambda i: 1 + (i % 997) / 100 + 10
    cents = sum(int(round(amount(i) * 100)) for i in range(total))
    dd = kind == "dd"
    if current:
        ns = "urn:iso:std:iso:20022:tech:xsd:" + ("pain.008.001.08" if dd else "pain.001.001.09")
    else:
        ns = "urn:iso:std:iso:20022:tech:xsd:" + ("pain.008.001.02" if dd else "pain.001.001.03")
    bic = "BICFI" if current else "BIC"
    execution = "<ReqdExctnDt><Dt>2026-12-15</Dt></ReqdExctnDt>" if current else "<ReqdExctnDt>2026-12-15</ReqdExctnDt>"
    root = "CstmrDrctDbtInitn" if dd else "CstmrCdtTrfInitn"
    out.write(f'<?xml version="1.0" encoding="UTF-8"?>\n<Document xmlns="{ns}">\n<{root}>\n')
    out.write(f"<GrpHdr><MsgId>BENCH-{kind}-{total}</MsgId><CreDtTm>2026-12-01T10:00:00</CreDtTm>"
              f"<NbOfTxs>{total}</NbOfTxs><CtrlSum>{cents // 100}.{cents % 100:02d}</CtrlSum>"
              f"<InitgPty><Nm>Benchmark GmbH</Nm></InitgPty></GrpHdr>\n")
    per = [total // blocks + (1 if b < total % blocks else 0) for b in range(blocks)]
    i = 0
    for b, count in enumerate(per):
        bc = sum(int(round(amount(k) * 100)) for k in range(i, i + count))
        out.write(f"<PmtInf><PmtInfId>BLOCK-{b}</PmtInfId><PmtMtd>{'DD' if dd else 'TRF'}</PmtMtd>"
                  f"<NbOfTxs>{count}</NbOfTxs><CtrlSum>{bc // 100}.{bc % 100:02d}</CtrlSum>"
                  "<PmtTpInf><SvcLvl><Cd>SEPA</Cd></SvcLvl>")
        if dd:
            out.write("<LclInstrm><Cd>CORE</Cd></LclInstrm><SeqTp>RCUR</SeqTp></PmtTpInf>"
                      "<ReqdColltnDt>2026-12-15</ReqdColltnDt><Cdtr><Nm>Benchmark GmbH</Nm></Cdtr>"
                      f"<CdtrAcct><Id><IBAN>{iban_de(1)}</IBAN></Id></CdtrAcct>"
                      f"<CdtrAgt><FinInstnId><{bic}>BYLADEM1001</{bic}></FinInstnId></CdtrAgt><ChrgBr>SLEV</ChrgBr>"
                      "<CdtrSchmeId><Id><PrvtId><Othr><Id>DE98ZZZ09999999999</Id><SchmeNm><Prtry>SEPA</Prtry>"
                      "</SchmeNm></Othr></PrvtId></Id></CdtrSchmeId>\n")
        else:
            out.write(f"</PmtTpInf>{execution}<Dbtr><Nm>Benchmark GmbH</Nm></Dbtr>"
                      f"<DbtrAcct><Id><IBAN>{iban_de(1)}</IBAN></Id></DbtrAcct>"
                      f"<DbtrAgt><FinInstnId><{bic}>BYLADEM1001</{bic}></FinInstnId></DbtrAgt><ChrgBr>SLEV</ChrgBr>\n")
        for _ in range(count):
            a = amount(i)
            if dd:
                out.write(f"<DrctDbtTxInf><PmtId><EndToEndId>E2E-{i}</EndToEndId></PmtId>"
                          f'<InstdAmt Ccy="EUR">{a:.2f}</InstdAmt><DrctDbtTx><MndtRltdInf><MndtId>MANDAT-{i}</MndtId>'
                          "<DtOfSgntr>2025-01-15</DtOfSgntr></MndtRltdInf></DrctDbtTx>"
                          f"<DbtrAgt><FinInstnId><{bic}>COBADEFFXXX</{bic}></FinInstnId></DbtrAgt>"
                          f"<Dbtr><Nm>Kunde {i}</Nm></Dbtr><DbtrAcct><Id><IBAN>{iban_de(i + 2)}</IBAN></Id></DbtrAcct>"
                          f"<RmtInf><Ustrd>Beitrag {i}</Ustrd></RmtInf></DrctDbtTxInf>\n")
            else:
                out.write(f"<CdtTrfTxInf><PmtId><EndToEndId>E2E-{i}</EndToEndId></PmtId>"
                          f'<Amt><InstdAmt Ccy="EUR">{a:.2f}</InstdAmt></Amt>'
                          f"<Cdtr><Nm>Empfaenger {i}</Nm></Cdtr><CdtrAcct><Id><IBAN>{iban_de(i + 2)}</IBAN></Id></CdtrAcct>"
                          f"<RmtInf><Ustrd>Rechnung {i}</Ustrd></RmtInf></CdtTrfTxInf>\n")
            i += 1
        out.write("</PmtInf>\n")
    out.write(f"</{root}>\n</Document>\n")


if __name__ == "__main__":
    main()
