// capture_options.cpp - strict parsing of the capture tool's arguments: other
// tools read its output, so a typo must fail loudly rather than capture the
// wrong run.
#include "tools/capture/capture_options.h"

#include <algorithm>
#include <string_view>

const char* const kCaptureUsage =
    "usage: demo-capture [--keys PASS:KEY,...] [--frames N] [--trace] "
    "[--ppm-at PASS,... --out DIR] [--video FILE.mp4|FILE.webm [--scale 1-8] [--lossless]]  "
    "(KEY: space, escape, close)";

namespace {

constexpr long kMaxScale = 8;

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The options that take no value.
bool readFlag(std::string_view option, CaptureOptions& options) {
  if (option == "--trace")
    options.trace = true;
  else if (option == "--lossless")
    options.lossless = true;
  else if (option == "--help")
    options.help = true;
  else
    return false;
  return true;
}

enum class Value { Unknown, Good, Bad };

// The capture's own options with a value.
Value readCaptureOption(std::string_view option, std::string_view value, CaptureOptions& options) {
  bool ok = !value.empty();
  if (option == "--ppm-at") {
    ok = parsePassList(value, options.ppmPasses);
  } else if (option == "--out") {
    options.outDir = value;
  } else if (option == "--video") {
    options.videoPath = value;
    ok = endsWith(value, ".mp4") || endsWith(value, ".webm");
  } else if (option == "--scale") {
    ok = parsePassNumber(value, options.videoScale) && options.videoScale <= kMaxScale;
  } else {
    return Value::Unknown;
  }
  return ok ? Value::Good : Value::Bad;
}

Value readOption(std::string_view option, std::string_view value, CaptureOptions& options) {
  switch (readKeyScriptOption(option, value, options.script)) {
    case ScriptOption::Read:
      return Value::Good;
    case ScriptOption::BadValue:
      return Value::Bad;
    case ScriptOption::NotMine:
      break;
  }
  return readCaptureOption(option, value, options);
}

// What the options cannot do together; "" when they can.
std::string conflict(const CaptureOptions& options) {
  const auto& ppm = options.ppmPasses;
  if (!ppm.empty() && options.outDir.empty()) return "--ppm-at needs --out DIR";
  const long last = options.script.maxPasses;
  const auto late = std::find_if(ppm.begin(), ppm.end(), [&](long pass) { return pass > last; });
  if (last != 0 && late != ppm.end())
    return "--ppm-at " + std::to_string(*late) + " is after the last pass, --frames " +
           std::to_string(last);
  if (options.videoPath.empty() && (options.videoScale != 1 || options.lossless))
    return "--scale and --lossless go with --video";
  if (options.lossless && endsWith(options.videoPath, ".webm"))
    return "--lossless needs an .mp4 file (WebM has no lossless RGB codec)";
  return "";
}

}  // namespace

bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (readFlag(option, options)) continue;
    const bool hasValue = i + 1 < argc;
    const Value read = readOption(option, hasValue ? argv[i + 1] : "", options);
    if (read == Value::Unknown) {
      error =
          option.starts_with("-") ? "unknown option " + option : "unexpected argument " + option;
      return false;
    }
    if (!hasValue) {
      error = option + " needs a value";
      return false;
    }
    if (read == Value::Bad) {
      error = "bad value for " + option + ": " + argv[i + 1];
      return false;
    }
    ++i;
  }
  error = conflict(options);
  return error.empty();
}
