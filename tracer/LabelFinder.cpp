#include "LabelFinder.h"

#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <numeric>

#include "numbers.h"

namespace tracer {

namespace {

int Luma(QRgb c) { return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000; }

// Weaker contrasts than this (of 255) are paper texture or JPEG noise, not text.
constexpr int kLeastContrast = 48;

enum class Side { kBottom, kLeft, kRight };

// The ink of a picture around its plot area: per pixel its strength (0 background .. 255 the
// strongest contrast) and whether it is ink, with the 4-connected pieces of ink that do not touch
// the plot area (its lines, grid and tick marks). The plot area reaches 1.5 pixels beyond the
// centres of its outer lines.
class Margin {
 public:
  Margin(const QImage& picture, const QRectF& plot) : region_(picture.rect()) {
    const int w = region_.width();
    const int h = region_.height();
    if (w <= 0 || h <= 0) {
      return;
    }
    const QRectF inside = plot.adjusted(-1.5, -1.5, 1.5, 1.5);
    std::vector<int> luma(std::size_t(w) * std::size_t(h), -1);  // -1: in the plot area
    std::array<int, 256> histogram{};
    for (int y = 0; y < h; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      const bool rowInside = y + 0.5 >= inside.top() && y + 0.5 <= inside.bottom();
      for (int x = 0; x < w; ++x) {
        if (rowInside && x + 0.5 >= inside.left() && x + 0.5 <= inside.right()) {
          continue;
        }
        const int l = Luma(line[x]);
        luma[Index(x, y)] = l;
        ++histogram[std::size_t(l)];
      }
    }
    // The background: the most common luminance, smoothed over a few neighbours (JPEG noise).
    int background = 0;
    int best = -1;
    for (int l = 0; l < 256; ++l) {
      int count = 0;
      for (int d = std::max(0, l - 3); d <= std::min(255, l + 3); ++d) {
        count += histogram[std::size_t(d)];
      }
      if (count > best) {
        best = count;
        background = l;
      }
    }
    int strongest = 0;
    for (const int l : luma) {
      if (l >= 0) {
        strongest = std::max(strongest, std::abs(l - background));
      }
    }
    strength_.assign(luma.size(), 0);
    ink_.assign(luma.size(), 0);
    plot_.assign(luma.size(), 0);
    if (strongest < kLeastContrast) {
      return;
    }
    const int threshold = strongest * 35 / 100;
    for (std::size_t i = 0; i < luma.size(); ++i) {
      if (luma[i] < 0) {
        plot_[i] = 1;
        continue;
      }
      const int d = std::abs(luma[i] - background);
      strength_[i] = std::uint8_t(d * 255 / strongest);
      ink_[i] = d > threshold ? 1 : 0;
    }
    FindPieces();
  }

  struct Piece {
    QRect box;  // on the picture
    std::vector<QPoint> pixels;
  };

  const QRect& Region() const { return region_; }
  const std::vector<Piece>& Pieces() const { return pieces_; }
  int Strength(QPoint p) const { return strength_[Index(p.x() - region_.left(), p.y() - region_.top())]; }
  bool Ink(QPoint p) const { return ink_[Index(p.x() - region_.left(), p.y() - region_.top())] != 0; }
  // The typical height of a glyph: the median height of the 8-connected pieces of ink.
  double GlyphHeight() const { return glyphHeight_; }

 private:
  std::size_t Index(int x, int y) const { return std::size_t(y) * std::size_t(region_.width()) + std::size_t(x); }

  // Labels the pieces of ink, 8-connected, apart from those that touch the plot area, and
  // measures the glyphs' height on them. A piece much taller than a glyph that falls apart into
  // an upper and a lower part joined only at corners is two glyphs of two labels that meet (the
  // lowest label of a side axis and the first of the bottom axis): it is cut there.
  void FindPieces() {
    const int w = region_.width();
    const int h = region_.height();
    std::vector<int> seen(ink_.size(), 0);
    std::vector<int> heights;
    std::vector<Piece> found;
    for (int y0 = 0; y0 < h; ++y0) {
      for (int x0 = 0; x0 < w; ++x0) {
        if (!ink_[Index(x0, y0)] || seen[Index(x0, y0)]) {
          continue;
        }
        Piece piece;
        bool touchesPlot = false;
        std::deque<QPoint> queue{QPoint(x0, y0)};
        seen[Index(x0, y0)] = 1;
        while (!queue.empty()) {
          const QPoint p = queue.front();
          queue.pop_front();
          piece.pixels.push_back(p);
          piece.box |= QRect(p, QSize(1, 1));
          for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
              const int x = p.x() + dx;
              const int y = p.y() + dy;
              if ((dx == 0 && dy == 0) || x < 0 || y < 0 || x >= w || y >= h) {
                continue;
              }
              touchesPlot = touchesPlot || (dx * dy == 0 && plot_[Index(x, y)] != 0);
              if (ink_[Index(x, y)] && !seen[Index(x, y)]) {
                seen[Index(x, y)] = 1;
                queue.push_back(QPoint(x, y));
              }
            }
          }
        }
        if (!touchesPlot) {
          heights.push_back(piece.box.height());
          found.push_back(std::move(piece));
        }
      }
    }
    if (heights.empty()) {
      return;
    }
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    glyphHeight_ = heights[heights.size() / 2];
    for (Piece& piece : found) {
      if (piece.box.height() > 1.5 * glyphHeight_) {
        SplitAtCorner(piece);
      }
      pieces_.push_back(std::move(piece));
    }
  }

  // Cuts `piece` at a row boundary that at most a stroke's width of pixels crosses straight down
  // (where two glyphs meet), the one that leaves both parts nearest a glyph's height; the lower
  // part is added on its own.
  void SplitAtCorner(Piece& piece) {
    const QRect& b = piece.box;
    std::vector<int> crossings(std::size_t(b.height()) + 1, 0);  // at the boundary above row top + k
    for (const QPoint& p : piece.pixels) {
      if (p.y() > b.top() && ink_[Index(p.x(), p.y() - 1)]) {
        ++crossings[std::size_t(p.y() - b.top())];
      }
    }
    const int stroke = std::max(1, platform::RoundToInt32(0.15 * glyphHeight_));
    const auto misfit = [this, &b](int k) {
      return std::fabs(k - glyphHeight_) + std::fabs(b.height() - k - glyphHeight_);
    };
    int cut = -1;
    for (int k = 1; k < b.height(); ++k) {
      if (crossings[std::size_t(k)] <= stroke && std::min(k, b.height() - k) >= 0.4 * glyphHeight_ &&
          (cut < 0 || misfit(k) < misfit(cut))) {
        cut = k;
      }
    }
    if (cut < 0) {
      return;
    }
    Piece upper;
    Piece lower;
    for (const QPoint& p : piece.pixels) {
      Piece& part = p.y() < b.top() + cut ? upper : lower;
      part.pixels.push_back(p);
      part.box |= QRect(p, QSize(1, 1));
    }
    piece = std::move(upper);
    pieces_.push_back(std::move(lower));
  }

  QRect region_;
  std::vector<std::uint8_t> strength_;
  std::vector<std::uint8_t> ink_;
  std::vector<std::uint8_t> plot_;
  std::vector<Piece> pieces_;
  double glyphHeight_ = 0;
};

// A set of pixels on the picture with its bounding box.
struct Ink {
  QRect box;
  std::vector<QPoint> pixels;
  void Add(const Ink& other) {
    box |= other.box;
    pixels.insert(pixels.end(), other.pixels.begin(), other.pixels.end());
  }
};

int Gap(int aLow, int aHigh, int bLow, int bHigh) { return std::max(aLow, bLow) - std::min(aHigh, bHigh); }

// Joins inks whose boxes lie within `gapX` of each other across and `gapY` up and down (a gap
// of 1 is touching), until no two more join.
std::vector<Ink> Join(std::vector<Ink> inks, int gapX, int gapY) {
  bool joined = true;
  while (joined) {
    joined = false;
    for (std::size_t i = 0; i < inks.size() && !joined; ++i) {
      for (std::size_t j = i + 1; j < inks.size(); ++j) {
        const QRect& a = inks[i].box;
        const QRect& b = inks[j].box;
        if (Gap(a.left(), a.right(), b.left(), b.right()) <= gapX &&
            Gap(a.top(), a.bottom(), b.top(), b.bottom()) <= gapY) {
          inks[i].Add(inks[j]);
          inks.erase(inks.begin() + std::ptrdiff_t(j));
          joined = true;
          break;
        }
      }
    }
  }
  return inks;
}

// The 8-connected glyphs of a word's pixels.
std::vector<Ink> Glyphs(const Ink& word) {
  const QRect& box = word.box;
  std::vector<int> mask(std::size_t(box.width()) * std::size_t(box.height()), 0);
  const auto at = [&box](QPoint p) {
    return std::size_t(p.y() - box.top()) * std::size_t(box.width()) + std::size_t(p.x() - box.left());
  };
  for (const QPoint& p : word.pixels) {
    mask[at(p)] = 1;
  }
  std::vector<Ink> glyphs;
  for (const QPoint& start : word.pixels) {
    if (mask[at(start)] != 1) {
      continue;
    }
    Ink glyph;
    std::deque<QPoint> queue{start};
    mask[at(start)] = 2;
    while (!queue.empty()) {
      const QPoint p = queue.front();
      queue.pop_front();
      glyph.pixels.push_back(p);
      glyph.box |= QRect(p, QSize(1, 1));
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const QPoint q = p + QPoint(dx, dy);
          if (box.contains(q) && mask[at(q)] == 1) {
            mask[at(q)] = 2;
            queue.push_back(q);
          }
        }
      }
    }
    glyphs.push_back(std::move(glyph));
  }
  std::sort(glyphs.begin(), glyphs.end(), [](const Ink& a, const Ink& b) { return a.box.left() < b.box.left(); });
  return glyphs;
}

// A glyph on a grid one pixel larger on each side: its ink, the holes in it (background not
// reached from outside, 4-connected) numbered from 1, and the outside as -1.
struct GlyphMap {
  QRect grid;
  std::vector<int> cells;  // 0 ink, -1 outside, k > 0 hole k
  int holes = 0;
  std::size_t At(QPoint p) const {
    return std::size_t(p.y() - grid.top()) * std::size_t(grid.width()) + std::size_t(p.x() - grid.left());
  }
};

GlyphMap MapGlyph(const Ink& glyph) {
  GlyphMap map;
  map.grid = glyph.box.adjusted(-1, -1, 1, 1);
  map.cells.assign(std::size_t(map.grid.width()) * std::size_t(map.grid.height()), -2);  // -2: unvisited
  for (const QPoint& p : glyph.pixels) {
    map.cells[map.At(p)] = 0;
  }
  int next = -1;  // the first region found (from the corner) is the outside
  for (int y = map.grid.top(); y <= map.grid.bottom(); ++y) {
    for (int x = map.grid.left(); x <= map.grid.right(); ++x) {
      if (map.cells[map.At({x, y})] != -2) {
        continue;
      }
      std::deque<QPoint> queue{QPoint(x, y)};
      map.cells[map.At({x, y})] = next;
      while (!queue.empty()) {
        const QPoint p = queue.front();
        queue.pop_front();
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
          const QPoint q = p + d;
          if (map.grid.contains(q) && map.cells[map.At(q)] == -2) {
            map.cells[map.At(q)] = next;
            queue.push_back(q);
          }
        }
      }
      next = next == -1 ? 1 : next + 1;
    }
  }
  map.holes = next == -1 ? 0 : next - 1;
  return map;
}

// A zero with a slash through it has two holes beside each other on a slant; what is not within
// the ring's thickness of the outside is the slash, and goes. Other glyphs stay as they are.
void RemoveSlash(Ink& glyph) {
  if (glyph.box.width() > 0.85 * glyph.box.height()) {
    return;  // wider than a digit: glyphs that touch (a zero and an exponent's four)
  }
  const GlyphMap map = MapGlyph(glyph);
  if (map.holes != 2) {
    return;
  }
  struct Hole {
    int top = 1 << 30, bottom = -1;
    double sx = 0, sy = 0, n = 0;
  };
  std::array<Hole, 2> holes;
  for (int y = map.grid.top(); y <= map.grid.bottom(); ++y) {
    for (int x = map.grid.left(); x <= map.grid.right(); ++x) {
      const int c = map.cells[map.At({x, y})];
      if (c > 0) {
        Hole& hole = holes[std::size_t(c - 1)];
        hole.top = std::min(hole.top, y);
        hole.bottom = std::max(hole.bottom, y);
        hole.sx += x;
        hole.sy += y;
        ++hole.n;
      }
    }
  }
  const double dx = holes[0].sx / holes[0].n - holes[1].sx / holes[1].n;
  const double dy = holes[0].sy / holes[0].n - holes[1].sy / holes[1].n;
  const bool sideBySide = std::max(holes[0].top, holes[1].top) <= std::min(holes[0].bottom, holes[1].bottom);
  if (!sideBySide || std::fabs(dy) < 0.2 * glyph.box.height() || std::fabs(dx) < 0.3) {
    return;  // an 8 (holes one above the other) or two zeros side by side
  }
  // The ring's thickness: the first run of ink from the left in the middle row.
  const int middle = glyph.box.top() + glyph.box.height() / 2;
  int thickness = 0;
  for (int x = glyph.box.left(); x <= glyph.box.right(); ++x) {
    const bool ink = map.cells[map.At({x, middle})] == 0;
    if (ink) {
      ++thickness;
    } else if (thickness > 0) {
      break;
    }
  }
  // Chessboard distance of each cell from the outside.
  std::vector<int> distance(map.cells.size(), -1);
  std::deque<QPoint> queue;
  for (int y = map.grid.top(); y <= map.grid.bottom(); ++y) {
    for (int x = map.grid.left(); x <= map.grid.right(); ++x) {
      if (map.cells[map.At({x, y})] == -1) {
        distance[map.At({x, y})] = 0;
        queue.push_back({x, y});
      }
    }
  }
  while (!queue.empty()) {
    const QPoint p = queue.front();
    queue.pop_front();
    for (int ddy = -1; ddy <= 1; ++ddy) {
      for (int ddx = -1; ddx <= 1; ++ddx) {
        const QPoint q = p + QPoint(ddx, ddy);
        if (map.grid.contains(q) && distance[map.At(q)] < 0) {
          distance[map.At(q)] = distance[map.At(p)] + 1;
          queue.push_back(q);
        }
      }
    }
  }
  std::vector<QPoint> ring;
  for (const QPoint& p : glyph.pixels) {
    if (distance[map.At(p)] <= thickness) {
      ring.push_back(p);
    }
  }
  glyph.pixels = std::move(ring);
}

// Drops glyphs that lie wholly inside another glyph's hole: the dot of a dotted zero.
void RemoveDots(std::vector<Ink>& glyphs) {
  std::vector<bool> dot(glyphs.size(), false);
  for (const Ink& ring : glyphs) {
    const GlyphMap map = MapGlyph(ring);
    if (map.holes == 0) {
      continue;
    }
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
      const Ink& other = glyphs[i];
      if (&other == &ring || !ring.box.contains(other.box)) {
        continue;
      }
      dot[i] = dot[i] || std::all_of(other.pixels.begin(), other.pixels.end(),
                                     [&map](QPoint p) { return map.cells[map.At(p)] > 0; });
    }
  }
  std::vector<Ink> kept;
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    if (!dot[i]) {
      kept.push_back(std::move(glyphs[i]));
    }
  }
  glyphs = std::move(kept);
}

// The glyphs as a picture, dark on white: their own pixels with their strength, the faint pixels
// around them (anti-aliasing) too, `grow` pixels beyond their box; the ink of anything else stays
// white.
QImage Cut(const Margin& margin, const std::vector<const Ink*>& glyphs, int grow = 0) {
  QRect box;
  for (const Ink* glyph : glyphs) {
    for (const QPoint& p : glyph->pixels) {
      box |= QRect(p, QSize(1, 1));
    }
  }
  if (box.isEmpty()) {
    return {};
  }
  box = box.adjusted(-grow, -grow, grow, grow) & margin.Region();
  QImage cut(box.size(), QImage::Format_Grayscale8);
  cut.fill(255);
  for (int y = box.top(); y <= box.bottom(); ++y) {
    uchar* line = cut.scanLine(y - box.top());
    for (int x = box.left(); x <= box.right(); ++x) {
      if (!margin.Ink({x, y})) {
        line[x - box.left()] = uchar(255 - margin.Strength({x, y}));
      }
    }
  }
  for (const Ink* glyph : glyphs) {
    for (const QPoint& p : glyph->pixels) {
      cut.scanLine(p.y() - box.top())[p.x() - box.left()] = uchar(255 - margin.Strength(p));
    }
  }
  return cut;
}

// An exponent that touches the base's last glyph (small type): the ink of that glyph right of
// every column that reaches down into the base's lower half, where it lies wholly above the
// base's middle and rises above the base's top. It leaves the glyph for `exponent`.
bool SplitTouchingExponent(std::vector<Ink>& glyphs, Ink& exponent) {
  if (glyphs.size() < 2) {
    return false;
  }
  Ink& last = glyphs.back();
  int bottom = 0;
  for (const Ink& g : glyphs) {
    bottom = std::max(bottom, g.box.bottom());
  }
  // The base's height, from the other glyphs and the lower part of the last one.
  int top = last.box.bottom();
  for (const Ink& g : glyphs) {
    if (&g != &last) {
      top = std::min(top, g.box.top());
    }
  }
  const auto lowRightOf = [&last](double below) {
    int right = -1;
    for (const QPoint& p : last.pixels) {
      if (p.y() > below) {
        right = std::max(right, p.x());
      }
    }
    return right;
  };
  int height = bottom - top + 1;
  const int lowRight = lowRightOf(bottom - 0.45 * height);
  Ink rest;
  for (const QPoint& p : last.pixels) {
    Ink& part = p.x() > lowRight ? exponent : rest;
    part.pixels.push_back(p);
    part.box |= QRect(p, QSize(1, 1));
  }
  if (exponent.pixels.empty() || rest.pixels.empty()) {
    return false;
  }
  top = std::min(top, rest.box.top());
  height = bottom - top + 1;
  const bool raised = exponent.box.top() < top && exponent.box.bottom() <= bottom - 0.45 * height;
  if (!raised || exponent.box.height() < 0.4 * height || exponent.box.width() < 2) {
    exponent = {};
    return false;
  }
  last = std::move(rest);
  return true;
}

// A label's glyphs cut out, the raised smaller ones after the others as its exponent.
std::optional<LabelText> CutLabel(const Margin& margin, const Ink& word) {
  std::vector<Ink> glyphs = Glyphs(word);
  RemoveDots(glyphs);
  for (Ink& glyph : glyphs) {
    RemoveSlash(glyph);
  }
  if (glyphs.empty()) {
    return std::nullopt;
  }
  int bottom = 0;
  int tallest = 0;
  for (const Ink& g : glyphs) {
    bottom = std::max(bottom, g.box.bottom());
    tallest = std::max(tallest, g.box.height());
  }
  // Base glyphs stand on the common bottom; an exponent's glyphs are smaller, end above the base's
  // middle and stand right of every base glyph.
  std::vector<const Ink*> base;
  std::vector<const Ink*> exponent;
  int baseRight = -1;
  for (const Ink& g : glyphs) {
    if (g.box.bottom() >= bottom - 0.25 * tallest) {
      base.push_back(&g);
      baseRight = std::max(baseRight, g.box.right());
    }
  }
  bool split = !base.empty();
  for (const Ink& g : glyphs) {
    if (std::find(base.begin(), base.end(), &g) != base.end()) {
      continue;
    }
    const bool raised = g.box.bottom() < bottom - 0.35 * tallest && g.box.height() <= 0.85 * tallest;
    if (raised && g.box.left() >= baseRight - 1) {
      exponent.push_back(&g);
    } else {
      split = false;  // a minus sign, a decimal point: part of the base
    }
  }
  Ink touching;
  if (split && exponent.empty() && SplitTouchingExponent(glyphs, touching)) {
    exponent.push_back(&touching);
  }
  LabelText label;
  label.box = QRectF(word.box);
  if (split && !exponent.empty()) {
    label.base = Cut(margin, base);
    // Its faint edges too: of a glyph of a few pixels, they are a good part.
    label.exponent = Cut(margin, exponent, 1);
  } else {
    std::vector<const Ink*> all;
    for (const Ink& g : glyphs) {
      all.push_back(&g);
    }
    label.base = Cut(margin, all);
  }
  int baseHeight = 0;
  for (const Ink& g : glyphs) {
    if (!split || std::find(exponent.begin(), exponent.end(), &g) == exponent.end()) {
      baseHeight = std::max(baseHeight, g.box.height());
    }
  }
  label.textHeight = baseHeight;
  return label;
}

// Text of a title, upright; set vertically, it comes turned both ways.
void AddTitle(const Margin& margin, const Ink& group, std::vector<QImage>& titles) {
  const QImage cut = Cut(margin, {&group});
  if (cut.isNull()) {
    return;
  }
  if (group.box.height() >= 2 * group.box.width()) {
    titles.push_back(cut.transformed(QTransform().rotate(90)));
    titles.push_back(cut.transformed(QTransform().rotate(-90)));
  } else {
    titles.push_back(cut);
  }
}

// The tick labels and titles of one margin among its words.
MarginTexts ReadMargin(const Margin& margin, std::vector<Ink> words, const QRectF& plot, Side side) {
  MarginTexts texts;
  const double h = std::max(3.0, margin.GlyphHeight());
  std::vector<Ink> labels;
  std::vector<Ink> others;
  if (side == Side::kBottom) {
    // The tick labels: the words of the text row nearest the axis.
    int rowTop = 1 << 30;
    for (const Ink& w : words) {
      if (w.box.height() >= 0.6 * h) {
        rowTop = std::min(rowTop, w.box.top());
      }
    }
    int rowBottom = -1;
    for (const Ink& w : words) {
      if (w.box.top() <= rowTop + 0.5 * h) {
        rowBottom = std::max(rowBottom, w.box.bottom());
      }
    }
    for (Ink& w : words) {
      const bool inRow = w.box.top() >= rowTop - 0.5 * h && w.box.bottom() <= rowBottom + 0.5 * h;
      (inRow ? labels : others).push_back(std::move(w));
    }
    std::sort(labels.begin(), labels.end(), [](const Ink& a, const Ink& b) { return a.box.left() < b.box.left(); });
  } else {
    // The tick labels: the words aligned on the edge nearest the axis that at least three words
    // share (a stray mark beside the axis shares it with none; a title set vertically is farther
    // out), or else on the edge that most share; beside the axis or up to a glyph beyond its ends.
    const bool left = side == Side::kLeft;
    const auto edgeOf = [left](const Ink& w) { return left ? w.box.right() : w.box.left(); };
    int inner = 0;
    int most = 0;
    for (const Ink& w : words) {
      const int e = edgeOf(w);
      const int count = std::min(3, int(std::count_if(words.begin(), words.end(),
                                                      [&](const Ink& o) { return std::abs(edgeOf(o) - e) <= h; })));
      if (count > most || (count == most && (left ? e > inner : e < inner))) {
        most = count;
        inner = e;
      }
    }
    for (Ink& w : words) {
      const int edge = left ? w.box.right() : w.box.left();
      const double middle = (w.box.top() + w.box.bottom() + 1) / 2.0;
      const bool aligned = std::abs(edge - inner) <= h && w.box.height() <= 2.5 * h;
      const bool along = middle >= plot.top() - h && middle <= plot.bottom() + h;
      (aligned && along ? labels : others).push_back(std::move(w));
    }
    std::sort(labels.begin(), labels.end(), [](const Ink& a, const Ink& b) { return a.box.top() < b.box.top(); });
  }
  for (const Ink& w : labels) {
    if (std::optional<LabelText> label = CutLabel(margin, w)) {
      texts.labels.push_back(std::move(*label));
    }
  }
  // Titles: the other words, those near each other together (a title set vertically is a column
  // of single glyphs).
  const int titleGap = std::max(2, platform::RoundToInt32(0.8 * h));
  for (const Ink& group : Join(std::move(others), titleGap, titleGap)) {
    AddTitle(margin, group, texts.titles);
  }
  return texts;
}

}  // namespace

PlotTexts FindPlotTexts(const QImage& picture, const QRectF& plot) {
  const Margin margin(picture.convertToFormat(QImage::Format_RGB32), plot);
  const double h = std::max(3.0, margin.GlyphHeight());
  // Words: pieces of ink side by side within 0.8 glyph heights (a blank within a label, "20 k",
  // included), on one text line (their rows overlap; two labels that meet only at a corner stay
  // apart).
  std::vector<Ink> pieces;
  for (const Margin::Piece& piece : margin.Pieces()) {
    pieces.push_back({piece.box, piece.pixels});
  }
  std::vector<Ink> words = Join(std::move(pieces), std::max(1, platform::RoundToInt32(0.8 * h)), 0);
  // Each word goes to the margin it lies in: below the plot area first, then beside it.
  std::vector<Ink> bottom, left, right;
  for (Ink& w : words) {
    if (w.box.top() + 0.5 > plot.bottom() + 1.5) {
      bottom.push_back(std::move(w));
    } else if (w.box.right() + 0.5 < plot.left() - 1.5) {
      left.push_back(std::move(w));
    } else if (w.box.left() + 0.5 > plot.right() + 1.5) {
      right.push_back(std::move(w));
    }
  }
  return {ReadMargin(margin, std::move(bottom), plot, Side::kBottom),
          ReadMargin(margin, std::move(left), plot, Side::kLeft),
          ReadMargin(margin, std::move(right), plot, Side::kRight)};
}

}  // namespace tracer
