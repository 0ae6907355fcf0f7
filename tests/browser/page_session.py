"""Headless Chromium driven by Selenium, for the tests of the HTML view.

The tests need Debian's chromium, chromium-driver and python3-selenium
(scripts/setup installs them); without one of them they are skipped with
exit status 77, which CTest counts as a skip, and the reason is printed.
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIPPED = 77


def skip_without_browser():
    """Exits with SKIPPED when the browser or the driver is not installed."""
    reasons = []
    for program, package in ((CHROMIUM, "chromium"), (CHROMEDRIVER, "chromium-driver")):
        if not os.access(program, os.X_OK):
            reasons.append(f"{program} is missing (package {package})")
    try:
        import selenium  # noqa: F401
    except ImportError:
        reasons.append(f"Python's selenium module is missing for {sys.executable} (package python3-selenium)")
    if reasons:
        print("SKIP: " + "; ".join(reasons) + " -- scripts/setup installs them")
        sys.exit(SKIPPED)


def run_tests(argv):
    """Runs the tests of the calling script on the arguments after its own
    two, skipped without the browser; returns the exit status."""
    skip_without_browser()
    program = unittest.main(module="__main__", argv=[argv[0]] + argv[3:], exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


# tdftool's exit status after a trace with errors (the page is made all the same).
TRACE_ERRORS = 1


def render_page(tdftool, trace, page, faulty=False):
    """Writes the HTML view of `trace` to `page`; returns tdftool's summary.
    A `faulty` trace has errors, which tdftool's exit status says."""
    done = subprocess.run([tdftool, "render", trace, "-o", page], capture_output=True, text=True)
    if done.returncode != (TRACE_ERRORS if faulty else 0):
        raise RuntimeError(f"tdftool render {trace} failed ({done.returncode}): {done.stderr}")
    return done.stdout


def page_mode():
    """"file" (the page carries its trace) or "served" (tdftool view serves
    it), from TDF_PAGE_MODE; the tests of the view run in both."""
    mode = os.environ.get("TDF_PAGE_MODE", "file")
    if mode not in ("file", "served"):
        raise ValueError(f"TDF_PAGE_MODE must be file or served, not {mode}")
    return mode


class ServedTrace:
    """`tdftool view TRACE` running in the background, on the loopback
    address; stop() ends it with SIGTERM and checks that it exits 0 (or
    says that a `faulty` trace has errors)."""

    def __init__(self, tdftool, trace, budget=60, faulty=False):
        self.faulty = faulty
        self.process = subprocess.Popen([tdftool, "view", trace], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + budget
        line = ""
        while not line and time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.5)
            if ready:
                line = self.process.stdout.readline()
                if not line:
                    break
        prefix = f"tdftool: view of {trace} at "
        if not line.startswith(prefix):
            self.process.kill()
            raise RuntimeError(f"tdftool view {trace} printed {line!r}: {self.process.stderr.read()}")
        self.url = line[len(prefix):].strip()
        if not self.url.startswith("http://127.0.0.1:"):
            raise RuntimeError(f"tdftool view serves on {self.url}, not on the loopback address")

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(timeout=20)
        if status != (TRACE_ERRORS if self.faulty else 0):
            raise RuntimeError(f"tdftool view exited {status} on SIGTERM: {self.process.stderr.read()}")


class PageSession:
    """One browser for a test program; each page is opened afresh."""

    def __init__(self, width=1000, height=700):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        # Chromium wants a home and a profile it can write.
        self.scratch = tempfile.mkdtemp(prefix="tdf-browser-")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                         "--disable-dev-shm-usage", f"--user-data-dir={self.scratch}/profile",
                         f"--window-size={width},{height}"):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.scratch, ignore_errors=True)

    def resize(self, width, height):
        """Sets the size of the page's viewport (not of the window around it)."""
        inner = self.driver.execute_script("return [innerWidth, innerHeight]")
        outer = self.driver.get_window_size()
        self.driver.set_window_size(outer["width"] + width - inner[0], outer["height"] + height - inner[1])

    def open(self, page, budget=30):
        """Loads `page` and waits until tdfView.ready resolves; returns the
        seconds from the start of the navigation, as the page counts them."""
        self.driver.set_page_load_timeout(budget)
        self.driver.set_script_timeout(budget)
        self.driver.get(page if page.startswith("http://") else "file://" + os.path.abspath(page))
        outcome = self.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            if (!window.tdfView || !window.tdfView.ready) { done('the page has no tdfView.ready'); return; }
            window.tdfView.ready.then(() => done(performance.now()), (e) => done('rejected: ' + e));""")
        if isinstance(outcome, str):
            raise AssertionError(f"{page}: {outcome}")
        return outcome / 1000

    def view(self, call, *arguments):
        """Calls window.tdfView.<call>(arguments...) and returns its result."""
        return self.driver.execute_script(f"return window.tdfView.{call}(...arguments)", *arguments)

    def visible_events(self):
        first, last = self.view("visibleEvents")
        return first, last

    def next_frame(self):
        """Waits until the page has drawn the next two animation frames and
        has at hand the events around its view (a served page asks for
        them)."""
        self.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            requestAnimationFrame(() => requestAnimationFrame(() => window.tdfView.idle().then(() =>
              requestAnimationFrame(() => done()))));""")

    def box(self, element_id):
        """The element's box in the viewport: (left, top, width, height)."""
        box = self.driver.execute_script("""
            const element = document.getElementById(arguments[0]);
            if (!element) return null;
            const r = element.getBoundingClientRect();
            return [r.left, r.top, r.width, r.height];""", element_id)
        if box is None:
            raise AssertionError(f"the page has no element #{element_id}")
        return tuple(box)

    def element_png(self, element_id):
        from selenium.webdriver.common.by import By
        return self.driver.find_element(By.ID, element_id).screenshot_as_png

    def wheel(self, element_id, delta_x, delta_y, offset=(0, 0), keys=()):
        """Turns the mouse wheel over the element (at `offset` from its
        centre), holding `keys` (such as Keys.CONTROL)."""
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
        from selenium.webdriver.common.by import By
        element = self.driver.find_element(By.ID, element_id)
        actions = ActionChains(self.driver)
        for key in keys:
            actions.key_down(key)
        actions.scroll_from_origin(ScrollOrigin.from_element(element, *offset), delta_x, delta_y)
        for key in keys:
            actions.key_up(key)
        actions.perform()
        self.next_frame()
