// picturemaker - renders the picture that scene 0 bobs over its green rings:
// a striped hot-air balloon with a wicker basket, lit from the upper left,
// with a green bounce light from the rings below and around it.
//
// Usage: picturemaker OUT.ppm
// Writes a binary PPM, "P6 178 236 255", which the build embeds as the
// `picture` record (assets/assets.h). Wherever the background shows through
// the pixel is the key colour (255, 0, 0); no pixel of the balloon is.
//
// The output must come out byte for byte the same on every run and every
// machine with IEEE doubles, so the renderer uses only IEEE arithmetic that is exactly rounded
// (+ - * / and sqrt) and its own polynomial arctangent, no libm sine, cosine
// or power, whose last bits differ between library versions. The build's
// -ffp-contract=off keeps the compiler from fusing multiplies and adds.
//
// Rendering: an orthographic side view. Each pixel takes 4 x 4 samples; a
// sample hits the envelope (a surface of revolution: a sphere on top of a
// tapering neck), the basket (a slightly tapered wicker cylinder), the
// burner, a rope or strut, or the flame, in that order of precedence. A pixel is opaque
// when at least half its samples hit, and then takes the mean of the samples
// that hit, so edges stay clean against whatever is behind. Opaque pixels on
// the silhouette get a dark outline, which keeps the shape readable over the
// busy rings.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 178;
constexpr int kHeight = 236;
constexpr int kSamplesPerAxis = 4;
constexpr int kSamples = kSamplesPerAxis * kSamplesPerAxis;
constexpr uint8_t kKey[3] = {255, 0, 0};

constexpr double kPi = 3.14159265358979323846;

// Geometry, in image pixels (x right from the balloon's axis, row down).
constexpr double kAxisX = 89.0;
constexpr double kCrownRow = 2.0;
constexpr double kBodyRadius = 84.0;                     // the spherical top
constexpr double kEquatorRow = kCrownRow + kBodyRadius;  // widest row
constexpr double kMouthRow = 182.0;                      // bottom of the envelope
constexpr double kMouthRadius = 19.0;
constexpr double kSkirtRows = 7.0;  // dark scoop above the mouth
constexpr int kGores = 12;          // vertical fabric panels round the balloon
constexpr double kBurnerTop = 189.0;
constexpr double kBurnerBottom = 196.0;
constexpr double kBurnerHalfWidth = 7.0;
constexpr double kBasketTop = 205.0;
constexpr double kBasketBottom = 233.0;
constexpr double kBasketTopRadius = 21.0;
constexpr double kBasketBottomRadius = 18.0;
constexpr double kRopeHalfWidth = 0.65;

struct Colour {
  double r, g, b;  // linear light, 0..1 (may exceed 1 before the final clamp)
};

Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
constexpr Colour operator*(Colour a, double k) { return {a.r * k, a.g * k, a.b * k}; }
Colour operator*(Colour a, Colour b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Colour mix(Colour a, Colour b, double t) { return a * (1.0 - t) + b * t; }

// Fabric and material colours (linear light).
constexpr Colour kCrimson = {0.62, 0.035, 0.05};
constexpr Colour kGold = {0.90, 0.52, 0.06};
constexpr Colour kCream = {0.86, 0.80, 0.64};
constexpr Colour kNavy = {0.03, 0.06, 0.30};
constexpr Colour kSkirt = {0.10, 0.05, 0.06};
constexpr Colour kWicker = {0.42, 0.23, 0.08};
constexpr Colour kLeather = {0.20, 0.08, 0.03};
constexpr Colour kRope = {0.16, 0.12, 0.08};
constexpr Colour kSteel = {0.45, 0.47, 0.52};
constexpr Colour kFlameCore = {1.0, 0.95, 0.55};
constexpr Colour kFlameEdge = {1.0, 0.32, 0.02};
constexpr Colour kOutline = {0.015, 0.012, 0.03};

// Lights: a warm key light from the upper left front, the green glow of the
// rings from below and behind, and a little sky.
struct Vec {
  double x, y, z;  // y up, z toward the viewer
};
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec normalised(Vec v) {
  const double length = std::sqrt(dot(v, v));
  return {v.x / length, v.y / length, v.z / length};
}
const Vec kKeyLight = normalised({-0.55, 0.62, 0.56});
const Vec kHalfway = normalised({kKeyLight.x, kKeyLight.y, kKeyLight.z + 1.0});
constexpr Colour kKeyColour = {1.05, 0.98, 0.88};
constexpr Colour kAmbient = {0.16, 0.17, 0.22};
constexpr Colour kRingGlow = {0.10, 0.55, 0.16};

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }
double smoothStep(double e0, double e1, double v) {
  const double t = clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}
double powInt(double base, int exponent) {
  double result = 1.0;
  for (; exponent > 0; exponent >>= 1, base *= base)
    if (exponent & 1) result *= base;
  return result;
}
double floorOf(double v) {
  const auto i = static_cast<int64_t>(v);
  return static_cast<double>(v < static_cast<double>(i) ? i - 1 : i);
}
double fraction(double v) { return v - floorOf(v); }

// atan(v) for |v| <= 1: an odd polynomial accurate to about 1e-5 rad, plenty
// for placing stripes.
double atanUnit(double v) {
  const double s = v * v;
  return v * (0.99997726 +
              s * (-0.33262347 +
                   s * (0.19354346 + s * (-0.11643287 + s * (0.05265332 + s * -0.01172120)))));
}
// The angle of (x, z) from the +z axis toward +x, for z >= 0: -pi/2..pi/2.
double azimuth(double x, double z) {
  if (x == 0.0 && z == 0.0) return 0.0;
  if (std::fabs(x) <= z) return atanUnit(x / z);
  const double a = kPi / 2.0 - atanUnit(z / std::fabs(x));
  return x < 0.0 ? -a : a;
}

// Lighting shared by the round surfaces: wrapped diffuse, a glossy
// highlight, and the rings' green light on the surfaces that face down or
// away from the viewer.
Colour lit(Colour albedo, Vec n, double gloss, int shininess) {
  const double diffuse = clamp01((dot(n, kKeyLight) + 0.3) / 1.3);
  const double highlight = gloss * powInt(clamp01(dot(n, kHalfway)), shininess);
  const double rim = powInt(1.0 - clamp01(n.z), 3) * (0.55 + 0.45 * clamp01(-n.y + 0.3));
  const Colour light = kKeyColour * diffuse + kAmbient;
  return albedo * light + kKeyColour * highlight + kRingGlow * rim;
}

// --- the envelope ---------------------------------------------------------

// Radius of the envelope at a row, and its change per row; false outside.
bool envelopeRadius(double row, double& radius, double& slope) {
  if (row < kCrownRow || row > kMouthRow) return false;
  if (row <= kEquatorRow) {
    const double up = kEquatorRow - row;
    const double squared = kBodyRadius * kBodyRadius - up * up;
    radius = std::sqrt(squared > 0.0 ? squared : 0.0);
    slope = 0.0;  // unused: the sphere's normal is taken from its centre
    return true;
  }
  // Below the equator the radius falls from the body's to the mouth's with
  // a flat start (no crease at the equator) and a cone-like finish.
  const double span = kMouthRow - kEquatorRow;
  const double t = (row - kEquatorRow) / span;
  const double shape = 1.0 - t * t * (1.6 - 0.6 * t);
  const double shapeSlope = -(3.2 * t - 1.8 * t * t);
  radius = kMouthRadius + (kBodyRadius - kMouthRadius) * shape;
  slope = (kBodyRadius - kMouthRadius) * shapeSlope / span;
  return true;
}

Colour fabricAt(double row, double angle) {
  // Gores alternate crimson and gold; the balloon is turned a little so no
  // seam runs straight down the middle.
  const double goreSpan = 2.0 * kPi / kGores;
  const double goreCoordinate = (angle + 0.21) / goreSpan;
  const auto gore = static_cast<int64_t>(floorOf(goreCoordinate));
  Colour fabric = (gore & 1) ? kGold : kCrimson;
  const double seam = fraction(goreCoordinate);
  if (seam < 0.025 || seam > 0.975) fabric = fabric * 0.45;  // stitched seams

  // A cream crown and a navy zig-zag band just below the equator.
  const double latitude = (row - kCrownRow) / (kMouthRow - kCrownRow);
  if (latitude < 0.075) fabric = kCream;
  const double zig = std::fabs(fraction(goreCoordinate * 2.0) - 0.5) * 0.07;
  const double bandCentre = 0.56 + zig;
  if (std::fabs(latitude - bandCentre) < 0.035) fabric = kNavy;
  if (std::fabs(std::fabs(latitude - bandCentre) - 0.043) < 0.008) fabric = kCream;
  return fabric;
}

bool shadeEnvelope(double x, double row, Colour& out) {
  double radius = 0.0;
  double slope = 0.0;
  if (!envelopeRadius(row, radius, slope) || std::fabs(x) > radius) return false;
  const double z = std::sqrt(radius * radius - x * x);
  // On the sphere the normal points from its centre; on the neck, a surface
  // of revolution, it leans down by the radius's change per row.
  const Vec normal = row <= kEquatorRow ? normalised({x, kEquatorRow - row, z})
                                        : normalised({x / radius, slope, z / radius});

  Colour fabric = fabricAt(row, azimuth(x, z));
  double gloss = 0.35;
  if (row > kMouthRow - kSkirtRows) {
    fabric = kSkirt;
    gloss = 0.05;
  }
  // The fabric bellies out between the load tapes: a faint scallop per gore.
  const double goreSpan = 2.0 * kPi / kGores;
  const double belly =
      0.88 + 0.12 * (1.0 - powInt(2.0 * fraction((azimuth(x, z) + 0.21) / goreSpan) - 1.0, 2));
  out = lit(fabric, normal, gloss, 24) * belly;
  return true;
}

// --- the basket, burner, ropes and flame ------------------------------------

bool shadeBasket(double x, double row, Colour& out) {
  if (row < kBasketTop || row > kBasketBottom) return false;
  const double t = (row - kBasketTop) / (kBasketBottom - kBasketTop);
  const double radius = kBasketTopRadius + (kBasketBottomRadius - kBasketTopRadius) * t;
  if (std::fabs(x) > radius) return false;
  const double z = std::sqrt(radius * radius - x * x);
  const Vec normal = normalised({x, 0.1, z});

  Colour material = kWicker;
  double relief = 1.0;
  if (row < kBasketTop + 4.0 || row > kBasketBottom - 2.5) {
    material = kLeather;  // padded rims
    const double across =
        row < kBasketTop + 4.0 ? (row - kBasketTop) / 4.0 : (kBasketBottom - row) / 2.5;
    relief = 0.6 + 0.4 * (1.0 - powInt(2.0 * across - 1.0, 2));
  } else {
    // Basket weave: horizontal strands passing over and under the uprights,
    // each strand rounded across its height.
    const double around = azimuth(x, z) * radius;
    const double strand = (row - kBasketTop) / 3.0;
    const double post = around / 4.0;
    const bool over =
        (static_cast<int64_t>(floorOf(strand)) + static_cast<int64_t>(floorOf(post))) & 1;
    const double roundness = 1.0 - powInt(2.0 * fraction(strand) - 1.0, 2);
    relief = (over ? 1.0 : 0.72) * (0.55 + 0.45 * roundness);
    if (fraction(post) < 0.12) relief *= 0.7;  // the uprights between
  }
  out = lit(material, normal, 0.08, 8) * relief;
  return true;
}

bool shadeBurner(double x, double row, Colour& out) {
  if (row < kBurnerTop || row > kBurnerBottom || std::fabs(x) > kBurnerHalfWidth) return false;
  const double z = std::sqrt(kBurnerHalfWidth * kBurnerHalfWidth - x * x);
  const Vec normal = normalised({x, 0.0, z});
  const double band = fraction((row - kBurnerTop) / 2.5) < 0.25 ? 0.6 : 1.0;  // coils
  out = lit(kSteel, normal, 0.9, 40) * band;
  return true;
}

double distanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax;
  const double dy = by - ay;
  const double t = clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
  const double ex = px - (ax + t * dx);
  const double ey = py - (ay + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

// Four ropes from the mouth's rim to the basket's rim (the outer pair at the
// silhouette, the inner pair at the front, 30 degrees off the axis), and the
// two struts that hold the burner above the basket.
struct Segment {
  double fromX, fromRow, toX, toRow;
  Colour colour;
};
constexpr double kFrontFraction = 0.5;  // sin of 30 degrees
const Segment kLines[] = {
    {-kMouthRadius, kMouthRow, -kBasketTopRadius, kBasketTop, kRope},
    {kMouthRadius, kMouthRow, kBasketTopRadius, kBasketTop, kRope},
    {-kMouthRadius * kFrontFraction, kMouthRow, -kBasketTopRadius* kFrontFraction, kBasketTop,
     kRope},
    {kMouthRadius * kFrontFraction, kMouthRow, kBasketTopRadius* kFrontFraction, kBasketTop, kRope},
    {-kBurnerHalfWidth + 1.5, kBurnerBottom, -kBurnerHalfWidth - 2.0, kBasketTop, kSteel * 0.6},
    {kBurnerHalfWidth - 1.5, kBurnerBottom, kBurnerHalfWidth + 2.0, kBasketTop, kSteel * 0.6},
};

bool shadeLines(double x, double row, Colour& out) {
  if (row < kMouthRow - 1.0 || row > kBasketTop + 1.0) return false;
  for (const Segment& line : kLines) {
    if (distanceToSegment(x, row, line.fromX, line.fromRow, line.toX, line.toRow) <
        kRopeHalfWidth) {
      out = line.colour;
      return true;
    }
  }
  return false;
}

// A short tongue of flame from the burner up into the mouth.
bool shadeFlame(double x, double row, Colour& out) {
  constexpr double kFlameBase = kBurnerTop;
  constexpr double kFlameTip = kMouthRow - 2.0;
  if (row < kFlameTip || row > kFlameBase) return false;
  const double up = (kFlameBase - row) / (kFlameBase - kFlameTip);  // 0 at the burner, 1 at the tip
  const double halfWidth = 5.0 * (1.0 - up * up) + 0.5;
  const double across = std::fabs(x) / halfWidth;
  if (across > 1.0) return false;
  const double heat = (1.0 - across * across) * (1.0 - 0.6 * up);
  out = mix(kFlameEdge, kFlameCore, smoothStep(0.2, 0.8, heat)) * (1.2 + 0.6 * heat);
  return true;
}

bool shadeSample(double x, double row, Colour& out) {
  return shadeEnvelope(x, row, out) || shadeBasket(x, row, out) || shadeBurner(x, row, out) ||
         shadeLines(x, row, out) || shadeFlame(x, row, out);
}

// --- the image ------------------------------------------------------------

struct Pixel {
  bool opaque;
  Colour colour;
};

// Linear light to an 8-bit level, with a gamma of 2 (a square root).
uint8_t toLevel(double linear) {
  const double v = std::sqrt(clamp01(linear));
  return static_cast<uint8_t>(v * 255.0 + 0.5);
}

std::vector<Pixel> render() {
  std::vector<Pixel> image(kWidth * kHeight);
  for (int row = 0; row < kHeight; ++row) {
    for (int column = 0; column < kWidth; ++column) {
      Colour sum = {0.0, 0.0, 0.0};
      int hits = 0;
      for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
        for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
          const double x = column + (sx + 0.5) / kSamplesPerAxis - kAxisX;
          const double y = row + (sy + 0.5) / kSamplesPerAxis;
          Colour c;
          if (shadeSample(x, y, c)) {
            sum = sum + c;
            ++hits;
          }
        }
      }
      Pixel& pixel = image[row * kWidth + column];
      pixel.opaque = 2 * hits >= kSamples;
      pixel.colour = hits ? sum * (1.0 / hits) : Colour{0.0, 0.0, 0.0};
    }
  }
  return image;
}

bool transparentAt(const std::vector<Pixel>& image, int column, int row) {
  if (column < 0 || row < 0 || column >= kWidth || row >= kHeight) return true;
  return !image[row * kWidth + column].opaque;
}

std::vector<uint8_t> encode(const std::vector<Pixel>& image) {
  std::vector<uint8_t> bytes;
  bytes.reserve(kWidth * kHeight * 3);
  for (int row = 0; row < kHeight; ++row) {
    for (int column = 0; column < kWidth; ++column) {
      const Pixel& pixel = image[row * kWidth + column];
      if (!pixel.opaque) {
        bytes.insert(bytes.end(), kKey, kKey + 3);
        continue;
      }
      const bool edge =
          transparentAt(image, column - 1, row) || transparentAt(image, column + 1, row) ||
          transparentAt(image, column, row - 1) || transparentAt(image, column, row + 1);
      const Colour c = edge ? mix(pixel.colour, kOutline, 0.55) : pixel.colour;
      uint8_t rgb[3] = {toLevel(c.r), toLevel(c.g), toLevel(c.b)};
      // However the shading comes out, the balloon never turns transparent.
      if (rgb[0] == kKey[0] && rgb[1] == kKey[1] && rgb[2] == kKey[2]) rgb[1] = 1;
      bytes.insert(bytes.end(), rgb, rgb + 3);
    }
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picturemaker OUT.ppm\n");
    return 2;
  }
  const std::vector<uint8_t> bytes = encode(render());
  FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "picturemaker: cannot open %s for writing\n", argv[1]);
    return 1;
  }
  std::fprintf(file, "P6\n%d %d\n255\n", kWidth, kHeight);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "picturemaker: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
