#!/usr/bin/python3
# Prints a DBF table as an independent reader (dbfread) sees it: "count N", then one line per
# record that is not deleted, its values joined by "|" (None for a blank value, dates as ISO).
import datetime
import sys

import dbfread


def show(value):
    if value is None:
        return "None"
    if isinstance(value, bool):
        return "T" if value else "F"
    if isinstance(value, datetime.date):
        return value.isoformat()
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, str):
        # dBASE IV memo texts: dbfread takes their length, which counts the 8-byte block header,
        # for the text's, and so reads 8 bytes of the 0x1A filler behind it.
        return value.rstrip("\x1a")
    return str(value)


class NumbersAsStored(dbfread.FieldParser):
    """Number fields as the text they hold, for comparing every digit with the text outputs."""

    def parseN(self, field, data):
        return data.strip().decode("ascii") or None


parser = NumbersAsStored if "--numbers-as-text" in sys.argv[2:] else dbfread.FieldParser
table = dbfread.DBF(sys.argv[1], encoding="latin-1", char_decode_errors="strict",
                    parserclass=parser)
print("count", table.header.numrecords)
for record in table:
    print("|".join(show(v) for v in record.values()))
