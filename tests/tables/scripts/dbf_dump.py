# Prints every record of a table as read by the python dbf module, one JSON line each:
# {"deleted": bool, "values": {field: text}} with dates as YYYYMMDD, logicals T/F.
import json
import sys

import dbf


def text(v):
    if v is None:
        return ""
    if isinstance(v, bool):
        return "T" if v else "F"
    if hasattr(v, "strftime"):
        return v.strftime("%Y%m%d")
    if isinstance(v, (int, float)):
        return repr(float(v))
    return str(v).rstrip(" ")


table = dbf.Table(sys.argv[1])
table.open(dbf.READ_ONLY)
for rec in table:
    values = {name.upper(): text(rec[name]) for name in table.field_names}
    print(json.dumps({"deleted": bool(dbf.is_deleted(rec)), "values": values}, sort_keys=True))
table.close()
