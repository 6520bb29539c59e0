// capture_options.cpp - strict parsing of the capture tool's arguments: other
// tools read its output, so a typo must fail loudly rather than capture the
// wrong run.
#include "tools/capture/capture_options.h"

#include <algorithm>
#include <string_view>

const char* const kCaptureUsage =
    "usage: demo-capture [--keys PASS:KEY,...] [--frames N] [--trace] "
    "[--ppm-at PASS,... --out DIR] "
    "[--video FILE.mp4|FILE.webm [--scale 1-8] [--yuv444|--lossless] [--no-sound]]  "
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
  else if (option == "--yuv444")
    options.yuv444 = true;
  else if (option == "--no-sound")
    options.noSound = true;
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
  if (ppm.empty() && !options.outDir.empty()) return "--out goes with --ppm-at";
  const long last = options.script.maxPasses;
  const auto late = std::find_if(ppm.begin(), ppm.end(), [&](long pass) { return pass > last; });
  if (last != 0 && late != ppm.end())
    return "--ppm-at " + std::to_string(*late) + " is after the last pass, --frames " +
           std::to_string(last);
  const bool standard = !options.yuv444 && !options.lossless;
  if (options.videoPath.empty() && (options.videoScale != 0 || !standard || options.noSound))
    return "--scale, --yuv444, --lossless and --no-sound go with --video";
  if (options.yuv444 && options.lossless) return "--yuv444 and --lossless exclude each other";
  if (!standard && endsWith(options.videoPath, ".webm"))
    return "--yuv444 and --lossless need an .mp4 file (WebM is always 4:4:4, never lossless)";
  return "";
}

}  // namespace

VideoPicture videoPicture(const CaptureOptions& options) {
  if (options.lossless) return VideoPicture::Lossless;
  const bool webm = endsWith(options.videoPath, ".webm");
  return options.yuv444 || webm ? VideoPicture::FullColour : VideoPicture::Standard;
}

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
  if (options.videoScale == 0) options.videoScale = defaultVideoScale(videoPicture(options));
  return error.empty();
}
