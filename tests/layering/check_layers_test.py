#!/usr/bin/env python3
"""Cases for the layering check: which includes it lets through and which it reports."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402

CASES = [
    # (including module, included header, reported)
    ('app', 'files/cue_sheet.h', False),
    ('app', 'engine/engine.h', False),
    ('files', 'engine/plugin_api.h', False),
    ('files', 'util/fields.h', False),
    ('radio', 'net/http_cli.h', False),
    ('util', 'net/net_error.h', False),
    ('engine', 'engine/source.h', False),
    ('files', 'files/playlist.h', False),
    ('files', 'gtest/gtest.h', False),
    ('files', 'engine/source.h', True),
    ('app', 'engine/plugins/midi/smf.h', True),
    ('engine', 'util/fields.h', True),
    ('util', 'app/form.h', True),
    ('net', 'radio/radio_list.h', True),
    ('files', 'app/form.h', True),
    ('remote', 'app/settings_file.h', True),
]


class IncludeRuleTest(unittest.TestCase):
    def test_each_include_is_reported_only_when_it_breaks_the_layering(self):
        for module, included, reported in CASES:
            with self.subTest(module=module, included=included):
                self.assertEqual(check_layers.violation(module, included) is not None, reported)


class TreeScanTest(unittest.TestCase):
    def test_a_tree_with_a_wrong_include_names_the_file_and_line(self):
        with tempfile.TemporaryDirectory() as root:
            folder = os.path.join(root, 'src', 'files')
            os.makedirs(folder)
            with open(os.path.join(folder, 'cue.cpp'), 'w') as f:
                f.write('#include "files/cue.h"\n#include "engine/engine.h"\n'
                        '  #  include "engine/mixer.h"\n')
            found = list(check_layers.violations(os.path.join(root, 'src')))
            self.assertEqual(len(found), 1)
            self.assertTrue(found[0].startswith('src/files/cue.cpp:3: includes "engine/mixer.h"'))

    def test_the_command_fails_on_a_wrong_include_and_passes_on_a_clean_tree(self):
        with tempfile.TemporaryDirectory() as root:
            folder = os.path.join(root, 'src', 'util')
            os.makedirs(folder)
            header = os.path.join(folder, 'fields.h')
            with open(header, 'w') as f:
                f.write('#include "util/text_codec.h"\n')
            self.assertEqual(check_layers.main(['check_layers.py', root]), 0)
            with open(header, 'a') as f:
                f.write('#include "app/form.h"\n')
            self.assertEqual(check_layers.main(['check_layers.py', root]), 1)


if __name__ == '__main__':
    unittest.main()
