#!/usr/bin/env bash
# Builds the benchmarks with the native preset, runs them and prints their ratios against the
# baselines measured in the same run. Extra arguments go to Google Benchmark. Then times the
# Linux host's start-up against a bare GTK window, its page API and a native extension's calls
# against what the page has without them (IndexedDB, a bare message), and the Windows program's start-up under Wine (win32 preset,
# stand-in runtime) against a bare Win32 window.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native --target tessaly_bench tessaly_linux_host bare_gtk_window \
    echo_extension
./build/native/bench/tessaly_bench "$@"
python3 bench/linux_host_startup.py --host build/native/src/app/tessaly-host \
    --bare build/native/bench/bare_gtk_window --app examples/hello
python3 bench/linux_api_bench.py --host build/native/src/app/tessaly-host \
    --echo build/native/extensions/libecho.so

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target tessaly_host standin_runtime bare_window_win32
python3 bench/windows_startup.py --exe build/win32/src/app/Tessaly.exe \
    --dll build/win32/tests/standin_runtime/EmbeddedBrowserWebView.dll \
    --bare build/win32/bench/bare_window_win32.exe --app examples/hello --work-dir build/win32/e2e
