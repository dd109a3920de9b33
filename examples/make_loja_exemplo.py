#!/usr/bin/env python3
"""Writes loja_exemplo_03-2025.txt: March 2025 of a small fictitious shop,
every note, coupon and product written out by hand below, so the file can be
read line by line. Run from any folder; the file lands beside this script.

Problems left in on purpose (what the checks should find):
  * CAFE TORRADO E MOIDO 500G rung up at 10,00 on 03/03 and at 16,00 on the
    other days (unit values spread 160%);
  * BISCOITO RECHEADO CHOCOLATE 140G rung up at 1200 on 14/03, printer 002,
    while its record 60R (and 75) says 1700;
  * PILHA ALCALINA AA 2 UN sold at the printers without a record 75.
Everything else adds up: 60A = 60I per day, printer and rate; 60D = 60I per
product; 60M = the day's 60A; 60R = the month's 60I per product.
"""
import os

PERIOD_FIRST, PERIOD_LAST = "20250301", "20250331"
INVENTORY_DATE = "20250331"


def cnpj(twelve):
    def digit(s, weights):
        r = sum(int(c) * w for c, w in zip(s, weights)) % 11
        return "0" if r < 2 else str(11 - r)
    s = twelve + digit(twelve, [5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2])
    return s + digit(s, [6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2])


def cpf(nine):
    s = nine
    for _ in range(2):
        n = len(s) + 1
        r = sum(int(c) * (n - i) for i, c in enumerate(s)) * 10 % 11
        s += "0" if r == 10 else str(r)
    return s


def ie_sc(eight):
    r = sum(int(c) * w for c, w in zip(eight, [9, 8, 7, 6, 5, 4, 3, 2])) % 11
    return eight + ("0" if r < 2 else str(11 - r))


def ean13(twelve):
    total = sum(int(c) * (1 if i % 2 == 0 else 3) for i, c in enumerate(twelve))
    return twelve + str((10 - total % 10) % 10)


SHOP = dict(cnpj=cnpj("472918350001"), ie=ie_sc("25731940"),
            name="LOJA EXEMPLO FISCORA LTDA", city="BLUMENAU", uf="SC",
            fax="4733405567", street="RUA DAS MAGNOLIAS", number="00250",
            complement="SALA 1", district="CENTRO", cep="89010100",
            contact="ANA EXEMPLO DE SOUZA", phone="004733405566")

# Products: key -> (code, description, NCM, unit, rate, shop price, cost).
# Rates: four digits for ICMS, or F (tax paid earlier), I (exempt), N (not taxed).
P = {
    "arroz": (ean13("789999000101"), "ARROZ BRANCO TIPO 1 5KG", "10063021", "UN", "0700", 2490, 1740),
    "feijao": (ean13("789999000102"), "FEIJAO CARIOCA 1KG", "07133319", "UN", "0700", 849, 590),
    "cafe": (ean13("789999000103"), "CAFE TORRADO E MOIDO 500G", "09012100", "UN", "0700", 1600, 1050),
    "acucar": (ean13("789999000104"), "ACUCAR CRISTAL 2KG", "17019900", "UN", "0700", 998, 690),
    "oleo": (ean13("789999000105"), "OLEO DE SOJA 900ML", "15079011", "UNID", "0700", 749, 520),
    "biscoito": (ean13("789999000106"), "BISCOITO RECHEADO CHOCOLATE 140G", "19053100", "UN", "1700", 350, 210),
    "macarrao": (ean13("789999000107"), "MACARRAO ESPAGUETE 500G", "19021900", "UN", "1700", 480, 290),
    "refri": (ean13("789999000108"), "REFRIGERANTE COLA 2L", "22021000", "UN", "F", 900, 610),
    "cerveja": (ean13("789999000109"), "CERVEJA PILSEN LATA 350ML", "22030000", "UN", "F", 380, 245),
    "detergente": (ean13("789999000110"), "DETERGENTE LIQUIDO 500ML", "34022000", "UNID", "1700", 260, 155),
    "sabao": (ean13("789999000111"), "SABAO EM PO 800G", "34022000", "UN", "1700", 1290, 840),
    "shampoo": (ean13("789999000112"), "SHAMPOO 350ML", "33051000", "UN", "2500", 1850, 1190),
    "banana": ("2000101", "BANANA PRATA KG", "08039000", "KG", "I", 600, 350),
    "tomate": ("2000102", "TOMATE ITALIANO KG", "07020000", "KG", "I", 800, 480),
    "pao": ("2000103", "PAO FRANCES KG", "19059090", "KG", "1700", 1600, 800),
    "queijo": ("2000104", "QUEIJO MUSSARELA FATIADO KG", "04061010", "KG", "1200", 4800, 3200),
    "sacola": (ean13("789999000113"), "SACOLA RETORNAVEL", "63053390", "UN", "N", 200, 85),
    "pilha": (ean13("789999000114"), "PILHA ALCALINA AA 2 UN", "85061019", "UN", "F", 1200, 700),
    "papel": (ean13("789999000115"), "PAPEL HIGIENICO FOLHA DUPLA 12 ROLOS", "48181000", "PCT", "1700", 2190, 1530),
    "vinho": (ean13("789999000116"), "VINHO TINTO SECO 750ML", "22042100", "UN", "2500", 4500, 2900),
}
WITHOUT_75 = {"pilha"}

# Other parties: key -> (CNPJ or CPF with zeros in front, IE, UF).
PARTIES = {
    "distribuidora": (cnpj("581362040001"), ie_sc("25418706"), "SC"),
    "atacado_pr": (cnpj("639204170001"), "9051827364", "PR"),
    "bebidas": (cnpj("712543890001"), ie_sc("25690318"), "SC"),
    "limpeza": (cnpj("804631270001"), ie_sc("26103957"), "SC"),
    "restaurante": (cnpj("341726080001"), ie_sc("25587412"), "SC"),
    "cliente_pr": (cnpj("295817360001"), "9083715242", "PR"),
    "consumidor": ("000" + cpf("305718264"), "ISENTO", "SC"),
    "transporte_sc": (cnpj("928350160001"), ie_sc("25803169"), "SC"),
    "transporte_pr": (cnpj("517203940001"), "9062418835", "PR"),
}

# Notes: (day, CFOP, issuer, party, number, CST, [(product, quantity, unit value)]).
# One record 50 line per note and rate; ICMS-ST and own-use notes carry no ICMS.
NOTES = [
    (2, "1102", "T", "distribuidora", 4512, "000", [("arroz", 10, 1740), ("feijao", 12, 590), ("acucar", 10, 690)]),
    (5, "2102", "T", "atacado_pr", 18733, "000", [("cafe", 20, 1050), ("oleo", 12, 520)]),
    (6, "1403", "T", "bebidas", 112094, "010", [("refri", 24, 610), ("cerveja", 48, 245)]),
    (7, "5102", "P", "restaurante", 335, "000", [("arroz", 8, 2490), ("feijao", 10, 849), ("oleo", 10, 749), ("queijo", 4, 4800)]),
    (10, "1102", "T", "distribuidora", 4598, "000", [("biscoito", 30, 210), ("macarrao", 20, 290), ("detergente", 24, 155)]),
    (12, "1556", "T", "limpeza", 871, "090", [("papel", 2, 1530)]),
    (13, "5102", "P", "restaurante", 336, "000", [("macarrao", 20, 480), ("sabao", 6, 1290), ("cafe", 10, 1600)]),
    (15, "1102", "T", "limpeza", 902, "000", [("sabao", 12, 840), ("shampoo", 6, 1190), ("papel", 10, 1530)]),
    (18, "2102", "T", "atacado_pr", 19102, "000", [("vinho", 18, 2900), ("queijo", 5, 3200)]),
    (19, "5405", "P", "restaurante", 337, "060", [("refri", 12, 900), ("cerveja", 24, 380)]),
    (20, "1202", "P", "consumidor", 338, "000", [("shampoo", 1, 1850)]),
    (21, "5102", "P", "restaurante", 339, "000", [("arroz", 10, 2490), ("acucar", 10, 998)]),
    (22, "5929", "P", "consumidor", 340, "090", [("arroz", 1, 2490)]),
    (25, "6102", "P", "cliente_pr", 341, "000", [("vinho", 12, 4500)]),
    (26, "5202", "P", "distribuidora", 342, "000", [("feijao", 2, 590)]),
]
NO_ICMS_CFOPS = {"1403", "1556", "5405", "5929"}
INTERSTATE_RATE = {"2102": "1200", "6102": "1200"}

# Fiscal printers: order number -> (serial, first COO, reduction count, grand total in cents).
PRINTERS = {
    1: ("EX1203250000000101", 12450, 318, 125438720),
    2: ("EX1203250000000102", 8730, 207, 86312055),
}
# Coupons per (day, printer): each a list of (product, quantity); an item may
# give ("product", quantity, unit value, rate) to ring it up differently.
COUPONS = {
    (3, 1): [[("arroz", 1), ("feijao", 2), ("cafe", 1, 1000, None), ("banana", 1.25)],
             [("pao", 0.5), ("refri", 1), ("sacola", 1)],
             [("cerveja", 6), ("biscoito", 2)]],
    (3, 2): [[("macarrao", 2), ("tomate", 0.75), ("detergente", 1)],
             [("cafe", 2, 1000, None), ("queijo", 0.25)]],
    (8, 1): [[("arroz", 2), ("oleo", 1), ("acucar", 1), ("pilha", 1)],
             [("pao", 1), ("banana", 2), ("sacola", 2)],
             [("shampoo", 1), ("sabao", 1)],
             [("cafe", 1), ("biscoito", 3)]],
    (8, 2): [[("cerveja", 12), ("refri", 2)],
             [("tomate", 1.5), ("queijo", 0.5), ("pao", 0.25)],
             [("detergente", 2), ("macarrao", 1)]],
    (14, 1): [[("feijao", 1), ("arroz", 1), ("cafe", 1)],
              [("pao", 0.75), ("sacola", 1)],
              [("shampoo", 1), ("pilha", 2)]],
    (14, 2): [[("biscoito", 4, None, "1200"), ("macarrao", 2)],
              [("banana", 1.5), ("tomate", 0.5)],
              [("refri", 1), ("cerveja", 6)]],
    (22, 1): [[("arroz", 1)],
              [("oleo", 2), ("acucar", 2), ("cafe", 2)],
              [("pao", 1.25), ("queijo", 0.3), ("sacola", 1)],
              [("sabao", 1), ("detergente", 3)]],
    (22, 2): [[("biscoito", 2), ("cerveja", 12)],
              [("banana", 1), ("tomate", 1)],
              [("refri", 2), ("pilha", 1)]],
}
# A cancelled coupon (its number is used, its items are not listed) and a discount.
CANCELLED = {(8, 1): 900}
DISCOUNTS = {(14, 2): 150}
RATE_ORDER = ["1700", "1200", "0700", "2500", "F", "I", "N"]

# Series D notes written by hand on 25/03 (both printers stopped for an hour).
SERIES_D = [("arroz", 2), ("refri", 3)]
TRANSPORT = [(6, "transporte_sc", 5521, "1353", 8500, "1700"),
             (18, "transporte_pr", 20417, "2353", 12000, "1200")]
# Inventory at the end of the period: (product, quantity); sacola counted at zero.
INVENTORY = [("arroz", 14), ("feijao", 9), ("cafe", 12), ("acucar", 6), ("oleo", 8),
             ("biscoito", 19), ("macarrao", 15), ("refri", 10), ("cerveja", 30),
             ("detergente", 17), ("sabao", 9), ("shampoo", 4), ("queijo", 2.3),
             ("sacola", 0), ("papel", 8), ("vinho", 6)]


class Line:
    def __init__(self, kind):
        self.c = list(kind.ljust(126))

    def text(self, col, width, s):
        s = str(s)[:width].ljust(width)
        self.c[col - 1:col - 1 + width] = s
        return self

    def num(self, col, width, v):
        s = str(int(v)).rjust(width, "0")
        assert len(s) == width, (col, width, v)
        self.c[col - 1:col - 1 + width] = s
        return self

    def __str__(self):
        s = "".join(self.c)
        assert len(s) == 126, s
        return s


def rate_bp(rate):
    return int(rate) if rate.isdigit() else 0


def icms(base, rate):
    return (base * rate_bp(rate) + 5000) // 10000


def milli(q):
    return int(round(q * 1000))


def item_value(qty_milli, unit):
    v, rest = divmod(qty_milli * unit, 1000)
    assert rest == 0, "quantities are chosen so that values are whole cents"
    return v


def main():
    lines = []

    def add(line):
        lines.append(str(line))

    add(Line("10").text(3, 14, SHOP["cnpj"]).text(17, 14, SHOP["ie"]).text(31, 35, SHOP["name"])
        .text(66, 30, SHOP["city"]).text(96, 2, SHOP["uf"]).text(98, 10, SHOP["fax"])
        .text(108, 8, PERIOD_FIRST).text(116, 8, PERIOD_LAST).text(124, 3, "331"))
    add(Line("11").text(3, 34, SHOP["street"]).text(37, 5, SHOP["number"])
        .text(42, 22, SHOP["complement"]).text(64, 15, SHOP["district"]).text(79, 8, SHOP["cep"])
        .text(87, 28, SHOP["contact"]).text(115, 12, SHOP["phone"]))

    # Records 50, one per note and rate, then the items.
    items54 = []
    for day, cfop, issuer, party, number, cst, items in NOTES:
        doc, ie, uf = PARTIES[party]
        by_rate = {}
        for n, (key, qty, unit) in enumerate(items, 1):
            rate = "0000" if cfop in NO_ICMS_CFOPS else INTERSTATE_RATE.get(cfop, P[key][4])
            value = item_value(milli(qty), unit)
            by_rate.setdefault(rate, []).append(value)
            base = 0 if rate == "0000" else value
            base_st = value * 140 // 100 if cfop == "1403" else 0
            items54.append(Line("54").text(3, 14, doc).text(17, 2, "55").text(19, 3, "1")
                           .num(22, 6, number).text(28, 4, cfop).text(32, 3, cst).num(35, 3, n)
                           .text(38, 14, P[key][0]).num(52, 11, milli(qty)).num(63, 12, value)
                           .num(75, 12, 0).num(87, 12, base).num(99, 12, base_st).num(111, 12, 0)
                           .text(123, 4, rate))
        for rate, values in by_rate.items():
            total = sum(values)
            base = 0 if rate == "0000" else total
            add(Line("50").text(3, 14, doc).text(17, 14, ie).text(31, 8, "202503%02d" % day)
                .text(39, 2, uf).text(41, 2, "55").text(43, 3, "1").num(46, 6, number)
                .text(52, 4, cfop).text(56, 1, issuer).num(57, 13, total).num(70, 13, base)
                .num(83, 13, icms(base, rate)).num(96, 13, 0).num(109, 13, total - base)
                .text(122, 4, rate).text(126, 1, "N"))
    for line in items54:
        add(line)

    # Fiscal printers, day by day.
    month = {}  # (product, rate) -> [qty_milli, value]
    state = {k: list(v) for k, v in PRINTERS.items()}
    for day in sorted({d for d, _ in COUPONS}):
        date = "202503%02d" % day
        for order in sorted(PRINTERS):
            serial, coo, crz, grand = state[order]
            coupons = COUPONS[(day, order)]
            coo_first = coo
            items60i, per_product, per_rate = [], {}, {}
            for coupon in coupons:
                for n, item in enumerate(coupon, 1):
                    key, qty = item[0], item[1]
                    unit = item[2] if len(item) > 2 and item[2] else P[key][5]
                    rate = item[3] if len(item) > 3 and item[3] else P[key][4]
                    q = milli(qty)
                    value = item_value(q, unit)
                    items60i.append((coo, n, key, q, unit, value, rate))
                    acc = per_product.setdefault((key, rate), [0, 0])
                    acc[0] += q
                    acc[1] += value
                    per_rate[rate] = per_rate.get(rate, 0) + value
                    # The register keeps the month per product at its own rate.
                    m = month.setdefault((key, P[key][4]), [0, 0])
                    m[0] += q
                    m[1] += value
                coo += 1
            if (day, order) in CANCELLED:
                coo += 1
            cancelled = CANCELLED.get((day, order), 0)
            discount = DISCOUNTS.get((day, order), 0)
            gross = sum(per_rate.values()) + cancelled + discount
            grand += gross
            add(Line("60M").text(4, 8, date).text(12, 20, serial).num(32, 3, order).text(35, 2, "2D")
                .num(37, 6, coo_first).num(43, 6, coo - 1).num(49, 6, crz).num(55, 3, 1)
                .num(58, 16, gross).num(74, 16, grand))
            for rate in RATE_ORDER:
                if rate in per_rate:
                    add(Line("60A").text(4, 8, date).text(12, 20, serial).text(32, 4, rate)
                        .num(36, 12, per_rate[rate]))
            for situation, value in (("CANC", cancelled), ("DESC", discount)):
                if value:
                    add(Line("60A").text(4, 8, date).text(12, 20, serial).text(32, 4, situation)
                        .num(36, 12, value))
            for (key, rate), (q, value) in sorted(per_product.items(), key=lambda kv: P[kv[0][0]][0]):
                base = value if rate_bp(rate) else 0
                add(Line("60D").text(4, 8, date).text(12, 20, serial).text(32, 14, P[key][0])
                    .num(46, 13, q).num(59, 16, value).num(75, 16, base).text(91, 4, rate)
                    .num(95, 13, icms(base, rate)))
            for c, n, key, q, unit, value, rate in items60i:
                base = value if rate_bp(rate) else 0
                add(Line("60I").text(4, 8, date).text(12, 20, serial).text(32, 2, "2D").num(34, 6, c)
                    .num(40, 3, n).text(43, 14, P[key][0]).num(57, 13, q).num(70, 13, unit)
                    .num(83, 12, base).text(95, 4, rate).num(99, 12, icms(base, rate)))
            state[order] = [serial, coo, crz + 1, grand]

    for (key, rate), (q, value) in sorted(month.items(), key=lambda kv: P[kv[0][0]][0]):
        add(Line("60R").text(4, 6, "032025").text(10, 14, P[key][0]).num(24, 13, q)
            .num(37, 16, value).num(53, 16, value if rate_bp(rate) else 0).text(69, 4, rate))

    for key, qty in sorted(SERIES_D, key=lambda kv: P[kv[0]][0]):
        value = item_value(milli(qty), P[key][5])
        rate = P[key][4]
        add(Line("61R").text(4, 6, "032025").text(10, 14, P[key][0]).num(24, 13, milli(qty))
            .num(37, 16, value).num(53, 16, value if rate_bp(rate) else 0).num(69, 4, rate_bp(rate)))

    for day, party, number, cfop, value, rate in TRANSPORT:
        doc, ie, uf = PARTIES[party]
        add(Line("70").text(3, 14, doc).text(17, 14, ie).text(31, 8, "202503%02d" % day).text(39, 2, uf)
            .text(41, 2, "57").text(43, 1, "1").text(44, 2, "").num(46, 6, number).text(52, 4, cfop)
            .num(56, 13, value).num(69, 14, value).num(83, 14, icms(value, rate)).num(97, 14, 0)
            .num(111, 14, 0).text(125, 1, "2").text(126, 1, "N"))

    for key, qty in sorted(INVENTORY, key=lambda kv: P[kv[0]][0]):
        q = milli(qty)
        add(Line("74").text(3, 8, INVENTORY_DATE).text(11, 14, P[key][0]).num(25, 13, q)
            .num(38, 13, (q * P[key][6] + 500) // 1000)
            .text(51, 1, "1").text(52, 14, SHOP["cnpj"]).text(66, 14, SHOP["ie"]).text(80, 2, SHOP["uf"]))

    for key in sorted((k for k in P if k not in WITHOUT_75), key=lambda k: P[k][0]):
        code, description, ncm, unit, rate, _, _ = P[key]
        add(Line("75").text(3, 8, PERIOD_FIRST).text(11, 8, PERIOD_LAST).text(19, 14, code)
            .text(33, 8, ncm).text(41, 53, description).text(94, 6, unit).num(100, 5, 0)
            .num(105, 4, rate_bp(rate)).num(109, 5, 0).num(114, 13, 0))

    counts = {}
    for line in lines:
        kind = line[:2]
        if kind not in ("10", "11"):
            counts[kind] = counts.get(kind, 0) + 1
    r90 = Line("90").text(3, 14, SHOP["cnpj"]).text(17, 14, SHOP["ie"])
    col = 31
    for kind in ("50", "54", "60", "61", "70", "74", "75"):
        if counts.get(kind):
            r90.text(col, 2, kind).num(col + 2, 8, counts[kind])
            col += 10
    r90.text(col, 2, "99").num(col + 2, 8, len(lines) + 1).text(126, 1, "1")
    add(r90)

    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "loja_exemplo_03-2025.txt")
    with open(out, "w", encoding="ascii", newline="") as f:
        for line in lines:
            f.write(line + "\r\n")
    print("%s: %d lines" % (out, len(lines)))


if __name__ == "__main__":
    main()
