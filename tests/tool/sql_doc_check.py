#!/usr/bin/env python3
"""docs/sql.md tells every table and column of the database, and its worked
questions print what the page shows.

    sql_doc_check.py TDFTOOL TRACE_GENERATOR SOURCE_DIR

A question is a ```sql block after a line "On `TRACE`" (with "with `--tcf
FILE`" where it needs one), followed by a ```text block of what
`tdftool query --table TRACE -f QUESTION.sql` prints, run from the top of
the checkout. The generated traces are those the page tells how to make.
"""

import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile

TOOL, GENERATOR, SOURCE = sys.argv[1:4]
GENERATED = {
    "gen.tdf": ["--seed", "1", "5000"],
    "gen2.tdf": ["--seed", "2", "5000"],
    "bounded.tdf": ["--bounded", "--seed", "1", "5000"],
}


def sections(text, level):
    """The sections of a heading level: title -> body."""
    found = {}
    parts = re.split(rf"^{level} (.*)$", text, flags=re.M)
    for title, body in zip(parts[1::2], parts[2::2]):
        found[title.strip()] = body
    return found


def schema_problems(page, work):
    database = os.path.join(work, "example.db")
    subprocess.run([TOOL, "export", "--sqlite", database, os.path.join(SOURCE, "examples", "example.tdf")],
                   capture_output=True, check=True)
    connection = sqlite3.connect(database)
    tables = [row[0] for row in connection.execute("SELECT name FROM sqlite_schema WHERE type = 'table'")]
    documented = sections(sections(page, "##")["The tables"], "###")
    problems = []
    for table in tables:
        columns = [row[1] for row in connection.execute(f"PRAGMA table_info({table})")]
        section = next((body for title, body in documented.items() if table in title.split(", ")), None)
        if section is None:
            problems.append(f"table {table} is not described")
            continue
        # A row names its columns in its first cell, as `c` or `table.c`.
        cells = " ".join(line.split("|")[1] for line in section.splitlines() if line.startswith("| `"))
        for column in columns:
            if f"`{column}`" not in cells and f"`{table}.{column}`" not in cells:
                problems.append(f"column {table}.{column} is not described")
    keys = [row[0] for row in connection.execute("SELECT key FROM meta")]
    meta = documented["meta"]
    problems += [f"meta key {key} is not described" for key in keys if f"`{key}`" not in meta]
    connection.close()
    return problems


def question_problems(page, work):
    for name, arguments in GENERATED.items():
        with open(os.path.join(work, name), "wb") as out:
            subprocess.run([GENERATOR] + arguments, stdout=out, check=True)
    questions = re.findall(r"^On `([^`]+)`(?: with `(--tcf [^`]+)`)?.*?```sql\n(.*?)```\n\n```text\n(.*?)```",
                           sections(page, "##")["Worked questions"], flags=re.M | re.S)
    problems = [] if len(questions) >= 12 else [f"{len(questions)} worked questions, not a dozen"]
    for trace, configuration, sql, shown in questions:
        if trace in GENERATED:
            trace = os.path.join(work, trace)
        script = os.path.join(work, "question.sql")
        with open(script, "w") as out:
            out.write(sql)
        done = subprocess.run([TOOL, "query", "--table"] + configuration.split() + [trace, "-f", script],
                              cwd=SOURCE, capture_output=True, stdin=subprocess.DEVNULL)
        printed = done.stdout.decode()
        if done.returncode != 0 or printed != shown:
            problems.append(f"the question on {trace} prints otherwise (exit {done.returncode}):\n{sql}"
                            f"{done.stderr.decode()}{printed}")
    return problems


def main():
    with open(os.path.join(SOURCE, "docs", "sql.md"), encoding="utf-8") as file:
        page = file.read()
    work = tempfile.mkdtemp()
    try:
        problems = schema_problems(page, work) + question_problems(page, work)
    finally:
        shutil.rmtree(work)
    for problem in problems:
        print(f"FAIL {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
