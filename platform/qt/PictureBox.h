// A picture box: a child surface placed and sized in twips inside its container, which keeps what
// is drawn on it (lines, polylines, text) as a list of operations in twips and replays that list
// whenever Qt paints it. However much is drawn between two paints, the box asks Qt for one
// repaint. A box without retained drawing calls its paint handler first on every paint
// notification, and the handler draws anew.
//
// Drawing follows the surface's own coordinates in twips, origin top left, y downwards.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// One recorded drawing operation, in the surface's twips.
struct DrawOp {
  enum class Kind : std::uint8_t { kLine, kText, kPolyline };
  Kind kind = Kind::kLine;
  float x1 = 0;  // line start, or the text cell's top-left corner
  float y1 = 0;
  float x2 = 0;  // line end
  float y2 = 0;
  QRgb color = 0;          // line, polyline or text colour
  int textIndex = -1;      // the text's entry in Texts(), for a text
  int polylineIndex = -1;  // the polyline's entry in Polylines(), for a polyline
};

// A point of a polyline, in twips.
struct TwipPoint {
  float x = 0;
  float y = 0;
  bool operator==(const TwipPoint&) const = default;
};

struct TextOp {
  QString text;
  double fontSize = 0;  // points; 0 for the surface's default font
  bool opaque = false;  // cell filled with `background`
  QRgb background = 0;
};

class PictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // Placement in the container, in twips. A negative width or height throws std::invalid_argument
  // and leaves the box where it was.
  void Move(int left, int top, int width, int height);
  void Move(int left, int top) { Move(left, top, width_, height_); }
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  QColor BackColor() const { return backColor_; }
  void SetBackColor(const QColor& color);
  QColor ForeColor() const { return foreColor_; }
  void SetForeColor(const QColor& color) { foreColor_ = color; }
  double FontSize() const { return fontSize_; }
  void SetFontSize(double points) { fontSize_ = points; }
  bool FontTransparent() const { return fontTransparent_; }
  void SetFontTransparent(bool transparent) { fontTransparent_ = transparent; }
  double CurrentX() const { return currentX_; }
  double CurrentY() const { return currentY_; }
  void SetCurrentX(double x) { currentX_ = x; }
  void SetCurrentY(double y) { currentY_ = y; }

  // Whether the drawing is kept (true) or the paint handler draws it on each paint (false).
  void SetAutoRedraw(bool retained) { autoRedraw_ = retained; }
  bool AutoRedraw() const { return autoRedraw_; }
  void SetPaintHandler(std::function<void()> handler) { paintHandler_ = std::move(handler); }

  // Clears the drawing to the background colour; the current position returns to 0, 0.
  void Cls();
  // A one-pixel line from (x1, y1) to (x2, y2), in `color` or else the foreground colour; the
  // current position moves to its end.
  void Line(float x1, float y1, float x2, float y2, const QColor& color);
  void Line(float x1, float y1, float x2, float y2) { Line(x1, y1, x2, y2, foreColor_); }
  // One-pixel lines joining `points` in order, in `color`: one operation however many points. When
  // painted, the points that fall into one pixel column are thinned to the first, the lowest, the
  // highest and the last of them, which draws the same pixels.
  void Polyline(std::vector<TwipPoint> points, const QColor& color);
  // Text at the current position in the foreground colour and the current font size, its cell
  // filled with the background colour unless the font is transparent.
  void Print(const QString& text);

  const std::vector<DrawOp>& Operations() const { return ops_; }
  const std::vector<TextOp>& Texts() const { return texts_; }
  const std::vector<TwipPoint>& PolylinePoints(const DrawOp& op) const {
    return polylines_[static_cast<std::size_t>(op.polylineIndex)].points;
  }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct PolylineOp {
    std::vector<TwipPoint> points;
    std::vector<QPointF> pixels;  // the thinned points in pixels, made when first painted
    QRectF bounds;                // of the pixels
    bool ascending = false;       // the pixels' x never falls: a paint draws only the part it shows
  };

  void Changed();
  static void Thin(PolylineOp& polyline);

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  QColor backColor_{Qt::white};
  QColor foreColor_{Qt::black};
  double fontSize_ = 0;
  bool fontTransparent_ = true;
  double currentX_ = 0;
  double currentY_ = 0;
  bool autoRedraw_ = true;
  bool painting_ = false;
  bool updatePending_ = false;  // a repaint has been asked for and not yet done
  std::function<void()> paintHandler_;
  std::vector<DrawOp> ops_;
  std::vector<TextOp> texts_;
  std::vector<PolylineOp> polylines_;
};

}  // namespace platform
