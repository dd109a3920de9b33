"""Prints the sheets and cells of an .xlsx file as openpyxl reads them.

One line per sheet: S<TAB>title; one line per cell holding a value or a
number format other than General:
C<TAB>row<TAB>column<TAB>kind (s text, n number, e empty)<TAB>format<TAB>value
Tabs, line breaks and backslashes in texts are written as \\t, \\n, \\r, \\\\.
"""
import sys

import openpyxl


def esc(s):
    return (s.replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\n", "\\n").replace("\r", "\\r"))


def main(path):
    wb = openpyxl.load_workbook(path)
    for ws in wb.worksheets:
        print("S\t" + esc(ws.title))
        for row in ws.iter_rows():
            for c in row:
                v = c.value
                if v is None and c.number_format == "General":
                    continue
                if isinstance(v, str):
                    kind, text = "s", v
                elif isinstance(v, (int, float)):
                    kind, text = "n", repr(v)
                else:
                    kind, text = "e", ""
                print("C\t%d\t%d\t%s\t%s\t%s" % (c.row, c.column, kind,
                                                 esc(c.number_format), esc(text)))


if __name__ == "__main__":
    main(sys.argv[1])
