#!/usr/bin/env python3
"""Counts the test cases of every JUnit report in the given folders and prints one closing line."""
import pathlib
import sys
import xml.etree.ElementTree as ET

passed = failed = skipped = 0
for folder in sys.argv[1:]:
    for report in sorted(pathlib.Path(folder).glob("*.xml")):
        cases = ET.parse(report).getroot().iter("testcase")
        here = [0, 0, 0]
        for case in cases:
            if case.find("failure") is not None or case.find("error") is not None:
                here[1] += 1
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                here[2] += 1
            else:
                here[0] += 1
        print(f"{report.name}: {here[0]} passed, {here[1]} failed, {here[2]} skipped")
        passed, failed, skipped = passed + here[0], failed + here[1], skipped + here[2]
print(f"tests: {passed} passed, {failed} failed, {skipped} skipped")
sys.exit(1 if failed or passed == 0 else 0)
