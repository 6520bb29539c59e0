// capture_options.cpp - strict parsing of the capture tool's arguments: other
// tools read its output, so a typo must fail loudly rather than capture the
// wrong run.
#include "tools/capture/capture_options.h"

#include <SDL.h>

#include <charconv>
#include <cstring>
#include <string_view>

const char* const kCaptureUsage =
    "usage: demo-capture [--keys FRAME:KEY,...] [--frames N] [--trace] "
    "[--ppm-at FRAME,... --out DIR] [--video FILE.mp4|FILE.webm [--scale 1-8] [--lossless]]  "
    "(KEY: space, escape, close)";

namespace {

constexpr long kMaxPass = 1'000'000'000;
constexpr long kMaxScale = 8;

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool parsePass(std::string_view text, long& value) {
  const char* end = text.data() + text.size();
  auto [rest, error] = std::from_chars(text.data(), end, value);
  return error == std::errc{} && rest == end && value >= 1 && value <= kMaxPass;
}

bool parseKeyName(std::string_view name, CaptureKey& key) {
  if (name == "space")
    key = CaptureKey::Space;
  else if (name == "escape")
    key = CaptureKey::Escape;
  else if (name == "close")
    key = CaptureKey::Close;
  else
    return false;
  return true;
}

// Calls `item` for each comma-separated element; false if any is empty or refused.
template <typename Item>
bool forEachListItem(std::string_view list, Item item) {
  while (true) {
    const size_t comma = list.find(',');
    const std::string_view element = list.substr(0, comma);
    if (element.empty() || !item(element)) return false;
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

bool parseKeys(std::string_view list, std::vector<KeyPress>& keys) {
  return forEachListItem(list, [&](std::string_view element) {
    const size_t colon = element.find(':');
    KeyPress press{};
    if (colon == std::string_view::npos || !parsePass(element.substr(0, colon), press.pass) ||
        !parseKeyName(element.substr(colon + 1), press.key)) {
      return false;
    }
    keys.push_back(press);
    return true;
  });
}

bool parsePassList(std::string_view list, std::vector<long>& passes) {
  return forEachListItem(list, [&](std::string_view element) {
    long pass = 0;
    if (!parsePass(element, pass)) return false;
    passes.push_back(pass);
    return true;
  });
}

}  // namespace

bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--trace" || option == "--lossless") {
      (option == "--trace" ? options.trace : options.lossless) = true;
      continue;
    }
    if (i + 1 >= argc) {
      error = option.starts_with("--") ? std::string(option) + " needs a value"
                                       : "unexpected argument " + std::string(option);
      return false;
    }
    const std::string_view value = argv[++i];
    bool ok = true;
    if (option == "--keys") {
      ok = parseKeys(value, options.keys);
    } else if (option == "--frames") {
      ok = parsePass(value, options.maxPasses);
    } else if (option == "--ppm-at") {
      ok = parsePassList(value, options.ppmPasses);
    } else if (option == "--out") {
      options.outDir = value;
    } else if (option == "--video") {
      options.videoPath = value;
      ok = endsWith(value, ".mp4") || endsWith(value, ".webm");
    } else if (option == "--scale") {
      ok = parsePass(value, options.videoScale) && options.videoScale <= kMaxScale;
    } else {
      error = "unknown option " + std::string(option);
      return false;
    }
    if (!ok || value.empty()) {
      error = "bad value for " + std::string(option) + ": " + std::string(value);
      return false;
    }
  }
  if (!options.ppmPasses.empty() && options.outDir.empty()) {
    error = "--ppm-at needs --out DIR";
    return false;
  }
  if (options.videoPath.empty() && (options.videoScale != 1 || options.lossless)) {
    error = "--scale and --lossless go with --video";
    return false;
  }
  return true;
}

void pushCaptureKey(CaptureKey key) {
  SDL_Event event{};
  if (key == CaptureKey::Close) {
    event.type = SDL_QUIT;
  } else {
    event.type = SDL_KEYDOWN;
    event.key.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key == CaptureKey::Space ? SDLK_SPACE : SDLK_ESCAPE;
  }
  SDL_PushEvent(&event);
}
