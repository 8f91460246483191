#!/usr/bin/env python3
"""The scenario runner's log comparison and the paths and values it hands to Wine."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import run_scenario  # noqa: E402


class CompareTest(unittest.TestCase):
    def test_equal_logs_match(self):
        lines = ["navigate \"https://tessaly.example/index.html\"", "exit-code 0"]
        self.assertIsNone(run_scenario.compare(lines, list(lines)))

    def test_reports_the_first_differing_line(self):
        expected = ["a", "b", "c"]
        self.assertEqual(run_scenario.compare(expected, ["a", "x", "c"]), 2)

    def test_a_missing_or_extra_line_is_a_difference(self):
        self.assertEqual(run_scenario.compare(["a", "b"], ["a"]), 2)
        self.assertEqual(run_scenario.compare(["a"], ["a", "b"]), 2)
        self.assertEqual(run_scenario.compare([], ["a"]), 1)

    def test_a_line_must_match_whole(self):
        self.assertEqual(run_scenario.compare(["exit-code 0"], ["exit-code 00"]), 1)
        self.assertEqual(run_scenario.compare(["code 0"], ["exit-code 0"]), 1)

    def test_any_text_placeholder(self):
        expected = ['create-environment user-data-folder="<<*>>\\\\AppData\\\\Local\\\\demo"']
        actual = ['create-environment user-data-folder="C:\\\\users\\\\root\\\\AppData\\\\Local\\\\demo"']
        self.assertIsNone(run_scenario.compare(expected, actual))
        self.assertEqual(run_scenario.compare(expected, ['create-environment user-data-folder="x"']), 1)

    def test_named_placeholder_must_repeat_its_first_text(self):
        expected = ["window rect=<<saved>>", "window rect=0,0,1024,768", "window rect=<<saved>>"]
        self.assertIsNone(run_scenario.compare(
            expected, ["window rect=10,20,30,40", "window rect=0,0,1024,768",
                       "window rect=10,20,30,40"]))
        self.assertEqual(run_scenario.compare(
            expected, ["window rect=10,20,30,40", "window rect=0,0,1024,768",
                       "window rect=10,20,30,41"]), 3)

    def test_named_placeholder_twice_in_its_first_line(self):
        expected = ["put_Bounds 0,0,<<w>>,<<h>> again <<w>>"]
        self.assertIsNone(run_scenario.compare(expected, ["put_Bounds 0,0,800,600 again 800"]))
        self.assertEqual(run_scenario.compare(expected, ["put_Bounds 0,0,800,600 again 801"]), 1)

    def test_regular_expression_characters_are_literal(self):
        expected = ['web-message json="{\\"a\\":[1,2]}" (x).*']
        self.assertIsNone(run_scenario.compare(expected, list(expected)))
        self.assertEqual(run_scenario.compare(expected, ['web-message json="{\\"a\\":[1,2]}" (x)yz']), 1)


class ValuesTest(unittest.TestCase):
    def test_windows_path_is_on_drive_z(self):
        self.assertEqual(run_scenario.windows_path("/tmp/a b/log.txt"), "Z:\\tmp\\a b\\log.txt")

    def test_quote_matches_the_stand_in_log(self):
        self.assertEqual(run_scenario.quote('https://a.test/?q="x"\\'),
                         '"https://a.test/?q=\\"x\\"\\\\"')
        self.assertEqual(run_scenario.quote("a\tb\n\x01"), '"a\\tb\\n\\x01"')

    def test_expected_files_skip_comments_and_blank_lines(self):
        path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "standin_runtime",
                            "scenarios", "fixture_environment_fails.log")
        lines = run_scenario.read_expected(path)
        self.assertTrue(lines[0].startswith("create-environment "))
        self.assertEqual(lines[-1], "exit-code 1")
        self.assertFalse(any(line.startswith("#") or not line.strip() for line in lines))


if __name__ == "__main__":
    unittest.main()
