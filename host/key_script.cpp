// key_script.cpp - strict reading of key scripts, and their delivery. Other
// tools compare what a run drew, so a typo must fail loudly rather than
// play a different run.
#include "host/key_script.h"

#include <charconv>

#include "host/input_queue.h"

namespace {

constexpr long kMaxPass = 1'000'000'000;

struct KeyName {
  std::string_view name;
  ScriptKey key;
};
constexpr KeyName kKeyNames[] = {
    {"space", ScriptKey::Space}, {"escape", ScriptKey::Escape}, {"close", ScriptKey::Close}};

bool parseKeyName(std::string_view name, ScriptKey& key) {
  for (const KeyName& known : kKeyNames) {
    if (known.name == name) {
      key = known.key;
      return true;
    }
  }
  return false;
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
    if (colon == std::string_view::npos || !parsePassNumber(element.substr(0, colon), press.pass) ||
        !parseKeyName(element.substr(colon + 1), press.key)) {
      return false;
    }
    keys.push_back(press);
    return true;
  });
}

}  // namespace

bool parsePassNumber(std::string_view text, long& pass) {
  const char* end = text.data() + text.size();
  auto [rest, error] = std::from_chars(text.data(), end, pass);
  return error == std::errc{} && rest == end && pass >= 1 && pass <= kMaxPass;
}

bool parsePassList(std::string_view list, std::vector<long>& passes) {
  return forEachListItem(list, [&](std::string_view element) {
    long pass = 0;
    if (!parsePassNumber(element, pass)) return false;
    passes.push_back(pass);
    return true;
  });
}

ScriptOption readKeyScriptOption(std::string_view option, std::string_view value,
                                 KeyScript& script) {
  bool ok = false;
  if (option == "--keys")
    ok = parseKeys(value, script.keys);
  else if (option == "--frames")
    ok = parsePassNumber(value, script.maxPasses);
  else
    return ScriptOption::NotMine;
  return ok ? ScriptOption::Read : ScriptOption::BadValue;
}

bool parseKeyScript(int argc, const char* const* argv, KeyScript& script, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    const ScriptOption read = readKeyScriptOption(option, hasValue ? argv[++i] : "", script);
    if (read == ScriptOption::NotMine) {
      error = "unknown option " + option;
      return false;
    }
    if (read == ScriptOption::BadValue) {
      error = hasValue ? "bad value for " + option + ": " + argv[i] : option + " needs a value";
      return false;
    }
  }
  return true;
}

void queueKeysOfPass(const KeyScript& script, long pass) {
  for (const KeyPress& press : script.keys) {
    if (press.pass == pass)
      queueInput(press.key == ScriptKey::Space ? DemoInput::Skip : DemoInput::Quit);
  }
}
