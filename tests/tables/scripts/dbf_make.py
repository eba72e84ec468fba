# Creates a FoxPro table with memo file through the python dbf module, with n records of
# every field type (every 5th deleted), then prints it as dbf_dump.py does.
import datetime
import subprocess
import sys

import dbf

path, count = sys.argv[1], int(sys.argv[2])
table = dbf.Table(path, "NAME C(20); WHEN D; PAGES N(5,1); SENT L; NOTE M",
                  dbf_type="fp", codepage="cp1252")
table.open(dbf.READ_WRITE)
for i in range(1, count + 1):
    when = None if i % 4 == 0 else datetime.date(2020 + i % 5, 1 + i % 12, 1 + i % 28)
    note = "" if i % 3 == 0 else "memo %d " % i + "x" * (i * 7 % 300)
    table.append(("name %d" % i, when, i * 1.5 % 1000, i % 2 == 0, note))
for i, rec in enumerate(table):
    if (i + 1) % 5 == 0:
        dbf.delete(rec)
table.close()
subprocess.run([sys.executable, sys.argv[0].replace("dbf_make.py", "dbf_dump.py"), path], check=True)
