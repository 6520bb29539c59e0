// key_script.h - the keys of a run that has no viewer, and when they come.
//
// The capture tool and the web page's test mode play the demo without anyone
// at the keyboard; a key script stands in for the viewer. It is read from
// two command-line options,
//   --keys PASS:KEY,...   KEY (space, escape or close, the window-close
//                         request) arrives before the frame of the 1-based
//                         loop pass PASS; keys of one pass keep their order
//   --frames N            the run stops after pass N
// and played by queueing each key as the viewer's input (host/input_queue.h),
// so that it goes through the demo's own input handling (host/frame_loop.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class ScriptKey { Space, Escape, Close };

struct KeyPress {
  long pass;  // delivered before this pass's frame; 1 or more
  ScriptKey key;
};

struct KeyScript {
  std::vector<KeyPress> keys;  // in the order given
  long maxPasses = 0;          // 0: no limit
};

// Reads a pass number: a plain decimal from 1 to 1,000,000,000, nothing
// around it. False for anything else, `pass` then unspecified.
bool parsePassNumber(std::string_view text, long& pass);

// Reads a comma-separated list of pass numbers onto the end of `passes`.
// False when an element is empty or not a pass number.
bool parsePassList(std::string_view list, std::vector<long>& passes);

// Reads one option of a key script with its value into `script`: NotMine
// for an option other than --keys and --frames (nothing read), BadValue for
// a value either refuses.
enum class ScriptOption { NotMine, Read, BadValue };
ScriptOption readKeyScriptOption(std::string_view option, std::string_view value,
                                 KeyScript& script);

// Reads a whole command line (argv[1..]) of --keys and --frames options, for
// the web page's test mode. False with a one-line reason in `error` for
// anything else, a missing value or a bad one.
bool parseKeyScript(int argc, const char* const* argv, KeyScript& script, std::string& error);

// Queues the keys due before `pass` as the viewer's inputs, in order: Space
// skips, Escape and the close request quit. Called by the headless runs
// before each pass.
void queueKeysOfPass(const KeyScript& script, long pass);
