// SPDX-License-Identifier: LicenseRef-Quillmark
// quillmark-sample-picture OUT.png [WIDTH HEIGHT]
//
// Draws Quillmark's own sample picture, entirely procedurally: a still life of a sphere,
// a cylinder and a cone on a chequered stone terrace in a meadow, lit by a low sun, with
// hazy hills, a bare tree on the ridge and grass in the foreground. Everything an ink
// style likes to show: smooth gradients, a specular highlight, soft and hard shadows,
// hard-edged pattern in perspective, fine strokes, and a few colour accents.
// Deterministic: the same size always gives the same picture.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/raster_image.h"

namespace {

// ---------------------------------------------------------------- small maths

struct V3 {
  double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
V3 operator*(V3 a, V3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalize(V3 a) { return a * (1.0 / std::sqrt(dot(a, a))); }
V3 mix(V3 a, V3 b, double t) { return a + (b - a) * t; }
double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double smoothstep(double e0, double e1, double x) {
  const double t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
constexpr double kPi = 3.14159265358979323846;

std::uint32_t hash(std::uint32_t a, std::uint32_t b, std::uint32_t seed) {
  std::uint32_t h = a * 0x8DA6B343u ^ b * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}
double hash01(std::int64_t a, std::int64_t b, std::uint32_t seed) {
  return hash(std::uint32_t(a), std::uint32_t(b), seed) / 4294967296.0;
}

double valueNoise(double x, double y, std::uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const auto ix = std::int64_t(fx), iy = std::int64_t(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const double a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
  const double c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fbm(double x, double y, int octaves, std::uint32_t seed) {
  double sum = 0, amplitude = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * valueNoise(x, y, seed + std::uint32_t(i) * 101u);
    norm += amplitude;
    x = x * 2.03 + 17.1;
    y = y * 2.03 - 9.7;
    amplitude *= 0.5;
  }
  return sum / norm;
}

// A fixed-seed generator for the strokes.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  double next() {  // [0, 1)
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return double((state_ * 0x2545F4914F6CDD1Dull) >> 11) / 9007199254740992.0;
  }
  double range(double lo, double hi) { return lo + (hi - lo) * next(); }

 private:
  std::uint64_t state_;
};

// ---------------------------------------------------------------- the scene
// World: x right, y up, z away from the viewer; the eye at (0, kEye, 0) looking along z.
// Screen: u = x / z, v = kHorizon + (kEye - y) / z, in units of the picture's height.

constexpr double kHorizon = 0.5;
constexpr double kEye = 0.42;
constexpr double kSlab = 0.035;  // the terrace's thickness
constexpr double kTerraceHalfWidth = 0.78, kTerraceNear = 1.02, kTerraceFar = 3.3;
constexpr double kTile = 0.22;

const V3 kSun = normalize({-0.48, 0.36, 0.80});
const V3 kSunColor = {1.0, 0.82, 0.6};
const V3 kFill = normalize({0.9, 0.4, -0.3});  // cool sky light from the right
const V3 kFillColor = {0.32, 0.40, 0.55};
const V3 kZenith = {0.07, 0.17, 0.48};
const V3 kHaze = {0.92, 0.80, 0.66};

enum class Shape { Sphere, Cylinder, Cone };
struct Solid {
  Shape shape;
  V3 base;  // sphere: centre; cylinder and cone: centre of the bottom
  double radius, height;
  V3 albedo;
  double shine, gloss;  // specular strength and exponent
};

const Solid kSolids[] = {
    {Shape::Sphere, {0.0, kSlab + 0.21, 1.5}, 0.21, 0, {0.62, 0.05, 0.035}, 0.9, 90},
    {Shape::Cylinder, {-0.50, kSlab, 2.0}, 0.14, 0.3, {0.16, 0.33, 0.40}, 0.25, 24},
    {Shape::Cone, {0.60, kSlab, 2.3}, 0.15, 0.36, {0.78, 0.55, 0.16}, 0.1, 12},
};

struct Hit {
  double t = 1e30;
  V3 normal;
  const Solid* solid = nullptr;
};

// Nearest intersection t > minT of origin + t * dir with one solid.
bool intersect(const Solid& s, V3 origin, V3 dir, double minT, Hit& hit) {
  bool found = false;
  auto consider = [&](double t, V3 normal) {
    if (t > minT && t < hit.t) {
      hit = {t, normalize(normal), &s};
      found = true;
    }
  };
  if (s.shape == Shape::Sphere) {
    const V3 oc = origin - s.base;
    const double a = dot(dir, dir), b = dot(oc, dir), c = dot(oc, oc) - s.radius * s.radius;
    const double disc = b * b - a * c;
    if (disc < 0) return false;
    for (double t : {(-b - std::sqrt(disc)) / a, (-b + std::sqrt(disc)) / a}) {
      if (t > minT) {
        consider(t, origin + dir * t - s.base);
        break;
      }
    }
    return found;
  }
  // Cylinder: x'^2 + z'^2 = r^2; cone: x'^2 + z'^2 = (k (h - y'))^2, y' from the base.
  const double k = s.shape == Shape::Cone ? s.radius / s.height : 0;
  const V3 o = origin - s.base;
  double a = dir.x * dir.x + dir.z * dir.z, b = o.x * dir.x + o.z * dir.z,
         c = o.x * o.x + o.z * o.z;
  if (s.shape == Shape::Cylinder) {
    c -= s.radius * s.radius;
  } else {
    const double rest = s.height - o.y;  // (h - y') = rest - t dir.y
    a -= k * k * dir.y * dir.y;
    b += k * k * rest * dir.y;
    c -= k * k * rest * rest;
  }
  const double disc = b * b - a * c;
  if (disc >= 0 && std::abs(a) > 1e-12) {
    for (double t : {(-b - std::sqrt(disc)) / a, (-b + std::sqrt(disc)) / a}) {
      const V3 p = o + dir * t;
      if (p.y < 0 || p.y > s.height) continue;
      const V3 normal = s.shape == Shape::Cylinder ? V3{p.x, 0, p.z}
                                                   : V3{p.x, k * k * (s.height - p.y), p.z};
      consider(t, normal);
    }
  }
  if (s.shape == Shape::Cylinder && std::abs(dir.y) > 1e-12) {  // the top
    const double t = (s.height - o.y) / dir.y;
    const V3 p = o + dir * t;
    if (p.x * p.x + p.z * p.z <= s.radius * s.radius) consider(t, {0, 1, 0});
  }
  return found;
}

bool nearestSolid(V3 origin, V3 dir, double minT, Hit& hit) {
  bool found = false;
  for (const Solid& s : kSolids) found = intersect(s, origin, dir, minT, hit) || found;
  return found;
}

// How much of the sun (a small disc) a point sees: a few rays across the disc.
// jitter in [0, 1) turns the pattern of rays.
double sunVisibility(V3 p, V3 normal, double jitter) {
  const V3 origin = p + normal * 1e-4;
  const V3 side = normalize({kSun.z, 0, -kSun.x});
  const V3 up = normalize({-kSun.x * kSun.y, kSun.x * kSun.x + kSun.z * kSun.z, -kSun.z * kSun.y});
  constexpr int kRays = 5;
  const double turn = jitter * 2 * kPi;
  int seen = 0;
  for (int i = 0; i < kRays; ++i) {
    const double angle = turn + i * 2.39996;  // golden angle
    const double radius = 0.035 * std::sqrt((i + 0.5) / kRays);
    const V3 dir = normalize(kSun + side * (radius * std::cos(angle)) + up * (radius * std::sin(angle)));
    Hit hit;
    if (!nearestSolid(origin, dir, 1e-5, hit)) ++seen;
  }
  return double(seen) / kRays;
}

// Soft darkening near the solids, from spheres that stand in for them.
double occlusion(V3 p, V3 normal) {
  double open = 1;
  auto sphere = [&](V3 centre, double radius) {
    const V3 d = centre - p;
    const double distance = std::sqrt(dot(d, d));
    if (distance < 1e-6) return;
    const double cosine = dot(normal, d) * (1 / distance);
    open *= 1 - 0.85 * clamp01(cosine * (radius * radius) / (distance * distance));
  };
  for (const Solid& s : kSolids) {
    if (s.shape == Shape::Sphere) {
      sphere(s.base, s.radius);
    } else {
      for (int i = 0; i < 3; ++i) {
        const double y = s.height * (i + 0.5) / 3;
        const double r = s.shape == Shape::Cone ? s.radius * (1 - (i + 0.5) / 3) : s.radius;
        sphere(s.base + V3{0, y, 0}, r * 0.95);
      }
    }
  }
  return open;
}

// The sky without clouds or the sun's disc: for reflections.
V3 skyGradient(V3 dir) {
  const double elevation = std::max(dir.y, 0.0);
  V3 colour = mix(kHaze, kZenith, std::pow(clamp01(elevation * 2.4), 0.55));
  const double toSun = std::max(dot(dir, kSun), 0.0);
  return colour + kSunColor * (0.5 * std::pow(toSun, 8) + 1.2 * std::pow(toSun, 120));
}

// dir is the view ray, (u, v) where it meets the screen.
V3 sky(V3 dir, double u, double v) {
  const double elevation = std::max(dir.y, 0.0);
  const double toSun = std::max(dot(dir, kSun), 0.0);
  V3 colour = skyGradient(dir);
  // The sun's disc, round on the picture.
  const double su = kSun.x / kSun.z, sv = kHorizon - kSun.y / kSun.z;
  const double fromSun = std::sqrt((u - su) * (u - su) + (v - sv) * (v - sv));
  const double disc = smoothstep(0.034, 0.028, fromSun);
  // Thin clouds on a plane high above: stretched noise, lit towards the sun.
  if (elevation > 0.02) {
    const double x = dir.x / dir.y, z = dir.z / dir.y;
    const double density = smoothstep(0.5, 0.78, fbm(x * 0.9, z * 3.2, 5, 7)) *
                           smoothstep(0.02, 0.12, elevation);
    const V3 cloud = mix(V3{0.55, 0.52, 0.58}, V3{1.25, 1.05, 0.85}, std::pow(toSun, 4));
    colour = mix(colour, cloud, density * 0.85);
  }
  return mix(colour, V3{1.6, 1.45, 1.2} * 2.2, disc * 0.97);
}

// Hills: ridge heights above the horizon (screen units) from sums of sines.
struct Hill {
  double base, depth;
  double amplitude[3], frequency[3], phase[3];
  V3 colour;
};
const Hill kHills[] = {
    {0.10, 60, {0.035, 0.02, 0.008}, {2.1, 5.3, 13.0}, {0.7, 2.1, 0.3}, {0.30, 0.34, 0.48}},
    {0.065, 35, {0.03, 0.016, 0.007}, {2.9, 6.1, 17.0}, {2.9, 0.4, 1.7}, {0.16, 0.22, 0.22}},
    {0.035, 20, {0.022, 0.012, 0.005}, {3.7, 8.3, 21.0}, {4.1, 1.3, 2.2}, {0.10, 0.16, 0.06}},
};
double ridge(const Hill& hill, double u) {
  double h = hill.base;
  for (int i = 0; i < 3; ++i) h += hill.amplitude[i] * std::sin(hill.frequency[i] * u + hill.phase[i]);
  return h;
}
double ridgeSlope(const Hill& hill, double u) {
  double s = 0;
  for (int i = 0; i < 3; ++i) {
    s += hill.amplitude[i] * hill.frequency[i] * std::cos(hill.frequency[i] * u + hill.phase[i]);
  }
  return s;
}

V3 distanceHaze(V3 colour, double distance) {
  return mix(colour, kHaze * 0.95, 1 - std::exp(-distance * 0.022));
}

// Light falling on a surface point; depth is how far along the view ray it is.
V3 light(V3 p, V3 normal, V3 view, V3 albedo, double shine, double gloss, double jitter) {
  const double lambert = std::max(dot(normal, kSun), 0.0);
  const double sun = lambert > 0 ? lambert * sunVisibility(p, normal, jitter) : 0;
  const double fill = std::max(dot(normal, kFill), 0.0);
  const double open = occlusion(p, normal);
  const V3 skyLight = mix(V3{0.35, 0.30, 0.26}, V3{0.30, 0.38, 0.55}, 0.5 + 0.5 * normal.y);
  V3 colour = albedo * (kSunColor * (3.6 * sun) + kFillColor * (1.1 * fill) + skyLight * (0.5 * open));
  if (shine > 0 && sun > 0) {
    const V3 half = normalize(kSun - view);
    colour = colour + kSunColor * (shine * sun * std::pow(std::max(dot(normal, half), 0.0), gloss) * 3);
  }
  if (shine > 0 && fill > 0) {  // the bright sky's softer highlight
    const V3 half = normalize(kFill - view);
    colour = colour + V3{0.8, 0.85, 0.95} * (shine * std::pow(std::max(dot(normal, half), 0.0), gloss * 0.8) * 1.1);
  }
  // A little sky reflected at grazing angles.
  const double fresnel = std::pow(1 - std::max(-dot(normal, view), 0.0), 5);
  return colour + skyGradient(normalize(view - normal * (2 * dot(view, normal)))) * (0.25 * fresnel * (shine + 0.1) * open);
}

struct Sample {
  V3 colour;
  double depth;
};

Sample shade(double u, double v, double jitter) {
  const V3 eye = {0, kEye, 0};
  const V3 ray = {u, kHorizon - v, 1};  // t is the depth z
  const V3 view = normalize(ray);
  Hit hit;
  nearestSolid(eye, ray, 1e-6, hit);

  // The terrace: its top and its front face; else the meadow; else hills and sky.
  double groundT = 1e30;
  V3 groundNormal{0, 1, 0};
  int ground = 0;  // 1 terrace top, 2 front face, 3 meadow
  if (v > kHorizon) {
    const double drop = v - kHorizon;
    const double tTop = (kEye - kSlab) / drop;
    const double tMeadow = kEye / drop;
    const double yFront = kEye - drop * kTerraceNear;
    if (std::abs(u * tTop) <= kTerraceHalfWidth && tTop >= kTerraceNear && tTop <= kTerraceFar) {
      groundT = tTop, ground = 1;
    } else if (std::abs(u * kTerraceNear) <= kTerraceHalfWidth && yFront >= 0 && yFront <= kSlab) {
      groundT = kTerraceNear, ground = 2, groundNormal = {0, 0, -1};
    } else {
      groundT = tMeadow, ground = 3;
    }
  }
  if (hit.solid && hit.t < groundT) {
    const Solid& s = *hit.solid;
    const V3 p = eye + ray * hit.t;
    V3 albedo = s.albedo;
    if (s.shape == Shape::Cylinder) {  // two pale bands around the cylinder
      const double y = p.y - s.base.y;
      const double band = smoothstep(0.004, 0.0, std::abs(std::abs(y - s.height * 0.55) - 0.03) - 0.012);
      albedo = mix(albedo, V3{0.75, 0.72, 0.64}, band * (hit.normal.y < 0.5 ? 1 : 0));
    }
    return {light(p, hit.normal, view, albedo, s.shine, s.gloss, jitter), hit.t};
  }
  // The hills stand on the meadow at their own distance and hide what lies beyond.
  for (int i = 2; i >= 0; --i) {
    const Hill& hill = kHills[i];
    if (groundT < hill.depth) break;
    const double top = kHorizon - ridge(hill, u);
    if (v < top) continue;
    const double slope = ridgeSlope(hill, u);
    const double lit = clamp01(0.55 + 1.6 * slope);  // slopes facing the sun, left
    const double texture = i == 2 ? fbm(u * 260, v * 420, 3, 51) : fbm(u * 30, v * 50, 3, 53);
    const double clumps = i == 2 ? smoothstep(0.6, 0.7, texture) * smoothstep(0.0, 0.02, v - top) : 0;
    V3 colour = hill.colour * (0.6 + 0.7 * lit) * (0.9 + 0.25 * texture);
    colour = mix(colour, colour * 0.35, clumps);
    const double fade = 1 - std::exp(-hill.depth * 0.016);
    colour = mix(colour, skyGradient({0, 0.01, 1}) * 0.95, fade * (0.75 + 0.25 * clamp01((v - top) / (kHorizon - top + 1e-9))));
    return {colour, hill.depth};
  }
  if (ground != 0) {
    const V3 p = eye + ray * groundT;
    V3 albedo;
    double shine = 0;
    if (ground == 1) {
      const auto tx = std::int64_t(std::floor(p.x / kTile)), tz = std::int64_t(std::floor(p.z / kTile));
      const bool dark = ((tx + tz) & 1) != 0;
      const double vein = fbm(p.x * 9, p.z * 9, 4, 31 + std::uint32_t(dark));
      const double tint = 0.9 + 0.2 * hash01(tx, tz, 5);
      albedo = dark ? V3{0.07, 0.075, 0.085} * (tint * (0.8 + 0.5 * vein))
                    : V3{0.72, 0.68, 0.6} * (tint * (0.9 + 0.15 * vein));
      shine = 0.15;
    } else if (ground == 2) {
      albedo = V3{0.45, 0.42, 0.38} * (0.85 + 0.3 * fbm(p.x * 40, p.y * 40, 3, 41));
    } else {
      const double patch = fbm(p.x * 1.6, p.z * 1.6, 5, 11);
      const double fine = fbm(p.x * 30, p.z * 30, 3, 13);
      albedo = mix(V3{0.10, 0.16, 0.035}, V3{0.30, 0.30, 0.09}, smoothstep(0.35, 0.7, patch));
      albedo = albedo * (0.75 + 0.5 * fine);
    }
    V3 colour = light(p, groundNormal, view, albedo, shine, 30, jitter);
    return {distanceHaze(colour, groundT), groundT};
  }
  return {sky(view, u, v), 1e9};
}

// ---------------------------------------------------------------- the canvas

struct Canvas {
  int width, height;
  std::vector<V3> colour;
  std::vector<double> depth;

  // A round-capped line from a to b (pixels), its width going from wa to wb, in front of
  // whatever is farther than depthHere.
  void stroke(double ax, double ay, double bx, double by, double wa, double wb, V3 ink,
              double opacity, double depthHere) {
    const double reach = std::max(wa, wb) / 2 + 1;
    const int x0 = std::max(0, int(std::floor(std::min(ax, bx) - reach)));
    const int x1 = std::min(width - 1, int(std::ceil(std::max(ax, bx) + reach)));
    const int y0 = std::max(0, int(std::floor(std::min(ay, by) - reach)));
    const int y1 = std::min(height - 1, int(std::ceil(std::max(ay, by) + reach)));
    const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
        if (depth[at] < depthHere) continue;
        const double px = x + 0.5 - ax, py = y + 0.5 - ay;
        const double t = length2 > 0 ? clamp01((px * dx + py * dy) / length2) : 0;
        const double ex = px - t * dx, ey = py - t * dy;
        const double w = wa + (wb - wa) * t;
        // Lines thinner than a pixel are drawn a pixel wide and fainter.
        const double cover = clamp01(std::max(w, 1.0) / 2 + 0.5 - std::sqrt(ex * ex + ey * ey)) *
                             std::min(w, 1.0);
        if (cover > 0) colour[at] = mix(colour[at], ink, cover * opacity);
      }
    }
  }
};

void branch(Canvas& canvas, Random& random, double x, double y, double angle, double length,
            double width, int level, V3 ink) {
  // Two slightly bent halves.
  const double bend = random.range(-0.12, 0.12);
  const double mx = x + std::sin(angle) * length * 0.5, my = y - std::cos(angle) * length * 0.5;
  const double ex = mx + std::sin(angle + bend) * length * 0.5,
               ey = my - std::cos(angle + bend) * length * 0.5;
  const double tip = width * 0.72;
  canvas.stroke(x, y, mx, my, width, (width + tip) / 2, ink, 1, 40);
  canvas.stroke(mx, my, ex, ey, (width + tip) / 2, tip, ink, 1, 40);
  if (level == 0) return;
  const int children = random.next() < 0.3 ? 3 : 2;
  const double spread = random.range(0.45, 0.7);
  for (int i = 0; i < children; ++i) {
    const double turn = spread * (i - (children - 1) / 2.0) + random.range(-0.15, 0.15);
    branch(canvas, random, ex, ey, angle + bend + turn - angle * 0.08, length * random.range(0.68, 0.8),
           tip * random.range(0.75, 0.9), level - 1, ink);
  }
}

void drawTree(Canvas& canvas) {
  const double h = canvas.height;
  const double u = 0.46, rootV = kHorizon - ridge(kHills[2], u) + 0.004;
  const double x = canvas.width / 2.0 + u * h, y = rootV * h;
  Random random(20240611);
  const V3 ink = mix(V3{0.03, 0.028, 0.03}, kHaze, 0.1);
  branch(canvas, random, x, y, -0.06, h * 0.085, h * 0.014, 9, ink);
}

void drawGrass(Canvas& canvas) {
  struct Blade {
    double x, y, z, height, width, lean;
    V3 colour;
    int flower;
  };
  const double h = canvas.height, w = canvas.width;
  Random random(7771);
  std::vector<Blade> blades;
  const int count = int(14000.0 * (w * h) / (1200.0 * 800.0));
  for (int i = 0; i < count; ++i) {
    // Uniform on the screen below the horizon, denser near the bottom.
    const double v = kHorizon + 0.06 + (1.02 - kHorizon - 0.06) * std::sqrt(random.next());
    const double u = (random.next() - 0.5) * (w / h + 0.1);
    const double z = kEye / (v - kHorizon);
    const double x = u * z;
    if (std::abs(x) < kTerraceHalfWidth + 0.02 && z > kTerraceNear - 0.03 && z < kTerraceFar + 0.05) continue;
    Blade b;
    b.x = w / 2 + u * h;
    b.y = v * h;
    b.z = z;
    b.height = random.range(0.035, 0.085) / z * h;
    b.width = random.range(0.0025, 0.005) / z * h;
    b.lean = random.range(-0.5, 0.5);
    const double tone = random.next();
    b.colour = mix(V3{0.05, 0.12, 0.02}, V3{0.32, 0.38, 0.08}, tone);
    b.flower = z < 1.6 && random.next() < 0.02 ? 1 + int(random.next() * 3) : 0;
    const V3 ground = {x, 0, z};
    b.colour = b.colour * (0.4 + 0.9 * sunVisibility(ground, {0, 1, 0}, random.next()));
    blades.push_back(b);
  }
  std::sort(blades.begin(), blades.end(), [](const Blade& a, const Blade& b) { return a.z > b.z; });
  for (const Blade& b : blades) {
    const V3 colour = distanceHaze(b.colour, b.z);
    // A quadratic curve in three pieces, tapering, lighter towards the sunlit tip.
    double px = b.x, py = b.y;
    for (int k = 1; k <= 3; ++k) {
      const double t = k / 3.0;
      const double nx = b.x + b.lean * b.height * t * t, ny = b.y - b.height * t;
      const V3 ink = mix(colour, colour * 1.8 + V3{0.05, 0.04, 0.0}, t * 0.6);
      canvas.stroke(px, py, nx, ny, b.width * (1 - (t - 1.0 / 3)), b.width * (1 - t) + 0.3, ink, 0.95, b.z);
      px = nx, py = ny;
    }
    if (b.flower) {
      const V3 petals[] = {{0.95, 0.7, 0.08}, {0.85, 0.82, 0.75}, {0.6, 0.1, 0.45}};
      const double r = 0.0045 / b.z * h;
      canvas.stroke(px, py, px + 0.01, py, r * 2, r * 2, distanceHaze(petals[b.flower - 1], b.z), 1, b.z);
    }
  }
}

std::uint8_t encode(double linear, double dither) {
  // Soft shoulder for the highlights, then the sRGB curve.
  const double white = 3.0;
  double x = std::max(linear, 0.0);
  x = x * (1 + x / (white * white)) / (1 + x);
  x = x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055;
  return std::uint8_t(std::clamp(std::floor(x * 255 + dither), 0.0, 255.0));
}

bool render(int width, int height, qm::cli::RasterImage& image) {
  Canvas canvas{width, height, std::vector<V3>(std::size_t(width) * std::size_t(height)),
                std::vector<double>(std::size_t(width) * std::size_t(height))};
  const double h = height;
  constexpr int kGrid = 3;  // 3 x 3 samples a pixel
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      V3 sum;
      double nearest = 1e30;
      for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
          const double u = (x + (sx + 0.5) / kGrid - width / 2.0) / h;
          const double v = (y + (sy + 0.5) / kGrid) / h;
          // Each of a pixel's samples turns the sun's rays by another step.
          const double jitter = (sy * kGrid + sx + hash01(x, y, 3)) / (kGrid * kGrid);
          const Sample s = shade(u, v, jitter);
          sum = sum + s.colour;
          nearest = std::min(nearest, s.depth);
        }
      }
      const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
      canvas.colour[at] = sum * (1.0 / (kGrid * kGrid));
      canvas.depth[at] = nearest;
    }
  }
  drawTree(canvas);
  drawGrass(canvas);

  image.width = width;
  image.height = height;
  image.colorChannels = 3;
  image.hasAlpha = false;
  image.type = qm::cli::SampleType::UInt8;
  image.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
      const double du = (x + 0.5) / width - 0.5, dv = (y + 0.5) / height - 0.5;
      const double vignette = 1 - 0.6 * (du * du + dv * dv);
      const double dither = hash01(x, y, 99);
      const V3 c = canvas.colour[at] * vignette;
      image.pixels[at * 3 + 0] = encode(c.x, dither);
      image.pixels[at * 3 + 1] = encode(c.y, dither);
      image.pixels[at * 3 + 2] = encode(c.z, dither);
    }
  }
  return true;
}

bool parseSize(const char* text, int& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < 16 || parsed > 16384) return false;
  value = int(parsed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* program = "quillmark-sample-picture";
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: %s OUT.png [WIDTH HEIGHT]  (default 1200 x 800)\n", program);
    return 2;
  }
  int width = 1200, height = 800;
  if (argc == 4 && (!parseSize(argv[2], width) || !parseSize(argv[3], height))) {
    std::fprintf(stderr, "%s: width and height must be whole numbers from 16 to 16384\n", program);
    return 2;
  }
  qm::cli::RasterImage image;
  std::string error;
  if (!render(width, height, image) || !qm::cli::saveImage(argv[1], image, error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
  }
  return 0;
}
