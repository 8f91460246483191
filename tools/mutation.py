#!/usr/bin/env python3
"""Measures how many single-line faults in the portable code the native tests catch.

Each fault below replaces one exact piece of one source line. The script applies them one at a
time to the working tree, rebuilds the native preset, runs its unit tests (the end-to-end runs
are left out: they are slow and the unit tests are meant to catch these faults themselves),
notes which tests failed, and puts the line back. It prints the score, the faults no test
caught, and for each test the faults it alone caught, so that tests which catch nothing of their
own can be looked at.

    tools/mutation.py                 # every fault
    tools/mutation.py --only 3 17     # some of them, by number
    tools/mutation.py --list          # print them

The build folder must have been configured and built once (cmake --preset native).
"""

import argparse
import json
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (file, the text as it stands, the faulty text): the text must occur exactly once in the file.
FAULTS = [
    # Content types.
    ("src/server/content_types.cpp", '{u".wasm", u"application/wasm"}',
     '{u".wasm", u"application/octet-stream"}'),
    ("src/server/content_types.cpp", '{u".mjs", u"text/javascript; charset=utf-8"}',
     '{u".mjs", u"application/javascript; charset=utf-8"}'),
    ("src/server/content_types.cpp", "requestPath.rfind(u'.')", "requestPath.find(u'.')"),
    ("src/server/content_types.cpp", "unit <= u'Z'", "unit < u'Z'"),
    # Byte ranges.
    ("src/server/byte_range.cpp", "(unit >= u'\\t' && unit <= u'\\r')",
     "(unit >= u'\\t' && unit < u'\\r')"),
    ("src/server/byte_range.cpp", "if (fileSize == 0) {", "if (fileSize == 1) {"),
    ("src/server/byte_range.cpp", "if (hyphen == ranges.size() - 1) {",
     "if (hyphen == ranges.size()) {"),
    ("src/server/byte_range.cpp", "first.value > last.value", "first.value >= last.value"),
    ("src/server/byte_range.cpp", "count.value <= 0 ||", "count.value < 0 ||"),
    ("src/server/byte_range.cpp", "std::uint64_t(count.value) > fileSize",
     "std::uint64_t(count.value) >= fileSize"),
    ("src/server/byte_range.cpp", "n >= 0 && std::uint64_t(n) < fileSize",
     "n > 0 && std::uint64_t(n) < fileSize"),
    ("src/server/byte_range.cpp", "(magnitude == kLimit && !negative)", "(magnitude == kLimit)"),
    ("src/server/byte_range.cpp", "constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;",
     "constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;"),
    # The answer to a request.
    ("src/server/resource_response.cpp", "return high < 0 || low < 0 ? -1 : high * 16 + low;",
     "return high < 0 ? -1 : high * 16 + low;"),
    ("src/server/resource_response.cpp", "if (WideToUtf8(characters) == sequence) {",
     "if (true) {"),
    ("src/server/resource_response.cpp", "if (unit < 0x20 ||", "if (unit < 0x1F ||"),
    ("src/server/resource_response.cpp", 'u"con", u"prn", u"aux", u"nul",',
     'u"con", u"prn", u"aux",'),
    ("src/server/resource_response.cpp", "segment.back() == u'.' || segment.back() == u' '",
     "segment.back() == u'.'"),
    ("src/server/resource_response.cpp", "rest.substr(0, rest.find_first_of(u\"?#\"))",
     "rest.substr(0, rest.find_first_of(u\"?\"))"),
    ("src/server/resource_response.cpp", "if (decoded.size() > kMaxDecodedPath) {",
     "if (decoded.size() >= kMaxDecodedPath) {"),
    ("src/server/resource_response.cpp",
     "parsed.form == RangeForm::OpenEnded && span.count() > kMaxOpenEndedSpan",
     "span.count() > kMaxOpenEndedSpan"),
    ("src/server/resource_response.cpp", "if (span.count() == status.size) {",
     "if (span.last + 1 == status.size) {"),
    ("src/server/resource_response.cpp", "span.last >= file->size() ||",
     "span.last > file->size() ||"),
    ("src/server/resource_response.cpp", "Decimal(span.count())", "Decimal(std::uint32_t(span.count()))"),
    ("src/server/resource_response.cpp",
     "response.headerLines.push_back(std::u16string(kContentLength) + Decimal(status.size));",
     "response.headerLines.push_back(std::u16string(kContentLength) + "
     "Decimal(std::uint32_t(status.size)));"),
    ("src/server/resource_response.cpp",
     "RemoveLinesStartingWith(response.headerLines, u\"Content-Range: \");", ""),
    # The cache and the span reader.
    ("src/server/mapped_file_cache.cpp", "if (opened->size <= kWholeViewLimit) {",
     "if (opened->size < kWholeViewLimit) {"),
    ("src/server/mapped_file_cache.cpp",
     "const std::uint64_t start = offset - offset % kViewAlignment;",
     "const std::uint64_t start = offset - offset % 4096;"),
    ("src/server/mapped_file_cache.cpp", "entries_.emplace(std::u16string(key), file);", ""),
    ("src/server/mapped_file_cache.cpp", "            files_.Close(*opened);\n", ""),
    ("src/server/span_reader.cpp", "std::min<std::uint64_t>(kReadWindow, size() - position_)",
     "std::min<std::uint64_t>(kReadWindow, size())"),
    ("src/server/span_reader.cpp", "if (position_ >= size()) {", "if (position_ > size()) {"),
    ("src/server/span_reader.cpp", "if (position_ < windowFirst_ || position_ >= windowEnd_ ||",
     "if (position_ >= windowEnd_ ||"),
    # Text and paths.
    ("src/base/text.cpp", "if (cp < 0x10000) {\n        out.push_back(static_cast<char16_t>",
     "if (cp <= 0x10000) {\n        out.push_back(static_cast<char16_t>"),
    ("src/base/text.cpp", "} else if (cp < 0x800) {", "} else if (cp <= 0x800) {"),
    ("src/base/text.cpp", "} else if (cp < 0x10000) {\n        out.push_back(static_cast<char>(0xE0",
     "} else if (cp <= 0x10000) {\n        out.push_back(static_cast<char>(0xE0"),
    ("src/base/text.cpp", "static_cast<unsigned char>(b == 0xED ? 0x9F : 0xBF)",
     "static_cast<unsigned char>(0xBF)"),
    ("src/base/text.cpp", "static_cast<unsigned char>(b == 0xF4 ? 0x8F : 0xBF)",
     "static_cast<unsigned char>(0xBF)"),
    ("src/base/text.cpp", "return unit == 0x20 || (unit >= 0x09 && unit <= 0x0D);",
     "return unit == 0x20 || (unit >= 0x09 && unit < 0x0D);"),
    ("src/base/paths.cpp", "if (count < buffer.size()) {", "if (count <= buffer.size()) {"),
    ("src/base/json_read.cpp", "return static_cast<std::int32_t>(member->get<std::int64_t>());",
     "return TruncateToInt32(double(member->get<std::int64_t>()));"),
    ("src/base/json_read.cpp", "if (!member || !member->is_boolean()) {", "if (!member) {"),
    # Configuration.
    ("src/config/package_settings.cpp", "settings.name.find(u'\\0') != std::u16string::npos",
     "false"),
    ("src/config/package_settings.cpp", 'settings.width = GetInt(window, "width", 1024);',
     'settings.width = GetInt(window, "width", 800);'),
    # Browser decisions.
    ("src/browser/external_uri.cpp", "if (unit <= 0x20 || unit == 0x7F || unit == u'\"') {",
     "if (unit <= 0x20 || unit == u'\"') {"),
    ("src/browser/external_uri.cpp", "if (unit <= 0x20 || unit == 0x7F || unit == u'\"') {",
     "if (unit < 0x20 || unit == 0x7F || unit == u'\"') {"),
    ("src/browser/external_uri.cpp", '{u"http", u"https", u"mailto", u"tel"}',
     '{u"http", u"https", u"mailto", u"file"}'),
    ("src/browser/external_uri.cpp", "scheme.push_back(AsciiLower(uri[i]));",
     "scheme.push_back(uri[i]);"),
    ("src/browser/fullscreen.cpp", "window.SetExStyle(savedExStyle_ & kFullscreenExStyleMask);",
     "window.SetExStyle(savedExStyle_);"),
    ("src/browser/fullscreen.cpp", "if (fullscreen == isFullscreen_) {\n        return;\n    }",
     ""),
    ("src/browser/web_message.cpp", 'if (GetString(root, "type", u"") != u"set-fullscreen") {',
     'if (GetString(root, "type", u"") == u"") {'),
    ("src/browser/runtime_search.cpp", "return drive || path.starts_with(u\"\\\\\\\\\");",
     "return drive;"),
    ("src/browser/runtime_search.cpp",
     "if (folder.find(u\"\\\\Edge\\\\Application\\\\\") != std::u16string::npos) {",
     "if (false) {"),
    ("src/browser/app_origin.cpp",
     "unsigned difference = (target[0] ^ '/') | (target[prefix - 1] ^ '/');",
     "unsigned difference = (target[0] ^ '/');"),
    # Window and installer arithmetic.
    ("src/window/dpi_scale.cpp", "return float(dpi) / 96.0f;", "return float(dpi) / 100.0f;"),
    ("src/installer/setup_layout.cpp", "bar.width = clientWidth - ScaleByFactor(20, dpiFactor);",
     "bar.width = clientWidth - ScaleByFactor(10, dpiFactor);"),
    ("src/installer/setup_layout.cpp", "return offset <= head.size() && head.size() - offset >= 4 &&",
     "return head.size() - offset >= 4 &&"),
    # The tool.
    ("tools/tessaly/file_names.cpp", "return unit < 0x20 || unit == 0x7F;", "return unit < 0x1F;"),
    ("tools/tessaly/file_names.cpp", "if (c >= 'A' && c <= 'Z') {", "if (c >= 'A' && c < 'Z') {"),
    ("tools/tessaly/check.cpp",
     "if (path.starts_with('/') || path.find(':') != std::string_view::npos) {",
     "if (path.starts_with('/')) {"),
    ("tools/tessaly/http_answer.cpp", "(y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y)", "y"),
    # Save paths.
    ("src/saves/save_path.cpp", "name.back() == '.' || name.back() == ' '", "name.back() == '.'"),
    ("src/saves/save_path.cpp", "stem[3] >= '1' && stem[3] <= '9'", "stem[3] >= '0' && stem[3] <= '9'"),
    ("src/saves/save_path.cpp", "if (names.size() == kMaxSaveSegments) {",
     "if (names.size() > kMaxSaveSegments) {"),
    ("src/saves/save_path.cpp", "if (name.size() > kMaxSaveNameBytes) {",
     "if (name.size() >= kMaxSaveNameBytes) {"),
    ("src/saves/save_path.cpp", "while (!stem.empty() && stem.back() == ' ') {",
     "while (false) {"),
    ("src/saves/save_path.cpp", "std::uint8_t(c) < 0x20 || c == 0x7F", "std::uint8_t(c) < 0x20"),
    ("src/saves/save_path.cpp", 'kNotInWindowsNames = "<>\\"|?*";', 'kNotInWindowsNames = "<>\\"|?";'),
    ("src/saves/save_path.cpp", '"CONIN$", "CONOUT$"}', '"CONIN$", "CONOUT"}'),
    ("src/saves/save_path.cpp", '"\\xC2\\xB9", "\\xC2\\xB2",', '"\\xC2\\xB9", "\\xC2\\xB0",'),
    ("src/saves/save_path.cpp", "owner == 0 ||", ""),
    ("src/saves/save_path.cpp", "idEnd == id.data() + id.size() &&", "true &&"),
    ("src/saves/save_path.cpp", "counterEnd == counter.data() + counter.size()", "true"),
    ("src/saves/save_path.cpp", "counter.data() + counter.size(), number, 16)",
     "counter.data() + counter.size(), number)"),
    ("src/saves/save_path.cpp", "counter++, 16", "counter.load(), 16"),
    # Base64.
    ("src/base/base64.cpp", "padding = text[text.size() - 2] == '=' ? 2 : 1;", "padding = 1;"),
    ("src/base/base64.cpp", "if (digits > 2) {", "if (digits > 1) {"),
    # The page's calls.
    ("src/browser/host_calls.cpp", "code.get<std::int64_t>() > 255", "code.get<std::int64_t>() > 256"),
    ("src/browser/host_calls.cpp", "if (!value.is_number_integer() || value.get<std::int64_t>() < 1 ||",
     "if (!value.is_number_integer() || value.get<std::int64_t>() < 0 ||"),
    ("src/browser/host_calls.cpp", "if (window.IsFullscreen()) {", "if (false) {"),
    ("src/browser/host_calls.cpp", "        return 0;\n", "        return 1;\n"),
    ("src/browser/host_calls.cpp", '{"filesFolder", facts.filesFolder}', '{"filesFolder", facts.name}'),
    ("src/browser/host_calls.cpp", "return {FailureKind::IOError,", "return {FailureKind::Busy,"),
    ("src/browser/page_messages.cpp", 'root["key"] != key) {', 'key.empty()) {'),
    ("src/browser/host_calls.cpp", "if (bytes.size() > kMaxSaveFileBytes) {", "if (false) {"),
    ("src/browser/page_messages.cpp", 'abcdefghijklmnopqrstuvwxyz0123456789+/="',
     'abcdefghijklmnopqrstuvwxyz0123456789+/=\\\\"'),
    ("src/browser/page_messages.cpp",
     "args->back() == EmptyBytes() && EmptyBytesCount(root) == 1;", "args->back() == EmptyBytes();"),
    ("src/browser/page_messages.cpp", 'call.args.back()["base64"] = std::move(text);', ";"),
    ("src/browser/page_messages.cpp", "return value.dump(-1, ' ', false, Json::error_handler_t::replace);",
     "return value.dump();"),
    ("src/base/json_read.cpp", "depth >= kMaxJsonDepth) {", "depth > kMaxJsonDepth) {"),
    # What the calls in flight may hold, and where each kind runs.
    ("src/browser/call_budget.cpp", "const std::size_t cost = std::max(bytes, least_);",
     "const std::size_t cost = bytes;"),
    ("src/browser/call_budget.cpp", "if (cost > capacity_ - used) {", "if (cost >= capacity_ - used) {"),
    ("src/browser/call_budget.cpp", "used_->fetch_sub(bytes_);", ";"),
    ("src/browser/host_calls.cpp", "budget_.Take(text.size());", "budget_.Take(0);"),
    ("src/browser/host_calls.cpp", "if (call.args.size() > method->maxArgs) {", "if (false) {"),
    ("src/browser/host_calls.cpp", '{"files.write", 2, Runs::OnFiles},', '{"files.write", 3, Runs::OnFiles},'),
    ("src/browser/host_calls.cpp",
     "runOnUiThread_([this, call = std::move(call), back] { RunWindowCall(call, back); });",
     "files_.Post([this, call = std::move(call), back] { RunWindowCall(call, back); });"),
    ("src/base/work_queue.cpp", "LogFailure(error.what());", "(void)error;"),
    ("src/browser/host_calls.cpp", 'log("the call " + method + " failed: " + what);', 'log("");'),
    # The save folder on POSIX.
    ("src/saves/save_folder_posix.cpp", "unlinkat(folder, name.c_str(), 0);", "(void)folder;"),
    ("src/saves/save_folder_posix.cpp", "errno != ESRCH", "errno == ESRCH"),
    ("src/saves/save_folder_posix.cpp", "return !owner ||",
     "if (!owner) {\n        return false;\n    }\n    return"),
    ("src/saves/save_folder_posix.cpp", "*owner == std::uint32_t(getpid()) ||", ""),
    ("src/saves/save_folder_posix.cpp", "if (IsLeftover(name)) {", "if (IsLeftover(name) || true) {"),
    ("src/saves/save_folder_posix.cpp", "if (S_ISLNK(info->st_mode)) {", "if (false) {"),
    ("src/saves/save_folder_posix.cpp", 'if (name == "." || name == ".." || IsPartialWriteName(name)) {',
     'if (name == "." || name == "..") {'),
    ("src/saves/save_folder_posix.cpp", "O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC",
     "O_RDONLY | O_NONBLOCK | O_CLOEXEC"),
    ("src/saves/save_folder_posix.cpp", "if (std::uint64_t(info.st_size) > limit) {",
     "if (std::uint64_t(info.st_size) >= limit) {"),
    ("src/saves/save_folder_posix.cpp", "isFolder ? AT_REMOVEDIR : 0", "isFolder ? 0 : 0"),
    ("src/saves/save_folder_posix.cpp",
     "Fd inner(openat(folder.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));",
     "Fd inner(openat(folder.get(), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));"),
    # The user's language.
    ("src/base/language_tag.cpp", "locale = locale.substr(0, locale.find(':'));", ";"),
    # Native extensions: what the package lists, the rules, the host's bookkeeping.
    ("src/config/package_settings.cpp", "if (!item.is_object()) {", "if (item.is_null()) {"),
    ("src/config/package_settings.cpp", "item[std::string(platform)].is_string()",
     "!item[std::string(platform)].is_null()"),
    ("src/extensions/extension_entries.cpp", "c == u'-' || c == u'_';", "c == u'-';"),
    ("src/extensions/extension_entries.cpp", "return !name.empty() &&", "return"),
    ("src/extensions/extension_entries.cpp", "std::any_of(entries.begin(), earlier,",
     "std::any_of(earlier, earlier,"),
    ("src/extensions/extension_entries.cpp", "!IsConfinedRequestPath(", "false && !IsConfinedRequestPath("),
    ("src/extensions/extensions.cpp", "host->pending.erase(found);", ";"),
    ("src/extensions/extensions.cpp", "const bool given = id < host->nextId;",
     "const bool given = id > host->nextId;"),
    ("src/extensions/extensions.cpp", "errorMessage ? errorMessage : \"\", errorName}",
     "errorMessage ? errorMessage : \"\", \"Error\"}"),
    ("src/extensions/extensions.cpp", "if (result != 0) {", "if (result < 0) {"),
    ("src/extensions/extensions.cpp", "for (int i = 0; i < 3; ++i) {", "for (int i = 0; i < 2; ++i) {"),
    ("src/extensions/extensions.cpp", "        host.unload(host.state);", ";"),
    ("src/extensions/extensions.cpp", "abandoned.swap(host.pending);", ";"),
    ("src/extensions/extensions.cpp", "{\"loaded\", host->reason.empty()},", "{\"loaded\", true},"),
    ("src/extensions/extensions.cpp", "sendEvent(host->name,", "sendEvent(host->libraryText,"),
    ("src/extensions/extensions.cpp", "if (waiting_ >= kMaxWaitingEvents) {",
     "if (waiting_ > kMaxWaitingEvents) {"),
    ("src/extensions/extensions.cpp", "if (waiting_ > 0) {", "if (waiting_ > 1) {"),
    ("src/extensions/extensions.cpp", "host.events->Flush();", ";"),
    ("src/extensions/extensions.cpp", "if (loading_ > 0) {", "if (false) {"),
    ("src/extensions/extensions.cpp", "    if (call.second) {", "    if (false) {"),
    ("src/extensions/extensions.cpp", "entries[i].libraries.find(platform);",
     "entries[i].libraries.begin();"),
    ("src/browser/host_calls.cpp", "if (!name.is_string() || !method.is_string()) {",
     "if (!name.is_string()) {"),
    # The Linux program's messages to the page, a few at a time.
    ("src/browser/page_message_pacer.cpp", "if (delivering_ < mostDelivering_) {",
     "if (delivering_ <= mostDelivering_) {"),
    ("src/browser/page_message_pacer.cpp", "} else if (waiting_.size() < mostWaiting_) {",
     "} else if (waiting_.size() <= mostWaiting_) {"),
    ("src/browser/page_message_pacer.cpp", "} else if (!std::exchange(dropping_, true)) {",
     "} else {"),
    ("src/browser/page_message_pacer.cpp", "        dropping_ = false;\n        return;",
     "        return;"),
    ("src/browser/page_message_pacer.cpp", "    --delivering_;\n", ""),
    ("src/browser/page_message_pacer.cpp", "    waiting_.pop_front();\n", ""),
    ("src/browser/page_message_pacer.cpp", "    waiting_.clear();\n", ""),
    # What check sees of a library without loading it.
    ("tools/tessaly/library_kind.cpp", "constexpr std::uint8_t kElfClass64 = 2;",
     "constexpr std::uint8_t kElfClass64 = 1;"),
    ("tools/tessaly/library_kind.cpp", '{"windows-x64", Format::Pe, 0x8664,',
     '{"windows-x64", Format::Pe, 0x14C,'),
]


def failed_tests(output):
    """The names ctest lists under 'The following tests FAILED:'."""
    names = []
    listing = False
    for line in output.splitlines():
        if line.startswith("The following tests FAILED:"):
            listing = True
        elif listing:
            match = re.match(r"\s+\d+ - (\S+)", line)
            if match:
                names.append(match.group(1))
            elif line.strip():
                listing = False
    return names


def run(command):
    return subprocess.run(command, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True)


def try_fault(index, build_dir, exclude):
    path, before, after = FAULTS[index]
    full = os.path.join(ROOT, path)
    with open(full, encoding="utf-8") as source:
        original = source.read()
    if original.count(before) != 1:
        return {"fault": index, "result": "not-found"}
    try:
        with open(full, "w", encoding="utf-8") as source:
            source.write(original.replace(before, after))
        if run(["cmake", "--build", build_dir]).returncode != 0:
            return {"fault": index, "result": "does-not-build"}
        tests = run(["ctest", "--test-dir", build_dir, "-j2", "--timeout", "120", "-E", exclude])
        failed = failed_tests(tests.stdout)
        if tests.returncode != 0 and not failed:
            failed = ["(ctest failed: " + tests.stdout[-200:] + ")"]
        return {"fault": index, "result": "caught" if failed else "survived", "by": failed}
    finally:
        with open(full, "w", encoding="utf-8") as source:
            source.write(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", default="build/native")
    parser.add_argument("--exclude", default="e2e|run_scenario_test",
                        help="ctest -E pattern of the tests left out")
    parser.add_argument("--only", type=int, nargs="*", help="fault numbers to try")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--json", help="write the results to this file")
    args = parser.parse_args()

    if args.list:
        for i, (path, before, after) in enumerate(FAULTS):
            print("%2d %s: %r -> %r" % (i, path, before, after))
        return 0
    indices = args.only if args.only else range(len(FAULTS))
    results = []
    for i in indices:
        result = try_fault(i, args.build_dir, args.exclude)
        results.append(result)
        print("%2d %-10s %s" % (i, result["result"], " ".join(result.get("by", []))[:150]),
              flush=True)
    run(["cmake", "--build", args.build_dir])  # the build as the tree is

    counted = [r for r in results if r["result"] in ("caught", "survived")]
    caught = [r for r in counted if r["result"] == "caught"]
    print("\n%d of %d faults caught (%.0f %%)" %
          (len(caught), len(counted), 100.0 * len(caught) / max(1, len(counted))))
    for r in results:
        if r["result"] != "caught":
            path, before, _ = FAULTS[r["fault"]]
            print("  %s: fault %d in %s: %r" % (r["result"], r["fault"], path, before[:70]))
    only = {}
    for r in caught:
        if len(r["by"]) == 1:
            only.setdefault(r["by"][0], []).append(r["fault"])
    print("\nTests that alone catch a fault:")
    for test, faults in sorted(only.items()):
        print("  %s: %s" % (test, faults))
    if args.json:
        with open(args.json, "w", encoding="utf-8") as out:
            json.dump(results, out, indent=1)
    return 0 if len(caught) == len(counted) else 1


if __name__ == "__main__":
    sys.exit(main())
