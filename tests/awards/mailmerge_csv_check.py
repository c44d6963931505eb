"""Reads a mail merge file written by orvanta-cli with Python's csv module.

Usage: mailmerge_csv_check.py ORVANTA_CLI

Builds a database whose values hold commas, double quotes and a line break,
writes the mail merge file of award year 1999 and checks that the csv module
reads it as a table of eleven columns with every value as stored.
"""

import csv
import os
import subprocess
import sys
import tempfile

HEADER = ["Name", "Department", "DeptShort", "Address", "ServiceDate", "ServiceYears",
          "Supervisor", "SuperMail", "EmployeeSSN", "EmployeeID", "EmployeeSex"]


def q(value):
    """A text literal of the program's statements."""
    return '"' + value.replace('"', '""') + '"'


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"), LC_ALL="en_US.UTF-8")

        def run(*args):
            done = subprocess.run([cli, "--db", work, *args], env=env, capture_output=True, text=True)
            if done.returncode != 0:
                sys.exit(f"orvanta-cli {' '.join(args)} failed: {done.stderr}")
            return done.stdout

        employees = [
            # id, name, service date, campus mail, supervisor, supervisor mail, ssn, sex
            ("1001", 'Smith, Jane "JJ"', "03/15/1979", "Box 12, Hall A", 'Brown, "Al"', "", "123-45-6789", "F"),
            ("1002", '"Quoted" only', "11/02/1959", "Line one\nLine two", "", "x,y,z", "", "M"),
            ("1003", "Plain", "01/31/1994", "", "", "", "", ""),
        ]
        department = 'Accounting, "Main" Office'
        run("sql", 'Insert into "Location.db" (LocationType, Description) values ("A", "Alpha")')
        run("sql", 'Insert into "Depart.db" (LocationCode, LocationType, Description, ShortDescription) '
                   f'values ("D1", "A", {q(department)}, "")')
        for e in employees:
            values = ", ".join(q(v) for v in (e[0], e[1], e[2], "D1", *e[3:]))
            run("sql", 'Insert into "Employee.db" (EmployeeID, Name, AnvDate, LocationCode, CampusMail, '
                       f"Supervisor, SupervisorMail, SSN, Sex) values ({values})")
        path = os.path.join(work, "merge.csv")
        run("settings", "set", "MailExport=" + path)
        run("merge", "--year", "1999", "--location", "A", "--sort", "years")

        with open(path, newline="", encoding="latin-1") as f:
            rows = list(csv.reader(f))

        expected = [HEADER]
        service = {"1001": ("3/15/1979", "20"), "1002": ("11/2/1959", "40"), "1003": ("1/31/1994", "5")}
        for e in sorted(employees, key=lambda e: e[2][6:] + e[2][:5]):  # earliest service date first
            date, years = service[e[0]]
            expected.append([e[1], department, "", e[3], date, years, e[4], e[5], e[6], e[0], e[7]])

        problems = []
        for i, row in enumerate(rows):
            if len(row) != 11:
                problems.append(f"line {i + 1} has {len(row)} values: {row}")
        if rows != expected:
            problems.append(f"read {rows}\nexpected {expected}")
        if problems:
            sys.exit("\n".join(problems))
        print(f"{len(rows)} rows of 11 values read back")


if __name__ == "__main__":
    main()
