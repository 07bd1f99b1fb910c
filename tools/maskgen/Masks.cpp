#include "Masks.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "Noise.h"
#include "masks/MaskCatalogue.h"

namespace maskgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Shapes are sized in picture heights; this is one pixel of a 1080-line picture.
constexpr double kPx = 1.0 / 1080.0;

// Ramp widths at 1080 lines; the frame blur adds about a pixel on top. Smaller
// pictures keep at least a pixel so they stay anti-aliased.
double FeatherPixels(double pixelsAt1080, int height) { return std::max(0.5, pixelsAt1080 * height * kPx); }

double SmoothStep(double x) {
  x = std::clamp(x, 0.0, 1.0);
  return x * x * (3.0 - 2.0 * x);
}

// ---------------------------------------------------------------- paper ----
//
// The sheet is ripped from its edges: each tear runs along a ragged line and
// its two sides part behind the tip like a wedge that keeps widening. A pixel
// at distance `along` behind the tear's start and `off` from the tear line is
// uncovered once tip travel exceeds along + off / opening, which is a
// continuous time field; the union of all tears is the minimum of them.
// Each side of a tear has its own fibrous fringe: thin paper and loose fibres
// reaching into the gap, drawn as further layers that let some of B through.

struct Tear {
  double ox, oy;      // start, usually just outside the picture
  double ax, ay;      // unit direction of travel
  double start;       // time the tip sets off
  double speed;       // tip travel per unit of time
  double opening;     // half-width of the gap per unit of distance behind the tip
  Profile line;       // offset of the tear line from the straight path
  Profile solid[2];   // extra paper of the solid edge, per side
  Profile fringe[2];  // thin paper beyond the solid edge, per side
  Profile fibres[2];  // loose fibres beyond the thin paper, per side
};

Profile TearLine(uint32_t seed) {
  Profile line(-0.3, 2.3, 0.25 * kPx);
  // Down to four-pixel detail, rough enough to read as torn.
  AddFractalNoise(line, seed, 0.6, 0.055, 0.62, 8);
  return line;
}

Profile SolidEdge(uint32_t seed) {
  Profile edge(-0.3, 2.3, 0.25 * kPx);
  AddFractalNoise(edge, seed, 0.03, 2.5 * kPx, 0.65, 4);
  for (double& s : edge.samples()) s = std::max(0.0, s + 1.5 * kPx);
  return edge;
}

Profile ThinFringe(uint32_t seed) {
  Profile fringe(-0.3, 2.3, 0.25 * kPx);
  AddFractalNoise(fringe, seed, 0.08, 3.5 * kPx, 0.7, 7);
  for (double& s : fringe.samples()) s = std::max(0.0, s + 1.5 * kPx);
  AddFibres(fringe, Hash(seed, 98), FibreStyle{9.0 * kPx, 1.0 * kPx, 2.5 * kPx, 3.0 * kPx, 12.0 * kPx});
  return fringe;
}

Profile LooseFibres(uint32_t seed) {
  Profile fibres(-0.3, 2.3, 0.25 * kPx);
  AddFractalNoise(fibres, seed, 0.02, 1.5 * kPx, 0.7, 4);
  AddFibres(fibres, Hash(seed, 99), FibreStyle{14.0 * kPx, 0.9 * kPx, 1.8 * kPx, 4.0 * kPx, 34.0 * kPx});
  for (double& s : fibres.samples()) s = std::max(0.0, s);
  return fibres;
}

Tear MakeTear(uint32_t seed, double ox, double oy, double dx, double dy, double start, double speed, double opening) {
  double length = std::hypot(dx, dy);
  return Tear{ox,
              oy,
              dx / length,
              dy / length,
              start,
              speed,
              opening,
              TearLine(Hash(seed, 1)),
              {SolidEdge(Hash(seed, 2)), SolidEdge(Hash(seed, 3))},
              {ThinFringe(Hash(seed, 4)), ThinFringe(Hash(seed, 5))},
              {LooseFibres(Hash(seed, 6)), LooseFibres(Hash(seed, 7))}};
}

RevealAnimation BuildPaper(int width, int height, int frames, int threads) {
  // One rip from the top edge down through the picture, then one into each
  // half from the side edges; the four pieces then draw back into the corners.
  const std::vector<Tear> tears = {
      MakeTear(11, 0.08, -0.56, -0.12, 1.0, 0.0, 1.0, 0.28),
      MakeTear(23, -0.95, -0.02, 1.0, 0.10, 0.55, 1.1, 0.30),
      MakeTear(37, 0.95, 0.14, -1.0, 0.06, 0.80, 1.1, 0.30),
  };
  // The fringe fades in over the first pixels off the tear line, so both
  // sides meet the line at the same time and the field stays continuous.
  const double fade = 4.0 * kPx;
  // Weights: solid paper, thin paper, loose fibres.
  RevealField field = SampleField(
      width, height, {0.35f, 0.35f, 0.3f},
      [&](double u, double v, float* out) {
        double solid = 1e9, fringe = 1e9, fibres = 1e9;
        for (const Tear& tear : tears) {
          double px = u - tear.ox, py = v - tear.oy;
          double along = px * tear.ax + py * tear.ay;
          double off = -px * tear.ay + py * tear.ax - tear.line(along);
          int side = off < 0.0 ? 0 : 1;
          double distance = std::abs(off);
          double weight = std::min(1.0, distance / fade);
          double solidOff = distance + tear.solid[side](along) * weight;
          double fringeOff = solidOff + tear.fringe[side](along) * weight;
          double fibresOff = fringeOff + tear.fibres[side](along) * weight;
          auto time = [&](double offset) { return tear.start + (along + offset / tear.opening) / tear.speed; };
          solid = std::min(solid, time(solidOff));
          fringe = std::min(fringe, time(fringeOff));
          fibres = std::min(fibres, time(fibresOff));
        }
        out[0] = static_cast<float>(solid);
        out[1] = static_cast<float>(fringe);
        out[2] = static_cast<float>(fibres);
      },
      threads);
  return RevealAnimation(std::move(field), frames, FeatherPixels(0.5, height), threads);
}

// ------------------------------------------------------ tiled patterns ----
//
// A cell opens from a seed point at its own start time and is fully open a
// fixed duration later; start times follow a sweep across the picture. The
// outlines between cells close last: inside a band around each outline the
// time rises smoothly to a closing time that depends on position only, so
// neighbouring cells with different start times still meet continuously.

struct Cell {
  double start;    // when the cell starts to open
  double opening;  // 0 at its seed point, 1 where it is fully open
  double outline;  // distance to the nearest outline
  double detail;   // extra delay of inner lines, 0..1
};

struct PatternStyle {
  double duration;      // time a cell takes to open
  double outlineWidth;  // half-width of the outline band
  double closingDelay;  // how long outlines stay after the latest neighbour
  double detailDelay;   // how long inner lines stay after their surroundings
};

float CellTime(const Cell& cell, double sweepHere, const PatternStyle& style) {
  double fill = cell.start + style.duration * cell.opening + style.detailDelay * cell.detail;
  double closing = sweepHere + style.duration + style.detailDelay + style.closingDelay;
  // Linear across the band, so an outline thins at an even pace to nothing.
  double band = std::max(0.0, 1.0 - cell.outline / style.outlineWidth);
  return static_cast<float>(fill + (closing - fill) * band);
}

// Seigaiha: overlapping rows of fan-shaped scales, each with concentric rings.
// Rows lie half a radius apart and every row covers the one above it.
RevealAnimation BuildSeigaiha(int width, int height, int frames, int threads) {
  const double radius = 0.125;
  const double rowStep = radius * 0.5;
  const PatternStyle style{0.16, 4.0 * kPx, 0.02, 0.06};
  // The tide rises from the bottom edge in a gentle swell.
  auto sweep = [](double u, double v) { return (0.5 - v) + 0.06 * std::sin(u * 2.0 * kPi / 1.3); };
  auto centreOf = [&](long i, long j) {
    double shift = (j & 1) ? radius : 0.0;
    return std::pair<double, double>(shift + 2.0 * radius * i, rowStep * j);
  };
  auto nearestIn = [&](long j, double u) {
    double shift = (j & 1) ? radius : 0.0;
    return static_cast<long>(std::floor((u - shift) / (2.0 * radius) + 0.5));
  };
  RevealField field = SampleField(
      width, height, {1.0f},
      [&](double u, double v, float* out) {
        // The scale in front is the one of the lowest row whose circle holds the point.
        long top = static_cast<long>(std::floor((v + radius) / rowStep)) + 1;
        long row = top, column = 0;
        double cx = 0.0, cy = 0.0;
        for (; row > top - 8; --row) {
          column = nearestIn(row, u);
          std::tie(cx, cy) = centreOf(column, row);
          if (std::hypot(u - cx, v - cy) < radius) break;
        }
        double r = std::hypot(u - cx, v - cy);
        double outline = radius - r;
        for (long front = row + 1; front <= row + 3; ++front) {
          long nearest = nearestIn(front, u);
          for (long i = nearest - 1; i <= nearest + 1; ++i) {
            auto [fx, fy] = centreOf(i, front);
            outline = std::min(outline, std::hypot(u - fx, v - fy) - radius);
          }
        }
        // Three rings; their lines open a little after the wave passes them.
        double ring = 0.0;
        for (int k = 1; k <= 3; ++k) {
          double gap = std::abs(r - radius * k / 4.0);
          ring = std::max(ring, 1.0 - gap / style.outlineWidth);
        }
        double jitter = 0.025 * (HashUnit(7, static_cast<uint32_t>(column * 7919 + row)) - 0.5);
        Cell cell{sweep(cx, cy) + jitter, r / radius, outline, ring};
        out[0] = CellTime(cell, sweep(u, v) + 0.17, style);
      },
      threads);
  return RevealAnimation(std::move(field), frames, FeatherPixels(0.7, height), threads);
}

// Distance from a point to a segment, and how far along the segment (0..1)
// the nearest point lies.
struct SegmentPoint {
  double distance;
  double along;
};
SegmentPoint NearestOnSegment(double px, double py, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay;
  double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return {std::hypot(px - ax - t * dx, py - ay - t * dy), t};
}

// Asanoha: a triangle grid whose every triangle is cut into three by lines
// from its centre to its corners; around each grid point the lines form the
// six-pointed hemp-leaf star. Every small triangle opens from its middle.
// A line closes once the cells on both sides are open: its closing time runs
// along it between the times of its end points, a grid point taking the
// latest of the six triangles around it, so all lines meeting at a point
// agree there and the stars are the last to go.
RevealAnimation BuildAsanoha(int width, int height, int frames, int threads) {
  const double side = 0.25;
  const double rowHeight = side * std::sqrt(3.0) / 2.0;
  // Inradius of a 30-30-120 triangle on a side of the grid.
  const double inradius = side * (std::sqrt(3.0) / 6.0) / (1.0 + 2.0 / std::sqrt(3.0));
  const double duration = 0.13, lineWidth = 4.0 * kPx, lineDelay = 0.03;
  // Opens outwards from the middle, with a slight three-fold swirl.
  auto sweep = [](double u, double v) {
    double rho = std::hypot(u, v);
    return rho + 0.06 * std::sin(3.0 * std::atan2(v, u) + 6.0 * rho) * SmoothStep(rho / 0.3);
  };
  // Grid point (i, j) lies at ((i - 0.25 + j / 2) * side, (j - 0.5) * rowHeight).
  struct Point {
    double x, y;
  };
  auto gridPoint = [&](long i, long j) {
    return Point{(static_cast<double>(i) - 0.25 + static_cast<double>(j) * 0.5) * side,
                 (static_cast<double>(j) - 0.5) * rowHeight};
  };
  // Triangle (i, j, up) has corners (i, j), (i + 1, j), (i, j + 1); the one
  // below it, (i, j, down), has (i + 1, j), (i + 1, j + 1), (i, j + 1).
  auto corners = [&](long i, long j, bool up, Point out[3]) {
    if (up) {
      out[0] = gridPoint(i, j), out[1] = gridPoint(i + 1, j), out[2] = gridPoint(i, j + 1);
    } else {
      out[0] = gridPoint(i + 1, j), out[1] = gridPoint(i + 1, j + 1), out[2] = gridPoint(i, j + 1);
    }
  };
  auto openedBy = [&](long i, long j, bool up) {
    Point p[3];
    corners(i, j, up, p);
    auto id = static_cast<uint32_t>(i * 7919 + j * 31 + (up ? 1 : 0));
    double start = sweep((p[0].x + p[1].x + p[2].x) / 3.0, (p[0].y + p[1].y + p[2].y) / 3.0);
    return start + 0.03 * (HashUnit(5, id) - 0.5) + duration;
  };
  // Closing times of the grid points that can touch the picture, worked out once.
  const double halfWidth = 0.5 * width / height;
  const long jLow = static_cast<long>(std::floor(-0.5 / rowHeight)) - 2;
  const long jHigh = static_cast<long>(std::ceil(0.5 / rowHeight + 1.0)) + 2;
  const long iLow = static_cast<long>(std::floor(-halfWidth / side - 0.5 * jHigh)) - 2;
  const long iHigh = static_cast<long>(std::ceil(halfWidth / side - 0.5 * jLow)) + 2;
  const long columns = iHigh - iLow + 1;
  std::vector<double> pointClosings(static_cast<size_t>(columns * (jHigh - jLow + 1)));
  for (long j = jLow; j <= jHigh; ++j) {
    for (long i = iLow; i <= iHigh; ++i) {
      double latest = std::max({openedBy(i, j, true), openedBy(i - 1, j, true), openedBy(i, j - 1, true),
                                openedBy(i - 1, j, false), openedBy(i - 1, j - 1, false), openedBy(i, j - 1, false)});
      pointClosings[static_cast<size_t>((j - jLow) * columns + (i - iLow))] = latest + lineDelay;
    }
  }
  auto pointClosing = [&](long i, long j) {
    return pointClosings[static_cast<size_t>((j - jLow) * columns + (i - iLow))];
  };
  RevealField field = SampleField(
      width, height, {1.0f},
      [&](double u, double v, float* out) {
        double b = v / rowHeight + 0.5;
        double a = u / side - b * 0.5 + 0.25;
        auto i = static_cast<long>(std::floor(a)), j = static_cast<long>(std::floor(b));
        bool up = (a - static_cast<double>(i)) + (b - static_cast<double>(j)) < 1.0;
        Point p[3];
        corners(i, j, up, p);
        const long ci[3] = {up ? i : i + 1, up ? i + 1 : i + 1, i};
        const long cj[3] = {j, up ? j : j + 1, j + 1};
        Point centre{(p[0].x + p[1].x + p[2].x) / 3.0, (p[0].y + p[1].y + p[2].y) / 3.0};
        double opened = openedBy(i, j, up);
        // The nearest line: a triangle side or a spoke from the centre.
        SegmentPoint nearest{1e9, 0.0};
        double closingFrom = 0.0, closingTo = 0.0;
        for (int k = 0; k < 3; ++k) {
          int n = (k + 1) % 3;
          SegmentPoint onSide = NearestOnSegment(u, v, p[k].x, p[k].y, p[n].x, p[n].y);
          if (onSide.distance < nearest.distance) {
            nearest = onSide;
            closingFrom = pointClosing(ci[k], cj[k]);
            closingTo = pointClosing(ci[n], cj[n]);
          }
          SegmentPoint onSpoke = NearestOnSegment(u, v, centre.x, centre.y, p[k].x, p[k].y);
          if (onSpoke.distance < nearest.distance) {
            nearest = onSpoke;
            closingFrom = opened + lineDelay;
            closingTo = pointClosing(ci[k], cj[k]);
          }
        }
        double fill = opened - duration * std::min(nearest.distance, inradius) / inradius;
        double closing = closingFrom + (closingTo - closingFrom) * nearest.along;
        double band = std::max(0.0, 1.0 - nearest.distance / lineWidth);
        out[0] = static_cast<float>(fill + (closing - fill) * band);
      },
      threads);
  return RevealAnimation(std::move(field), frames, FeatherPixels(0.7, height), threads);
}

}  // namespace

const std::vector<MaskInfo>& MaskCatalogue() {
  static const std::vector<MaskInfo> catalogue = [] {
    const char* const keys[kMaskCount] = {"mask_paper", "mask_wafu1", "mask_wafu2"};
    std::vector<MaskInfo> masks;
    for (uint32_t mask = 0; mask < kMaskCount; ++mask) {
      std::string name;
      for (const wchar_t* c = maskNameTexts[mask]; *c; ++c) name += static_cast<char>(*c);  // ASCII names
      masks.push_back({keys[mask], name, static_cast<int>(maskFrameCounts[mask]), MaskFirstResourceId(mask)});
    }
    return masks;
  }();
  return catalogue;
}

RevealAnimation BuildMask(size_t mask, int width, int height, int threads) {
  if (mask >= MaskCatalogue().size()) throw std::out_of_range("no such mask");
  int frames = MaskCatalogue()[mask].frameCount;
  switch (mask) {
    case 0:
      return BuildPaper(width, height, frames, threads);
    case 1:
      return BuildSeigaiha(width, height, frames, threads);
    default:
      return BuildAsanoha(width, height, frames, threads);
  }
}

}  // namespace maskgen
