// load_error.h - why the last library load failed (platform.h's
// lastLoadError), kept in one place for every platform's LoadLibraryA.
//
// Each platform's loader calls beginLoad first, and noteLoadError when the
// load fails; lastLoadError reads what they left.
#pragma once

// Forgets the last reason. False, with the reason noted, for a null
// `name`: the loader then returns null without looking further.
bool beginLoad(const char* name);

// Notes the one-line reason the load failed, as printf formats it; a reason
// over 511 bytes is cut.
void noteLoadError(const char* format, ...) __attribute__((format(printf, 1, 2)));
