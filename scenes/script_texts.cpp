// script_texts.cpp - what the demo says, scene by scene.
#include "scenes/script_texts.h"

namespace {

// The byte strings end in 0xFF; the compiler's trailing 0 after it is never read.
// Non-ASCII letters are their Latin-1 bytes (0xE4 a-diaeresis, 0xF6 o-diaeresis).
const uint8_t kTitle[] = "Quillfen\xFF";
const uint8_t kPresents[] = "presents\xFF";
const uint8_t kLittleDemo[] = "little stupid demo intro\xFF";
const uint8_t kAtParty[] = "at cool Brenndale77\xFF";

const uint8_t kCredits[] = "Creditz:\xFF";
const uint8_t kCode[] = "  Code : Tamo\xFF";
const uint8_t kMusic[] = "  Music: Zirnoke\xFF";
const uint8_t kSupport[] = "  Mental support: Pewlin\xFF";
const uint8_t kPicture[] = "  Picture: Quorvantil (the real)\xFF";

const uint8_t kMoreWanted[] = "Skulle varit mer, men\xFF";
const uint8_t kRusty[] = "Tamo \xE4r ringrostig...\xFF";
const uint8_t kThanks[] = "Tack f\xF6r att ni tittar :)\xFF";
const uint8_t kFunStuff[] = "Rolika saker till Qj iaf :)\xFF";

const uint8_t kMore[] = "More:\xFF";
const uint8_t kWebAddress[] = "Yelt: quillfen.example\xFF";
const uint8_t kNewMember[] = "We have a new member:\xFF";
const uint8_t kMemberName[] = "Lumiko\xFF";

const uint8_t kCredz[] = "Credz till:\xFF";
const uint8_t kGroups[] = "Plonkavi, Grummelox & Tyk5.\xFF";
const uint8_t kOtherSceners[] = "Also to the other sceners that\xFF";
const uint8_t kCotton[] = "are cool. I like cotton in cars!\xFF";
const uint8_t kGoodbye[] = "Tamo & Pewlin says goodbye!\xFF";

}  // namespace

// clang-format off
const ScriptLine kScene0Text[] = {
    {kTitle,       10, 100},
    {kPresents,    10, 170},
    {kLittleDemo,  10, 250},
    {kAtParty,     10, 310},
    {nullptr, 0, 0},
};

const ScriptLine kScene1Text[] = {
    {kCredits,    150, 100},
    {kCode,        10, 170},
    {kMusic,       10, 240},
    {kSupport,     10, 310},
    {kPicture,     10, 380},
    {nullptr, 0, 0},
};

const ScriptLine kScene2Text[] = {
    {kMoreWanted,  20, 100},
    {kRusty,       20, 170},
    {kThanks,      20, 240},
    {kFunStuff,    20, 310},
    {nullptr, 0, 0},
};

const ScriptLine kScene3Text[] = {
    {kMore,       150, 100},
    {kWebAddress,  20, 170},
    {kNewMember,   20, 260},
    {kMemberName,  40, 330},
    {nullptr, 0, 0},
};

const ScriptLine kScene4Text[] = {
    {kCredz,      150, 100},
    {kGroups,      20, 170},
    {kOtherSceners, 20, 240},
    {kCotton,      20, 310},
    {kGoodbye,     20, 380},
    {nullptr, 0, 0},
};
// clang-format on
