#!/usr/bin/env bash
# Writes the HTML report of tests/cli/html_project into OUT_DIR/report and
# checks it in headless Chromium (html_report_test.js), which leaves
# OUT_DIR/report/screenshot.png.
#
#   html_report.sh TOOL OUT_DIR
set -u
tool=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out/report"
mkdir -p "$out"
cd "$here/html_project" || exit 1
# fprintf is an external name; disp, in a function with a nested function,
# stays unknown.
"$tool" check --quiet --no-config --external fprintf --html "$out/report" . 2> /dev/null
if [ $? -ne 1 ]; then
    echo "check should report the error of broken.kx" >&2
    exit 1
fi
node "$here/html_report_test.js" "$out/report" "$out/report/screenshot.png"
