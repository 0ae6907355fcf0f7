#!/usr/bin/env python3
"""What SQL tells of a trace equals what `tdftool stats --json` tells, over
every test trace, files of several traces and a few hundred generated ones:
by the trace generator, and the unit tests' random traces, whose awkward
and failing lines test the rows' bookkeeping; and a database exported to a
file answers as the one query builds in memory.

    query_stats_equivalence.py TDFTOOL TRACE_GENERATOR RANDOM_TRACE_WRITER EXAMPLES_DIR TEST_DATA_DIR

stats reads the trace through the reader's own counts; query through the
rows of the event store. stats describes the file's last trace (lines,
errors and warnings count the whole file), so the SQL looks at the rows of
the last trace only.
"""

import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile

TOOL, GENERATOR, RANDOM_WRITER, EXAMPLES, DATA = sys.argv[1:6]

LAST = "(SELECT max(trace) FROM event)"
# Each statement tags its rows with the fact they tell.
FACTS = [
    f"SELECT 'kind' AS fact, kind, count(*) AS n FROM event WHERE trace = {LAST} GROUP BY kind",
    f"SELECT 'instance' AS fact, dynamic_id AS id, name, type, deleted IS NOT NULL AS deleted, created "
    f"FROM instance WHERE trace = {LAST} ORDER BY instance.id",
    f"SELECT 'loops' AS fact, count(*) AS total, coalesce(max(depth), 0) AS max_depth "
    f"FROM loop JOIN event ON event.id = loop.start_event WHERE event.trace = {LAST}",
    # The new-trace marker has no time of its own.
    f"SELECT 'times' AS fact, "
    f"(SELECT time FROM event WHERE trace = {LAST} AND kind <> 'new_trace' ORDER BY id LIMIT 1) AS first, "
    f"(SELECT time FROM event WHERE trace = {LAST} AND kind <> 'new_trace' AND time <> 0 ORDER BY id LIMIT 1) "
    f"AS first_after_zero, "
    f"(SELECT time FROM event WHERE trace = {LAST} AND kind <> 'new_trace' ORDER BY id DESC LIMIT 1) AS last",
    "SELECT 'meta' AS fact, key, value FROM meta",
    "SELECT 'diagnostics' AS fact, count(*) FILTER (WHERE severity = 'error') AS errors, "
    "count(*) FILTER (WHERE severity = 'warning') AS warnings FROM diagnostic",
    "SELECT 'traces' AS fact, coalesce(max(trace) + 1, 1) AS n FROM event",
]

# Every row of every table, for the comparison of a database file with the
# one in memory.
DUMP = [
    "SELECT * FROM event ORDER BY id",
    "SELECT * FROM instance ORDER BY id",
    "SELECT * FROM message ORDER BY event",
    "SELECT * FROM loop ORDER BY start_event",
    "SELECT * FROM diagnostic ORDER BY rowid",
    "SELECT * FROM meta ORDER BY key",
]


def run(arguments, expect_ok=True):
    done = subprocess.run([TOOL] + arguments, stdin=subprocess.DEVNULL, capture_output=True)
    if expect_ok and done.returncode != 0:
        raise AssertionError(f"tdftool {' '.join(arguments)}: exit {done.returncode}: "
                             f"{done.stderr.decode(errors='replace')[:500]}")
    return done


def sql_facts(configuration, trace):
    facts = {"kind": {}, "instance": [], "meta": {}}
    output = run(["query", "--json"] + configuration + [trace] + FACTS).stdout.decode()
    for line in output.splitlines():
        row = json.loads(line)
        fact = row.pop("fact")
        if fact == "kind":
            facts["kind"][row["kind"]] = row["n"]
        elif fact == "instance":
            facts["instance"].append(row)
        elif fact == "meta":
            facts["meta"][row["key"]] = row["value"]
        else:
            facts[fact] = row
    return facts


def time_count(time):
    return None if time is None else time["count"]


def differences(configuration, trace, first_is_event_time):
    """The facts in which the two readings differ, as text."""
    stats = json.loads(run(["stats", "--json"] + configuration + [trace], expect_ok=False).stdout)
    sql = sql_facts(configuration, trace)
    found = []

    def compare(what, from_stats, from_sql):
        if from_stats != from_sql:
            found.append(f"{what}: stats {from_stats!r}, SQL {from_sql!r}")

    objects = dict(stats["objects"])
    compare("objects total", objects.pop("total"), sum(sql["kind"].values()))
    compare("objects per kind", objects, sql["kind"])
    compare("loops", stats["loops"], {"total": sql["loops"]["total"], "max_depth": sql["loops"]["max_depth"]})
    compare("instances total", stats["instances"]["total"], len(sql["instance"]))
    compare("instances total by kind", stats["instances"]["total"], sql["kind"].get("instance", 0))
    listed = [{"id": row["id"], "name": row["name"], "type": row["type"], "deleted": bool(row["deleted"])}
              for row in sql["instance"][:len(stats["instances"]["listed"])]]
    compare("instances listed", stats["instances"]["listed"], listed)
    compare("last time", time_count(stats["times"]["last"]), sql["times"]["last"])
    # The first time is that of the first TM record; the events before it
    # are at time 0. The store keeps events, not TM records: where several
    # TM records come before the first event (the random traces), the
    # first of them is not to be seen in the rows.
    first = time_count(stats["times"]["first"])
    times = sql["times"]
    if first_is_event_time and times["first"] is not None and first not in (times["first"],
                                                                              times["first_after_zero"]):
        compare("first time", first, times["first"])
    compare("traces", stats["traces"], sql["traces"]["n"])
    compare("lines", str(stats["lines"]), sql["meta"].get("lines"))
    compare("configuration", stats["configuration"], sql["meta"].get("configuration"))
    compare("errors", stats["errors"], sql["diagnostics"]["errors"])
    compare("warnings", stats["warnings"], sql["diagnostics"]["warnings"])
    return found


def exported_differences(configuration, trace, work):
    """Whether query --db of an exported database prints what query in
    memory prints, without reading the trace again."""
    database = os.path.join(work, "exported.db")
    if os.path.exists(database):
        os.remove(database)
    run(["export", "--sqlite", database] + configuration + [trace], expect_ok=False)
    if not os.path.exists(database):
        return ["export wrote no database"]
    in_memory = run(["query"] + configuration + [trace] + DUMP)
    from_file = run(["query", "--db", database] + configuration + [trace] + DUMP)
    found = []
    if in_memory.stdout != from_file.stdout:
        found.append("query --db of the exported database differs from query in memory")
    if from_file.stderr:
        found.append(f"query --db read the trace again: {from_file.stderr.decode()[:200]}")
    return found


def generated_traces(work):
    sizes = [0, 1, 5, 20, 60, 150, 400, 1000]
    traces = []
    for mix, flag in (("mixed", []), ("messages", ["--messages"]), ("bounded", ["--bounded"])):
        for seed in range(1, 101):
            path = os.path.join(work, f"{mix}-{seed}.tdf")
            with open(path, "wb") as out:
                subprocess.run([GENERATOR] + flag + ["--seed", str(seed), str(sizes[seed % len(sizes)] + seed)],
                               stdout=out, check=True)
            traces.append(path)
    return traces


def random_traces(work):
    traces = []
    for seed in range(1, 101):
        path = os.path.join(work, f"random-{seed}.tdf")
        with open(path, "wb") as out:
            subprocess.run([RANDOM_WRITER, str(seed), str(50 + seed * 7)], stdout=out, check=True)
        traces.append(path)
    return traces


def several_traces(work):
    """Files of several traces (NT), of which stats tells the last."""
    def join(name, parts):
        path = os.path.join(work, name)
        with open(path, "w") as out:
            out.write("\nNT\n".join(parts))
        return path

    def text(path):
        with open(path) as file:
            return file.read()

    example = text(os.path.join(EXAMPLES, "example.tdf"))
    return [
        join("nt-examples.tdf", [example, text(os.path.join(DATA, "view.tdf")), example]),
        join("nt-generated.tdf", [text(os.path.join(work, "mixed-7.tdf")), text(os.path.join(work, "bounded-9.tdf"))]),
        join("nt-empty-last.tdf", ["TM 58\nDA", ""]),
    ]


def main():
    work = tempfile.mkdtemp()
    try:
        test_configuration = ["--tcf", os.path.join(DATA, "reader.tcf"), "--tcf", os.path.join(DATA, "round_trip.tcf"),
                              "--tcf", os.path.join(EXAMPLES, "default.tcf")]
        cases = [([], path, True) for path in sorted(glob.glob(os.path.join(EXAMPLES, "*.tdf")))]
        cases += [(test_configuration, path, True) for path in sorted(glob.glob(os.path.join(DATA, "*.tdf")))]
        generated = generated_traces(work) + random_traces(work)
        # The random traces are written for the configurations of round_trip.tcf.
        cases += [([], path, True) if "random-" not in path else
                  (["--tcf", os.path.join(DATA, "round_trip.tcf")], path, False) for path in generated]
        cases += [([], path, True) for path in several_traces(work)]
        failed = 0
        for configuration, trace, first_is_event_time in cases:
            found = differences(configuration, trace, first_is_event_time)
            # The export comparison reads every row: on the test traces and
            # every tenth generated or random one.
            if trace not in generated or generated.index(trace) % 10 == 0:
                found += exported_differences(configuration, trace, work)
            if found:
                failed += 1
                print(f"FAIL {os.path.basename(trace)}:")
                for difference in found[:5]:
                    print(f"  {difference}")
        print(f"{len(cases)} traces compared, {failed} differ")
        return 1 if failed else 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
