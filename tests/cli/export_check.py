#!/usr/bin/env python3
"""trelk-cli's CSV files and JSON documents, read back with Python's own csv and json readers.

Usage: export_check.py TRELK_CLI
"""
import csv
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest

CLI = None

# Names with commas, quotes, semicolons, a line feed (a lone LF stays inside a line) and letters
# beyond ASCII; a shared sub-assembly, one that contains itself and one without a block.
BOM_LINES = [
    "Assembly TOP,1 contains:",
    "     2 Sub-Assembly  FRAME\"X\"",
    "     4         Part  BOLT,M6",
    "     1         Part  W;ASHER",
    "     3         Part  \u00c9TRIER",
    "     1 Sub-Assembly  GONE",
    "     1 Sub-Assembly  \u00c4XLE",
    "",
    "Sub-Assembly FRAME\"X\" contains:",
    "     2         Part  RAIL",
    "     4         Part  BOLT,M6",
    "     1         Part  LF\nNAME",
    "     1 Sub-Assembly  \u00c4XLE",
    "     1 Sub-Assembly  FRAME\"X\"",
    "",
    "Sub-Assembly \u00c4XLE contains:",
    "     5         Part  \u00c9TRIER",
    "     1         Part  P\u20acN",
]
MAIN = "TOP,1"
ASSEMBLIES = [("FRAME\"X\"", 4), ("GONE", 1), ("\u00c4XLE", 3)]
PARTS = [("BOLT,M6", 12), ("LF\nNAME", 2), ("P\u20acN", 3), ("RAIL", 4), ("W;ASHER", 1), ("\u00c9TRIER", 18)]
ASSEMBLIES_WHERE_USED = [("FRAME\"X\"", MAIN, 2), ("FRAME\"X\"", "FRAME\"X\"", 1), ("GONE", MAIN, 1),
                         ("\u00c4XLE", MAIN, 1), ("\u00c4XLE", "FRAME\"X\"", 1)]
PARTS_WHERE_USED = [("BOLT,M6", MAIN, 4), ("BOLT,M6", "FRAME\"X\"", 4), ("LF\nNAME", "FRAME\"X\"", 1),
                    ("P\u20acN", "\u00c4XLE", 1), ("RAIL", "FRAME\"X\"", 2), ("W;ASHER", MAIN, 1),
                    ("\u00c9TRIER", MAIN, 3), ("\u00c9TRIER", "\u00c4XLE", 5)]
# level, parent, type, name, quantity, path quantity, expanded, note
TREE = [
    (1, MAIN, "sub-assembly", "FRAME\"X\"", 2, 2, True, ""),
    (2, "FRAME\"X\"", "part", "RAIL", 2, 4, False, ""),
    (2, "FRAME\"X\"", "part", "BOLT,M6", 4, 8, False, ""),
    (2, "FRAME\"X\"", "part", "LF\nNAME", 1, 2, False, ""),
    (2, "FRAME\"X\"", "sub-assembly", "\u00c4XLE", 1, 2, True, ""),
    (3, "\u00c4XLE", "part", "\u00c9TRIER", 5, 10, False, ""),
    (3, "\u00c4XLE", "part", "P\u20acN", 1, 2, False, ""),
    (2, "FRAME\"X\"", "sub-assembly", "FRAME\"X\"", 1, 2, False, "contains itself"),
    (1, MAIN, "part", "BOLT,M6", 4, 4, False, ""),
    (1, MAIN, "part", "W;ASHER", 1, 1, False, ""),
    (1, MAIN, "part", "\u00c9TRIER", 3, 3, False, ""),
    (1, MAIN, "sub-assembly", "GONE", 1, 1, False, "block not found"),
    (1, MAIN, "sub-assembly", "\u00c4XLE", 1, 1, False, "expanded above"),
]
PROBLEMS = ["Assembly contains itself: abnormal error! - FRAME\"X\"", "Assembly name not found: abnormal error! - GONE"]
MARK = b"\xef\xbb\xbf"
VARIANTS = {  # how the export is written -> (bytes in front, codec, encoding the run reports)
    "UTF-8 with the mark": (MARK, "utf-8", "UTF-8"),
    "UTF-8 without the mark": (b"", "utf-8", "UTF-8"),
    "Windows-1252": (b"", "cp1252", "Windows-1252"),
}
CSV_FILES = ["assemblies.csv", "parts.csv", "assemblies-where-used.csv", "parts-where-used.csv", "tree.csv"]


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True)


def times(rows, n, columns):
    return [tuple(v * n if i in columns else v for i, v in enumerate(row)) for row in rows]


class Exports(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def write_bom(self, front, codec, lines=BOM_LINES):
        path = os.path.join(self.folder.name, "export.bom.1")
        with open(path, "wb") as f:
            f.write(front + "\r\n".join(lines).encode(codec) + b"\r\n")
        return path

    def read_csv(self, path, codec):
        with open(path, "rb") as f:
            raw = f.read()
        self.assertEqual(raw.startswith(MARK), codec == "utf-8", path)
        text = raw[len(MARK):].decode(codec) if codec == "utf-8" else raw.decode(codec)
        records = list(csv.reader(io.StringIO(text, newline=""), strict=True))
        # Every record ends in CR LF; the only other line break is the LF inside a quoted name.
        self.assertEqual(raw.count(b"\r\n"), len(records), path)
        self.assertEqual(raw.count(b"\r"), len(records), path)
        self.assertTrue(raw.endswith(b"\r\n"), path)
        return records[0], records[1:]

    def check_csv_folder(self, folder, codec, build=1):
        expected = {
            "assemblies.csv": (["name", "total"], times(ASSEMBLIES, build, {1})),
            "parts.csv": (["name", "total"], times(PARTS, build, {1})),
            "assemblies-where-used.csv": (["name", "parent", "quantity"], ASSEMBLIES_WHERE_USED),
            "parts-where-used.csv": (["name", "parent", "quantity"], PARTS_WHERE_USED),
            "tree.csv": (["level", "parent", "type", "name", "quantity", "pathQuantity", "expanded", "note"],
                         times(TREE, build, {5})),
        }
        self.assertEqual(sorted(os.listdir(folder)), sorted(CSV_FILES))
        for name, (header, rows) in expected.items():
            got_header, got_rows = self.read_csv(os.path.join(folder, name), codec)
            self.assertEqual(got_header, header, name)
            as_text = [[str(v).lower() if isinstance(v, bool) else str(v) for v in row] for row in rows]
            self.assertEqual(got_rows, as_text, name)

    def check_json(self, document, encoding, bom, build=1):
        self.assertEqual(document["format"], "trelk-results")
        self.assertEqual(document["version"], 1)
        self.assertEqual(document["mainAssembly"], MAIN)
        self.assertEqual(document["bomFile"], bom)
        self.assertEqual(document["encoding"], encoding)
        self.assertEqual(document["buildQuantity"], build)
        self.assertEqual(document["log"][:4], ["Trying to read BOM file:", bom,
                                               "Nr of lines read of BOM input file: %d" % len(BOM_LINES),
                                               "Main assembly name: " + MAIN])
        self.assertEqual(document["log"][4:], PROBLEMS)
        self.assertEqual([(r["name"], r["total"]) for r in document["assemblies"]], times(ASSEMBLIES, build, {1}))
        self.assertEqual([(r["name"], r["total"]) for r in document["parts"]], times(PARTS, build, {1}))
        for key, rows in (("assembliesWhereUsed", ASSEMBLIES_WHERE_USED), ("partsWhereUsed", PARTS_WHERE_USED)):
            self.assertEqual([(r["name"], r["parent"], r["quantity"]) for r in document[key]], rows)
        keys = ["level", "parent", "type", "name", "quantity", "pathQuantity", "expanded", "note"]
        self.assertEqual([tuple(r[k] for k in keys) for r in document["tree"]], times(TREE, build, {5}))
        self.assertTrue(all(list(r) == keys for r in document["tree"]))

    def test_csv_and_json_of_every_encoding(self):
        for variant, (front, codec, encoding) in VARIANTS.items():
            with self.subTest(variant):
                bom = self.write_bom(front, codec)
                for build in (1, 3):
                    out = os.path.join(self.folder.name, "csv%d" % build, "new")  # made with its parent
                    r = run("-s", "all", "-f", "csv", "--build", str(build), "-o", out, bom)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.check_csv_folder(out, codec, build)
                    stored = [line for line in r.stdout.decode().split("\n") if line.startswith(out)]
                    self.assertEqual(stored, [os.path.join(out, f) for f in CSV_FILES])

                    json_file = os.path.join(self.folder.name, "results.json")
                    r = run("-s", "all", "-f", "json", "--build", str(build), "-o", json_file, bom)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    with open(json_file, "rb") as f:
                        raw = f.read()
                    self.check_json(json.loads(raw.decode("utf-8")), encoding, bom, build)
                    # The same document on standard output, the log lines on standard error.
                    r = run("-s", "all", "-f", "json", "--build", str(build), "-o", "-", bom)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.assertEqual(r.stdout, raw)
                    self.assertTrue(r.stderr.decode().endswith("Results written to standard output\n"))

    def test_chosen_sections_only(self):
        bom = self.write_bom(b"", "utf-8")
        out = os.path.join(self.folder.name, "some")
        self.assertEqual(run("-s", "parts,breakdown", "-f", "csv", "-o", out, bom).returncode, 0)
        self.assertEqual(sorted(os.listdir(out)), ["parts.csv", "tree.csv"])
        r = run("-s", "none", "-f", "json", "-o", "-", bom)
        document = json.loads(r.stdout)
        self.assertEqual(list(document), ["format", "version", "mainAssembly", "bomFile", "encoding",
                                          "buildQuantity", "log"])

    def test_totals_beyond_64_bits(self):
        bom = self.write_bom(b"", "ascii", ["Assembly BIG contains:", "2147483647 Sub-Assembly S", "",
                                            "Sub-Assembly S contains:", "2147483647 Part P", "-2147483648 Part N"])
        r = run("-s", "all", "-f", "json", "--build", "2", "-o", "-", bom)
        document = json.loads(r.stdout)
        # Two machines still fit in 64 bits; three do not.
        self.assertEqual(document["parts"], [{"name": "N", "total": -2 * (2**31 - 1) * 2**31},
                                             {"name": "P", "total": 2 * (2**31 - 1)**2}])
        self.assertEqual(document["log"][4:], [])
        r = run("-s", "all", "-f", "json", "--build", "3", "-o", "-", bom)
        document = json.loads(r.stdout)
        self.assertEqual(document["parts"], [{"name": "N", "total": -2**63}, {"name": "P", "total": 2**63 - 1}])
        self.assertEqual([row["pathQuantity"] for row in document["tree"]], [3 * (2**31 - 1), 2**63 - 1, -2**63])
        self.assertEqual(document["log"][4:], ["Total out of range: abnormal error! - N",
                                               "Total out of range: abnormal error! - P",
                                               "Path quantity out of range: abnormal error! - P",
                                               "Path quantity out of range: abnormal error! - N"])

    def test_cells_that_a_spreadsheet_would_run(self):
        """Names that start like a formula are text, with an apostrophe; negative totals stay numbers;
        --csv-raw writes the names as read."""
        bom = self.write_bom(b"", "ascii", ["Assembly TOP contains:", "-2 Part -N", "1 Part =SUM(A1;A2)",
                                            "3 Part @X", "4 Part +Y", "5 Part Z-"])
        for args, names in (((), ["'+Y", "'-N", "'=SUM(A1;A2)", "'@X", "Z-"]),
                            (("--csv-raw",), ["+Y", "-N", "=SUM(A1;A2)", "@X", "Z-"])):
            out = os.path.join(self.folder.name, "csv" + "".join(args))
            self.assertEqual(run("-s", "parts,parts-where-used", "-f", "csv", "-o", out, *args, bom).returncode, 0)
            _, rows = self.read_csv(os.path.join(out, "parts.csv"), "utf-8")
            self.assertEqual(rows, [[n, t] for n, t in zip(names, ["4", "-2", "1", "3", "5"])])
            _, rows = self.read_csv(os.path.join(out, "parts-where-used.csv"), "utf-8")
            self.assertEqual([row[0] for row in rows], names)

    def test_comparison_tables_and_document_agree(self):
        """--compare: the CSV tables and the JSON document hold the same rows, in either encoding."""
        edited = [line.replace("     2 Sub-Assembly  FRAME", "     3 Sub-Assembly  FRAME") for line in BOM_LINES]
        tables = {  # CSV file -> JSON key; the JSON rows' keys are the CSV columns
            "block-changes.csv": "blockChanges", "assembly-total-changes.csv": "assemblyTotalChanges",
            "part-total-changes.csv": "partTotalChanges",
            "assembly-where-used-changes.csv": "assemblyWhereUsedChanges",
            "part-where-used-changes.csv": "partWhereUsedChanges"}
        as_csv = lambda v: "" if v is None else " ".join(v) if isinstance(v, list) else str(v)
        for (old_front, old_codec, _), (new_front, new_codec, _) in (
                (VARIANTS["UTF-8 with the mark"],) * 2, (VARIANTS["Windows-1252"],) * 2,
                (VARIANTS["Windows-1252"], VARIANTS["UTF-8 without the mark"])):
            with self.subTest(old=old_codec, new=new_codec):
                old = self.write_bom(old_front, old_codec)
                os.rename(old, old + ".old")
                new = self.write_bom(new_front, new_codec, edited)
                out = os.path.join(self.folder.name, "compared")
                self.assertEqual(run("--compare", old + ".old", "-f", "csv", "-o", out, new).returncode, 1)
                r = run("--compare", old + ".old", "-f", "json", "-o", "-", new)
                self.assertEqual(r.returncode, 1, r.stderr)
                document = json.loads(r.stdout.decode("utf-8"))
                self.assertEqual((document["format"], document["version"], document["agree"]),
                                 ("trelk-comparison", 1, False))
                self.assertEqual(sorted(os.listdir(out)), sorted(list(tables) + ["compared-files.csv",
                                                                                   "compared-log.csv"]))
                codec = "utf-8" if "utf-8" in (old_codec, new_codec) else "cp1252"
                for name, key in tables.items():
                    header, rows = self.read_csv(os.path.join(out, name), codec)
                    self.assertEqual([[as_csv(row[k]) for k in header] for row in document[key]], rows, name)
                # The self-containing frame is one more per gearbox: its rail changes through it.
                self.assertIn({"name": "RAIL", "oldTotal": 4, "newTotal": 6, "difference": 2, "cause": "indirect",
                               "changedIn": [], "via": ["FRAME\"X\""]}, document["partTotalChanges"])
                # Names beyond ASCII are matched across the encodings: only TOP's line changed.
                self.assertEqual([(r["assembly"], r["name"]) for r in document["blockChanges"]],
                                 [(MAIN, "FRAME\"X\"")])

if __name__ == "__main__":
    CLI = sys.argv.pop(1)
    unittest.main(verbosity=1)
