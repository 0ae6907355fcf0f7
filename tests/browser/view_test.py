#!/usr/bin/env python3
"""The HTML view in headless Chromium: scrolling, zoom, search, going to a
time, column reuse and what the screenshot shows.

    view_test.py TDFTOOL DATA_DIR [unittest arguments]

Each test renders a trace of DATA_DIR with `tdftool render -o X.html`, or
with TDF_PAGE_MODE=served has `tdftool view` serve it, opens the page,
waits for window.tdfView.ready and checks the page against facts read from
the trace's text (trace_facts.py): the same assertions in both modes.
"""

import os
import shutil
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_session import PageSession, ServedTrace, page_mode, render_page, run_tests  # noqa: E402
from png_pixels import decode_png  # noqa: E402
from trace_facts import read_trace_facts  # noqa: E402

TDFTOOL = None
DATA = None

# In view.tdf: a label too long for its column, and a time only its
# "report" message comes at or after.
LONG_LABEL = "calibrate_pressure_sensor_against_reference_channel_then_store_offset"
LONG_LABEL_TAIL = "then_store_offset"
LATE_TIME = 90000


def setUpModule():
    # One browser and one page per trace for all the tests: each test opens
    # its page afresh.
    ViewTestCase.session = PageSession()
    ViewTestCase.work = tempfile.mkdtemp(prefix="tdf-view-")


def tearDownModule():
    ViewTestCase.session.close()
    try:
        for server in ViewTestCase.servers:
            server.stop()
    finally:
        shutil.rmtree(ViewTestCase.work, ignore_errors=True)


class ViewTestCase(unittest.TestCase):
    session = None
    work = None
    pages = {}
    servers = []

    def open_trace(self, name, width=900, height=600, faulty=False):
        """Opens the page of tests/data/NAME.tdf (or of the trace at the
        absolute path NAME, with errors when `faulty`) in a viewport of that
        size; returns the trace's facts."""
        trace = name if os.path.isabs(name) else os.path.join(DATA, name + ".tdf")
        if name not in self.pages:
            if page_mode() == "served":
                server = ServedTrace(TDFTOOL, trace, faulty=faulty)
                self.servers.append(server)
                self.pages[name] = server.url
            else:
                page = os.path.join(self.work, os.path.basename(name) + ".html")
                render_page(TDFTOOL, trace, page, faulty)
                self.pages[name] = page
        self.session.resize(width, height)
        self.session.open(self.pages[name])
        self.assertEqual(self.session.driver.execute_script("return window.tdfView.mode"), page_mode())
        return read_trace_facts(trace)

    def click_event(self, i, keys=()):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        point = self.session.view("eventPoint", i)
        body = self.session.driver.find_element(By.ID, "body")
        rect = self.session.box("body")
        actions = ActionChains(self.session.driver)
        for key in keys:
            actions.key_down(key)
        actions.move_to_element_with_offset(body, point["x"] - rect[0] - rect[2] / 2, point["y"] - rect[1] - rect[3] / 2)
        actions.click()
        for key in keys:
            actions.key_up(key)
        actions.perform()
        self.session.next_frame()

    def assertSameBox(self, before, after, what):
        for a, b in zip(before, after):
            self.assertAlmostEqual(a, b, delta=0.5, msg=f"{what} moved: {before} -> {after}")

    def title_boxes(self):
        """The sticky titles shown: {text: (left, tooltip)}."""
        return {text: (left, tooltip) for text, left, tooltip in self.session.driver.execute_script("""
            return Array.from(document.querySelectorAll('#titles > *'))
              .filter((e) => !e.hidden && e.getClientRects().length)
              .map((e) => [e.textContent, e.getBoundingClientRect().left, e.title]);""")}

    def axis_rows(self):
        """The times on the axis: {event index: centre y in the viewport}."""
        rows = self.session.driver.execute_script("""
            return Array.from(document.querySelectorAll('#axis-labels [data-event]'))
              .filter((e) => !e.hidden && e.getClientRects().length)
              .map((e) => { const r = e.getBoundingClientRect(); return [+e.dataset.event, r.top + r.height / 2]; });""")
        return dict(rows)


class StickyBandsTest(ViewTestCase):
    def test_titles_and_axis_stay_while_the_diagram_scrolls_both_ways(self):
        self.open_trace("view")
        session = self.session
        titles, axis = session.box("titles"), session.box("axis")
        start = session.visible_events()
        self.assertEqual(start[0], 0)
        axis_picture, titles_picture = session.element_png("axis"), session.element_png("titles")
        lefts = {text: left for text, (left, _) in self.title_boxes().items()}
        self.assertIn("Controller", lefts)

        session.wheel("body", 0, 400)
        down = session.visible_events()
        self.assertGreater(down[0], start[0], "the wheel did not scroll down")
        self.assertSameBox(titles, session.box("titles"), "the title band")
        self.assertSameBox(axis, session.box("axis"), "the time axis")
        self.assertNotEqual(axis_picture, session.element_png("axis"), "the axis shows the same times")

        session.wheel("body", 300, 0)
        self.assertEqual(session.visible_events(), down, "scrolling sideways changed the rows shown")
        self.assertSameBox(titles, session.box("titles"), "the title band")
        self.assertSameBox(axis, session.box("axis"), "the time axis")
        self.assertNotEqual(titles_picture, session.element_png("titles"), "the titles did not follow")
        right = {text: left for text, (left, _) in self.title_boxes().items()}
        self.assertIn("Controller", right)
        self.assertAlmostEqual(right["Controller"], lefts["Controller"] - 300, delta=1)

        session.wheel("body", -300, -400)
        self.assertEqual(session.visible_events(), start)
        self.assertSameBox(titles, session.box("titles"), "the title band")
        self.assertSameBox(axis, session.box("axis"), "the time axis")
        back = {text: left for text, (left, _) in self.title_boxes().items()}
        self.assertEqual(back.keys(), lefts.keys())
        for text in lefts:
            self.assertAlmostEqual(back[text], lefts[text], delta=1, msg=text)


    def test_dragging_pans_the_diagram_under_the_bands(self):
        self.open_trace("view")
        session = self.session
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        titles, axis = session.box("titles"), session.box("axis")
        start = session.visible_events()
        controller = self.title_boxes()["Controller"][0]
        ActionChains(session.driver).drag_and_drop_by_offset(
            session.driver.find_element(By.ID, "body"), -250, -300).perform()
        session.next_frame()
        moved = session.visible_events()
        self.assertGreater(moved[0], start[0], "dragging up did not scroll down")
        self.assertAlmostEqual(self.title_boxes()["Controller"][0], controller - 250, delta=1)
        self.assertSameBox(titles, session.box("titles"), "the title band")
        self.assertSameBox(axis, session.box("axis"), "the time axis")


class ZoomTest(ViewTestCase):
    def test_ctrl_wheel_zooms_the_time_axis_about_the_pointer(self):
        self.open_trace("view")
        session = self.session
        session.wheel("body", 0, 500)
        body = session.box("body")
        pointer_y = body[1] + body[3] / 2 - 80
        before_range, before_rows = session.visible_events(), self.axis_rows()
        # A browser zooms the whole page on Ctrl+wheel unless the page cancels
        # the event (headless Chromium never zooms, so look at the event).
        session.driver.execute_script("""
            window.wheelCancelled = [];
            window.addEventListener('wheel', (e) => window.wheelCancelled.push(e.defaultPrevented));""")

        from selenium.webdriver.common.keys import Keys
        session.wheel("body", 0, -200, offset=(0, -80), keys=(Keys.CONTROL,))
        after_range, after_rows = session.visible_events(), self.axis_rows()
        cancelled = session.driver.execute_script("return window.wheelCancelled")
        self.assertTrue(cancelled and all(cancelled), f"the browser would zoom the page too: {cancelled}")
        self.assertLess(after_range[1] - after_range[0], before_range[1] - before_range[0],
                        "zooming in shows as many rows as before")

        # Every row keeps its place relative to the pointer, scaled by one factor.
        common = [i for i in before_rows if i in after_rows and abs(before_rows[i] - pointer_y) > 30]
        self.assertGreaterEqual(len(common), 2, f"too few rows on the axis before and after: {common}")
        scales = [(after_rows[i] - pointer_y) / (before_rows[i] - pointer_y) for i in common]
        self.assertGreater(min(scales), 1.2, f"the rows did not spread: {scales}")
        for i in common:
            expected = pointer_y + scales[0] * (before_rows[i] - pointer_y)
            self.assertAlmostEqual(after_rows[i], expected, delta=3,
                                   msg=f"event {i} moved off the zoom about the pointer")

    def test_zoom_buttons_change_the_scale_both_ways(self):
        self.open_trace("view")
        session = self.session
        from selenium.webdriver.common.by import By
        start = session.visible_events()
        session.driver.find_element(By.ID, "zoom-in").click()
        session.next_frame()
        zoomed = session.visible_events()
        self.assertLess(zoomed[1] - zoomed[0], start[1] - start[0])
        session.driver.find_element(By.ID, "zoom-out").click()
        session.driver.find_element(By.ID, "zoom-out").click()
        session.next_frame()
        wider = session.visible_events()
        self.assertGreater(wider[1] - wider[0], start[1] - start[0])


class FindAndGoTest(ViewTestCase):
    def test_the_long_label_is_shortened_in_the_picture(self):
        # The SVG of the same trace shows the label cut with an ellipsis: the
        # trace does exercise a label too long for its place.
        svg = os.path.join(self.work, "view.svg")
        render_page(TDFTOOL, os.path.join(DATA, "view.tdf"), svg)
        with open(svg, encoding="utf-8") as picture:
            drawn = picture.read()
        self.assertIn(LONG_LABEL[:12], drawn)
        self.assertNotIn(f">{LONG_LABEL}</text>", drawn)
        self.assertIn("\u2026</text>", drawn)

    def test_find_reaches_the_events_of_a_shortened_label(self):
        facts = self.open_trace("view")
        session = self.session
        hits = facts.events_labelled(LONG_LABEL_TAIL)
        self.assertTrue(hits)
        first, last = session.visible_events()
        self.assertGreater(hits[0].index, last, "the label is already on screen")

        self.assertEqual(session.view("find", LONG_LABEL_TAIL), len(hits))
        session.next_frame()
        first, last = session.visible_events()
        self.assertLessEqual(first, hits[0].index)
        self.assertGreaterEqual(last, hits[0].index)
        self.assertEqual(session.view("find", "no label holds this"), 0)

    def test_go_to_time_shows_the_first_event_at_or_after_it(self):
        facts = self.open_trace("view")
        session = self.session
        for time in (LATE_TIME, 50001, 1200):
            target = facts.first_event_at_or_after(time)
            before = session.visible_events()
            session.view("goToTime", time)
            session.next_frame()
            first, last = session.visible_events()
            self.assertTrue(first <= target.index <= last,
                            f"goToTime({time}): event {target.index} not in [{first}, {last}]")
            if not before[0] <= target.index <= before[1]:
                self.assertNotEqual((first, last), before)


class ColumnReuseTest(ViewTestCase):
    def test_a_deleted_instances_column_is_taken_by_a_later_one(self):
        facts = self.open_trace("column_reuse", height=360)
        session = self.session
        columns = session.view("columns")
        self.assertEqual((facts.instances_created, facts.most_alive), (4, 2))
        self.assertLess(columns, facts.instances_created)
        self.assertLessEqual(columns, facts.most_alive + 2)

        def sensor_or_buffer():
            shown = self.title_boxes()
            return {text: box for text, box in shown.items() if "Sensor" in text or "Buffer" in text}

        # At the top the column holds Sensor 200; after its deletion Buffer
        # 300, then Sensor 400, each with its title in the same place.
        at_start = sensor_or_buffer()
        self.assertEqual(len(at_start), 1, at_start)
        (first_text, (column_left, _)), = at_start.items()
        self.assertIn("Sensor", first_text)
        for time, name, instance in ((2010, "Buffer", "300"), (3010, "Sensor", "400")):
            session.view("goToTime", time)
            session.next_frame()
            shown = sensor_or_buffer()
            self.assertEqual(len(shown), 1, f"at {time}: {shown}")
            (text, (left, tooltip)), = shown.items()
            self.assertIn(name, text)
            self.assertAlmostEqual(left, column_left, delta=1, msg=f"{text} is not in the reused column")
            self.assertIn(instance, tooltip, f"the title of {text} does not name its id")


    def test_zoomed_out_the_band_counts_the_instances_of_a_column(self):
        self.open_trace("column_reuse", height=360)
        self.session.driver.find_element("id", "zoom-fit").click()
        self.session.next_frame()
        # Sensor 200, Buffer 300 and Sensor 400 take the column in turn.
        shown = {text: tooltip for text, (_, tooltip) in self.title_boxes().items()}
        reused = [text for text in shown if "Sensor" in text]
        self.assertEqual(len(reused), 1, shown)
        self.assertTrue(reused[0].endswith(" \u00d73"), reused[0])
        self.assertIn("3 instances hold this column in turn in the view", shown[reused[0]])
        controller = [text for text in shown if text.startswith("Controller")]
        self.assertEqual(controller, ["Controller"], "a column of one instance has no count")


class ScreenshotTest(ViewTestCase):
    # A pixel row across an arrow between two columns (170 pixels apart)
    # has more ink than one across lifelines, bars and a label.
    ARROW_INK = 100

    def test_arrows_are_drawn_on_the_rows_the_axis_gives(self):
        facts = self.open_trace("view", width=1900, height=700)
        session = self.session
        session.view("goToTime", 1300)
        session.next_frame()
        first, last = session.visible_events()
        canvas = session.box("diagram")
        pixels = decode_png(session.element_png("diagram"))
        background = pixels.rgb(pixels.width - 2, pixels.height - 2)

        def ink(y):
            return sum(1 for colour in pixels.row(y, 0, pixels.width)
                       if sum(abs(a - b) for a, b in zip(colour, background)) > 60)

        rows = self.axis_rows()
        arrows = [i for i in range(first, last + 1) if facts.events[i].opcode in ("ME", "MR") and i in rows]
        self.assertGreaterEqual(len(arrows), 8, f"too few arrows on screen: {arrows}")
        for i in arrows:
            centre = round(rows[i] - canvas[1])
            near = range(max(0, centre - 4), min(pixels.height, centre + 5))
            self.assertGreaterEqual(max((ink(y) for y in near), default=0), self.ARROW_INK,
                                    f"no arrow drawn near y {centre} for event {i} ({facts.events[i].label})")
            # Half way to the next row's label there is none.
            clear = range(centre + 6, min(pixels.height, centre + 13))
            self.assertLess(max((ink(y) for y in clear), default=0), self.ARROW_INK,
                            f"an arrow drawn between rows below y {centre}")
        # Not a canvas filled all over: some rows hold no arrow.
        self.assertLess(min(ink(y) for y in range(0, pixels.height, 3)), self.ARROW_INK)


class ServedAsFiledTest(ViewTestCase):
    """The served page against the page of a file of the same trace: the
    same rows, titles, times and pixels wherever the view goes."""

    def view_state(self):
        session = self.session
        first, last = session.visible_events()
        points = {i: session.view("eventPoint", i) for i in range(max(first, 0), last + 1)}
        return {"visible": (first, last), "zoom": session.view("zoom"), "points": points,
                "titles": self.title_boxes(), "axis": self.axis_rows(), "edge names": self.edge_name_texts(),
                "diagram": self.canvas_png(), "axis picture": session.element_png("axis")}

    def edge_name_texts(self):
        return self.session.driver.execute_script("""
            return Array.from(document.querySelectorAll('#edge-names .edge-name')).filter((e) => !e.hidden)
              .map((e) => e.dataset.event + ' ' + e.textContent);""")

    def canvas_png(self):
        """The diagram's canvas alone, without the names laid over it."""
        driver = self.session.driver
        driver.execute_script("document.getElementById('edge-names').style.visibility = 'hidden'")
        try:
            return self.session.element_png("diagram")
        finally:
            driver.execute_script("document.getElementById('edge-names').style.visibility = ''")

    def states(self, name, page):
        session = self.session
        session.resize(900, 600)
        session.open(page)
        facts = read_trace_facts(os.path.join(DATA, name + ".tdf"))
        times = sorted({event.time for event in facts.events})
        states = []
        for time in times[::max(1, len(times) // 6)]:
            session.view("goToTime", time)
            session.next_frame()
            states.append((f"at {time}", self.view_state()))
        for button in ("zoom-out", "zoom-fit", "zoom-in"):
            session.driver.find_element("id", button).click()
            session.next_frame()
            states.append((f"after {button}", self.view_state()))
        return states

    def test_the_served_page_shows_what_the_files_page_shows(self):
        if page_mode() != "served":
            self.skipTest("compares the served page with the file's page")
        for name in ("view", "column_reuse"):
            self.open_trace(name)
            served = self.states(name, self.pages[name])
            page = os.path.join(self.work, name + "-file.html")
            render_page(TDFTOOL, os.path.join(DATA, name + ".tdf"), page)
            filed = self.states(name, page)
            for (where, a), (_, b) in zip(served, filed):
                for key in a:
                    self.assertEqual(a[key], b[key], f"{name} {where}: {key} differs")


class LegendTest(ViewTestCase):
    def test_the_legend_shows_bars_in_the_style_they_are_painted_with(self):
        self.open_trace("view")
        fill, stroke, painted = self.session.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const swatch = document.getElementById('legend-bar'), data = document.getElementById('trace-data');
            const meta = data ? Promise.resolve(JSON.parse(data.textContent))
                              : fetch('api/meta', {credentials: 'same-origin'}).then((r) => r.json());
            meta.then((m) => done([swatch.getAttribute('fill'), swatch.getAttribute('stroke'), m.styles[m.barStyle]]));""")
        self.assertEqual((fill, stroke), (painted["back"], painted["line"]))


class ProblemsTest(ViewTestCase):
    """A trace with two errors and a warning among its lines."""

    # (line of the trace, severity): an unknown message, an unknown
    # statement, a NUL byte.
    PROBLEMS = ((40, "error"), (100, "error"), (160, "warning"))

    def write_trace(self):
        path = os.path.join(self.work, "problems.tdf")
        with open(os.path.join(DATA, "view.tdf"), encoding="utf-8") as source:
            head = [line for line in source.read().splitlines() if not line.startswith("tdp")]
        lines = head[:head.index("NI 1 100")] + ["NI 1 100", "NI 2 200", "CI 100"]
        bad = {40: "ME 99 200", 100: "QQ 1 2", 160: "MR 11 \0 the rest is ignored"}
        time = 1000
        while len(lines) < 200:
            number = len(lines) + 1
            if number in bad:
                lines.append(bad[number])
            elif number % 2:
                lines.append(f"TM {time}")
                time += 10
            else:
                lines.append("ME 11 200" if number % 4 else "MR 11")
        with open(path, "w", encoding="utf-8") as trace:
            trace.write("\n".join(lines) + "\n")
        return path

    def test_the_page_lists_the_problems_and_goes_to_each(self):
        path = self.write_trace()
        facts = self.open_trace(path, height=400, faulty=True)
        session = self.session
        listed = session.view("problems")
        self.assertEqual([(p["line"], p["severity"]) for p in listed], list(self.PROBLEMS))
        for problem in listed:
            self.assertEqual(problem["file"], path)
            self.assertTrue(problem["message"])
            # The row after the report: the first event read from its line on.
            self.assertEqual(problem["event"], facts.first_event_from_line(problem["line"]).index, problem)
        from selenium.webdriver.common.by import By
        driver = session.driver
        button = driver.find_element(By.ID, "problems-button")
        self.assertEqual(button.text, "3 problems")
        # Every control of the toolbar is in the window, also this one.
        outside = driver.execute_script("""
            return Array.from(document.querySelectorAll('#toolbar button, #toolbar input'))
              .filter((e) => e.getClientRects().length)
              .filter((e) => { const r = e.getBoundingClientRect(); return r.left < 0 || r.right > innerWidth; })
              .map((e) => e.id);""")
        self.assertEqual(outside, [])
        button.click()
        rows = driver.find_elements(By.CSS_SELECTOR, "#problems-list tr")
        self.assertEqual(len(rows), 3)
        self.assertTrue(rows[1].text.startswith(f"{path}:100 error"), rows[1].text)

        target = listed[2]["event"]
        self.assertGreater(target, session.visible_events()[1], "the last problem's row is already on screen")
        rows[2].click()
        session.next_frame()
        first, last = session.visible_events()
        self.assertTrue(first <= target <= last, f"event {target} not in [{first}, {last}]")
        # The axis marks the row in red.
        axis = decode_png(session.element_png("axis-canvas"))
        ratio = axis.width / session.box("axis-canvas")[2]
        y = round((session.view("eventPoint", target)["y"] - session.box("axis-canvas")[1]) * ratio)
        marked = [axis.rgb(round(x * ratio), y) for x in range(3, 9)]
        self.assertTrue(all(abs(r - 0xd3) + abs(g - 0x2f) + abs(b - 0x2f) < 40 for r, g, b in marked), marked)

    def test_a_clean_trace_shows_no_problems(self):
        self.open_trace("view")
        from selenium.webdriver.common.by import By
        self.assertEqual(self.session.view("problems"), [])
        self.assertFalse(self.session.driver.find_element(By.ID, "problems-button").is_displayed())


class FollowAndMeasureTest(ViewTestCase):
    @staticmethod
    def returns(facts):
        """{message index: return index}: a return answers the latest
        message of its number still unanswered."""
        open_messages, pairs = [], {}
        numbers = {}
        with open(os.path.join(DATA, "view.tdf"), encoding="utf-8") as trace:
            stamped = [line.split() for line in trace if line[:2] in ("ME", "MR", "NI", "DI", "AC", "NO")]
        for event, words in zip(facts.events, stamped):
            if words[0] == "ME":
                open_messages.append(event.index)
                numbers[event.index] = words[1]
            elif words[0] == "MR":
                message = next(m for m in reversed(open_messages) if numbers[m] == words[1])
                open_messages.remove(message)
                pairs[message] = event.index
        return pairs

    def test_follow_goes_to_the_other_end_and_back(self):
        facts = self.open_trace("view", height=400)
        session = self.session
        pairs = self.returns(facts)
        message = max(pairs)  # the last message with a return, off screen
        answer = pairs[message]
        self.assertGreater(message, session.visible_events()[1])
        self.assertEqual(session.view("follow", message), answer)
        session.next_frame()
        first, last = session.visible_events()
        self.assertTrue(first <= answer <= last, f"the return {answer} is not in [{first}, {last}]")
        session.view("goToTime", 0)
        self.assertEqual(session.view("follow", answer), message)
        self.assertEqual(session.view("follow", 0), -1, "an instance's creation leads nowhere")

    def test_measure_gives_the_time_between_two_events(self):
        facts = self.open_trace("view", height=400)
        session = self.session
        last = len(facts.events) - 1
        self.assertEqual(session.view("measure", 3, last), facts.events[last].time - facts.events[3].time)
        self.assertEqual(session.view("measure", last, 3), facts.events[3].time - facts.events[last].time)

    def test_the_details_follow_with_f_and_measure_with_shift(self):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        from selenium.webdriver.common.keys import Keys
        facts = self.open_trace("view", width=1600, height=500)
        session = self.session
        pairs = self.returns(facts)
        first, last = session.visible_events()
        message = next(m for m in sorted(pairs) if first <= m <= last and m + 2 <= last)
        self.click_event(message)
        details = session.driver.find_element(By.ID, "details")
        self.assertIn(f"Follow to #{pairs[message] + 1}", details.text)
        ActionChains(session.driver).send_keys("f").perform()
        session.next_frame()
        first, last = session.visible_events()
        self.assertTrue(first <= pairs[message] <= last)
        self.assertTrue(session.view("position").endswith(f"&sel={pairs[message]},{message}"),
                        "F did not select the return with its message")

        # The pinned details lie below and right of the click: the second
        # event is above the first.
        later = message + 2
        session.view("goToTime", facts.events[message].time)
        session.next_frame()
        self.click_event(later)
        self.click_event(message, keys=(Keys.SHIFT,))
        span = facts.events[message].time - facts.events[later].time
        self.assertLess(span, 0)
        rows = session.driver.find_elements(By.CSS_SELECTOR, "#details tr.measure")
        self.assertEqual(len(rows), 1, details.text)
        self.assertEqual(rows[0].text, f"since #{later + 1} {span} us")


class SearchOptionsTest(ViewTestCase):
    """Labels that differ in case and in what surrounds a word, sent to two
    instances; every message is answered at once."""

    LABELS = ["read", "Read", "READ ME", "read_value", "re-read", "reading", "write"]
    RECEIVERS = (200, 300)

    def write_trace(self):
        lines = ['DB "default"', "ID 1", 'SO "search.c" 1733650000 "txt"', 'IN "Task" 1 "Controller"',
                 'IN "Object" 2 "Sensor"', 'IN "Object" 3 "Store"']
        lines += [f'MS {10 + k} "{label}"' for k, label in enumerate(self.LABELS)]
        lines += ["ED", "SF 1 1", 'TU "us"', "TM 1000", "TS 10", "NI 1 100", "NI 2 200", "NI 3 300", "CI 100"]
        sent = []  # (label, receiver) per message, in order
        for k in range(90):
            label, receiver = k % len(self.LABELS), self.RECEIVERS[(k // 3) % 2]
            lines += [f"ME {10 + label} {receiver}", f"MR {10 + label}"]
            sent.append((self.LABELS[label], receiver))
        path = os.path.join(self.work, "search.tdf")
        with open(path, "w", encoding="utf-8") as trace:
            trace.write("\n".join(lines) + "\n")
        return path, sent

    @staticmethod
    def expected(facts, sent, text, case=True, word=False, kind=None, instance=None):
        """The hits, found here from the trace's own text."""
        import re
        flags = 0 if case else re.IGNORECASE
        pattern = re.compile((r"(?<!\w)%s(?!\w)" if word else "%s") % re.escape(text), flags)
        messages = [event for event in facts.events if event.opcode in ("ME", "MR")]
        hits = []
        for k, event in enumerate(messages):
            label, receiver = sent[k // 2]
            if not pattern.search(event.label) or (kind and event.opcode != kind):
                continue
            if instance is not None and instance not in (100, receiver):
                continue
            hits.append(event.index)
        return hits

    def test_find_narrows_by_case_word_kind_and_instance(self):
        path, sent = self.write_trace()
        facts = self.open_trace(path)
        session = self.session
        cases = [("read", {}, {}),
                 ("read", {"caseSensitive": False}, {"case": False}),
                 ("read", {"caseSensitive": False, "wholeWord": True}, {"case": False, "word": True}),
                 ("read", {"wholeWord": True}, {"word": True}),
                 ("read", {"caseSensitive": False, "kind": "return"}, {"case": False, "kind": "MR"}),
                 ("read", {"caseSensitive": False, "instance": 300}, {"case": False, "instance": 300}),
                 ("e", {"kind": "message", "instance": 200}, {"kind": "ME", "instance": 200})]
        for text, options, facts_options in cases:
            hits = self.expected(facts, sent, text, **facts_options)
            self.assertTrue(hits, f"{text} {options} finds nothing: not a test")
            self.assertEqual(session.view("find", text, options), len(hits), f"{text} {options}")
            session.next_frame()
            first, last = session.visible_events()
            self.assertTrue(first <= hits[0] <= last, f"{text} {options}: the first hit is not shown")
        # The trace tells the options apart.
        counts = [len(self.expected(facts, sent, t, **o)) for t, _, o in cases]
        self.assertTrue(counts[1] > counts[0] and counts[1] > counts[2] and counts[1] > counts[4], counts)

    def test_the_box_ignores_case_and_lists_the_hits(self):
        path, sent = self.write_trace()
        facts = self.open_trace(path)
        session = self.session
        from selenium.webdriver.common.by import By
        from selenium.webdriver.common.keys import Keys
        driver = session.driver
        hits = self.expected(facts, sent, "READ", case=False)
        box = driver.find_element(By.ID, "search")
        box.send_keys("READ", Keys.ENTER)
        count = driver.find_element(By.ID, "search-count")

        def count_becomes(text):
            # The served page's answers come when they come.
            from selenium.webdriver.support.ui import WebDriverWait
            WebDriverWait(driver, 10).until(lambda _: count.text == text, f"the count is not {text}")
            session.next_frame()

        count_becomes(f"1 / {len(hits)}")
        driver.find_element(By.ID, "hits-button").click()
        from selenium.webdriver.support.ui import WebDriverWait
        WebDriverWait(driver, 10).until(
            lambda _: len(driver.find_elements(By.CSS_SELECTOR, "#hits-list tr")) == len(hits[:50]), "no hits listed")
        rows = driver.find_elements(By.CSS_SELECTOR, "#hits-list tr")
        self.assertEqual([int(row.get_attribute("data-event")) for row in rows], hits[:50])
        self.assertEqual(rows[3].text.split()[1:3], [f"{facts.events[hits[3]].time}", "us"])
        rows[3].click()
        count_becomes(f"4 / {len(hits)}")
        first, last = session.visible_events()
        self.assertTrue(first <= hits[3] <= last)
        # Match case in the options narrows the box's search.
        driver.find_element(By.ID, "search-options-button").click()
        driver.find_element(By.ID, "search-case").click()
        count_becomes(f"1 / {len(self.expected(facts, sent, 'READ'))}")


def example_trace():
    return os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(DATA))), "examples", "example.tdf")


class DeletedInstanceTest(ViewTestCase):
    TRACE = ('DB "default"\nID 1\nIN "Task" 1 "a"\nIN "Task" 2 "b"\nMS 7 "ping"\nMS 8 "pong"\nED\nSF 1 1\n'
             'TU "us"\nTM 10\nTS 10\nNI 1 100\nNI 2 200\nCI 100\nME 7 200\nME 8 200\nDI 200\nMR 8\nMR 7\nME 7 100\n')

    def test_events_after_a_deletion_keep_a_dashed_lifeline_and_say_so(self):
        path = os.path.join(self.work, "deleted.tdf")
        with open(path, "w", encoding="utf-8") as trace:
            trace.write(self.TRACE)
        facts = self.open_trace(path)
        session = self.session
        deletion = next(e.index for e in facts.events if e.opcode == "DI")
        answer = deletion + 2  # "ping"'s return, from b after its deletion
        self.assertEqual(facts.events[answer].opcode, "MR")
        self.click_event(answer)
        details = session.driver.find_element("id", "details").text
        self.assertIn(f"b [200] (deleted at #{deletion + 1}) \u2192 a [100]", details)
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys
        ActionChains(session.driver).send_keys(Keys.ESCAPE).perform()
        session.next_frame()

        # Down b's lifeline: ink between the cross and the return, none below.
        canvas = session.box("diagram")
        pixels = decode_png(session.element_png("diagram"))
        ratio = pixels.width / canvas[2]
        cross, last = (session.view("eventPoint", i) for i in (deletion, answer))
        titles = session.driver.execute_script("""
            const b = Array.from(document.querySelectorAll('#titles > .title')).find((e) => e.textContent === 'b');
            const r = b.getBoundingClientRect();
            return r.left + r.width / 2;""")
        x = round((titles - canvas[0]) * ratio)
        background = pixels.rgb(pixels.width - 2, pixels.height - 2)

        def inked(top, bottom):
            return sum(1 for y in range(round((top - canvas[1]) * ratio), round((bottom - canvas[1]) * ratio))
                       if sum(abs(a - b) for a, b in zip(pixels.rgb(x, y), background)) > 60)

        self.assertGreater(inked(cross["y"] + 10, last["y"] - 8), 3, "no line after the cross")
        self.assertEqual(inked(last["y"] + 8, last["y"] + 60), 0, "the line goes on past its last event")


class LoopTabTest(ViewTestCase):
    def test_a_loop_tab_is_drawn_over_the_bar_it_crosses(self):
        # In the example the Controller's bar runs through the tab of its loop.
        facts = self.open_trace(example_trace(), width=1200, height=1200)
        session = self.session
        start = next(e.index for e in facts.events if e.opcode == "LS")
        canvas = session.box("diagram")
        pixels = decode_png(session.element_png("diagram"))
        ratio = pixels.width / canvas[2]
        # Its creation's point is on its column.
        created = next(e.index for e in facts.events if e.opcode == "NI")
        x = round((session.view("eventPoint", created)["x"] - canvas[0]) * ratio)
        y = round((session.view("eventPoint", start)["y"] - canvas[1]) * ratio)
        bar = pixels.rgb(x, y + round(60 * ratio))
        self.assertNotEqual(bar, pixels.rgb(pixels.width - 2, pixels.height - 2), "no bar below the tab")
        self.assertNotEqual(pixels.rgb(x, y + round(8 * ratio)), bar, "the bar is drawn over the loop's tab")


class EdgeNamesTest(ViewTestCase):
    def edge_names(self):
        return self.session.driver.execute_script("""
            return Array.from(document.querySelectorAll('#edge-names .edge-name'))
              .filter((e) => !e.hidden && e.getClientRects().length)
              .map((e) => [+e.dataset.event, e.textContent, e.classList.contains('right')]);""")

    def test_an_arrow_to_a_column_off_screen_names_it_at_the_edge(self):
        facts = self.open_trace("view", width=900, height=500)
        session = self.session
        session.view("goToTime", 1300)
        session.next_frame()
        names = {event: (text, right) for event, text, right in self.edge_names()}
        # "log" goes from the Controller to the Logger, beyond the right edge.
        log = next(e.index for e in facts.events if e.opcode == "ME" and e.label == "log" and e.time >= 1300)
        self.assertEqual(names.get(log), ("\u2192 Logger [500]", True), names)
        # Its return comes from there.
        self.assertEqual(names.get(log + 1), ("\u2190 Logger [500]", True), names)
        first, last = session.visible_events()
        shown = [i for i in range(first, last + 1) if facts.events[i].opcode in ("ME", "MR")]
        self.assertTrue(set(names) <= set(shown))
        # Scrolled to the right, the Controller's end is beyond the left edge.
        session.wheel("body", 700, 0)
        names = {event: (text, right) for event, text, right in self.edge_names()}
        self.assertEqual(names.get(log), ("\u2192 Controller [100]", False), names)


class LoopBandTest(ViewTestCase):
    DEPTH = 12

    def write_trace(self):
        lines = ['DB "default"', "ID 1", 'IN "Task" 1 "a"', 'IN "Task" 2 "b"', 'MS 7 "ping"', "ED", "SF 1 1",
                 'TU "us"', "TM 10", "TS 10", "NI 1 100", "NI 2 200", "CI 100"]
        for depth in range(self.DEPTH):
            lines += [f"LS {depth + 2}", "ME 7 200", "MR 7"]
        lines += ["ME 7 200", "MR 7"] * 30 + ["LE"] * self.DEPTH
        path = os.path.join(self.work, "nested.tdf")
        with open(path, "w", encoding="utf-8") as trace:
            trace.write("\n".join(lines) + "\n")
        return path

    def test_loops_open_above_are_named_in_one_band(self):
        facts = self.open_trace(self.write_trace(), height=500)
        session = self.session
        starts = [event.index for event in facts.events if event.opcode == "LS"]
        self.assertEqual(len(starts), self.DEPTH)
        session.view("goToTime", 700)
        session.next_frame()
        crumbs = session.driver.execute_script("""
            const band = document.getElementById('loop-band'), box = band.getBoundingClientRect();
            if (band.hidden) return null;
            return Array.from(band.querySelectorAll('.crumb')).map((c) => {
              const r = c.getBoundingClientRect();
              return [c.textContent, +c.dataset.start, r.right <= box.right + 0.5];
            });""")
        self.assertIsNotNone(crumbs, "no band")
        # The innermost six, each with its count, and how many are outside.
        self.assertEqual(crumbs[0][:2], [f"\u2026 {self.DEPTH - 6} outer", starts[0]])
        self.assertEqual([start for _, start, _ in crumbs[1:]], starts[-6:])
        for (text, _, _), count in zip(crumbs[1:], range(self.DEPTH - 4, self.DEPTH + 2)):
            self.assertTrue(text.endswith(f"(x{count})"), text)
        self.assertTrue(crumbs[-1][2], "the innermost loop is cut off")
        # No tabs stack over the diagram's first rows: only the frames' sides.
        pixels = decode_png(session.element_png("diagram"))
        background = pixels.rgb(pixels.width - 2, pixels.height - 2)
        ink = min(sum(1 for colour in pixels.row(y, 0, pixels.width)
                      if sum(abs(a - b) for a, b in zip(colour, background)) > 60) for y in range(0, 30))
        self.assertLess(ink, 4 * self.DEPTH, "something covers the top of the diagram")
        # A click goes to the loop's start.
        from selenium.webdriver.common.by import By
        session.driver.find_elements(By.CSS_SELECTOR, "#loop-band .crumb")[-1].click()
        session.next_frame()
        first, last = session.visible_events()
        self.assertTrue(first <= starts[-1] <= last, (first, last, starts[-1]))


class AxisTest(ViewTestCase):
    def test_the_axis_runs_forwards_where_a_message_makes_an_instance(self):
        # The example's "tick" makes the IRQ timer, which a later NI gives
        # its model.
        self.open_trace(example_trace(), width=1200, height=1200)
        times = self.session.driver.execute_script("""
            return Array.from(document.querySelectorAll('#axis-labels .time'))
              .filter((e) => !e.hidden)
              .map((e) => [e.getBoundingClientRect().top, parseInt(e.textContent, 10)])
              .sort((a, b) => a[0] - b[0]).map((pair) => pair[1]);""")
        self.assertGreater(len(times), 20)
        self.assertEqual(times, sorted(times))


    def test_long_times_fit_on_the_axis(self):
        path = os.path.join(self.work, "long_times.tdf")
        with open(path, "w", encoding="utf-8") as trace:
            trace.write('DB "default"\nID 1\nIN "Task" 1 "a"\nIN "Task" 2 "b"\nMS 7 "ping"\nED\nSF 1 1\n'
                        'TU "us"\nNI 1 1\nNI 2 2\nCI 1\n' +
                        "".join(f"TM 4294967295 {4294967000 + 10 * k}\nME 7 2\nMR 7\n" for k in range(10)))
        self.open_trace(path)
        axis = self.session.box("axis")
        labels = self.session.driver.execute_script("""
            return Array.from(document.querySelectorAll('#axis-labels .time')).filter((e) => !e.hidden)
              .map((e) => { const r = e.getBoundingClientRect(); return [e.textContent, r.left, r.right]; });""")
        self.assertTrue(any(text.startswith("18446744073709551") for text, _, _ in labels), labels)
        for text, left, right in labels:
            self.assertGreaterEqual(left, axis[0], f"{text} is cut off")
            self.assertLessEqual(right, axis[0] + axis[2], f"{text} is cut off")


class OverviewTest(ViewTestCase):
    def test_the_overview_fills_where_times_jump_and_a_click_goes_there(self):
        path = os.path.join(self.work, "jumps.tdf")
        lines = ['DB "default"', "ID 1", 'IN "Task" 1 "a"', 'IN "Task" 2 "b"', 'MS 7 "ping"', "ED", "SF 1 1",
                 'TU "us"', "NI 1 1", "NI 2 2", "CI 1"]
        for k in range(200):
            # Steps of ten, and one jump of a thousand million half way.
            lines += [f"TM {10 * k + (1000000000 if k >= 100 else 0)}", "ME 7 2", "MR 7"]
        with open(path, "w", encoding="utf-8") as trace:
            trace.write("\n".join(lines) + "\n")
        facts = self.open_trace(path, height=500)
        session = self.session
        pixels = decode_png(session.element_png("overview"))
        bar = (0x5b, 0x7f, 0xa6)
        filled = sum(1 for y in range(pixels.height)
                     if any(sum(abs(a - b) for a, b in zip(pixels.rgb(x, y), bar)) < 30 for x in range(pixels.width)))
        self.assertGreater(filled, 0.8 * pixels.height, "the overview is mostly empty")
        # Three quarters down the strip is three quarters into the trace.
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        strip = session.driver.find_element(By.ID, "overview")
        ActionChains(session.driver).move_to_element_with_offset(strip, 0, strip.size["height"] / 4).click().perform()
        session.next_frame()
        first, last = session.visible_events()
        middle = (first + last) / 2 / len(facts.events)
        self.assertAlmostEqual(middle, 0.75, delta=0.05)


class ThreadTest(ViewTestCase):
    def test_a_thread_chosen_in_the_legend_dims_the_others(self):
        example = example_trace()
        facts = self.open_trace(example, width=1200, height=1200)
        session = self.session
        with open(example, encoding="utf-8") as trace:
            lines = trace.read().splitlines()
        # The first return after the switch to "irq", and a message of "main".
        irq = facts.first_event_from_line(lines.index("MR 13") + 1)
        main = facts.first_event_from_line(lines.index('TI 1 1 10 "main"') + 2)
        while main.opcode != "ME":
            main = facts.events[main.index + 1]
        self.assertEqual((irq.opcode, main.opcode), ("MR", "ME"))
        self.assertGreater(lines.index("MR 13"), lines.index('TI 2 1 20 "irq"'))
        first, last = session.visible_events()
        self.assertTrue(first <= main.index and irq.index <= last, "both are not on screen")
        canvas = session.box("diagram")

        def ink(event):
            pixels = decode_png(session.element_png("diagram"))
            ratio = pixels.width / canvas[2]
            centre = round((session.view("eventPoint", event.index)["y"] - canvas[1]) * ratio)
            background = pixels.rgb(pixels.width - 2, pixels.height - 2)
            return max(sum(1 for colour in pixels.row(y, 0, pixels.width)
                           if sum(abs(a - b) for a, b in zip(colour, background)) > 100)
                       for y in range(centre - 2, centre + 3))

        before = (ink(irq), ink(main))
        self.assertGreater(min(before), 50, f"the arrows are not drawn: {before}")
        from selenium.webdriver.common.by import By
        session.driver.find_element(By.ID, "legend-button").click()
        chosen = [item for item in session.driver.find_elements(By.CSS_SELECTOR, "#legend-threads .thread")
                  if item.text == "main"]
        self.assertEqual(len(chosen), 1)
        chosen[0].click()
        session.driver.find_element(By.ID, "legend-close").click()
        session.next_frame()
        self.assertLess(ink(irq), before[0] / 4, "the other thread's message is not dimmed")
        self.assertEqual(ink(main), before[1], "the chosen thread's message changed")


class KeyHelpTest(ViewTestCase):
    def test_question_mark_shows_the_keys_and_escape_hides_them(self):
        self.open_trace("view")
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        from selenium.webdriver.common.keys import Keys
        driver = self.session.driver
        keys = driver.find_element(By.ID, "keys")
        self.assertFalse(keys.is_displayed())
        ActionChains(driver).send_keys("?").perform()
        self.assertTrue(keys.is_displayed())
        listed = [row.text.split()[0] for row in keys.find_elements(By.CSS_SELECTOR, "tr")]
        for key in ("F", "Home,", "Escape", "?"):
            self.assertIn(key, listed)
        ActionChains(driver).send_keys("?").perform()
        self.assertFalse(keys.is_displayed())
        ActionChains(driver).send_keys("?").perform()
        ActionChains(driver).send_keys(Keys.ESCAPE).perform()
        self.assertFalse(keys.is_displayed())
        # Typed into the search box, "?" is text.
        box = driver.find_element(By.ID, "search")
        box.send_keys("?")
        self.assertFalse(keys.is_displayed())
        self.assertEqual(box.get_attribute("value"), "?")


class TitleTest(ViewTestCase):
    LONG_NAME = "pressure_regulator_of_the_second_cooling_circuit"

    def test_a_long_name_keeps_its_start_and_ends_with_an_ellipsis(self):
        path = os.path.join(self.work, "long_name.tdf")
        with open(path, "w", encoding="utf-8") as trace:
            trace.write(f'DB "default"\nID 1\nIN "Task" 1 "{self.LONG_NAME}"\nIN "Task" 2 "b"\nMS 7 "ping"\nED\n'
                        "SF 1 1\nTU \"us\"\nTM 10\nNI 1 1\nNI 2 2\nCI 1\nME 7 2\nMR 7\n")
        self.open_trace(path)
        start, box, text, needed, room = self.session.driver.execute_script("""
            const title = Array.from(document.querySelectorAll('#titles > .title'))
              .find((e) => !e.hidden && e.textContent.startsWith(arguments[0]));
            const range = document.createRange();
            range.selectNodeContents(title);
            return [range.getClientRects()[0].left, title.getBoundingClientRect().left, title.textContent,
                    title.scrollWidth, title.clientWidth];""", self.LONG_NAME[:10])
        self.assertTrue(text.startswith(self.LONG_NAME), text)
        self.assertGreater(needed, room, "the name fits: not a test")
        # Its first letters are in the box, not cut off on the left.
        self.assertGreaterEqual(start, box)


class TracesTest(ViewTestCase):
    def write_trace(self):
        with open(os.path.join(DATA, "view.tdf"), encoding="utf-8") as source:
            head = [line for line in source.read().splitlines() if not line.startswith("tdp")]
        lines = head[:head.index("NI 1 100")]
        for trace in range(3):
            if trace:
                lines += ["NT", "SF 1 1"]
            lines += [f"TM {1000 * (trace + 1)}", "NI 1 100", "NI 2 200", "NI 3 300", "CI 100"]
            for k in range(12):
                lines += [f"ME 1{k % 3 + 1} {200 + 100 * (k % 2)}", f"MR 1{k % 3 + 1}"]
        path = os.path.join(self.work, "traces.tdf")
        with open(path, "w", encoding="utf-8") as trace:
            trace.write("\n".join(lines) + "\n")
        return path

    def test_every_trace_of_the_file_is_shown_with_a_boundary(self):
        facts = self.open_trace(self.write_trace(), width=1000, height=500)
        session = self.session
        self.assertEqual(session.view("traces"), 3)
        summary = session.driver.execute_script("return document.getElementById('summary').textContent")
        self.assertTrue(summary.startswith(f"{len(facts.events)} events in 3 traces"), summary)
        markers = [event.index for event in facts.events if event.opcode == "NT"]
        self.assertEqual(len(markers), 2)
        # The view at the second marker: a dark rule across the diagram.
        from selenium.webdriver.common.by import By
        from selenium.webdriver.common.keys import Keys
        box = session.driver.find_element(By.ID, "goto")
        box.send_keys(f"#{markers[1] + 1}", Keys.ENTER)
        # A served page asks the server where the event is first.
        session.driver.execute_async_script("""
            const done = arguments[arguments.length - 1], wanted = arguments[0], until = Date.now() + 5000;
            const check = () => window.tdfView.idle().then(() => {
              const [first, last] = window.tdfView.visibleEvents();
              if ((first <= wanted && wanted <= last) || Date.now() > until) done(); else setTimeout(check, 50);
            });
            check();""", markers[1])
        session.next_frame()
        first, last = session.visible_events()
        self.assertTrue(first <= markers[1] <= last, (first, last))
        canvas = session.box("diagram")
        pixels = decode_png(session.element_png("diagram"))
        ratio = pixels.width / canvas[2]
        y = round((session.view("eventPoint", markers[1])["y"] - canvas[1]) * ratio)
        dark = [c for c in pixels.row(y, 0, pixels.width) if sum(abs(a - b) for a, b in zip(c, (0x2f, 0x3b, 0x4c))) < 30]
        self.assertGreater(len(dark), 0.9 * pixels.width, "no boundary across the view at the marker")
        # The instances of the trace before end there: the rows after it
        # start with new title boxes, not lifelines from above.
        self.assertEqual(facts.events[markers[1] + 1].opcode, "NI")


class BookmarksTest(ViewTestCase):
    def test_a_bookmark_with_its_note_stays_with_the_page(self):
        facts = self.open_trace("view", height=400)
        session = self.session
        driver = session.driver
        from selenium.webdriver.common.by import By
        marked = next(e.index for e in facts.events if e.opcode == "ME")
        self.click_event(marked)
        driver.find_element(By.CSS_SELECTOR, "#details button.bookmark").click()
        prompt = driver.switch_to.alert
        prompt.send_keys("the sensor answers late")
        prompt.accept()
        self.assertEqual(driver.find_element(By.ID, "bookmarks-button").text, "\u2605 1")
        # Opened again, the page still has it, and it leads back there.
        self.open_trace("view", height=400)
        driver.find_element(By.ID, "bookmarks-button").click()
        rows = driver.find_elements(By.CSS_SELECTOR, "#bookmarks-list tr")
        self.assertEqual([row.text for row in rows], [f"#{marked + 1} the sensor answers late \u2715"])
        session.view("goToTime", facts.events[-1].time)
        session.next_frame()
        self.assertGreater(session.visible_events()[0], marked)
        rows[0].find_element(By.CSS_SELECTOR, "td").click()
        session.next_frame()
        first, last = session.visible_events()
        self.assertTrue(first <= marked <= last)
        rows[0].find_element(By.CSS_SELECTOR, "button").click()
        self.assertEqual(driver.find_elements(By.CSS_SELECTOR, "#bookmarks-list tr"), [])
        self.assertEqual(driver.find_element(By.ID, "bookmarks-button").text, "\u2605")


class PositionTest(ViewTestCase):
    def wait_for_fragment(self):
        """Waits until the URL's fragment says where the view is; returns it."""
        return self.session.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const check = () => location.hash === '#' + window.tdfView.position() ? done(location.hash.slice(1))
                                                                                 : setTimeout(check, 50);
            check();""")

    def place(self):
        return self.session.visible_events(), self.session.view("zoom"), self.session.view("position")

    def test_back_and_forward_return_to_each_jump(self):
        self.open_trace("view", height=400)
        session = self.session
        start = self.place()
        session.view("goToTime", LATE_TIME)
        session.next_frame()
        self.wait_for_fragment()
        late = self.place()
        session.view("find", LONG_LABEL_TAIL)
        session.next_frame()
        self.wait_for_fragment()
        found = self.place()
        self.assertNotEqual(late[0], found[0])
        self.assertNotIn("sel=", late[2], "the place left took the selection of the jump")
        for go, expected in ((session.driver.back, late), (session.driver.back, start),
                             (session.driver.forward, late), (session.driver.forward, found)):
            go()
            session.next_frame()
            self.assertEqual(self.place(), expected)

    def test_a_link_with_the_fragment_reopens_the_view_there(self):
        facts = self.open_trace("view", height=400)
        session = self.session
        from selenium.webdriver.common.by import By
        session.driver.find_element(By.ID, "zoom-out").click()
        session.view("goToTime", facts.events[len(facts.events) // 2].time)
        session.wheel("body", 120, 0)
        session.view("follow", 8)
        session.next_frame()
        before = self.place()
        self.assertIn("&sel=", before[2])
        page = self.pages["view"]
        session.driver.get("about:blank")
        session.open(page + "#" + before[2])
        session.next_frame()
        self.assertEqual(self.place(), before)
        # And setPosition() puts an open view there too.
        session.view("goToTime", 0)
        session.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            Promise.resolve(window.tdfView.setPosition(arguments[0])).then(() => done());""", before[2])
        session.next_frame()
        self.assertEqual(self.place(), before)


class ServerGoneTest(ViewTestCase):
    def test_a_served_page_says_when_its_server_is_gone(self):
        if page_mode() != "served":
            self.skipTest("a file's page needs no server")
        server = ServedTrace(TDFTOOL, os.path.join(DATA, "view.tdf"))
        try:
            self.session.resize(900, 600)
            self.session.open(server.url)
        finally:
            server.stop()
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys
        ActionChains(self.session.driver).send_keys(Keys.END).perform()
        # The page asks for the rows at the end, in vain; it must neither
        # hang nor keep silent.
        self.session.next_frame()
        summary = self.session.driver.execute_script("return document.getElementById('summary').textContent")
        self.assertTrue(summary.startswith("the server did not answer"), summary)


def main():
    global TDFTOOL, DATA
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    TDFTOOL, DATA = sys.argv[1], sys.argv[2]
    return run_tests(sys.argv)


if __name__ == "__main__":
    sys.exit(main())
