#!/usr/bin/env python3
"""Checks of the benchmark's own media that need no Wine: python3 bench/bench_test.py"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench  # noqa: E402


class RemovalMedia(unittest.TestCase):
    def test_log_is_laid_out_as_setup_writes_it(self):
        # The remover must see what SETUP.EXE leaves: [UNINST] first, the directory it
        # made, then the files, each an entry with an empty value, CRLF line ends.
        text = bench.uninst_log_text("Bench Removal", bench.REMOVE_DIR, bench.removal_paths(2))
        self.assertEqual(text, "[UNINST]\r\nProduct=Bench Removal\r\n"
                               "[UninstCreatedDirs]\r\nC:\\bench\\r=\r\n"
                               "[UninstFiles]\r\nC:\\bench\\r\\f00001.dat=\r\nC:\\bench\\r\\f00002.dat=\r\n")

    def test_every_file_lies_directly_in_the_recorded_directory(self):
        # Otherwise the directory would stay non-empty and every run would fail the
        # end-state check instead of being timed.
        paths = bench.removal_paths(10000)
        self.assertEqual(len(set(p.lower() for p in paths)), 10000)
        self.assertTrue(all(p.rpartition("\\")[0] == bench.REMOVE_DIR for p in paths))

    def test_nothing_to_remove_is_a_log_with_its_product_only(self):
        # The start-up run: still a log (the remover refuses a file without Product).
        self.assertEqual(bench.uninst_log_text("P", bench.REMOVE_DIR, []), "[UNINST]\r\nProduct=P\r\n")

    def test_checkpoint_twin_is_the_file_the_remover_writes_beside_the_log(self):
        # A twin left behind after a removal is a fault the end-state check must see.
        cases = [("C:\\windows\\BENCHRM.INI", "C:\\windows\\BENCHRM.IN$"),  # the usual case
                 ("C:\\windows\\BENCHRM.IN$", "C:\\windows\\BENCHRM.IN#")]  # a log already ending in $
        for log, twin in cases:
            self.assertEqual(bench.checkpoint_twin(log), twin)


if __name__ == "__main__":
    unittest.main()
