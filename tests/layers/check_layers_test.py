#!/usr/bin/env python3
"""The layer check on small trees: each wrong arrow fails and says which file
broke which rule; a tree that keeps to its table passes."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "check-layers.py")

TABLE = """# Map
<!-- layers: begin -->
| layer | folder | may include |
|---|---|---|
| os | `src/core/os/` | nothing |
| base | `src/core/base/` | os |
| settings | `src/core/settings/` | os, base |
| studies | `src/studies/` | os, base, settings |
| cli | `src/cli/` | os, base, settings, studies |
| web | `src/web/` | os, base, settings, studies |
<!-- layers: end -->
"""

HEADERS = ["core/os/file.h", "core/base/errors.h", "core/settings/model.h",
           "studies/sweep.h", "cli/output.h", "web/platform.h"]


def run_checker(files, table=TABLE):
    with tempfile.TemporaryDirectory() as root:
        for path in HEADERS:
            os.makedirs(os.path.dirname(os.path.join(root, "src", path)), exist_ok=True)
            open(os.path.join(root, "src", path), "w").close()
        for path, text in files.items():
            full = os.path.join(root, "src", path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as file:
                file.write(text)
        with open(os.path.join(root, "architecture.md"), "w") as file:
            file.write(table)
        done = subprocess.run([sys.executable, CHECKER, "--src", os.path.join(root, "src"),
                               "--table", os.path.join(root, "architecture.md")],
                              capture_output=True, text=True)
        return done.returncode, done.stderr


class LayerCheckTest(unittest.TestCase):
    def test_each_wrong_arrow_names_the_file_and_the_rule(self):
        cases = [
            ("a core file that includes the studies", "core/settings/model.cpp",
             '#include "studies/sweep.h"\n',
             'src/core/settings/model.cpp:1: settings may not include studies ("studies/sweep.h"):'
             " settings may include os, base"),
            ("a core file that includes a shell", "core/base/errors.cpp",
             '#include <string>\n#include "web/platform.h"\n',
             'src/core/base/errors.cpp:2: base may not include web ("web/platform.h")'),
            ("the OS layer that includes the settings", "core/os/posix/file.cpp",
             '#include "core/settings/model.h"\n',
             'src/core/os/posix/file.cpp:1: os may not include settings ("core/settings/model.h"):'
             " os may include nothing but itself"),
            ("one shell that includes another", "web/page.cpp", '#include "cli/output.h"\n',
             'src/web/page.cpp:1: web may not include cli ("cli/output.h")'),
            ("a header named without its path", "studies/sweep.cpp", '#include "model.h"\n',
             'src/studies/sweep.cpp:1: "model.h" names a header of src/ without its path from src/'
             ' ("core/settings/model.h")'),
            ("a file outside every layer", "tools/x.cpp", '#include "core/base/errors.h"\n',
             "src/tools/x.cpp lies in no layer of the table"),
        ]
        for what, path, text, message in cases:
            with self.subTest(what):
                status, output = run_checker({path: text})
                self.assertEqual(status, 1, output)
                self.assertIn(message, output)

    def test_includes_down_and_sideways_within_a_layer_pass(self):
        status, output = run_checker({
            "core/os/posix/file.cpp": '#include "core/os/file.h"\n#include <cstdio>\n',
            "core/settings/model.cpp": '#include "core/settings/model.h"\n#include "core/base/errors.h"\n',
            "web/platform.cpp": '#include "studies/sweep.h"\n#include "emscripten.h"\n',
        })
        self.assertEqual(status, 0, output)

    def test_a_table_that_cannot_be_read_is_no_pass(self):
        for what, table in [("no table", "# Map\n"),
                            ("an unknown layer", TABLE.replace("os, base, settings, studies |",
                                                               "os, base, settings, gui |"))]:
            with self.subTest(what):
                status, _ = run_checker({}, table)
                self.assertEqual(status, 2)


if __name__ == "__main__":
    unittest.main()
