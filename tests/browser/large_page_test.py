#!/usr/bin/env python3
"""A page of a generated trace of 200,000 lines loads within its budget.

    large_page_test.py TDFTOOL TRACE_GENERATOR [unittest arguments]

The trace is the bounded kind (about 50 instances alive at a time), so the
page must also keep its columns near that number.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_session import PageSession, render_page, run_tests  # noqa: E402
from trace_facts import read_trace_facts  # noqa: E402

TDFTOOL = None
GENERATOR = None
LINES = 200000
READY_BUDGET = 30  # seconds, from the start of loading until tdfView.ready


class LargePageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="tdf-large-page-")
        cls.trace = os.path.join(cls.work, "bounded.tdf")
        with open(cls.trace, "w") as out:
            subprocess.run([GENERATOR, "--bounded", str(LINES)], stdout=out, check=True)
        cls.page = os.path.join(cls.work, "bounded.html")
        print(render_page(TDFTOOL, cls.trace, cls.page).strip(), file=sys.stderr)
        cls.facts = read_trace_facts(cls.trace)
        cls.session = PageSession()
        cls.ready_seconds = cls.session.open(cls.page, budget=READY_BUDGET)
        print(f"{len(cls.facts.events)} events: ready after {cls.ready_seconds:.1f} s (budget {READY_BUDGET} s)",
              file=sys.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_the_page_is_ready_within_budget_and_moves_to_its_end(self):
        self.assertLess(self.ready_seconds, READY_BUDGET)
        self.session.view("goToTime", 0)
        first, last = self.session.visible_events()
        self.assertEqual(first, 0)
        self.assertGreater(last, first)

        facts = self.facts
        target = facts.first_event_at_or_after(facts.events[-1].time)
        self.session.view("goToTime", target.time)
        self.session.next_frame()
        first, last = self.session.visible_events()
        self.assertTrue(first <= target.index <= last, f"event {target.index} not in [{first}, {last}]")
        self.assertLess(last, len(facts.events))

    def test_the_zoom_field_reads_plain_digits_when_fitted(self):
        from selenium.webdriver.common.by import By
        self.session.driver.find_element(By.ID, "zoom-fit").click()
        self.session.next_frame()
        shown = self.session.driver.find_element(By.ID, "zoom-level").text
        percent = self.session.view("zoom") * 100
        self.assertLess(percent, 0.1, "the trace is long enough to be fitted below 0.1 %")
        self.assertRegex(shown, r"^0\.0*[1-9][0-9]?%$")
        self.assertAlmostEqual(float(shown[:-1]), percent, delta=percent * 0.06)

    def test_columns_stay_within_two_of_the_most_instances_alive(self):
        # The world actor's column is one of the two.
        columns = self.session.view("columns")
        self.assertLessEqual(columns, self.facts.most_alive + 2,
                             f"{columns} columns for at most {self.facts.most_alive} instances alive at once")


def main():
    global TDFTOOL, GENERATOR
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    TDFTOOL, GENERATOR = sys.argv[1], sys.argv[2]
    return run_tests(sys.argv)


if __name__ == "__main__":
    sys.exit(main())
