"""Runs pytest with the given arguments for ctest: exit status 77 (ctest's skip) when numpy or
pytest is not installed for this interpreter, or a module named by a leading `--require MODULE`
(repeatable), and a failure when no test was collected."""

import importlib
import sys

arguments = sys.argv[1:]
required = ["numpy", "pytest"]
while arguments[:1] == ["--require"] and len(arguments) > 1:
    required.append(arguments[1])
    arguments = arguments[2:]
for name in required:
    try:
        importlib.import_module(name)
    except ImportError:
        print(f"skipped: {name} is not installed for {sys.executable}")
        sys.exit(77)

import pytest  # noqa: E402

# No cache folder in the source tree; markers registered here, as there is no pytest.ini.
code = pytest.main(["-p", "no:cacheprovider", "-q",
                    "-o", "markers=slow: runs the real engine's five-second searches",
                    *arguments])
if code == pytest.ExitCode.NO_TESTS_COLLECTED:
    print("no test was collected")
    sys.exit(1)
sys.exit(int(code))
