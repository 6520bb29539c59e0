// glyph_edges.cpp - where each glyph of the font strip lies.
//
// Entry 32, the edge between '?' and '@', is the one our font chose: 495
// splits their 42 columns in the ratio of the typeface's own widths, which
// tools/fontmaker prints when it renders the strip.
#include "assets/assets.h"

const int32_t glyphEdges[kGlyphEdgeCount] = {
    0,                                                           // ' ' (no glyph)
    0,    7,    23,   42,   64,   95,   123,  130,  140,  150,   // ! " # $ % & ' ( ) *
    164,  181,  188,  198,  205,  214,  234,  249,  269,  288,   // + , - . / 0 1 2 3 4
    310,  331,  351,  371,  391,  411,  418,  425,  444,  462,   // 5 6 7 8 9 : ; < = >
    481,  495,  523,  551,  573,  596,  618,  639,  658,  683,   // ? @ A B C D E F G H
    706,  714,  733,  759,  778,  805,  828,  853,  874,  900,   // I J K L M N O P Q R
    924,  947,  971,  994,  1021, 1055, 1080, 1107, 1127, 1138,  // S T U V W X Y Z [ '\'
    1148, 1160, 1177, 1194, 1204, 1225, 1245, 1266, 1286, 1306,  // ] ^ _ ` a b c d e f
    1321, 1341, 1360, 1367, 1378, 1399, 1406, 1437, 1456, 1477,  // g h i j k l m n o p
    1497, 1517, 1531, 1551, 1564, 1583, 1604, 1636, 1658, 1678,  // q r s t u v w x y z
    1696,                                                        // end of 'z'
};

const ExtraGlyph extraGlyphs[kExtraGlyphCount] = {
    {0xC5, 1696, 1725},  // A ring
    {0xC4, 1725, 1754},  // A diaeresis
    {0xD6, 1754, 1782},  // O diaeresis
    {0xE5, 1782, 1804},  // a ring
    {0xE4, 1804, 1826},  // a diaeresis
    {0xF6, 1826, 1849},  // o diaeresis
};
