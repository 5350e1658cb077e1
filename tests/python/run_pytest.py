"""Runs pytest with the given arguments for ctest: exit status 77 (ctest's skip) when numpy or
pytest is not installed for this interpreter, and a failure when no test was collected."""

import sys

try:
    import numpy  # noqa: F401
    import pytest
except ImportError as missing:
    print(f"skipped: {missing.name} is not installed for {sys.executable}")
    sys.exit(77)

# No cache folder in the source tree; markers registered here, as there is no pytest.ini.
code = pytest.main(["-p", "no:cacheprovider", "-q",
                    "-o", "markers=slow: runs the real engine's five-second searches",
                    *sys.argv[1:]])
if code == pytest.ExitCode.NO_TESTS_COLLECTED:
    print("no test was collected")
    sys.exit(1)
sys.exit(int(code))
