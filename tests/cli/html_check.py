#!/usr/bin/env python3
"""trelk-cli's HTML page in a real browser: Debian's headless Chromium, driven by chromedriver
through Selenium, loads the page from a file URL and uses it as a person would.

Usage: html_check.py TRELK_CLI

Without Chromium, chromedriver or Selenium (scripts/install-deps.sh installs them) the check
fails on CI (CI set) and is skipped elsewhere (exit status 77), saying what is missing.
"""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import export_check  # noqa: E402  (the BOM whose CSV files that check reads back)

CLI = None
CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
CHROMEDRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"

# Names that would be markup if written as they are: each must come back as the same text.
HOSTILE = ["<img/src=x/onerror=window.pwned=1>", "</script><script>window.pwned=2</script>", "A&amp;B\"Q'",
           "</title><i>T", "<!--", "]]>&#x41;"]
HOSTILE_MAIN = "</title><script>window.pwned=3</script>"
HOSTILE_LINES = [
    "Assembly " + HOSTILE_MAIN + " contains:",
    "     2 Sub-Assembly  " + HOSTILE[1],
    "     3         Part  " + HOSTILE[0],
    "     1 Sub-Assembly  " + HOSTILE[1],
    "",
    "Sub-Assembly " + HOSTILE[1] + " contains:",
    "     2         Part  " + HOSTILE[0],
    "     1         Part  " + HOSTILE[2],
    "     1         Part  " + HOSTILE[3],
    "     4         Part  " + HOSTILE[4],
    "     5         Part  " + HOSTILE[5],
]

# A BOM whose page is large: most of its pieces are parsed only when they are needed.
LARGE_LINES = (["Assembly BIG contains:"] + ["     1 Sub-Assembly  S%d" % i for i in range(3)] +
               ["     %d         Part  P%04d" % (i % 7 + 1, i) for i in range(2500)] + ["     1 Sub-Assembly  S0"])
for _i in range(3):
    LARGE_LINES += ["", "Sub-Assembly S%d contains:" % _i] + ["     2         Part  Q%d_%03d" % (_i, k)
                                                           for k in range(600)]
    LARGE_LINES += ["     1 Sub-Assembly  S%d" % (_i + 1)] if _i < 2 else []

# The tables as the page shows them, read from the DOM in the CSV files' columns.
READ_TABLES = """
const tables = {};
for (const section of document.querySelectorAll('main > section')) {
  const rows = [];
  const tree = section.querySelector('ul.tree');
  if (tree) {
    const walk = (details, level, parent) => {
      for (const li of details.querySelectorAll(':scope > .piece > ul > li')) {
        const details = li.firstElementChild.tagName === 'DETAILS' ? li.firstElementChild : null;
        const box = details ? details.firstElementChild : li;
        const b = box.querySelector(':scope > b');
        const name = b.textContent;
        const note = li.querySelector(':scope > small');
        rows.push([String(level), parent, details || note ? 'sub-assembly' : 'part', name,
                   box.firstChild.textContent, b.nextSibling.textContent, details ? 'true' : 'false',
                   note ? note.textContent : '']);
        if (details) walk(details, level + 1, name);
      }
    };
    const root = tree.querySelector(':scope > li > details');
    walk(root, 1, root.querySelector(':scope > summary > b').textContent);
  }
  for (const row of section.querySelectorAll('table.totals tbody tr'))
    rows.push([row.cells[0].textContent, row.cells[1].textContent]);
  for (const row of section.querySelectorAll('table.where-used tbody tr'))
    for (const use of row.cells[1].querySelectorAll('li'))
      rows.push([row.cells[0].textContent, use.lastElementChild.textContent, use.firstChild.textContent]);
  tables[section.id] = rows;
}
return tables;
"""

# What is shown now: per section the names of the rows or entries not hidden.
READ_SHOWN = """
const shown = {};
for (const section of document.querySelectorAll('main > section')) {
  const names = [];
  for (const item of section.querySelectorAll('tbody tr, ul.tree li')) {
    if (item.closest('[hidden]')) continue;
    const b = item.matches('tr') ? item.cells[0] :
        (item.firstElementChild.tagName === 'DETAILS' ? item.firstElementChild.firstElementChild : item)
            .querySelector(':scope > b');
    names.push(b.textContent);
  }
  shown[section.id] = names;
}
return shown;
"""

SECTION_FILES = {"breakdown": "tree.csv", "assemblies": "assemblies.csv", "parts": "parts.csv",
                 "assemblies-where-used": "assemblies-where-used.csv", "parts-where-used": "parts-where-used.csv"}


def missing_browser():
    """What of the browser and its driver is missing, or None."""
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "Python's selenium module (Debian: python3-selenium) for " + sys.executable
    for program in (CHROMIUM, CHROMEDRIVER):
        if not os.access(program, os.X_OK):
            return program + " (Debian: chromium, chromium-driver)"
    return None


def start_browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    # No background connection of any kind: this machine has no network, and a page that fetched
    # nothing must show nothing in the network log.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-dev-shm-usage",
                 "--disable-default-apps", "--disable-extensions", "--window-size=1200,900",
                 "--user-data-dir=" + profile):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    driver = webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)
    driver.set_page_load_timeout(900)
    driver.set_script_timeout(900)
    return driver


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True)


def read_csv_folder(folder, codec):
    tables = {}
    for section, file in SECTION_FILES.items():
        with open(os.path.join(folder, file), "rb") as f:
            raw = f.read()
        text = raw[3:].decode(codec) if codec == "utf-8" else raw.decode(codec)
        tables[section] = list(csv.reader(io.StringIO(text, newline="")))[1:]
    return tables


class Page(unittest.TestCase):
    driver = None
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.driver = start_browser(os.path.join(cls.folder.name, "profile"))
        cls.driver.get("about:blank")

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.folder.cleanup()

    def write_bom(self, name, lines, front=b"", codec="utf-8"):
        path = os.path.join(self.folder.name, name)
        with open(path, "wb") as f:
            f.write(front + "\r\n".join(lines).encode(codec) + b"\r\n")
        return path

    def page_of(self, bom, *args):
        page = os.path.splitext(bom)[0] + ".html"
        r = run("-s", "all", "-f", "html", "-o", page, *args, bom)
        self.assertEqual(r.returncode, 0, r.stderr)
        return page

    def load(self, page):
        """Loads the page and checks what every load must give: it fetched nothing but itself and
        logged no error."""
        self.driver.get_log("performance")  # what earlier pages left
        self.driver.get_log("browser")
        url = "file://" + page
        self.driver.get(url)
        self.assertEqual(self.driver.execute_script("return document.documentElement.dataset.ready"), "")
        requested, outside = [], []
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                params = message["params"]
                if params.get("documentURL") == url:
                    requested.append(params["request"]["url"])
                if params["request"]["url"].split(":")[0] in ("http", "https", "ws", "wss", "ftp"):
                    outside.append(params["request"]["url"])
        self.assertEqual(requested, [url])
        self.assertEqual(outside, [])
        self.assertEqual(self.driver.execute_script("return performance.getEntriesByType('resource').length"), 0)
        self.assertEqual([e["message"] for e in self.driver.get_log("browser") if e["level"] != "INFO"], [])

    def script(self, text, *args):
        return self.driver.execute_script(text, *args)

    def click(self, element):
        """Clicks as a person would, with the element scrolled clear of the sticky filter bar."""
        self.script("arguments[0].scrollIntoView({block: 'center'})", element)
        element.click()

    def visible(self, element):
        return self.script("return arguments[0].checkVisibility()", element)

    def shown(self):
        return self.script(READ_SHOWN)

    def type_filter(self, text):
        box = self.driver.find_element("id", "filter")
        box.clear()
        if text:
            box.send_keys(text)
        else:  # clear() sends no input event
            self.script("arguments[0].dispatchEvent(new Event('input', {bubbles: true}))", box)
        from selenium.webdriver.support.ui import WebDriverWait
        expected = "" if not text else " rows shown"
        WebDriverWait(self.driver, 30).until(
            lambda d: expected in d.find_element("id", "filter-status").get_attribute("value")
            and (text or d.find_element("id", "filter-status").get_attribute("value") == ""))

    def test_tables_in_the_dom_equal_the_csv_files(self):
        boms = [(variant, export_check.BOM_LINES, front, codec)
                for variant, (front, codec, _) in export_check.VARIANTS.items()]
        boms.append(("hostile names", HOSTILE_LINES, b"", "utf-8"))
        for variant, lines, front, codec in boms:
            for build in ("1", "3"):
                with self.subTest(variant, build=build):
                    bom = self.write_bom("export.bom.1", lines, front, codec)
                    csv_folder = os.path.join(self.folder.name, "csv")
                    self.assertEqual(run("-s", "all", "-f", "csv", "--build", build, "-o", csv_folder, bom).returncode, 0)
                    self.load(self.page_of(bom, "--build", build))
                    self.assertEqual(self.script(READ_TABLES), read_csv_folder(csv_folder, codec))

    def test_hostile_names_are_text(self):
        bom = self.write_bom("hostile.bom.1", HOSTILE_LINES)
        page = self.page_of(bom)
        # The same page on standard output, the log lines on standard error.
        r = run("-s", "all", "-f", "html", "-o", "-", bom)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(page, "rb") as f:
            self.assertEqual(r.stdout, f.read())
        self.assertTrue(r.stderr.decode().endswith("Results written to standard output\n"))
        self.load(page)
        self.assertIsNone(self.script("return window.pwned"))
        self.assertEqual(self.script("return document.scripts.length"), 1)
        self.assertEqual(self.script("return document.images.length"), 0)
        self.assertEqual(self.driver.title, "Trelk: " + HOSTILE_MAIN)
        self.assertEqual(self.script("return document.querySelector('h1 .name').textContent"), HOSTILE_MAIN)
        names = self.script("return Array.from(document.querySelectorAll('#parts tbody td:first-child'), "
                            "c => c.textContent)")
        self.assertEqual(sorted(names), sorted([HOSTILE[0], HOSTILE[2], HOSTILE[3], HOSTILE[4], HOSTILE[5]]))
        self.assertIn("Main assembly name: " + HOSTILE_MAIN,
                      self.script("return document.querySelector('.log ol').textContent"))

    def test_filter_narrows_every_table_and_the_tree(self):
        self.load(self.page_of(self.write_bom("export.bom.1", export_check.BOM_LINES)))
        everything = self.shown()
        tables = self.script(READ_TABLES)
        tree = [(int(row[0]), row[3]) for row in tables["breakdown"]]
        for needle in ("bolt", "\u00e4x", "\"", "frame", "nothing like it", ""):
            with self.subTest(needle):
                self.type_filter(needle)
                shown = self.shown()
                # Each table keeps exactly its rows whose name holds the text, in any case.
                for section, rows in tables.items():
                    if section != "breakdown":
                        names = list(dict.fromkeys(row[0] for row in rows))
                        self.assertEqual(shown[section], [n for n in names if needle in n.lower()], section)
                # The tree keeps an entry when it or an entry below it matches.
                expected = [export_check.MAIN] if any(needle in n.lower() for n in [export_check.MAIN] +
                                                      [name for _, name in tree]) else []
                for i, (level, name) in enumerate(tree):
                    below = []
                    for deeper, other in tree[i + 1:]:
                        if deeper <= level:
                            break
                        below.append(other)
                    if any(needle in n.lower() for n in [name] + below):
                        expected.append(name)
                self.assertEqual(shown["breakdown"], expected)
        self.assertEqual(self.shown(), everything)

        # A switch that another page kind adds (a comparison's "differences only") keeps the rows
        # that carry its attribute, and in the tree the entries that lead to them.
        self.script("""
            const box = document.createElement('input');
            box.type = 'checkbox'; box.id = 'only'; box.dataset.only = 'changed';
            document.querySelector('.tools').append(box);
            document.querySelector('#parts tbody tr:nth-child(2)').dataset.changed = '';
            const rail = Array.from(document.querySelectorAll('ul.tree b')).find(b => b.textContent === 'RAIL');
            rail.closest('li').dataset.changed = '';""")
        self.click(self.driver.find_element("id", "only"))
        from selenium.webdriver.support.ui import WebDriverWait
        WebDriverWait(self.driver, 30).until(
            lambda d: d.find_element("id", "filter-status").get_attribute("value") != "")
        shown = self.shown()
        self.assertEqual(shown["parts"], [export_check.PARTS[1][0]])
        self.assertEqual(shown["breakdown"], [export_check.MAIN, "FRAME\"X\"", "RAIL"])
        self.assertEqual(shown["assemblies"], [])


    def test_folding_sorting_and_links(self):
        self.load(self.page_of(self.write_bom("export.bom.1", export_check.BOM_LINES)))
        find = self.driver.find_element
        # Folding a sub-assembly hides its entries; unfolding shows them again.
        frame = find("css selector", "ul.tree details details")
        rail = frame.find_element("css selector", "ul > li")
        self.assertTrue(self.visible(rail))
        self.click(frame.find_element("css selector", "summary"))
        self.assertFalse(self.script("return arguments[0].open", frame))
        self.assertFalse(self.visible(rail))
        self.click(frame.find_element("css selector", "summary"))
        self.assertTrue(self.visible(rail))

        # Sorting the parts by total, both ways (equal totals stay in name order), and back by name.
        parts = [(n, t) for n, t in export_check.PARTS]
        by_total = sorted(range(len(parts)), key=lambda i: (parts[i][1], i))
        downwards = sorted(range(len(parts)), key=lambda i: (-parts[i][1], i))
        read = "return Array.from(document.querySelectorAll('#parts tbody tr'), r => r.cells[0].textContent)"
        heads = self.driver.find_elements("css selector", "#parts thead th")
        for head, order, sort in ((1, by_total, "ascending"), (1, downwards, "descending"),
                                  (0, range(len(parts)), "ascending"), (0, reversed(range(len(parts))), "descending")):
            self.click(heads[head].find_element("tag name", "button"))
            self.assertEqual(self.script(read), [parts[i][0] for i in order])
            self.assertEqual([h.get_attribute("aria-sort") for h in heads],
                             [sort if i == head else None for i in range(2)])

        # A where-used parent leads to its own where-used entry, even from behind a filter that
        # hides it, and a later use in the tree to the place where it unfolds.
        self.type_filter("rail")
        link = find("css selector", "#parts-where-used tbody tr:not([hidden]) a")
        self.assertEqual(link.text, "FRAME\"X\"")
        self.click(link)
        target = self.script("return document.querySelector(':target')")
        self.assertEqual(self.script("return arguments[0].cells[0].textContent", target), "FRAME\"X\"")
        self.assertEqual(self.script("return arguments[0].closest('section').id", target), "assemblies-where-used")
        self.assertTrue(self.visible(target))
        self.assertEqual(find("id", "filter").get_attribute("value"), "")
        self.click(find("xpath", "//button[.='Fold all']"))
        self.click(find("css selector", "ul.tree > li > details > summary"))  # the main assembly's items
        later = find("xpath", "//ul[@class='tree']//li[small='expanded above']//a")
        self.assertEqual(later.text, "\u00c4XLE")
        self.click(later)
        target = self.script("return document.querySelector(':target')")
        self.assertEqual(self.script("return arguments[0].querySelector('summary > b').textContent", target), "\u00c4XLE")
        self.assertTrue(self.visible(target.find_element("css selector", "li")))

    def test_a_large_page_makes_its_pieces_when_needed(self):
        bom = self.write_bom("large.bom.1", LARGE_LINES)
        csv_folder = os.path.join(self.folder.name, "large-csv")
        self.assertEqual(run("-s", "all", "-f", "csv", "-o", csv_folder, bom).returncode, 0)
        expected = read_csv_folder(csv_folder, "utf-8")
        page = self.page_of(bom)
        with open(page, encoding="utf-8") as f:
            s2 = re.search(r'id="(t\d+)"><summary>1<b>S2</b>', f.read()).group(1)
        later = "return document.querySelectorAll('div.later').length"

        # A link into a piece not yet made: that piece is made, and unfolded around its target.
        self.load(page)
        pieces = self.script(later)
        self.assertGreater(pieces, 10)
        self.driver.get("file://" + page + "#" + s2)
        target = self.script("return document.getElementById(arguments[0])", s2)
        self.assertTrue(self.visible(target.find_element("css selector", "li")))
        self.assertIn(self.script(later), range(1, pieces))  # pieces near the window may come too

        # The filter makes every piece first.
        self.load(page)
        self.type_filter("q2_59")
        shown = self.shown()
        self.assertEqual(shown["breakdown"], ["BIG", "S0", "S1", "S2"] + ["Q2_59%d" % k for k in range(10)])
        self.assertEqual(shown["parts"], ["Q2_59%d" % k for k in range(10)])
        # Without the filter the sub-assemblies it unfolded fold again; the pieces it left stay text.
        self.type_filter("")
        self.assertFalse(any(self.script("return Array.from(document.querySelectorAll("
                                         "'ul.tree details details'), d => d.open)")))
        self.assertGreater(self.script(later), 0)

        # Sorting spans every piece of its table, each keeping its number of rows; the pieces of
        # the other sections wait.
        self.load(page)
        self.click(self.driver.find_elements("css selector", "#parts thead button")[1])
        self.assertEqual(self.script("return document.querySelectorAll('#parts div.later').length"), 0)
        self.assertGreater(self.script("return document.querySelectorAll('#parts-where-used div.later').length"), 0)
        totals = self.script("return Array.from(document.querySelectorAll('#parts tbody tr'), "
                             "r => [r.cells[0].textContent, r.cells[1].textContent])")
        parts = expected["parts"]
        self.assertEqual(totals, sorted(parts, key=lambda row: (int(row[1]), parts.index(row))))

        # Printed, the page shows everything: its tables then equal the CSV files.
        self.load(page)
        self.script("window.dispatchEvent(new Event('beforeprint'))")
        self.assertEqual(self.script(later), 0)
        self.assertEqual(self.script(READ_TABLES), expected)
        self.assertTrue(all(self.script("return Array.from(document.querySelectorAll('ul.tree details'), d => d.open)")))

        # Without script the later pieces show as the markup they hold.
        self.driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": True})
        try:
            self.driver.get("file://" + page)
            self.assertEqual(len(self.driver.find_elements("css selector", "#parts tbody tr")), len(parts))
            self.assertTrue(self.visible(self.driver.find_element("xpath", "//td[.='Q2_599']")))
        finally:
            self.driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": False})

    def test_readable_without_script(self):
        page = self.page_of(self.write_bom("export.bom.1", export_check.BOM_LINES))
        self.driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": True})
        try:
            self.driver.get("file://" + page)
            rows = self.driver.find_elements("css selector", "#parts tbody tr")
            self.assertEqual([r.text for r in rows], ["%s %d" % (n, t) for n, t in export_check.PARTS])
            self.assertFalse(self.visible(self.driver.find_element("id", "filter")))
            self.assertTrue(self.driver.find_element("xpath", "//b[.='\u00c9TRIER']").is_displayed())
        finally:
            self.driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": False})


if __name__ == "__main__":
    missing = missing_browser()
    if missing:
        print("html_check: the browser check needs " + missing + "; scripts/install-deps.sh installs it",
              file=sys.stderr)
        sys.exit(1 if os.environ.get("CI") else 77)
    CLI = sys.argv.pop(1)
    unittest.main(verbosity=2)
